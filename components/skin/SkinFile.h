// The skin file: a small text format describing forms (a window's size,
// colours and font) and the objects drawn on them (buttons, panels, the title
// bar's system buttons). Parsed defensively: any malformed input is reported as
// a SkinError naming the line and what is wrong, never a crash. Plain C++.
// The format is documented in components/skin/SKIN-FORMAT.md.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::skin {

class SkinError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Color {
    std::uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Color&) const = default;
};

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

enum class ObjectKind { Button, Panel, System };

// The window edges an object keeps its distance to when the window resizes.
// Anchored to both edges of a direction, the object stretches with the window;
// to neither, it keeps its place relative to the window's centre.
enum Anchor : unsigned {
    AnchorLeft = 1,
    AnchorTop = 2,
    AnchorRight = 4,
    AnchorBottom = 8,
};
using Anchors = unsigned;
inline constexpr Anchors DefaultAnchors = AnchorLeft | AnchorTop;

// Where an object placed at design in a window of designWidth x designHeight
// lies in a window of width x height. Width and height never drop below 0.
Rect anchoredRect(const Rect& design, Anchors anchors, int designWidth, int designHeight, int width,
                  int height);

// One object of a form. Buttons send their name to the program when clicked;
// panels are decoration; system objects act on the window ("minimize",
// "maximize", "close").
struct SkinObject {
    ObjectKind kind = ObjectKind::Button;
    std::string name;
    Rect rect; // its place in a window of the form's size
    Anchors anchors = DefaultAnchors;
    std::string caption;
    std::string tooltip;
    std::string icon; // one of the engine's drawn icons, or empty
    Color face{46, 58, 79};
    Color hover{62, 80, 110};
    Color pressed{28, 38, 54};
    Color text{230, 237, 247};
    Color border{20, 27, 38};
    int radius = 6;
    int line = 0; // where the object starts in the file
};

struct SkinForm {
    std::string name;
    int width = 773;
    int height = 497;
    // The smallest size the user may resize the window to; the form's size by
    // default. Only a form with a resize border is resizable.
    int minWidth = 0, minHeight = 0; // 0: the form's size
    int resizeBorder = 0;            // grab width along the edges; 0: fixed size
    std::string caption;
    int titleHeight = 30;
    Color backgroundTop{33, 43, 61};
    Color backgroundBottom{17, 23, 34};
    Color titleTop{45, 60, 86};
    Color titleBottom{30, 40, 58};
    Color titleText{236, 242, 250};
    Color frame{10, 14, 20};
    std::string fontFamily = "Sans Serif";
    int fontSize = 9;
    std::string labelFontFamily; // empty: the form's font
    int labelFontSize = 0;
    Color labelText{168, 186, 210};
    Color fieldBase{14, 20, 31};
    Color fieldText{230, 237, 247};
    Color highlight{47, 111, 214};
    Color buttonFace{46, 58, 79};
    Color buttonText{230, 237, 247};
    Color highlightText{255, 255, 255};
    // Message boxes, menus and dialogs; by default the background's lower colour
    // and the field text.
    std::optional<Color> dialogBackground;
    std::optional<Color> dialogText;
    std::vector<SkinObject> objects;

    const SkinObject* findObject(std::string_view name) const;
    int minimumWidth() const { return minWidth > 0 ? minWidth : width; }
    int minimumHeight() const { return minHeight > 0 ? minHeight : height; }
    bool resizable() const { return resizeBorder > 0; }
    Color dialogBackgroundColor() const { return dialogBackground.value_or(backgroundBottom); }
    Color dialogTextColor() const { return dialogText.value_or(fieldText); }
};

struct SkinDocument {
    std::string name;
    std::vector<SkinForm> forms;

    const SkinForm* findForm(std::string_view name) const;
};

// Limits that keep a hostile file cheap to reject.
inline constexpr std::size_t MaxSkinFileBytes = 1 << 20;
inline constexpr std::size_t MaxLineLength = 4096;
inline constexpr std::size_t MaxForms = 16;
inline constexpr std::size_t MaxObjectsPerForm = 256;
inline constexpr int MaxCoordinate = 8192;

// Parses a whole skin file. Raises SkinError("line N: ...") on the first fault.
SkinDocument parseSkin(std::string_view text);

// Value parsers, shared with the tests. Each raises SkinError without a line.
Color parseColor(std::string_view value);
Rect parseRect(std::string_view value);
int parseInt(std::string_view value, int min, int max);
// "left top right bottom" (spaces or commas between), or "none".
Anchors parseAnchors(std::string_view value);

} // namespace velmora::skin
