// Damaged and hostile files: an error or empty values, never a crash, a hang
// or a runaway allocation (the tests also run under the sanitizers).
#include "OggTestSupport.h"

#include "base/FileLayer.h"
#include "tags/ogg/Ogg.h"
#include "tests/common/DamageChecks.h"

#include <gtest/gtest.h>
#include <random>

using fixture::TempDir;
using velmora::test::le32;

namespace {

// Reads a file that may be damaged: returns "" on success, else the message.
std::string tryRead(const std::string& path) {
    try {
        OGGTag tag;
        ReadOGGTag(path, tag);
        return "";
    } catch (const velmora::TagError& e) {
        return e.what();
    }
}

// The three headers of a real stream, so that one can be replaced.
std::vector<std::string> realHeaders() {
    auto packets = fixture::packetsOf(fixture::makeVorbis(), 4711);
    return {packets[0].bytes, packets[1].bytes, packets[2].bytes};
}

struct HostileComment {
    const char* what;
    std::string packet;
};

class HostileComments : public ::testing::TestWithParam<HostileComment> {};

TEST_P(HostileComments, AreRejectedAsDamaged) {
    TempDir dir;
    auto headers = realHeaders();
    headers[1] = GetParam().packet;
    const std::string path = dir.file("bad.ogg");
    const std::string bytes = fixture::pageUp(headers, 3);
    fixture::writeFile(path, bytes);
    EXPECT_EQ(tryRead(path), "Cannot open " + path + ": The Vorbis comment header is damaged");
    EXPECT_THROW(WriteOGGTag(path, OGGTag{}), velmora::TagError);
    EXPECT_EQ(fixture::readFile(path), bytes);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"bad.ogg"});
}

const std::string kHeader("\x03vorbis", 7);

INSTANTIATE_TEST_SUITE_P(
    Ogg, HostileComments,
    ::testing::Values(
        HostileComment{"HugeVendorLength", kHeader + le32(0xFFFFFFF0u) + "abc"},
        HostileComment{"HugeCount", kHeader + le32(1) + "v" + le32(0x7FFFFFFF) + le32(1) + "a"},
        HostileComment{"HugeLength", kHeader + le32(1) + "v" + le32(1) + le32(0x7FFFFFF0) + "a"},
        HostileComment{"LengthPastEnd", kHeader + le32(0) + le32(1) + le32(10) + "abc\x01"},
        HostileComment{"NoFramingBit", kHeader + le32(0) + le32(0)},
        HostileComment{"Truncated", kHeader + "\x01\x00"}),
    [](const ::testing::TestParamInfo<HostileComment>& info) {
        return std::string(info.param.what);
    });

// Reading does not check page checksums (like other readers, it shows what is
// there); a rewrite, which gives the pages new checksums, refuses damage.
TEST(OggDamage, BadChecksumInTheHeadersIsNotRewritten) {
    TempDir dir;
    fixture::VorbisOptions options;
    options.comments = {"TITLE=x"};
    std::string bytes = fixture::makeVorbis(options);
    auto pages = fixture::pagesOf(bytes);
    const std::size_t setupPage = pages[0].bytes.size();
    bytes[setupPage + pages[1].bytes.size() - 100] ^= 0x20; // inside the setup header
    const std::string path = dir.file("crc.ogg");
    fixture::writeFile(path, bytes);
    EXPECT_EQ(tryRead(path), "");
    try {
        WriteOGGTag(path, OGGTag{});
        ADD_FAILURE() << "no error";
    } catch (const velmora::TagError& e) {
        EXPECT_STREQ(e.what(), "Cannot write comments: A page of the Vorbis headers is damaged "
                               "(checksum mismatch)");
    }
    EXPECT_EQ(fixture::readFile(path), bytes);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"crc.ogg"});
}

TEST(OggDamage, TruncatedAtManyOffsets) {
    TempDir dir;
    fixture::VorbisOptions options;
    options.comments = {"TITLE=t", "ARTIST=a"};
    const std::string whole = fixture::makeVorbis(options);
    const std::size_t headerEnd =
        fixture::pagesOf(whole)[0].bytes.size() + fixture::pagesOf(whole)[1].bytes.size();
    const std::string path = dir.file("cut.ogg");
    for (std::size_t cut = 0; cut < whole.size(); cut += (cut < headerEnd + 64 ? 37 : 401)) {
        fixture::writeFile(path, whole.substr(0, cut));
        const std::string error = tryRead(path);
        if (cut < headerEnd) {
            EXPECT_FALSE(error.empty()) << "cut at " << cut;
        } else {
            EXPECT_EQ(error, "") << "cut at " << cut; // the headers are whole
            // The cut audio is copied as it is: nothing added, nothing lost.
            const std::string before = fixture::readFile(path);
            OGGTag tag;
            tag.Title = "T";
            ASSERT_TRUE(WriteOGGTag(path, tag)) << "cut at " << cut;
            const std::string after = fixture::readFile(path);
            EXPECT_EQ(after.substr(after.size() - (before.size() - headerEnd)),
                      before.substr(headerEnd));
        }
    }
}

TEST(OggDamage, RandomCorruptionNeverCrashes) {
    TempDir dir;
    fixture::VorbisOptions options;
    options.comments = {"TITLE=t", std::string(5000, 'p')};
    const std::string whole = fixture::makeVorbis(options);
    const std::string path = dir.file("noise.ogg");
    std::mt19937 random(12345);
    for (int round = 0; round < 60; ++round) {
        std::string bytes = whole;
        const int flips = 1 + round % 8;
        for (int i = 0; i < flips; ++i)
            bytes[random() % std::min<std::size_t>(bytes.size(), 9000)] =
                static_cast<char>(random());
        fixture::writeFile(path, bytes);
        tryRead(path);
        try {
            WriteOGGTag(path, OGGTag{});
        } catch (const velmora::TagError&) {
            EXPECT_EQ(fixture::readFile(path), bytes) << "a refused file stays as it was";
        }
    }
    EXPECT_EQ(dir.names(), std::vector<std::string>{"noise.ogg"});
}

TEST(OggDamage, EmptyAndTinyFiles) {
    TempDir dir;
    const std::string path = dir.file("tiny.ogg");
    for (const std::string& bytes : {std::string(), std::string("OggS"), std::string("OggS\0", 5),
                                     std::string(27, '\0'), std::string("OggS\x01", 5)}) {
        fixture::writeFile(path, bytes);
        EXPECT_NE(tryRead(path), "");
    }
}

} // namespace
