// The shared Vorbis comment list: parsing hostile bytes, rendering back, the
// values the user sees, and edits that keep everything not edited.
#include "tags/common/VorbisComments.h"

#include <gtest/gtest.h>

namespace {

using namespace velmora;
using namespace velmora::vorbiscomment;

std::string le32(std::uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>(v >> (8 * i));
    return s;
}

std::string listBytes(const std::string& vendor, const std::vector<std::string>& comments) {
    std::string out = le32(static_cast<std::uint32_t>(vendor.size())) + vendor +
                      le32(static_cast<std::uint32_t>(comments.size()));
    for (const std::string& c : comments)
        out += le32(static_cast<std::uint32_t>(c.size())) + c;
    return out;
}

std::vector<std::string> strings(const std::vector<std::string_view>& views) {
    return {views.begin(), views.end()};
}

// ---------------------------------------------------------------------------

struct ParseCase {
    const char* what;
    std::string body;
    bool valid;
    std::vector<std::string> comments;
};

class Parsing : public ::testing::TestWithParam<ParseCase> {};

TEST_P(Parsing, TakesWhatIsThereAndRefusesWhatIsNot) {
    const ParseCase& c = GetParam();
    CommentList list;
    std::size_t used = 0;
    ASSERT_EQ(parseComments(c.body, list, used), c.valid);
    if (!c.valid)
        return;
    EXPECT_EQ(strings(list.comments), c.comments);
    // Rendering gives back the bytes parsed.
    std::string again;
    appendComments(again, list.vendor, list.comments);
    EXPECT_EQ(again, c.body.substr(0, used));
    EXPECT_EQ(renderedSize(list.vendor, list.comments), used);
}

INSTANTIATE_TEST_SUITE_P(
    VorbisComments, Parsing,
    ::testing::Values(ParseCase{"Empty", listBytes("", {}), true, {}},
                      ParseCase{"FramingBitAfter", listBytes("v", {"A=1"}) + "\x01", true, {"A=1"}},
                      ParseCase{"AnyBytes",
                                listBytes("v", {std::string("B=a\0b\r\n", 7), "", "no equals"}),
                                true,
                                {std::string("B=a\0b\r\n", 7), "", "no equals"}},
                      ParseCase{"Truncated", listBytes("vendor", {"A=1"}).substr(0, 20), false, {}},
                      ParseCase{"HugeVendor", le32(0xFFFFFFF0u) + "abc", false, {}},
                      ParseCase{"HugeCount", le32(0) + le32(0x7FFFFFFF) + le32(1) + "a", false, {}},
                      ParseCase{"CountPastEnd", le32(0) + le32(3) + le32(0) + le32(0), false, {}},
                      ParseCase{"LengthPastEnd", le32(0) + le32(1) + le32(10) + "abc", false, {}},
                      ParseCase{"NoCount", le32(1) + "v", false, {}}),
    [](const auto& info) { return std::string(info.param.what); });

// ---------------------------------------------------------------------------

struct ValuesCase {
    const char* what;
    std::vector<std::string> comments;
    Field field;
    std::string shown;
};

class Values : public ::testing::TestWithParam<ValuesCase> {};

TEST_P(Values, AreWhatTheUserSees) {
    const ValuesCase& c = GetParam();
    std::vector<std::string_view> views(c.comments.begin(), c.comments.end());
    EXPECT_EQ(valuesFromComments(views)[c.field], c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    VorbisComments, Values,
    ::testing::Values(
        ValuesCase{"AnyCase", {"tItLe=x"}, Field::Title, "x"},
        ValuesCase{"LastOfSeveral", {"ARTIST=A", "ARTIST=B"}, Field::Artist, "B"},
        ValuesCase{"Trimmed", {"ALBUM=  x \r\n"}, Field::Album, "x"},
        ValuesCase{"InnerCrLfKept", {"COMMENT=a\r\nb"}, Field::Comment, "a\r\nb"},
        ValuesCase{"CommentBeforeDescription", {"DESCRIPTION=d", "COMMENT=c"}, Field::Comment, "c"},
        ValuesCase{"DescriptionAlone", {"description=d"}, Field::Comment, "d"},
        ValuesCase{"NameWithSpace", {"TITLE =x"}, Field::Title, ""},
        ValuesCase{"NameWithHighByte", {"TITL\xC9=x"}, Field::Title, ""},
        ValuesCase{"InvalidUtf8MadeValid", {"GENRE=Caf\xE9"}, Field::Genre, "Caf\xC3\xA9"},
        ValuesCase{"Track", {"TRACKNUMBER=4/12"}, Field::Track, "4/12"},
        ValuesCase{"Year", {"DATE=2021-03-04"}, Field::Year, "2021-03-04"}),
    [](const auto& info) { return std::string(info.param.what); });

// ---------------------------------------------------------------------------

struct EditCase {
    const char* what;
    std::vector<std::string> before;
    Field field;
    std::string value;
    std::vector<std::string> after;
};

class Edits : public ::testing::TestWithParam<EditCase> {};

TEST_P(Edits, TouchOnlyTheEditedField) {
    const EditCase& c = GetParam();
    std::vector<std::string_view> views(c.before.begin(), c.before.end());
    TagValues values;
    values[c.field] = c.value;
    FieldMask mask;
    mask.set(c.field);
    EditedComments edited = applyEdits(views, values, mask);
    EXPECT_EQ(strings(edited.comments), c.after);
    // What is written reads back as typed (when not padded).
    EXPECT_EQ(valuesFromComments(edited.comments)[c.field], c.value);
}

const std::string kPicture = "METADATA_BLOCK_PICTURE=" + std::string(3000, 'Q');

INSTANTIATE_TEST_SUITE_P(
    VorbisComments, Edits,
    ::testing::Values(
        EditCase{"ReplacesInPlaceKeepingCase",
                 {"ALBUM=a", "title=Old", "ARTIST=b"},
                 Field::Title,
                 "New",
                 {"ALBUM=a", "title=New", "ARTIST=b"}},
        EditCase{"SeveralValuesBecomeOneAtTheFirst",
                 {"ARTIST=A", "TITLE=t", "Artist=B"},
                 Field::Artist,
                 "C",
                 {"ARTIST=C", "TITLE=t"}},
        EditCase{"OtherMultiValuesKept",
                 {"ARTIST=A", "ARTIST=B", "TITLE=t", kPicture},
                 Field::Title,
                 "u",
                 {"ARTIST=A", "ARTIST=B", "TITLE=u", kPicture}},
        EditCase{
            "EmptyRemovesEveryValue", {"GENRE=a", "x=y", "genre=b"}, Field::Genre, "", {"x=y"}},
        EditCase{
            "NewFieldAppended", {"TITLE=t"}, Field::Track, "4/12", {"TITLE=t", "TrackNumber=4/12"}},
        EditCase{"CommentReplacedDescriptionKept",
                 {"DESCRIPTION=d", "COMMENT=c"},
                 Field::Comment,
                 "new",
                 {"DESCRIPTION=d", "COMMENT=new"}},
        EditCase{"DescriptionAloneIsTheComment",
                 {"A=1", "Description=d"},
                 Field::Comment,
                 "new",
                 {"A=1", "Description=new"}},
        EditCase{"ClearedCommentTakesTheDescriptionToo",
                 {"DESCRIPTION=d", "COMMENT=c", "B=2"},
                 Field::Comment,
                 "",
                 {"B=2"}},
        EditCase{"ValueWrittenAsTyped",
                 {"COMMENT=x"},
                 Field::Comment,
                 "a\r\nb\rc",
                 {"COMMENT=a\r\nb\rc"}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(VorbisComments, NothingChangedKeepsTheList) {
    const std::vector<std::string_view> before = {"TITLE=t", "title=u", "X"};
    TagValues values;
    values[Field::Title] = "ignored";
    EXPECT_EQ(applyEdits(before, values, FieldMask()).comments, before);
}

} // namespace
