// The exact bytes of the written tag.
#include "base/FileLayer.h"
#include "tags/id3/Id3Tag.h"
#include "tests/id3/Id3Bytes.h"

#include <gtest/gtest.h>

using namespace velmora::id3;
using namespace velmora::test;

namespace {

std::string plainTag(const ID3StructV2& fields, std::size_t padding = 10) {
    return assembleTag(renderFrames(fields, {}), padding);
}

TEST(Id3Layout, EmptyRecordGivesThe101ByteTag) {
    const std::string expected = "ID3\x03\x00\x00\x00\x00\x00\x5B"s +                  //
                                 "TIT2\x00\x00\x00\x01\x00\x00\x00"s +                 //
                                 "TPE1\x00\x00\x00\x01\x00\x00\x00"s +                 //
                                 "TALB\x00\x00\x00\x01\x00\x00\x00"s +                 //
                                 "TRCK\x00\x00\x00\x01\x00\x00\x00"s +                 //
                                 "TYER\x00\x00\x00\x01\x00\x00\x00"s +                 //
                                 "TCON\x00\x00\x00\x01\x00\x00\x00"s +                 //
                                 "COMM\x00\x00\x00\x05\x00\x00\x00\x65\x6E\x67\x00"s + //
                                 std::string(10, '\0');
    EXPECT_EQ(plainTag({}), expected);
    EXPECT_EQ(expected.size(), 101u);
}

TEST(Id3Layout, TitleAbc) {
    ID3StructV2 fields;
    fields.Title = "abc";
    EXPECT_EQ(plainTag(fields).substr(10, 14), "TIT2\x00\x00\x00\x04\x00\x00\x00\x61\x62\x63"s);
}

TEST(Id3Layout, TagSizeIsStoredInSevenBitDigits) {
    // 91 bytes for the empty frames and padding, plus 109 more of padding: 200.
    EXPECT_EQ(plainTag({}, 10 + 109).substr(6, 4), "\x00\x00\x01\x48"s);
    EXPECT_EQ(plainTag({}, 10 + 109).size(), 210u);
    std::string big;
    appendSyncsafe(big, (1u << 28) - 1);
    EXPECT_EQ(big, "\x7F\x7F\x7F\x7F"s);
}

TEST(Id3Layout, FramesInFixedOrderWithTheirTexts) {
    ID3StructV2 fields{"t", "ar", "alb", "1999", "12/14", "line one\r\nline two", "(17)"};
    const std::string expected = "TIT2\x00\x00\x00\x02\x00\x00\x00t"s +
                                 "TPE1\x00\x00\x00\x03\x00\x00\x00"
                                 "ar"s +
                                 "TALB\x00\x00\x00\x04\x00\x00\x00"
                                 "alb"s +
                                 "TRCK\x00\x00\x00\x06\x00\x00\x00"
                                 "12/14"s +
                                 "TYER\x00\x00\x00\x05\x00\x00\x00"
                                 "1999"s +
                                 "TCON\x00\x00\x00\x05\x00\x00\x00(17)"s +
                                 "COMM\x00\x00\x00\x17\x00\x00\x00"
                                 "eng\x00line one\r\nline two"s;
    EXPECT_EQ(renderFrames(fields, {}), expected);
}

TEST(Id3Layout, AZeroCharacterBlanksTheRestButKeepsTheLength) {
    ID3StructV2 fields;
    fields.Title = "ab\0cd"s;
    fields.Comment = "x\0yz"s;
    const std::string frames = renderFrames(fields, {});
    EXPECT_EQ(frames.substr(0, 16), "TIT2\x00\x00\x00\x06\x00\x00\x00"
                                    "ab\x00\x00\x00"s);
    EXPECT_EQ(frames.substr(frames.find("COMM")), "COMM\x00\x00\x00\x09\x00\x00\x00"
                                                  "eng\x00x\x00\x00\x00"s);
}

TEST(Id3Layout, NonAsciiTextIsUtf16WithByteOrderMark) {
    ID3StructV2 fields;
    fields.Title = "\xC3\xA9";       // é
    fields.Comment = "\xE2\x82\xAC"; // €
    const std::string frames = renderFrames(fields, {});
    EXPECT_EQ(frames.substr(0, 15), "TIT2\x00\x00\x00\x05\x00\x00\x01\xFF\xFE\xE9\x00"s);
    EXPECT_EQ(frames.substr(frames.find("COMM")), "COMM\x00\x00\x00\x0C\x00\x00\x01"
                                                  "eng\xFF\xFE\x00\x00\xFF\xFE\xAC\x20"s);
}

TEST(Id3Layout, KeptFramesFollowTheSevenUnchanged) {
    std::vector<Frame> kept{{"PRIV", 0, "owner\0data"s}, {"TXXX", 0x0020, "\x05\x00k\x00v"s}};
    const std::string frames = renderFrames({}, kept);
    EXPECT_EQ(frames.substr(frames.size() - 35),
              frame23("PRIV", "owner\0data"s) + frame23("TXXX", "\x05\x00k\x00v"s, 0x0020));
}

TEST(Id3Layout, OversizedTagIsRefused) {
    EXPECT_THROW(assembleTag("", kMaxTagSize + 1), velmora::TagError);
    EXPECT_NO_THROW(assembleTag("", 100));
}

} // namespace
