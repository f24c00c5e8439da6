// Damaged and hostile FLAC files: an error naming the file, or empty values;
// never a crash, a hang or a runaway allocation (also run under the sanitizers).
// A write that fails leaves the file as it was.
#include "PeerFiles.h"

#include "tags/flac/FlacTags.h"

#include <gtest/gtest.h>

namespace velmora::test {
namespace {

std::string le32(std::uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>(v >> (8 * i));
    return s;
}

std::string blockHeader(int type, bool last, std::uint32_t length) {
    return {static_cast<char>((last ? 0x80 : 0) | type), static_cast<char>(length >> 16),
            static_cast<char>(length >> 8), static_cast<char>(length)};
}

const std::string kStreamInfo = blockHeader(0, false, 34) + std::string(34, '\x01');
const std::string kAudio = "\xFF\xF8 audio frames";

std::string flacWith(const std::string& blocks) {
    return "fLaC" + kStreamInfo + blocks + kAudio;
}

std::string commentBlock(const std::string& body, bool last = true) {
    return blockHeader(4, last, static_cast<std::uint32_t>(body.size())) + body;
}

// Read and write outcomes: "" when it worked, else the start of the message.
std::string tryRead(const std::string& path, TagValues* values = nullptr) {
    try {
        TagValues v = flac::readTags(path);
        if (values)
            *values = v;
        return "";
    } catch (const TagError& e) {
        return e.what();
    }
}

std::string tryWrite(const std::string& path) {
    TagValues values;
    values[Field::Title] = "Written";
    try {
        flac::writeTags(path, values, FieldMask().set(Field::Title));
        return "";
    } catch (const TagError& e) {
        return e.what();
    }
}

struct Hostile {
    const char* name;
    std::string bytes;
    const char* reason; // nullptr: reads as empty values
};

class FlacHostile : public ::testing::TestWithParam<Hostile> {};

TEST_P(FlacHostile, IsRefusedWithTheReasonAndLeftAlone) {
    const Hostile& h = GetParam();
    TempDir dir;
    const std::string path = dir.file("bad.flac");
    writeFile(path, h.bytes);
    TagValues values;
    const std::string read = tryRead(path, &values);
    if (!h.reason) {
        EXPECT_EQ(read, "");
        EXPECT_EQ(values, TagValues{});
        return;
    }
    const std::string prefix = "Cannot read the tags of \"" + path + "\": ";
    EXPECT_EQ(read, prefix + h.reason + ".");
    EXPECT_NE(tryWrite(path), "");
    EXPECT_EQ(readFile(path), h.bytes);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"bad.flac"});
}

const std::string kId3Header("ID3\x03\x00\x00", 6);

INSTANTIATE_TEST_SUITE_P(
    Flac, FlacHostile,
    ::testing::Values(
        Hostile{"Empty", "", "The file is not a FLAC file"},
        Hostile{"NotFlac", std::string(100, 'x'), "The file is not a FLAC file"},
        Hostile{"Id3PastTheEnd", kId3Header + std::string("\x7F\x7F\x7F\x7F", 4) + "fLaC",
                "The ID3v2 tag before the FLAC stream is damaged"},
        Hostile{"NoStreamInfo", "fLaC" + commentBlock(le32(0) + le32(0)) + kAudio,
                "The FLAC stream does not begin with its stream information"},
        Hostile{"BlockPastTheEnd", flacWith(blockHeader(6, true, 0xFFFFFF)),
                "A FLAC metadata block reaches past the end of the file"},
        Hostile{"InvalidBlockType", flacWith(blockHeader(127, true, 0)),
                "The FLAC metadata holds an invalid block"},
        Hostile{"NoLastBlock", "fLaC" + kStreamInfo + blockHeader(1, false, 0),
                "The FLAC metadata is cut short"},
        Hostile{"ManyEmptyBlocks", flacWith([] {
                    std::string s;
                    for (int i = 0; i < 70000; ++i)
                        s += blockHeader(2, false, 0);
                    return s;
                }()),
                "The FLAC metadata holds too many blocks"},
        Hostile{"ZeroSizeComments", flacWith(commentBlock("")),
                "The FLAC comment block is damaged"},
        Hostile{"HugeVendorLength", flacWith(commentBlock(le32(0xFFFFFFF0u) + "abc")),
                "The FLAC comment block is damaged"},
        Hostile{"HugeCount",
                flacWith(commentBlock(le32(1) + "v" + le32(0xFFFFFFFFu) + le32(1) + "a")),
                "The FLAC comment block is damaged"},
        Hostile{"CommentPastTheBlock",
                flacWith(commentBlock(le32(0) + le32(1) + le32(0x7FFFFFF0) + "TITLE=a")),
                "The FLAC comment block is damaged"},
        Hostile{"NoCommentBlock", flacWith(blockHeader(1, true, 10) + std::string(10, '\0')),
                nullptr}),
    [](const ::testing::TestParamInfo<Hostile>& info) { return std::string(info.param.name); });

// A small real file cut at every length: reading gives an error or values,
// and a write either fails with the file untouched or leaves a file that
// reads back what was written.
TEST(FlacTruncated, AtEveryOffset) {
    TempDir dir;
    FlacRecipe recipe;
    recipe.comments = {"TITLE=Song", "ARTIST=Someone"};
    recipe.padding = 16;
    recipe.seconds = 0.01;
    const std::string whole = readFile(makeFlac(dir, "whole.flac", recipe));
    const std::string path = dir.file("cut.flac");
    for (std::size_t length = 0; length < whole.size(); ++length) {
        const std::string cut = whole.substr(0, length);
        writeFile(path, cut);
        const std::string read = tryRead(path);
        const std::string write = tryWrite(path);
        if (!write.empty()) {
            ASSERT_EQ(readFile(path), cut) << length;
        } else {
            ASSERT_EQ(read, "") << length;
            ASSERT_EQ(flac::readTags(path)[Field::Title], "Written") << length;
        }
    }
}

} // namespace
} // namespace velmora::test
