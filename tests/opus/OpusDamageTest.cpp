// Damaged and hostile Ogg Opus files: an error naming the file and the reason,
// never a crash, a hang or a runaway allocation (also run under the
// sanitizers); a refused write leaves the file as it was. And which Ogg files
// are taken for Opus or for FLAC by their content.
#include "base/OggPage.h"
#include "tags/flac/FlacTags.h"
#include "tags/flac/OggFlacTags.h"
#include "tags/opus/OpusTags.h"
#include "tests/common/DamageChecks.h"

#include <gtest/gtest.h>

namespace velmora::test {
namespace {

// One page holding the given packets, each shorter than 255 bytes.
std::string page(unsigned char flags, std::uint32_t sequence, std::vector<std::string> packets,
                 std::int64_t granule = 0) {
    std::vector<unsigned char> lacing;
    std::string body;
    for (const std::string& p : packets) {
        lacing.push_back(static_cast<unsigned char>(p.size()));
        body += p;
    }
    return buildPage(flags, granule, 77, sequence, lacing,
                     reinterpret_cast<const unsigned char*>(body.data()), body.size());
}

const std::string kHead = std::string("OpusHead\x01\x02\x38\x01\x80\xBB\0\0\0\0\0", 19);
const std::string kAudioPacket("\xFC\xFF\xFE", 3);

std::string opusWith(const std::string& tags) {
    return page(kBeginOfStream, 0, {kHead}) + page(0, 1, {tags}) +
           page(kEndOfStream, 2, {kAudioPacket}, 960);
}

std::string tags(const std::string& list) {
    return "OpusTags" + list;
}

struct Hostile {
    const char* name;
    std::string bytes;
    const char* readReason;  // nullptr: reads
    const char* writeReason; // nullptr: writes
};

class OpusHostile : public ::testing::TestWithParam<Hostile> {};

TEST_P(OpusHostile, IsRefusedWithTheReason) {
    const Hostile& h = GetParam();
    TempDir dir;
    const std::string path = dir.file("bad.opus");
    writeFile(path, h.bytes);
    const std::string prefix = "\"" + path + "\": ";
    EXPECT_EQ(tryRead(opus::readTags, path),
              h.readReason ? "Cannot read the tags of " + prefix + h.readReason + "." : "");
    const std::string write = tryWrite(opus::writeTags, path);
    if (h.writeReason) {
        EXPECT_EQ(write, "Cannot write the tags of " + prefix + h.writeReason + ".");
        expectLeftAlone(dir, path, h.bytes);
    } else {
        EXPECT_EQ(write, "");
        EXPECT_EQ(opus::readTags(path)[Field::Title], "Written");
    }
}

std::string withBadChecksum() {
    std::string bytes = opusWith(tags(le32(1) + "v" + le32(0)));
    bytes[bytes.find("OpusTags") + 12] ^= 1; // the vendor text
    return bytes;
}

std::string tagsSharingAPage() {
    return page(kBeginOfStream, 0, {kHead}) +
           page(kEndOfStream, 1, {tags(le32(0) + le32(0)), kAudioPacket}, 960);
}

INSTANTIATE_TEST_SUITE_P(
    Opus, OpusHostile,
    ::testing::Values(
        Hostile{"Empty", "", "The file is not an Ogg file", "The file is not an Ogg file"},
        Hostile{"NotOgg", std::string(200, 'x'), "The file is not an Ogg file",
                "The file is not an Ogg file"},
        Hostile{"NotFirstPage", page(0, 0, {kHead}),
                "The Ogg stream does not begin with a stream's first page",
                "The Ogg stream does not begin with a stream's first page"},
        Hostile{"OnlyTheHead", page(kBeginOfStream, 0, {kHead}),
                "The Opus comment header is missing",
                "The Ogg stream ends before its header packets do"},
        Hostile{"CutInsideAPage", opusWith(tags(le32(0) + le32(0))).substr(0, 60),
                "The Ogg stream ends inside a page", "The Ogg stream ends inside a page"},
        Hostile{"NotOpus", page(kBeginOfStream, 0, {"\x01vorbis"}) + page(0, 1, {"\x03vorbis"}),
                "The file is not an Opus file", "The file is not an Opus file"},
        Hostile{"NoCommentHeader", opusWith("OpusTag"), "The Opus comment header is missing",
                "The Opus comment header is missing"},
        Hostile{"HugeCount", opusWith(tags(le32(1) + "v" + le32(0xFFFFFFFFu) + le32(1) + "a")),
                "The Opus comment header is damaged", "The Opus comment header is damaged"},
        Hostile{"HugeVendor", opusWith(tags(le32(0xFFFFFFF0u))),
                "The Opus comment header is damaged", "The Opus comment header is damaged"},
        Hostile{"BadChecksum", withBadChecksum(), nullptr,
                "The Opus header pages are damaged (wrong checksums)"},
        Hostile{"CommentsShareAPage", tagsSharingAPage(), nullptr,
                "The Opus comment header shares its pages with other packets"},
        Hostile{"SmallestValid", opusWith(tags(le32(0) + le32(0))), nullptr, nullptr}),
    [](const ::testing::TestParamInfo<Hostile>& info) { return std::string(info.param.name); });

// A small real file cut at every length: an error, or a write that reads back.
TEST(OpusTruncated, AtEveryOffset) {
    TempDir dir;
    const std::string wav = dir.file("in.wav");
    const std::string whole = dir.file("whole.opus");
    std::string output;
    ASSERT_EQ(run("ffmpeg -v error -f lavfi -i sine=duration=0.02 '" + wav +
                      "' && opusenc --quiet --padding 0 --title Song '" + wav + "' '" + whole +
                      "' 2>&1",
                  output),
              0)
        << output;
    const std::string bytes = readFile(whole);
    // Past the header pages every cut takes the same way (and a write flushes
    // the disk), so there only every 64th is written.
    const std::size_t headerEnd = bytes.find("OggS", bytes.find("OpusTags"));
    expectEveryCutReadOrRefused(
        dir.file("cut.opus"), bytes, opus::readTags, opus::writeTags,
        [headerEnd](std::size_t length) { return length <= headerEnd + 16 || length % 64 == 0; });
}

// Which files are taken for what, by content; the extension plays no part.
struct Detection {
    const char* name;
    const char* make; // shell command; %in a WAV, %out the file
    bool opus;
    bool oggFlac;
    bool flac;
};

class ContentDetection : public ::testing::TestWithParam<Detection> {};

TEST_P(ContentDetection, GoesByContent) {
    const Detection& d = GetParam();
    TempDir dir;
    const std::string wav = dir.file("in.wav");
    const std::string out = dir.file("file.ogg");
    std::string command = d.make;
    command.replace(command.find("%in"), 3, "'" + wav + "'");
    command.replace(command.find("%out"), 4, "'" + out + "'");
    std::string output;
    ASSERT_EQ(
        run("ffmpeg -v error -f lavfi -i sine=duration=0.5 '" + wav + "' && " + command + " 2>&1",
            output),
        0)
        << output;
    const InputFile file(out);
    EXPECT_EQ(opus::looksLikeOpus(file), d.opus);
    EXPECT_EQ(flac::looksLikeOggFlac(file), d.oggFlac);
    EXPECT_EQ(flac::looksLikeFlac(file), d.flac);
    if (d.oggFlac) {
        EXPECT_EQ(flac::readOggFlacTags(out)[Field::Title], "In Ogg");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ogg, ContentDetection,
    ::testing::Values(Detection{"OpusByOpusenc", "opusenc --quiet %in %out", true, false, false},
                      Detection{"OpusByFfmpeg", "ffmpeg -v error -i %in -c:a libopus -f ogg %out",
                                true, false, false},
                      Detection{"VorbisByFfmpeg", "ffmpeg -v error -i %in -c:a libvorbis %out",
                                false, false, false},
                      Detection{
                          "FlacInOggByFfmpeg",
                          "ffmpeg -v error -i %in -c:a flac -metadata title='In Ogg' -f ogg %out",
                          false, true, false},
                      Detection{"FlacByFlac", "flac --silent -f -o %out %in", false, false, true}),
    [](const ::testing::TestParamInfo<Detection>& info) { return std::string(info.param.name); });

} // namespace
} // namespace velmora::test
