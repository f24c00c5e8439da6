// ReadMP3Tag and WriteMP3Tag on real files: round trips, the audio kept byte
// for byte, each file's own track number, and the failure paths.
#include "base/FileLayer.h"
#include "tags/id3/Id3Tag.h"
#include "tags/id3/Unit2.h"
#include "tests/common/TestFiles.h"
#include "tests/id3/Id3Bytes.h"
#include "tests/id3/Id3Show.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace velmora;
using namespace velmora::id3;
using namespace velmora::test;

namespace {

ID3StructV2 readBack(const std::string& path) {
    ReadMP3Tag(path);
    return ID3Tag;
}

// The bytes after the tag at the start of a file.
std::string audioOf(const std::string& bytes) {
    const std::uint64_t end = tagLength(bytes);
    return bytes.substr(static_cast<std::size_t>(std::min<std::uint64_t>(end, bytes.size())));
}

struct RoundTrip {
    const char* name;
    ID3StructV2 fields;
};

std::vector<RoundTrip> roundTrips() {
    const std::string longText(10000, 'L');
    std::string longUnicode;
    for (int i = 0; i < 2000; ++i)
        longUnicode += "\xC3\xA9\xE6\x97\xA5"; // é日
    return {
        {"Empty", {}},
        {"Plain", {"Title", "Artist", "Album", "2004", "3/12", "A comment", "(17)"}},
        {"Long", {longText, longText, longText, longText, longText, longText, longText}},
        {"LongUnicode", {longUnicode, "a", "b", "c", "d", longUnicode, "e"}},
        {"MultiLine", {"t", "a", "b", "y", "1", "line one\r\nline two\nline three", "g"}},
        {"NonAscii",
         {"Caf\xC3\xA9", "\xD0\x9C\xD1\x83\xD0\xB7\xD1\x8B\xD0\xBA\xD0\xB0",
          "\xE6\x97\xA5\xE6\x9C\xAC", "2020", "1", "\xF0\x9F\x8E\xB5 notes \xE2\x82\xAC",
          "Chanson fran\xC3\xA7"
          "aise"}},
    };
}

class Id3RoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(Id3RoundTrip, WrittenThenReadIsEqual) {
    for (bool hadTag : {false, true}) {
        TempDir dir;
        const std::string path = dir.file("song.mp3");
        const std::string audio = mpegAudio(8, 11);
        writeFile(path, (hadTag ? tagOf(3, frame23("TIT2", "\x00old"s)) : "") + audio);
        WriteMP3Tag(path, GetParam().fields, TrackSource::FromRecord);
        EXPECT_EQ(show(readBack(path)), show(GetParam().fields)) << "had a tag: " << hadTag;
        EXPECT_EQ(audioOf(readFile(path)), audio);
        EXPECT_EQ(dir.names(), std::vector<std::string>{"song.mp3"});
    }
}

INSTANTIATE_TEST_SUITE_P(Values, Id3RoundTrip, ::testing::ValuesIn(roundTrips()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Id3File, SpacesAroundValuesAreTrimmedOnReading) {
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    writeFile(path, mpegAudio(2, 1));
    WriteMP3Tag(path, {"  padded  ", "\tartist\n", "", "", "", "", ""});
    EXPECT_EQ(readBack(path).Title, "padded");
    EXPECT_EQ(ID3Tag.Artist, "artist");
}

// Every kind of write keeps the audio byte for byte.
struct WriteKind {
    const char* name;
    std::string oldTag; // what the file starts with
    ID3StructV2 fields; // what is written
    bool inPlace;       // expected: the same file written in place
};

std::vector<WriteKind> writeKinds() {
    const std::string roomy = tagOf(3, frame23("TIT2", "\x00"
                                                       "before"s) +
                                           std::string(2000, '\0'));
    const std::string tight = tagOf(3, frame23("TIT2", "\x00"
                                                       "before"s));
    const std::string big = tagOf(3, frame23("TIT2", "\x00"s + std::string(5000, 'b')));
    ID3StructV2 small{"after", "a", "", "", "", "", ""};
    ID3StructV2 large{std::string(3000, 'x'), "a", "", "", "", "", ""};
    return {
        {"NoTagBefore", "", small, false},
        {"Fits", roomy, small, true},
        {"Grows", tight, large, false},
        {"Shrinks", big, small, true},
        {"Version24WithFooterFits",
         tagOf(4, frame24("TIT2", "\x00"s + std::string(300, 'c')), 0x10) + "3DI\x04\x00\x10"s +
             std::string(4, '\0'),
         small, true},
        {"SizePastTheEnd", "ID3\x03\x00\x00\x00\x00\x7F\x7F"s + frame23("TIT2", "\x00old"s), small,
         false},
    };
}

class Id3Write : public ::testing::TestWithParam<WriteKind> {};

TEST_P(Id3Write, AudioComesThroughByteForByte) {
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    const std::string audio = mpegAudio(12, 5) + "TAG" + std::string(125, 'v'); // with a v1 trailer
    const std::string before = GetParam().oldTag + audio;
    writeFile(path, before);
    const ino_t inode = statOf(path).st_ino;

    WriteMP3Tag(path, GetParam().fields);
    const std::string after = readFile(path);
    EXPECT_EQ(show(parseTag(after).fields), show(GetParam().fields));
    if (GetParam().name == std::string("SizePastTheEnd")) {
        // The damaged tag's frames are read; everything behind them is kept.
        EXPECT_EQ(audioOf(after), before.substr(10 + 14));
    } else {
        EXPECT_EQ(audioOf(after), audio);
    }
    EXPECT_EQ(statOf(path).st_ino == inode, GetParam().inPlace);
    if (GetParam().inPlace) {
        EXPECT_EQ(after.size(), before.size()) << "the old tag's space is reused";
    } else {
        EXPECT_GE(tagLength(after), 10 + renderFrames(GetParam().fields, {}).size() + 1024)
            << "a grown tag gets padding for later edits";
    }
    EXPECT_EQ(dir.names(), std::vector<std::string>{"song.mp3"});

    // A second write of the same values now fits in place.
    WriteMP3Tag(path, GetParam().fields);
    EXPECT_EQ(readFile(path), after);
}

INSTANTIATE_TEST_SUITE_P(Kinds, Id3Write, ::testing::ValuesIn(writeKinds()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Id3File, EachFileKeepsItsOwnTrackNumber) {
    TempDir dir;
    writeFile(dir.file("a.mp3"), tagOf(3, frame23("TRCK", "\x00"
                                                          "3"s)) +
                                     mpegAudio(2, 1));
    writeFile(dir.file("b.mp3"), tagOf(3, frame23("TRCK", "\x00"
                                                          "7/10"s)) +
                                     mpegAudio(2, 2));
    writeFile(dir.file("c.mp3"), mpegAudio(2, 3));

    // As the write-all does: read one file, then write the shared record into others.
    ReadMP3Tag(dir.file("a.mp3"));
    ASSERT_EQ(ID3Tag.Track, "3");
    ID3Tag.Title = "new title";
    WriteMP3Tag(dir.file("b.mp3"), ID3Tag);
    WriteMP3Tag(dir.file("c.mp3"), ID3Tag);
    WriteMP3Tag(dir.file("a.mp3"), ID3Tag);
    EXPECT_EQ(readBack(dir.file("b.mp3")).Track, "7/10");
    EXPECT_EQ(ID3Tag.Title, "new title");
    EXPECT_EQ(readBack(dir.file("c.mp3")).Track, "");
    EXPECT_EQ(readBack(dir.file("a.mp3")).Track, "3");
}

TEST(Id3File, OtherFramesAreWrittenBackAfterTheSeven) {
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    const std::string picture = "\x00image/png\x00\x03\x00"s + randomBytes(3000, 9);
    const std::string lyrics = "\x00"
                               "eng\x00la la la"s;
    writeFile(path, tagOf(3, frame23("APIC", picture) + frame23("TIT2", "\x00t"s) +
                                 frame23("USLT", lyrics) + frame23("PRIV", "me\0x"s)) +
                        mpegAudio(3, 4));
    WriteMP3Tag(path, {"changed", "", "", "", "", "note", ""});
    const std::string after = readFile(path);
    const ParsedTag tag = parseTag(after);
    ASSERT_EQ(tag.kept.size(), 3u);
    EXPECT_EQ(tag.kept[0], (Frame{"APIC", 0, picture}));
    EXPECT_EQ(tag.kept[1], (Frame{"USLT", 0, lyrics}));
    EXPECT_EQ(tag.kept[2], (Frame{"PRIV", 0, "me\0x"s}));
    EXPECT_EQ(after.find("APIC"),
              renderFrames({"changed", "", "", "", "", "note", ""}, {}).size() + 10);
}

// Edits that keep the tag's length: the file must equal a freshly built tag
// in front of the audio, whichever bytes changed.
TEST(Id3File, InPlaceEditsGiveExactlyTheNewTag) {
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    const std::string audio = mpegAudio(4, 21);
    const std::vector<Frame> kept{{"PRIV", 0, "me\0x"s}, {"TXXX", 0, "\x00k\x00v"s}};
    const std::size_t space = 600;
    const std::vector<ID3StructV2> edits = {
        {"Title", "Artist", "Album", "2009", "5", "note", "Rock"},
        {"Title", "Artist", "Album", "2010", "5", "note", "Rock"}, // one digit
        {"Title", "Artist", "Album", "2010", "5", "note", "Jazz"}, // the last frame of the seven
        {"Title", "Artist", "Album", "2010", "5", "note", "Jazz"}, // nothing
        {"T", "Artist", "Album", "2010", "5", "note", "Jazz"},     // everything moves
        {"Tit\xC3\xA9", "Artist", "Album", "2010", "5", "", "Jazz"},
    };
    writeFile(path, assembleTag(renderFrames(edits[0], kept),
                                space - 10 - renderFrames(edits[0], kept).size()) +
                        audio);
    for (const ID3StructV2& edit : edits) {
        WriteMP3Tag(path, edit, TrackSource::FromRecord);
        const std::string frames = renderFrames(edit, kept);
        EXPECT_EQ(readFile(path), assembleTag(frames, space - 10 - frames.size()) + audio)
            << show(edit);
    }
}

TEST(Id3File, ReadingChangesNothing) {
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    const std::string bytes = tagOf(3, frame23("TIT2", "\x00t"s)) + mpegAudio(2, 1);
    writeFile(path, bytes);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    const struct stat before = statOf(path);
    EXPECT_EQ(readBack(path).Title, "t");
    const struct stat after = statOf(path);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec);
    EXPECT_EQ(readFile(path), bytes);
}

TEST(Id3File, UnreadableFilesGiveEmptyFields) {
    TempDir dir;
    writeFile(dir.file("short.mp3"), "ID3\x03");
    writeFile(dir.file("plain.mp3"), mpegAudio(1, 1));
    ::mkdir(dir.file("folder.mp3").c_str(), 0755);
    for (const char* name : {"missing.mp3", "short.mp3", "plain.mp3", "folder.mp3"}) {
        ID3Tag.Title = "stale";
        ReadMP3Tag(dir.file(name));
        EXPECT_EQ(show(ID3Tag), show({})) << name;
    }
}

TEST(Id3File, MissingFileRaisesTheOpenErrorAndCreatesNothing) {
    TempDir dir;
    try {
        WriteMP3Tag(dir.file("missing.mp3"), {"t", "", "", "", "", "", ""});
        FAIL() << "no error raised";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + dir.file("missing.mp3") +
                                             "\". No such file or directory");
    }
    EXPECT_TRUE(dir.names().empty());
}

TEST(Id3File, SymlinkIsFollowedAndHardLinksKept) {
    for (bool grows : {false, true}) {
        TempDir dir;
        const std::string audio = mpegAudio(3, 8);
        writeFile(dir.file("real.mp3"),
                  tagOf(3, frame23("TIT2", "\x00old"s) + std::string(200, '\0')) + audio);
        ASSERT_EQ(::symlink("real.mp3", dir.file("link.mp3").c_str()), 0);
        ASSERT_EQ(::link(dir.file("real.mp3").c_str(), dir.file("hard.mp3").c_str()), 0);
        WriteMP3Tag(dir.file("link.mp3"),
                    {grows ? std::string(500, 'g') : "new", "", "", "", "", "", ""});
        EXPECT_TRUE(S_ISLNK(lstatOf(dir.file("link.mp3")).st_mode));
        EXPECT_EQ(statOf(dir.file("real.mp3")).st_ino, statOf(dir.file("hard.mp3")).st_ino);
        EXPECT_EQ(readBack(dir.file("hard.mp3")).Title, grows ? std::string(500, 'g') : "new");
        EXPECT_EQ(audioOf(readFile(dir.file("hard.mp3"))), audio);
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"hard.mp3", "link.mp3", "real.mp3"}));
    }
}

// Run as an unprivileged user, whom permissions really stop.
TEST(Id3File, ReadOnlyFileAndLockedFolder) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const std::string folder = dir.file("music");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string readOnly = folder + "/read-only.mp3";
    const std::string locked = folder + "/locked.mp3";
    const std::string audio = mpegAudio(3, 6);
    const std::string original =
        tagOf(3, frame23("TIT2", "\x00old"s) + std::string(300, '\0')) + audio;
    writeFile(readOnly, original);
    writeFile(locked, original);
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(locked.c_str(), 0666), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(readOnly.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(locked.c_str(), 65534, 65534), 0);
    }

    // The folder is writable: a growing write replaces the read-only file.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
    }
    EXPECT_EQ(runUnprivileged([&] {
                  WriteMP3Tag(readOnly, {std::string(1000, 'r'), "", "", "", "", "", ""});
                  return 0;
              }),
              0);
    EXPECT_EQ(readBack(readOnly).Title, std::string(1000, 'r'));
    EXPECT_EQ(statOf(readOnly).st_mode & 07777, 0444u);
    EXPECT_EQ(audioOf(readFile(readOnly)), audio);

    // The folder is locked: a write that fits goes in place, one that grows fails cleanly.
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    const int result = runUnprivileged([&] {
        WriteMP3Tag(locked, {"fits", "", "", "", "", "", ""});
        try {
            WriteMP3Tag(locked, {std::string(1000, 'x'), "", "", "", "", "", ""});
            return 1;
        } catch (const FileError& e) {
            return std::string(e.what()).rfind("Cannot create file \"" + folder, 0) == 0 ? 0 : 2;
        }
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readBack(locked).Title, "fits");
    EXPECT_EQ(audioOf(readFile(locked)), audio);
    EXPECT_EQ(readFile(locked).size(), original.size());
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"music"});
    std::vector<std::string> left; // no temporary file stays in the music folder
    for (auto& entry : std::filesystem::directory_iterator(folder))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"locked.mp3", "read-only.mp3"}));
}

} // namespace
