// Damaged and hostile FLAC files: an error naming the file, or empty values;
// never a crash, a hang or a runaway allocation (also run under the sanitizers).
// A write that fails leaves the file as it was.
#include "tags/flac/FlacTags.h"
#include "tests/common/DamageChecks.h"
#include "tests/flac/PeerFiles.h"

#include <gtest/gtest.h>

namespace velmora::test {
namespace {

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
    const std::string read = tryRead(flac::readTags, path, &values);
    if (!h.reason) {
        EXPECT_EQ(read, "");
        EXPECT_EQ(values, TagValues{});
        return;
    }
    const std::string prefix = "Cannot read the tags of \"" + path + "\": ";
    EXPECT_EQ(read, prefix + h.reason + ".");
    EXPECT_NE(tryWrite(flac::writeTags, path), "");
    expectLeftAlone(dir, path, h.bytes);
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
    expectEveryCutReadOrRefused(dir.file("cut.flac"), whole, flac::readTags, flac::writeTags);
}

} // namespace
} // namespace velmora::test
