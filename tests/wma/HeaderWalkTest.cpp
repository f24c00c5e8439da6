// The header walk on files built byte by byte: entry kinds, names without
// regard to case, the 511-unit texts, and damaged or hostile headers.
#include "WmaFixture.h"

#include "tags/wma/WMAHeaderWalk.h"
#include "tags/wma/WMATag.h"
#include "tags/wma/WMAudioInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace wmatest;

namespace {

const char* WalkHeaderGuid = "D6E229D1-35DA-11D1-9034-00A0C90349BE";
const char* WalkListGuid = "D6E229D5-35DA-11D1-9034-00A0C90349BE";
const char* OtherGuid = "D6E229D3-35DA-11D1-9034-00A0C90349BE";

struct WalkEntry {
    std::uint8_t kind;
    std::string name;
    std::string value;
};

std::string entryBytes(const WalkEntry& e) {
    const std::string name = utf16(e.name, false), value = utf16(e.value, false);
    return std::string(1, static_cast<char>(e.kind)) + std::string(4, '\x55') +
           le(name.size() / 2, 2) + le(value.size() / 2, 2) + name + value;
}

std::string list(const std::vector<WalkEntry>& entries) {
    std::string body = le(entries.size(), 2);
    for (const auto& e : entries)
        body += entryBytes(e);
    return object(WalkListGuid, body);
}

// The recognised header holding objects, followed by a data object.
std::string walkFile(const std::vector<std::string>& objects, std::size_t dataSize = 100) {
    std::string inner;
    for (const auto& o : objects)
        inner += o;
    return object(WalkHeaderGuid, inner) + object(OtherGuid, std::string(dataSize, '\0'));
}

WMATagRec walk(const std::string& bytes) {
    WMATagRec tag;
    WalkWMAHeader(
        [&](std::uint64_t offset, void* buffer, std::size_t n) -> std::size_t {
            if (offset >= bytes.size())
                return 0;
            const std::size_t got = std::min<std::uint64_t>(n, bytes.size() - offset);
            std::memcpy(buffer, bytes.data() + offset, got);
            return got;
        },
        tag);
    return tag;
}

TEST(HeaderWalk, MapsEntryKindsAndNamesWithoutRegardToCase) {
    const WMATagRec tag = walk(walkFile({
        object(OtherGuid, "skipped bytes"),
        list({{1, "", "Artist"},
              {2, "", "Title"},
              {3, "", "Copyright ©"},
              {4, "", "Comment"},
              {0, "WM/Year", "ignored kind 0"},
              {5, "WM/Year", "ignored kind 5"},
              {99, "WM/AlbumTitle", "ignored kind 99"},
              {100, "wm/year", "1987"},
              {150, "WM/ALBUMTITLE", "Album"},
              {255, "Wm/TrAcK", "12"},
              {100, "WM/Genre", "not read by the walk"}}),
    }));
    EXPECT_TRUE(tag.Found);
    EXPECT_EQ(tag.Artist, "Artist");
    EXPECT_EQ(tag.Title, "Title");
    EXPECT_EQ(tag.Copyright, "Copyright ©");
    EXPECT_EQ(tag.Comment, "Comment");
    EXPECT_EQ(tag.Year, "1987");
    EXPECT_EQ(tag.Album, "Album");
    EXPECT_EQ(tag.Track, 12);
    EXPECT_EQ(tag.Genre, "");
}

TEST(HeaderWalk, TrackIsTheWholeNumberOrZero) {
    const std::vector<std::pair<std::string, std::uint16_t>> cases = {
        {"7", 7},   {"65537", 1}, {"-1", 65535},      {"12a", 0},           {"", 0},
        {"abc", 0}, {"+9", 9},    {"99999999999", 0}, {"2147483647", 65535}};
    for (const auto& [text, track] : cases) {
        const WMATagRec tag = walk(walkFile({list({{100, "WM/Track", text}})}));
        EXPECT_EQ(tag.Track, track) << '"' << text << '"';
    }
}

TEST(HeaderWalk, TextsAreCutAt511UnitsAndAtTheirFirstNul) {
    const std::string long600(600, 'x');
    const WMATagRec tag = walk(walkFile({list(
        {{2, "", long600}, {1, "", std::string("Art\0ist", 7)}, {4, "", std::string(511, 'c')}})}));
    EXPECT_EQ(tag.Title, std::string(511, 'x'));
    EXPECT_EQ(tag.Artist, "Art");                  // the entry after the long one is read intact
    EXPECT_EQ(tag.Comment, std::string(511, 'c')); // 511 units are read whole
}

TEST(HeaderWalk, OnlyTheRecognisedFirstObjectCounts) {
    // A real ASF file (the SDK's layout) is not the walk's.
    EXPECT_FALSE(walk(toneWma()).Found);
    EXPECT_FALSE(walk("").Found);
    EXPECT_FALSE(walk(object(OtherGuid, list({{2, "", "Title"}}))).Found);
}

TEST(HeaderWalk, BadSizesEndTheWalkKeepingWhatWasRead) {
    const std::string first = list({{2, "", "Title"}});
    std::string zeroSize = object(OtherGuid, "abc");
    zeroSize.replace(16, 8, le(0, 8));
    std::string tooLarge = object(OtherGuid, "abc");
    tooLarge.replace(16, 8, le(1u << 30, 8));
    std::string tooSmall = object(OtherGuid, "abc");
    tooSmall.replace(16, 8, le(3, 8));
    for (const auto& bad : {zeroSize, tooLarge, tooSmall}) {
        const WMATagRec tag = walk(walkFile({first, bad, list({{1, "", "Never"}})}));
        EXPECT_TRUE(tag.Found);
        EXPECT_EQ(tag.Title, "Title");
        EXPECT_EQ(tag.Artist, "");
    }
}

TEST(HeaderWalk, TheObjectAfterTheHeaderIsReadAndEndsTheWalk) {
    // The header's size counts its own head, so 24 bytes remain after its last
    // object and the head that follows the header is read too.
    const std::string header = object(WalkHeaderGuid, list({{2, "", "Title"}}));
    // A list head of exactly 24 bytes fits: its entries follow it in the file.
    const WMATagRec tag =
        walk(header + object(WalkListGuid, "") + le(1, 2) + entryBytes({1, "", "After"}));
    EXPECT_EQ(tag.Title, "Title");
    EXPECT_EQ(tag.Artist, "After");
    // Anything larger ends the walk there.
    const WMATagRec large = walk(header + list({{1, "", "After"}}));
    EXPECT_EQ(large.Title, "Title");
    EXPECT_EQ(large.Artist, "");
}

TEST(HeaderWalk, HostileHeadersEndQuicklyWithinTheFile) {
    // A huge header size and a huge entry count in a short file.
    std::string hugeHeader = walkFile({list({{2, "", "T"}})});
    hugeHeader.replace(16, 8, le(0xFFFFFFFFFFFFFFFFull, 8));
    EXPECT_EQ(walk(hugeHeader).Title, "T");
    std::string hugeCount = walkFile({list({{2, "", "T"}})});
    hugeCount.replace(48, 2, le(0xFFFF, 2));
    EXPECT_TRUE(walk(hugeCount).Found);
    // Texts longer than the file.
    std::string longText = walkFile({list({{2, "", "T"}})});
    longText.replace(48 + 2 + 5, 4, le(0xFFFF, 2) + le(0xFFFF, 2));
    EXPECT_TRUE(walk(longText).Found);
    // Cut at every length.
    const std::string full =
        walkFile({object(OtherGuid, "x"), list({{1, "", "A"}, {100, "WM/Year", "2000"}})});
    for (std::size_t cut = 0; cut <= full.size(); ++cut)
        walk(full.substr(0, cut));
}

// Through the reader: the walk runs when the SDK is missing, and when the SDK
// cannot open a file that is not in its layout.
TEST(HeaderWalk, ReaderFallsBackOnTheWalk) {
    TempDir dir;
    const std::string path = dir.file("old.wma");
    writeFile(path, walkFile({list({{2, "", "Walk Title"}, {100, "wm/year", "1990"}})}));
    for (bool bound : {false, true}) {
        if (bound)
            WMAudioInfo::Bind();
        else
            WMAudioInfo::BindFrom(dir.file("none.so"));
        ASSERT_EQ(WMAudioAvailable(), bound);
        const WMATagRec tag = ReadWMATag(path);
        EXPECT_TRUE(tag.Found);
        EXPECT_EQ(tag.Title, "Walk Title");
        EXPECT_EQ(tag.Year, "1990");
        // The writer does nothing without an SDK that opens the file.
        const std::string before = readFile(path);
        EXPECT_FALSE(WriteWMATag(path, tag));
        EXPECT_EQ(readFile(path), before);
    }
    WMAudioInfo::Unbind();
    EXPECT_FALSE(ReadWMATag(dir.file("does-not-exist.wma")).Found);
}

} // namespace
