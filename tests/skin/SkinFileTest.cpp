// The skin file parser: the shipped skin, the values, and malformed input that
// must be reported with its line rather than crash or be half taken.
#include "components/skin/SkinFile.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace velmora::skin;

namespace {

std::string shippedSkin() {
    std::ifstream in(VELMORA_SOURCE_DIR "/app/mp3enc.skn", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string errorOf(const std::string& text) {
    try {
        parseSkin(text);
    } catch (const SkinError& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(SkinFile, ShippedSkinHasMainFormWithEveryCommand) {
    const SkinDocument doc = parseSkin(shippedSkin());
    const SkinForm* main = doc.findForm("main");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->width, 773);
    EXPECT_EQ(main->height, 497);
    EXPECT_EQ(main->caption, "Velmora");
    for (const char* name : {"add", "remove", "ok", "reset", "clear", "web", "cont", "folder",
                             "play", "stop", "pause", "brack", "next"}) {
        const SkinObject* object = main->findObject(name);
        ASSERT_NE(object, nullptr) << name;
        EXPECT_EQ(object->kind, ObjectKind::Button) << name;
        EXPECT_FALSE(object->tooltip.empty()) << name;
        EXPECT_TRUE(!object->caption.empty() || !object->icon.empty()) << name;
    }
    ASSERT_NE(main->findObject("close"), nullptr);
    EXPECT_EQ(main->findObject("close")->kind, ObjectKind::System);
    // It grows from today's size, and gives message boxes and menus its colours.
    EXPECT_TRUE(main->resizable());
    EXPECT_EQ(main->minimumWidth(), 773);
    EXPECT_EQ(main->minimumHeight(), 497);
    ASSERT_NE(main->findObject("maximize"), nullptr);
    EXPECT_NE(main->dialogBackgroundColor(), main->dialogTextColor());
}

// The shipped buttons must not cover the window's controls (list, fields,
// labels and apply buttons lie between y 116 and 398, x 9 to 679).
TEST(SkinFile, ShippedButtonsLeaveTheControlsFree) {
    const SkinDocument doc = parseSkin(shippedSkin());
    for (const SkinObject& object : doc.findForm("main")->objects) {
        if (object.kind == ObjectKind::Panel)
            continue;
        const Rect& r = object.rect;
        const bool overlaps = r.x < 679 && r.x + r.width > 9 && r.y < 398 && r.y + r.height > 116;
        EXPECT_FALSE(overlaps) << object.name;
    }
}

TEST(SkinFile, ReadsValuesQuotesCommentsAndDefaults) {
    const SkinDocument doc = parseSkin("\xEF\xBB\xBF# comment\r\nvelmora-skin 1\r\n"
                                       "name = Test\n"
                                       "[form main]\n"
                                       "size = 300, 200\n"
                                       "font = \"DejaVu Sans\", 10\n"
                                       "; another comment\n"
                                       "button-face = #102030\n"
                                       "[button go]\n"
                                       "rect = 10, 20, 30, 40\n"
                                       "caption = \"  Go  \"\n"
                                       "hover = #ffffff80\n"
                                       "[panel p]\n"
                                       "rect = 0, 0, 300, 200\n");
    EXPECT_EQ(doc.name, "Test");
    const SkinForm& form = doc.forms.at(0);
    EXPECT_EQ(form.fontFamily, "DejaVu Sans");
    EXPECT_EQ(form.fontSize, 10);
    const SkinObject& go = *form.findObject("go");
    EXPECT_EQ(go.rect, (Rect{10, 20, 30, 40}));
    EXPECT_EQ(go.caption, "  Go  ");
    EXPECT_EQ(go.hover, (Color{255, 255, 255, 128}));
    EXPECT_EQ(go.face, (Color{0x10, 0x20, 0x30, 255})); // the form's button face
    EXPECT_EQ(form.findObject("p")->kind, ObjectKind::Panel);
    EXPECT_EQ(form.findObject("Go"), nullptr); // names are case-sensitive
}

struct BadSkin {
    const char* label;
    std::string text;
    const char* expected; // part of the message
};

class SkinFileRejects : public ::testing::TestWithParam<BadSkin> {};

TEST_P(SkinFileRejects, WithLineAndReason) {
    const std::string message = errorOf(GetParam().text);
    EXPECT_NE(message.find(GetParam().expected), std::string::npos) << message;
}

const std::string head = "velmora-skin 1\n[form main]\n";

INSTANTIATE_TEST_SUITE_P(
    Malformed, SkinFileRejects,
    ::testing::Values(
        BadSkin{"empty", "", "empty"}, BadSkin{"only comments", "# x\n\n", "empty"},
        BadSkin{"wrong magic", "velmora-skin 2\n", "line 1: not a Velmora skin file"},
        BadSkin{"binary", std::string("\x89PNG\0\0\n", 7), "line 1:"},
        BadSkin{"zero byte", head + std::string("caption = a\0b\n", 14),
                "line 3: the line holds a zero byte"},
        BadSkin{"object before form", "velmora-skin 1\n[button add]\n", "line 2: an object must"},
        BadSkin{"unclosed header", head + "[button add\n", "line 3: a section header ends"},
        BadSkin{"no name", head + "[button]\n", "line 3: a section needs a kind and a name"},
        BadSkin{"bad name", head + "[button a/b]\n", "line 3: the name \"a/b\""},
        BadSkin{"unknown kind", head + "[slider x]\n", "line 3: unknown section kind"},
        BadSkin{"duplicate form", head + "[form main]\n", "line 3: form \"main\" appears twice"},
        BadSkin{"duplicate object", head + "[button a]\nrect=0,0,1,1\n[button a]\n",
                "line 5: object \"a\" appears twice"},
        BadSkin{"system name", head + "[system restore]\n", "line 3: a system object"},
        BadSkin{"unknown edge", head + "[button a]\nanchor = left middle\n",
                "line 4: \"middle\" is not an edge"},
        BadSkin{"empty anchor", head + "[button a]\nanchor = ,\n", "line 4: an anchor names"},
        BadSkin{"five edges", head + "[button a]\nanchor = left top right bottom left\n",
                "line 4: an anchor names at most four"},
        BadSkin{"min larger than size", head + "min-size = 800, 400\n",
                "min-size is larger than size"},
        BadSkin{"huge border", head + "resize-border = 33\n", "line 3: 33 is outside 0 to 32"},
        // Anchored right, the object would leave the form at its minimum size.
        BadSkin{"outside at min-size",
                head + "min-size = 400, 497\n[button a]\nrect = 100, 0, 500, 10\nanchor = right\n",
                "object \"a\" lies outside its form at the form's min-size"},
        BadSkin{"no equals", head + "size 10 10\n", "line 3: expected key = value"},
        BadSkin{"unknown key", head + "colour = #000000\n", "line 3: unknown form key"},
        BadSkin{"short colour", head + "background = #12\n", "line 3: \"#12\" is not a colour"},
        BadSkin{"bad hex", head + "background = #12345g\n", "line 3:"},
        BadSkin{"size words", head + "size = wide, tall\n", "line 3: \"wide\" is not a whole"},
        BadSkin{"huge size", head + "size = 99999999999, 10\n", "line 3:"},
        BadSkin{"tiny size", head + "size = 10, 10\n", "line 3: 10 is outside 64"},
        BadSkin{"negative rect", head + "[button a]\nrect = -1, 0, 5, 5\n", "line 4:"},
        BadSkin{"three rect values", head + "[button a]\nrect = 1, 2, 3\n", "line 4: a rect"},
        BadSkin{"five rect values", head + "[button a]\nrect = 1, 2, 3, 4, 5\n", "line 4:"},
        BadSkin{"no rect", head + "[button a]\ncaption = A\n", "line 3: object \"a\" has no rect"},
        BadSkin{"outside form", head + "[button a]\nrect = 770, 0, 10, 10\n",
                "object \"a\" lies outside its form"},
        BadSkin{"long text", head + "caption = " + std::string(300, 'x') + "\n",
                "line 3: a text may have at most 256 bytes"},
        BadSkin{"long line", head + "# " + std::string(5000, 'x') + "\n", "line 3: the line is"},
        BadSkin{"too big", std::string(MaxSkinFileBytes + 1, '#'), "larger than 1 MiB"}),
    [](const auto& info) {
        std::string name = info.param.label;
        for (char& c : name)
            if (!isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST(SkinFile, ObjectCountIsCapped) {
    std::string text = head;
    for (std::size_t i = 0; i <= MaxObjectsPerForm; ++i)
        text += "[panel p" + std::to_string(i) + "]\nrect = 0, 0, 1, 1\n";
    EXPECT_NE(errorOf(text).find("too many objects"), std::string::npos);
}

struct AnchorCase {
    const char* text;
    Anchors anchors;
};

class SkinFileAnchors : public ::testing::TestWithParam<AnchorCase> {};

TEST_P(SkinFileAnchors, ReadsTheEdges) {
    const SkinDocument doc =
        parseSkin(head + "[button a]\nrect = 10, 10, 20, 20\nanchor = " + GetParam().text +
                  "\n[button b]\nrect = 1, 1, 1, 1\n");
    EXPECT_EQ(doc.forms[0].findObject("a")->anchors, GetParam().anchors);
    EXPECT_EQ(doc.forms[0].findObject("b")->anchors, AnchorLeft | AnchorTop); // the default
}

INSTANTIATE_TEST_SUITE_P(
    Edges, SkinFileAnchors,
    ::testing::Values(AnchorCase{"left top", AnchorLeft | AnchorTop},
                      AnchorCase{"right,bottom", AnchorRight | AnchorBottom},
                      AnchorCase{" bottom ,  left ", AnchorLeft | AnchorBottom},
                      AnchorCase{"left top right bottom",
                                 AnchorLeft | AnchorTop | AnchorRight | AnchorBottom},
                      AnchorCase{"top top", AnchorTop}, AnchorCase{"none", 0u}));
