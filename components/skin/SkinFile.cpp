#include "components/skin/SkinFile.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <utility>

namespace velmora::skin {
namespace {

constexpr std::string_view Magic = "velmora-skin 1";
constexpr std::size_t MaxNameLength = 64;
constexpr std::size_t MaxTextLength = 256;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// A value in double quotes keeps its inner spaces; the quotes go.
std::string_view unquote(std::string_view s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        return s.substr(1, s.size() - 2);
    return s;
}

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-';
}

void checkName(std::string_view name) {
    if (name.empty() || name.size() > MaxNameLength)
        throw SkinError("a name must have 1 to 64 characters");
    for (char c : name)
        if (!isNameChar(c))
            throw SkinError("the name \"" + std::string(name) +
                            "\" may hold only letters, digits, '_' and '-'");
}

std::string text(std::string_view value) {
    value = unquote(value);
    if (value.size() > MaxTextLength)
        throw SkinError("a text may have at most 256 bytes");
    return std::string(value);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Splits "a, b, c" into its trimmed parts (at most max parts).
std::vector<std::string_view> splitList(std::string_view value, std::size_t max) {
    std::vector<std::string_view> parts;
    while (true) {
        const auto comma = value.find(',');
        parts.push_back(trim(value.substr(0, comma)));
        if (parts.size() > max)
            throw SkinError("too many values in \"" + std::string(value) + "\"");
        if (comma == std::string_view::npos)
            break;
        value.remove_prefix(comma + 1);
    }
    return parts;
}

// Sets the colour field that key names; false when key names none of them.
template <class Record>
bool setColorKey(Record& record, std::string_view key, std::string_view value,
                 std::initializer_list<std::pair<std::string_view, Color Record::*>> fields) {
    for (const auto& [name, field] : fields) {
        if (key == name) {
            record.*field = parseColor(value);
            return true;
        }
    }
    return false;
}

// A font: "family, point size".
void parseFont(std::string_view key, std::string_view value, std::string& family, int& size) {
    const auto parts = splitList(value, 2);
    if (parts.size() != 2)
        throw SkinError(std::string(key) + " needs a family and a point size");
    family = text(parts[0]);
    size = parseInt(parts[1], 4, 72);
}

void setFormKey(SkinForm& form, std::string_view key, std::string_view value) {
    if (setColorKey(form, key, value,
                    {{"title-text", &SkinForm::titleText},
                     {"frame", &SkinForm::frame},
                     {"label-text", &SkinForm::labelText},
                     {"field-base", &SkinForm::fieldBase},
                     {"field-text", &SkinForm::fieldText},
                     {"highlight", &SkinForm::highlight},
                     {"button-face", &SkinForm::buttonFace},
                     {"button-text", &SkinForm::buttonText},
                     {"highlight-text", &SkinForm::highlightText}}))
        return;
    if (key == "dialog-background") {
        form.dialogBackground = parseColor(value);
    } else if (key == "dialog-text") {
        form.dialogText = parseColor(value);
    } else if (key == "min-size") {
        const auto parts = splitList(value, 2);
        if (parts.size() != 2)
            throw SkinError("min-size needs a width and a height");
        form.minWidth = parseInt(parts[0], 64, MaxCoordinate);
        form.minHeight = parseInt(parts[1], 64, MaxCoordinate);
    } else if (key == "resize-border") {
        form.resizeBorder = parseInt(value, 0, 32);
    } else if (key == "size") {
        const auto parts = splitList(value, 2);
        if (parts.size() != 2)
            throw SkinError("size needs a width and a height");
        form.width = parseInt(parts[0], 64, MaxCoordinate);
        form.height = parseInt(parts[1], 64, MaxCoordinate);
    } else if (key == "caption") {
        form.caption = text(value);
    } else if (key == "title-height") {
        form.titleHeight = parseInt(value, 0, 200);
    } else if (key == "background") {
        const auto parts = splitList(value, 2);
        form.backgroundTop = parseColor(parts[0]);
        form.backgroundBottom = parts.size() > 1 ? parseColor(parts[1]) : form.backgroundTop;
    } else if (key == "title-background") {
        const auto parts = splitList(value, 2);
        form.titleTop = parseColor(parts[0]);
        form.titleBottom = parts.size() > 1 ? parseColor(parts[1]) : form.titleTop;
    } else if (key == "font") {
        parseFont(key, value, form.fontFamily, form.fontSize);
    } else if (key == "label-font") {
        parseFont(key, value, form.labelFontFamily, form.labelFontSize);
    } else {
        throw SkinError("unknown form key \"" + std::string(key) + "\"");
    }
}

void setObjectKey(SkinObject& object, std::string_view key, std::string_view value) {
    if (setColorKey(object, key, value,
                    {{"face", &SkinObject::face},
                     {"hover", &SkinObject::hover},
                     {"pressed", &SkinObject::pressed},
                     {"text", &SkinObject::text},
                     {"border", &SkinObject::border}}))
        return;
    if (key == "rect")
        object.rect = parseRect(value);
    else if (key == "anchor")
        object.anchors = parseAnchors(value);
    else if (key == "caption")
        object.caption = text(value);
    else if (key == "tooltip")
        object.tooltip = text(value);
    else if (key == "icon")
        object.icon = text(value);
    else if (key == "radius")
        object.radius = parseInt(value, 0, 100);
    else
        throw SkinError("unknown object key \"" + std::string(key) + "\"");
}

bool inside(const Rect& r, int width, int height) {
    return r.x >= 0 && r.y >= 0 && r.width >= 1 && r.height >= 1 && r.x + r.width <= width &&
           r.y + r.height <= height;
}

// Checks a finished form: the minimum size is no larger than the size, and
// every object has a place inside the form at both sizes (and so at every size
// between and above them, as anchored places move linearly).
void checkForm(const SkinForm& form) {
    if (form.minimumWidth() > form.width || form.minimumHeight() > form.height)
        throw SkinError("form \"" + form.name + "\": min-size is larger than size");
    for (const auto& object : form.objects) {
        const Rect& r = object.rect;
        const std::string where =
            "line " + std::to_string(object.line) + ": object \"" + object.name + "\"";
        if (r.width <= 0 || r.height <= 0)
            throw SkinError(where + " has no rect");
        const Rect smallest = anchoredRect(r, object.anchors, form.width, form.height,
                                           form.minimumWidth(), form.minimumHeight());
        if (!inside(r, form.width, form.height))
            throw SkinError(where + " lies outside its form");
        if (!inside(smallest, form.minimumWidth(), form.minimumHeight()))
            throw SkinError(where + " lies outside its form at the form's min-size");
    }
}

struct Parser {
    SkinDocument doc;
    SkinForm* form = nullptr;
    SkinObject* object = nullptr;

    void header(std::string_view inner) {
        inner = trim(inner);
        const auto space = inner.find(' ');
        if (space == std::string_view::npos)
            throw SkinError("a section needs a kind and a name, as in [button add]");
        const std::string_view kind = inner.substr(0, space);
        const std::string_view name = trim(inner.substr(space + 1));
        checkName(name);
        if (kind == "form") {
            if (form)
                checkForm(*form);
            if (doc.findForm(name))
                throw SkinError("form \"" + std::string(name) + "\" appears twice");
            if (doc.forms.size() >= MaxForms)
                throw SkinError("too many forms");
            doc.forms.emplace_back();
            form = &doc.forms.back();
            form->name = std::string(name);
            object = nullptr;
            return;
        }
        ObjectKind objectKind;
        if (kind == "button")
            objectKind = ObjectKind::Button;
        else if (kind == "panel")
            objectKind = ObjectKind::Panel;
        else if (kind == "system")
            objectKind = ObjectKind::System;
        else
            throw SkinError("unknown section kind \"" + std::string(kind) + "\"");
        if (!form)
            throw SkinError("an object must follow a [form ...] section");
        if (objectKind == ObjectKind::System && name != "minimize" && name != "maximize" &&
            name != "close")
            throw SkinError("a system object is named minimize, maximize or close");
        if (form->findObject(name))
            throw SkinError("object \"" + std::string(name) + "\" appears twice in its form");
        if (form->objects.size() >= MaxObjectsPerForm)
            throw SkinError("too many objects in form \"" + form->name + "\"");
        form->objects.emplace_back();
        object = &form->objects.back();
        object->kind = objectKind;
        object->name = std::string(name);
        object->face = form->buttonFace;
        object->text = form->buttonText;
    }

    void keyValue(std::string_view line) {
        const auto eq = line.find('=');
        if (eq == std::string_view::npos)
            throw SkinError("expected key = value");
        const std::string_view key = trim(line.substr(0, eq));
        const std::string_view value = trim(line.substr(eq + 1));
        if (object)
            setObjectKey(*object, key, value);
        else if (form)
            setFormKey(*form, key, value);
        else if (key == "name")
            doc.name = text(value);
        else
            throw SkinError("unknown key \"" + std::string(key) + "\" before the first form");
    }
};

} // namespace

const SkinObject* SkinForm::findObject(std::string_view objectName) const {
    for (const auto& object : objects)
        if (object.name == objectName)
            return &object;
    return nullptr;
}

const SkinForm* SkinDocument::findForm(std::string_view formName) const {
    for (const auto& form : forms)
        if (form.name == formName)
            return &form;
    return nullptr;
}

int parseInt(std::string_view value, int min, int max) {
    value = trim(value);
    int result = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), result);
    if (value.empty() || ec != std::errc() || end != value.data() + value.size())
        throw SkinError("\"" + std::string(value) + "\" is not a whole number");
    if (result < min || result > max)
        throw SkinError(std::to_string(result) + " is outside " + std::to_string(min) + " to " +
                        std::to_string(max));
    return result;
}

Color parseColor(std::string_view value) {
    value = trim(value);
    if ((value.size() != 7 && value.size() != 9) || value[0] != '#')
        throw SkinError("\"" + std::string(value) + "\" is not a colour (#rrggbb or #rrggbbaa)");
    std::uint8_t bytes[4] = {0, 0, 0, 255};
    for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
        const int hi = hexDigit(value[i + 1]);
        const int lo = hexDigit(value[i + 2]);
        if (hi < 0 || lo < 0)
            throw SkinError("\"" + std::string(value) + "\" is not a colour");
        bytes[i / 2] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return Color{bytes[0], bytes[1], bytes[2], bytes[3]};
}

Anchors parseAnchors(std::string_view value) {
    value = trim(value);
    if (value == "none")
        return 0;
    Anchors anchors = 0;
    std::size_t words = 0;
    while (!value.empty()) {
        const auto end = value.find_first_of(" \t,");
        const std::string_view word = value.substr(0, end);
        value.remove_prefix(end == std::string_view::npos ? value.size() : end + 1);
        if (word.empty())
            continue;
        if (++words > 4)
            throw SkinError("an anchor names at most four edges");
        if (word == "left")
            anchors |= AnchorLeft;
        else if (word == "top")
            anchors |= AnchorTop;
        else if (word == "right")
            anchors |= AnchorRight;
        else if (word == "bottom")
            anchors |= AnchorBottom;
        else
            throw SkinError("\"" + std::string(word) +
                            "\" is not an edge (left, top, right, bottom or none)");
    }
    if (words == 0)
        throw SkinError("an anchor names its edges, as in \"left top right\"");
    return anchors;
}

namespace {

// One direction of anchoredRect: the start and length of the span.
void anchorSpan(int& start, int& length, bool nearEdge, bool farEdge, int growth) {
    if (nearEdge && farEdge)
        length = std::max(0, length + growth);
    else if (farEdge)
        start += growth;
    else if (!nearEdge)
        start += growth / 2;
}

} // namespace

Rect anchoredRect(const Rect& design, Anchors anchors, int designWidth, int designHeight, int width,
                  int height) {
    Rect r = design;
    anchorSpan(r.x, r.width, (anchors & AnchorLeft) != 0, (anchors & AnchorRight) != 0,
               width - designWidth);
    anchorSpan(r.y, r.height, (anchors & AnchorTop) != 0, (anchors & AnchorBottom) != 0,
               height - designHeight);
    return r;
}

Rect parseRect(std::string_view value) {
    const auto parts = splitList(value, 4);
    if (parts.size() != 4)
        throw SkinError("a rect is left, top, width, height");
    return Rect{parseInt(parts[0], 0, MaxCoordinate), parseInt(parts[1], 0, MaxCoordinate),
                parseInt(parts[2], 1, MaxCoordinate), parseInt(parts[3], 1, MaxCoordinate)};
}

SkinDocument parseSkin(std::string_view input) {
    if (input.size() > MaxSkinFileBytes)
        throw SkinError("the file is larger than 1 MiB");
    if (input.substr(0, 3) == "\xEF\xBB\xBF")
        input.remove_prefix(3);
    Parser parser;
    bool sawMagic = false;
    int lineNumber = 0;
    while (!input.empty()) {
        const auto newline = input.find('\n');
        std::string_view line = input.substr(0, newline);
        input.remove_prefix(newline == std::string_view::npos ? input.size() : newline + 1);
        ++lineNumber;
        try {
            if (line.size() > MaxLineLength)
                throw SkinError("the line is longer than 4096 bytes");
            if (line.find('\0') != std::string_view::npos)
                throw SkinError("the line holds a zero byte");
            line = trim(line);
            if (line.empty() || line[0] == '#' || line[0] == ';')
                continue;
            if (!sawMagic) {
                if (line != Magic)
                    throw SkinError("not a Velmora skin file (the first line must be \"" +
                                    std::string(Magic) + "\")");
                sawMagic = true;
            } else if (line.front() == '[') {
                if (line.back() != ']')
                    throw SkinError("a section header ends with ']'");
                parser.header(line.substr(1, line.size() - 2));
                if (parser.object)
                    parser.object->line = lineNumber;
            } else {
                parser.keyValue(line);
            }
        } catch (const SkinError& e) {
            if (std::string_view(e.what()).starts_with("line "))
                throw;
            throw SkinError("line " + std::to_string(lineNumber) + ": " + e.what());
        }
    }
    if (!sawMagic)
        throw SkinError("the file is empty");
    if (parser.form)
        checkForm(*parser.form);
    return std::move(parser.doc);
}

} // namespace velmora::skin
