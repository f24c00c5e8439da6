// Reading comments into an OGGTag from real Ogg Vorbis files.
#include "VorbisFixture.h"

#include "base/FileLayer.h"
#include "tags/ogg/Ogg.h"
#include "tags/ogg/OggStream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vorbis/codec.h>

using fixture::TempDir;

namespace {

OGGTag readComments(const std::vector<std::string>& comments) {
    TempDir dir;
    const std::string path = dir.file("song.ogg");
    fixture::VorbisOptions options;
    options.comments = comments;
    fixture::writeFile(path, fixture::makeVorbis(options));
    OGGTag tag;
    tag.Album = "stale"; // every field is overwritten
    ReadOGGTag(path, tag);
    return tag;
}

struct ReadCase {
    const char* what;
    std::vector<std::string> comments;
    OGGTag expected;
};

class ReadCases : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadCases, FillsTheRecord) {
    const ReadCase& c = GetParam();
    OGGTag tag = readComments(c.comments);
    EXPECT_EQ(tag.Album, c.expected.Album);
    EXPECT_EQ(tag.Title, c.expected.Title);
    EXPECT_EQ(tag.Artist, c.expected.Artist);
    EXPECT_EQ(tag.Comment, c.expected.Comment);
    EXPECT_EQ(tag.Genre, c.expected.Genre);
    EXPECT_EQ(tag.Date, c.expected.Date);
    EXPECT_EQ(tag.TrackNumber, c.expected.TrackNumber);
}

OGGTag titled(const std::string& title) {
    OGGTag t;
    t.Title = title;
    return t;
}

INSTANTIATE_TEST_SUITE_P(
    Ogg, ReadCases,
    ::testing::Values(ReadCase{"AllSeven",
                               {"ALBUM=Al", "TITLE=Ti", "ARTIST=Ar", "COMMENT=Co", "GENRE=Ge",
                                "DATE=1999", "TRACKNUMBER=7"},
                               {"Al", "Ti", "Ar", "Co", "Ge", "1999", "7"}},
                      ReadCase{"NoComments", {}, {}},
                      ReadCase{"LaterSameKeyWins",
                               {"TITLE=Song", "ARTIST=A", "title=Other"},
                               [] {
                                   OGGTag t = titled("Other");
                                   t.Artist = "A";
                                   return t;
                               }()},
                      ReadCase{"LaterEmptyValueWins", {"TITLE=Song", "Title="}, {}},
                      ReadCase{"TrailingSpaceInNameIgnored", {"title =Song"}, {}},
                      ReadCase{"NoEqualsIgnored", {"TITLE Song", "title"}, {}},
                      ReadCase{"ByteOutsideNameRangeIgnored",
                               {"TI\x7ETLE=Song", "TI\x01TLE=Song", "~title=S"},
                               {}},
                      ReadCase{"LeadingEqualsIgnored", {"=title=Song"}, {}},
                      ReadCase{"ValueTrimmed",
                               {"TITLE=  Song  ", "ARTIST=\t\r\nX\x01"},
                               [] {
                                   OGGTag t = titled("Song");
                                   t.Artist = "X";
                                   return t;
                               }()},
                      ReadCase{"MixedCaseKeys",
                               {"TiTlE=a", "TrackNumber=3"},
                               [] {
                                   OGGTag t = titled("a");
                                   t.TrackNumber = "3";
                                   return t;
                               }()},
                      ReadCase{"Utf8Kept",
                               {"TITLE=Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC"},
                               titled("Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC")},
                      ReadCase{"InvalidUtf8MadeValid", {"TITLE=Caf\xE9"}, titled("Caf\xC3\xA9")},
                      ReadCase{"ValueWithEqualsKept", {"TITLE=a=b"}, titled("a=b")}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.what); });

TEST(OggRead, BuildStrCommentsSplitsNameAndValue) {
    std::string texts[] = {"TITLE=Song", "no equals", "=x", std::string("A\x80=v", 4), "K="};
    char* pointers[5];
    int lengths[5];
    for (int i = 0; i < 5; ++i) {
        pointers[i] = texts[i].data();
        lengths[i] = static_cast<int>(texts[i].size());
    }
    vorbis_comment vc{pointers, lengths, 5, nullptr};
    TStrComments list = BuildStrComments(vc);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].Name, "TITLE");
    EXPECT_EQ(list[0].Value, "Song");
    EXPECT_EQ(list[0].Text, "TITLE=Song");
    EXPECT_EQ(list[1].Name, "");
    EXPECT_EQ(list[1].Text, "no equals");
    EXPECT_EQ(list[2].Name, "");
    EXPECT_EQ(list[2].Value, "x");
    EXPECT_EQ(list[3].Name, "");
    EXPECT_EQ(list[3].Value, "A\xC2\x80=v");
    EXPECT_EQ(list[4].Name, "K");
    EXPECT_EQ(list[4].Value, "");
    EXPECT_EQ(list[4].Text, "K=");
}

TEST(OggRead, ReadingNeverChangesTheFile) {
    TempDir dir;
    const std::string path = dir.file("song.ogg");
    fixture::VorbisOptions options;
    options.comments = {"TITLE=x", "ALBUMARTIST=y"};
    const std::string bytes = fixture::makeVorbis(options);
    fixture::writeFile(path, bytes);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);

    OGGTag tag;
    ReadOGGTag(path, tag);
    EXPECT_EQ(tag.Title, "x");

    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(fixture::readFile(path), bytes);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"song.ogg"});
}

TEST(OggRead, MissingFileRaisesTheFileLayerError) {
    TempDir dir;
    OGGTag tag;
    try {
        ReadOGGTag(dir.file("absent.ogg"), tag);
        FAIL() << "no error";
    } catch (const velmora::TagError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + dir.file("absent.ogg") + "\". No such file or directory");
    }
}

TEST(OggRead, NotOggVorbisSaysWhy) {
    TempDir dir;
    const std::string path = dir.file("fake.ogg");
    fixture::writeFile(path, std::string("ID3\x03\x00\x00\x00\x00\x00\x00 not ogg at all", 26));
    OGGTag tag;
    tag.Title = "kept";
    try {
        ReadOGGTag(path, tag);
        FAIL() << "no error";
    } catch (const velmora::TagError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open " + path + ": The input is not an Ogg bitstream");
    }
    EXPECT_EQ(tag.Title, "kept");
}

TEST(OggRead, MissingLibraryLeavesTheRecordUntouched) {
    TempDir dir;
    const std::string path = dir.file("song.ogg");
    fixture::VorbisOptions options;
    options.comments = {"TITLE=x"};
    fixture::writeFile(path, fixture::makeVorbis(options));
    SetOggLibraryDir(dir.path()); // holds no libvcedit.so
    OGGTag tag;
    tag.Title = "before";
    EXPECT_NO_THROW(ReadOGGTag(path, tag));
    SetOggLibraryDir("");
    EXPECT_EQ(tag.Title, "before");
    ReadOGGTag(path, tag);
    EXPECT_EQ(tag.Title, "x");
}

TEST(OggRead, ReadCallbackCountsWholeElements) {
    TempDir dir;
    const std::string path = dir.file("ten.bin");
    fixture::writeFile(path, "0123456789");
    velmora::InputFile file(path);
    OggFileInput input(file);
    char buffer[16] = {};
    EXPECT_EQ(OggReadFunc(buffer, 3, 4, &input), 3u); // 10 bytes read, 3 whole elements
    EXPECT_EQ(std::string(buffer, 10), "0123456789");
    EXPECT_EQ(OggReadFunc(buffer, 1, 4, &input), 0u); // at the end
    OggFileInput fresh(file);
    EXPECT_EQ(OggReadFunc(buffer, 0, 4, &fresh), 0u);
    EXPECT_EQ(OggReadFunc(buffer, 4, 0, &fresh), 0u);
    EXPECT_EQ(OggReadFunc(buffer, 1, 2, &fresh), 2u); // nothing was consumed above
    EXPECT_EQ(std::string(buffer, 2), "01");
}

TEST(OggRead, WriteCallbackCountsWholeElements) {
    OggMemoryOutput output;
    EXPECT_EQ(OggWriteFunc("abcdefg", 0, 3, &output), static_cast<std::size_t>(-1));
    EXPECT_EQ(OggWriteFunc("abcdefg", 2, 3, &output), 3u);
    EXPECT_EQ(output.bytes, "abcdef");
    OggStream failing; // writes nothing
    EXPECT_EQ(OggWriteFunc("abc", 1, 3, &failing), 0u);
}

} // namespace
