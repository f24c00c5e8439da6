// Writing Ogg Opus files made by opusenc and ffmpeg: the fields written read
// back right in mutagen and TagLib; every other comment (a cover picture
// among them) comes through; audio packets and their granule positions are
// the same; opusinfo finds nothing wrong. And damaged files.
#include "tests/common/TestFiles.h"

#include "tags/flac/OggFlacTags.h"
#include "tags/opus/OpusTags.h"

#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <taglib/opusfile.h>
#include <taglib/tpropertymap.h>
#include <unistd.h>

namespace velmora::test {
namespace {

std::string quote(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string mustRun(const std::string& command) {
    std::string output;
    if (run(command + " 2>&1", output) != 0)
        throw std::runtime_error("failed: " + command.substr(0, 200) + "\n" +
                                 output.substr(0, 2000));
    return output;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// A WAV of `seconds` and, when asked, a ~500 KiB JPEG, by ffmpeg.
std::string makeWav(const TempDir& dir, double seconds) {
    const std::string path = dir.file("in.wav");
    std::ostringstream length;
    length << seconds;
    mustRun("ffmpeg -v error -y -f lavfi -i 'sine=frequency=440:duration=" + length.str() +
            "' -ac 2 -ar 48000 " + quote(path));
    return path;
}

std::string makeCover(const TempDir& dir) {
    const std::string path = dir.file("cover.jpg");
    mustRun("ffmpeg -v error -y -f lavfi -i \"nullsrc=s=740x740,geq=lum='random(1)*255':"
            "cb='random(2)*255':cr=128\" -frames:v 1 -q:v 1 " +
            quote(path));
    return path;
}

std::vector<std::string> describe(const std::string& path) {
    return lines(mustRun("/usr/bin/python3 " VELMORA_SOURCE_DIR "/tests/opus/describe_opus.py " +
                         quote(path)));
}

// Every audio packet with its timing, as ffmpeg copies them out.
std::string packets(const std::string& path) {
    return mustRun("ffmpeg -v error -i " + quote(path) + " -map 0:a -c copy -f framemd5 -");
}

// opusinfo's report, which must be clean; its serial-number lines.
std::vector<std::string> opusinfoSerials(const std::string& path) {
    std::string output;
    EXPECT_EQ(run("opusinfo " + quote(path) + " 2>&1", output), 0) << output;
    EXPECT_EQ(output.find("WARNING"), std::string::npos) << output;
    EXPECT_EQ(output.find("ERROR"), std::string::npos) << output;
    std::vector<std::string> serials;
    for (const std::string& line : lines(output))
        if (line.find("serial:") != std::string::npos)
            serials.push_back(line);
    return serials;
}

std::map<std::string, std::string> tagLibFields(const std::string& path) {
    TagLib::Ogg::Opus::File file(path.c_str(), false);
    std::map<std::string, std::string> out;
    for (const auto& [key, values] : file.properties())
        out[key.to8Bit(true)] = values.back().to8Bit(true);
    return out;
}

enum class Maker { Opusenc, OpusencWithCover, OpusencWithLongComment, Ffmpeg };

struct OpusCase {
    const char* name;
    Maker maker;
    std::vector<std::pair<Field, std::string>> edits;
    std::vector<std::string> commentsAfter; // the "comment ..." lines mutagen shows
};

std::string makeOpus(const TempDir& dir, Maker maker) {
    const std::string wav = makeWav(dir, 3);
    const std::string path = dir.file("song.opus");
    const std::string tags = "--title Song --artist One --artist Two --album Record "
                             "--comment TRACKNUMBER=4/12 ";
    switch (maker) {
    case Maker::Opusenc:
        mustRun("opusenc --quiet " + tags + quote(wav) + " " + quote(path));
        break;
    case Maker::OpusencWithCover:
        mustRun("opusenc --quiet " + tags + "--picture " + quote(makeCover(dir)) + " " +
                quote(wav) + " " + quote(path));
        break;
    case Maker::OpusencWithLongComment:
        mustRun("opusenc --quiet " + tags + "--comment COMMENT=" + std::string(100000, 'c') + " " +
                quote(wav) + " " + quote(path));
        break;
    case Maker::Ffmpeg:
        mustRun("ffmpeg -v error -y -i " + quote(wav) +
                " -c:a libopus -metadata title=Song -metadata artist=One -metadata album=Record "
                "-metadata track=4/12 " +
                quote(path));
        break;
    }
    ::unlink(wav.c_str());
    return path;
}

class OpusWrite : public ::testing::TestWithParam<OpusCase> {};

TEST_P(OpusWrite, ChangesOnlyWhatWasEdited) {
    const OpusCase& c = GetParam();
    TempDir dir;
    const std::string path = makeOpus(dir, c.maker);
    const auto before = describe(path);
    const std::string audio = packets(path);
    const auto serials = opusinfoSerials(path);

    TagValues values = opus::readTags(path);
    FieldMask changed;
    for (const auto& [field, value] : c.edits) {
        values[field] = value;
        changed.set(field);
    }
    opus::writeTags(path, values, changed);

    std::vector<std::string> expected = {before.front()}; // the vendor
    for (const std::string& comment : c.commentsAfter) {
        if (comment.rfind("kept ", 0) == 0) { // a long value as it was
            for (const std::string& line : before)
                if (line.rfind("comment " + comment.substr(5) + "=", 0) == 0)
                    expected.push_back(line);
        } else {
            expected.push_back("comment " + comment);
        }
    }
    EXPECT_EQ(describe(path), expected);
    EXPECT_EQ(packets(path), audio);
    EXPECT_EQ(opusinfoSerials(path), serials);
    EXPECT_EQ(opus::readTags(path), values);
    const auto fields = tagLibFields(path);
    EXPECT_EQ(fields.count("TITLE") ? fields.at("TITLE") : "", values[Field::Title]);
    EXPECT_EQ(fields.count("ARTIST") ? fields.at("ARTIST") : "", values[Field::Artist]);
    EXPECT_EQ(fields.count("COMMENT") ? fields.at("COMMENT") : "", values[Field::Comment]);
}

const std::string kBig(200000, 'b');

std::string sha1(const std::string& text) {
    const std::string file = "/tmp/velmora-opus-sha1-" + std::to_string(::getpid());
    writeFile(file, text);
    const std::string out = mustRun("sha1sum " + quote(file));
    ::unlink(file.c_str());
    return "sha1:" + out.substr(0, 40);
}

INSTANTIATE_TEST_SUITE_P(
    Opus, OpusWrite,
    ::testing::Values(OpusCase{"TitleOnTheSamePages",
                               Maker::Opusenc,
                               {{Field::Title, "Nouveau titre été"}},
                               {"ENCODER=opusenc from opus-tools 0.2", "title=Nouveau titre été",
                                "artist=One", "artist=Two", "album=Record", "TRACKNUMBER=4/12"}},
                      OpusCase{"CoverKeptArtistsReplaced",
                               Maker::OpusencWithCover,
                               {{Field::Artist, "Solo"}},
                               {"ENCODER=opusenc from opus-tools 0.2", "title=Song", "artist=Solo",
                                "album=Record", "TRACKNUMBER=4/12", "kept METADATA_BLOCK_PICTURE"}},
                      OpusCase{"GrowsByPages",
                               Maker::Opusenc,
                               {{Field::Comment, kBig}},
                               {"ENCODER=opusenc from opus-tools 0.2", "title=Song", "artist=One",
                                "artist=Two", "album=Record", "TRACKNUMBER=4/12",
                                "Comment=" + sha1(kBig)}},
                      OpusCase{"ShrinksByPages",
                               Maker::OpusencWithLongComment,
                               {{Field::Comment, ""}, {Field::Year, "1999"}},
                               {"ENCODER=opusenc from opus-tools 0.2", "title=Song", "artist=One",
                                "artist=Two", "album=Record", "TRACKNUMBER=4/12", "Date=1999"}},
                      OpusCase{"MadeByFfmpeg",
                               Maker::Ffmpeg,
                               {{Field::Genre, "Ambient"}},
                               {"encoder=Lavc59.37.100 libopus", "TRACKNUMBER=4/12", "title=Song",
                                "artist=One", "album=Record", "Genre=Ambient"}}),
    [](const ::testing::TestParamInfo<OpusCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace velmora::test
