// The WMA reader and writer through libwmaudsdk.so on real wmav2 files, with
// TagLib and ffprobe as independent readers of what we write.
#include "WmaFixture.h"

#include "tags/wma/WMATag.h"
#include "tags/wma/WMAudioInfo.h"

#include <taglib/asffile.h>
#include <taglib/asfpicture.h>
#include <taglib/asftag.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace wmatest;

namespace {

std::string repeat(std::string_view piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

// The size field of the object whose head starts at offset at.
std::size_t readSize(const std::string& bytes, std::size_t at) {
    std::size_t size = 0;
    for (int i = 7; i >= 0; --i)
        size = (size << 8) |
               static_cast<unsigned char>(bytes.at(at + 16 + static_cast<std::size_t>(i)));
    return size;
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

struct timespec mtimeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mtim;
}

TagLib::String u8(const std::string& text) {
    return TagLib::String(text, TagLib::String::UTF8);
}

// Picture bytes larger than an Extended Content Description value may be, so
// TagLib keeps the picture in the Metadata Library.
std::string pictureBytes() {
    std::string bytes = "\x89PNG\r\n\x1a\n";
    for (int i = 0; bytes.size() < 70000; ++i)
        bytes += static_cast<char>(i * 31 + 7);
    return bytes;
}

// Tags a file with TagLib: the six fields, a track, a composer and a picture.
void tagWithTagLib(const std::string& path) {
    TagLib::ASF::File file(path.c_str());
    ASSERT_TRUE(file.isValid());
    TagLib::ASF::Tag* tag = file.tag();
    tag->setTitle(u8("Grüße aus Köln"));
    tag->setArtist(u8("Die Ärzte"));
    tag->setAlbum(u8("Album ✓"));
    tag->setComment(u8(repeat("comment é ", 40)));
    tag->setGenre(u8(repeat("Genre", 10)));
    tag->setYear(1999);
    tag->setTrack(12);
    tag->setAttribute("WM/Composer", TagLib::ASF::Attribute(u8("Someone Else")));
    TagLib::ASF::Picture picture;
    picture.setMimeType("image/png");
    picture.setType(TagLib::ASF::Picture::FrontCover);
    const std::string bytes = pictureBytes();
    picture.setPicture(TagLib::ByteVector(bytes.data(), static_cast<unsigned>(bytes.size())));
    tag->addAttribute("WM/Picture", TagLib::ASF::Attribute(picture));
    ASSERT_TRUE(file.save());
}

void expectSameTexts(const WMATagRec& a, const WMATagRec& b) {
    EXPECT_EQ(a.Title, b.Title);
    EXPECT_EQ(a.Artist, b.Artist);
    EXPECT_EQ(a.Album, b.Album);
    EXPECT_EQ(a.Year, b.Year);
    EXPECT_EQ(a.Comment, b.Comment);
    EXPECT_EQ(a.Genre, b.Genre);
}

class WmaTag : public ::testing::Test {
protected:
    static void SetUpTestSuite() { WMAudioInfo::Bind(); }
    static void TearDownTestSuite() { WMAudioInfo::Unbind(); }
    void SetUp() override { ASSERT_TRUE(WMAudioAvailable()) << "libwmaudsdk.so not found"; }

    std::string place(std::string_view bytes, const std::string& name = "song.wma") {
        const std::string path = dir.file(name);
        writeFile(path, bytes);
        return path;
    }
    std::string taggedByTagLib() {
        const std::string path = place(toneWma());
        tagWithTagLib(path);
        return path;
    }

    TempDir dir;
};

TEST_F(WmaTag, ReadsEveryFieldTagLibWroteWithoutCuttingIt) {
    const WMATagRec tag = ReadWMATag(taggedByTagLib());
    EXPECT_TRUE(tag.Found);
    EXPECT_EQ(tag.Title, "Grüße aus Köln");
    EXPECT_EQ(tag.Artist, "Die Ärzte");
    EXPECT_EQ(tag.Album, "Album ✓");
    EXPECT_EQ(tag.Comment, repeat("comment é ", 40)); // 440 characters, past 255
    EXPECT_EQ(tag.Genre, repeat("Genre", 10));        // 50 characters, past 32
    EXPECT_EQ(tag.Year, "1999");
    // TagLib stores "WM/TrackNumber" as text, which the reader does not take
    // as a number; there is no "WM/Track" to fall back on.
    EXPECT_EQ(tag.Track, 0);
}

TEST_F(WmaTag, WrittenValuesAreReadByTagLibAndFfprobeAndTheRestSurvives) {
    const std::string path = taggedByTagLib();
    const std::string before = readFile(path);
    const TagLibView old = readWithTagLib(path);

    WMATagRec tag = ReadWMATag(path);
    tag.Title = "Ünïcödé title ✓";
    tag.Artist = "Artist 𝄞"; // outside the basic plane: a surrogate pair in UTF-16
    tag.Album = "New Album";
    tag.Year = "2024";
    tag.Comment = repeat("long comment ", 100);
    tag.Genre = "Progressive Psychedelic Space Rock";
    EXPECT_TRUE(WriteWMATag(path, tag));

    const TagLibView now = readWithTagLib(path);
    ASSERT_TRUE(now.valid);
    EXPECT_EQ(now.title, tag.Title);
    EXPECT_EQ(now.artist, tag.Artist);
    EXPECT_EQ(now.album, tag.Album);
    EXPECT_EQ(now.year, 2024u);
    EXPECT_EQ(now.comment, tag.Comment);
    EXPECT_EQ(now.genre, tag.Genre);
    EXPECT_EQ(now.track, 12u);
    EXPECT_EQ(now.attributes.at("WM/Composer"), old.attributes.at("WM/Composer"));
    ASSERT_EQ(now.pictures.size(), 1u);
    EXPECT_EQ(now.pictures[0], pictureBytes());

    const auto probed = readWithFfprobe(path);
    EXPECT_EQ(probed.at("title"), tag.Title);
    EXPECT_EQ(probed.at("artist"), tag.Artist);
    EXPECT_EQ(probed.at("album"), tag.Album);
    EXPECT_EQ(probed.at("genre"), tag.Genre);

    const std::string after = readFile(path);
    EXPECT_EQ(afterHeader(after), afterHeader(before)); // Data Object byte for byte
    EXPECT_EQ(declaredFileSize(after), after.size());
    expectSameTexts(ReadWMATag(path), tag);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"song.wma"});
}

TEST_F(WmaTag, ValuesTooLargeForSixteenBitCountsRoundTrip) {
    const std::string path = place(toneWma());
    WMATagRec tag;
    tag.Title = "Short";
    tag.Comment = repeat("ä", 40000); // 80002 bytes of UTF-16
    tag.Album = repeat("b", 300);     // past the first 256-byte buffer
    ASSERT_TRUE(WriteWMATag(path, tag));
    const WMATagRec back = ReadWMATag(path);
    expectSameTexts(back, tag);
    const TagLibView view = readWithTagLib(path);
    ASSERT_TRUE(view.valid);
    ASSERT_EQ(view.attributes.count("Description"), 1u);
    EXPECT_EQ(view.attributes.at("Description")[0], tag.Comment);
    EXPECT_EQ(view.album, tag.Album);
}

struct TrackCase {
    const char* what;
    std::vector<Entry> entries;
    std::uint16_t track;
};

class WmaTrack : public WmaTag, public ::testing::WithParamInterface<TrackCase> {};

TEST_P(WmaTrack, ReadsTrackNumberOrFallsBackToTrack) {
    const std::string path = place(withHeader(toneWma(), {extendedContent(GetParam().entries)}));
    const WMATagRec tag = ReadWMATag(path);
    EXPECT_TRUE(tag.Found);
    EXPECT_EQ(tag.Track, GetParam().track) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WmaTrack,
    ::testing::Values(
        TrackCase{"number", {dword("WM/TrackNumber", 12), dword("WM/Track", 3)}, 12},
        TrackCase{"missing", {dword("WM/Track", 5)}, 5},
        TrackCase{"string", {text("WM/TrackNumber", "9"), dword("WM/Track", 3)}, 3},
        TrackCase{"low bits zero", {dword("WM/TrackNumber", 65536), dword("WM/Track", 4)}, 4},
        TrackCase{"high bits dropped", {dword("WM/TrackNumber", 65537)}, 1},
        TrackCase{"16-bit number", {{"WM/TrackNumber", 5, le(7, 2)}, dword("WM/Track", 2)}, 2},
        TrackCase{"neither", {text("WM/Year", "2001")}, 0}));

TEST_F(WmaTag, ReadsValuesKeptInTheMetadataObjects) {
    const std::string path = place(withHeader(
        toneWma(), {contentDescription("CD Title", "", "", "", "")},
        {metadata({text("WM/AlbumTitle", "From Metadata"), dword("WM/TrackNumber", 6)}),
         metadataLibrary({text("WM/Genre", "From Library"), text("Author", "Library Author")})}));
    const WMATagRec tag = ReadWMATag(path);
    EXPECT_EQ(tag.Title, "CD Title");
    EXPECT_EQ(tag.Artist, "Library Author"); // the empty Content Description field hides nothing
    EXPECT_EQ(tag.Album, "From Metadata");
    EXPECT_EQ(tag.Genre, "From Library");
    EXPECT_EQ(tag.Track, 6);
}

TEST_F(WmaTag, ReadingNeverChangesTheFile) {
    const std::string path = taggedByTagLib();
    ::chmod(path.c_str(), 0444);
    const std::string before = readFile(path);
    const auto mtime = mtimeOf(path);
    EXPECT_TRUE(ReadWMATag(path).Found);
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(modeOf(path), 0444u);
    EXPECT_EQ(mtimeOf(path).tv_sec, mtime.tv_sec);
    EXPECT_EQ(mtimeOf(path).tv_nsec, mtime.tv_nsec);
    EXPECT_EQ(dir.names().size(), 1u);
}

TEST_F(WmaTag, ReadOnlyFileIsWrittenAndReadOnlyAgain) {
    const std::string path = place(toneWma());
    ::chmod(path.c_str(), 0444);
    WMATagRec tag;
    tag.Title = "Read-only";
    EXPECT_TRUE(WriteWMATag(path, tag));
    EXPECT_EQ(modeOf(path), 0444u);
    EXPECT_EQ(readWithTagLib(path).title, "Read-only");
    EXPECT_EQ(dir.names().size(), 1u);
}

TEST_F(WmaTag, FileWithoutAttributesReadsEmptyButFound) {
    const WMATagRec tag = ReadWMATag(place(toneWma()));
    EXPECT_TRUE(tag.Found);
    const WMATagRec empty;
    expectSameTexts(tag, empty);
    EXPECT_EQ(tag.Copyright, "");
    EXPECT_EQ(tag.Track, 0);
}

TEST_F(WmaTag, EmptyFieldsAreWrittenAsEmptyStrings) {
    const std::string path = taggedByTagLib();
    WMATagRec tag = ReadWMATag(path);
    tag.Title = tag.Artist = tag.Album = tag.Year = tag.Comment = tag.Genre = "";
    ASSERT_TRUE(WriteWMATag(path, tag));
    const TagLibView view = readWithTagLib(path);
    EXPECT_EQ(view.title, "");
    EXPECT_EQ(view.comment, "");
    for (const char* name : {"WM/AlbumTitle", "WM/Year", "WM/Genre"}) {
        ASSERT_EQ(view.attributes.count(name), 1u) << name;
        EXPECT_EQ(view.attributes.at(name), std::vector<std::string>{""}) << name;
    }
    EXPECT_EQ(view.pictures.size(), 1u);
    expectSameTexts(ReadWMATag(path), tag);
}

TEST_F(WmaTag, EachFileKeepsItsOwnTrackNumber) {
    const std::string a =
        place(withHeader(toneWma(), {extendedContent({dword("WM/TrackNumber", 3)})}), "a.wma");
    const std::string b =
        place(withHeader(toneWma(), {extendedContent({dword("WM/TrackNumber", 8)})}), "b.wma");
    const std::string c =
        place(withHeader(toneWma(), {extendedContent({text("WM/TrackNumber", "5")})}), "c.wma");
    // The write-all reads each file before writing it and changes only texts.
    for (const auto& path : {a, b, c}) {
        WMATagRec tag = ReadWMATag(path);
        tag.Album = "Same Album";
        ASSERT_TRUE(WriteWMATag(path, tag));
    }
    EXPECT_EQ(readWithTagLib(a).track, 3u);
    EXPECT_EQ(readWithTagLib(b).track, 8u);
    // A track number the reader could not use (a string) is left as it was.
    EXPECT_EQ(readWithTagLib(c).attributes.at("WM/TrackNumber"), std::vector<std::string>{"5"});
    EXPECT_EQ(readWithTagLib(c).album, "Same Album");
}

TEST_F(WmaTag, TrackFromTheRecordIsWritten) {
    const std::string path = place(toneWma());
    WMATagRec tag;
    tag.Track = 42;
    ASSERT_TRUE(WriteWMATag(path, tag));
    EXPECT_EQ(readWithTagLib(path).track, 42u);
    EXPECT_EQ(ReadWMATag(path).Track, 42);
}

TEST_F(WmaTag, SymlinksAndHardLinksSurviveAWrite) {
    const std::string path = place(toneWma());
    const std::string link = dir.file("link.wma");
    const std::string hard = dir.file("hard.wma");
    ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
    ASSERT_EQ(::link(path.c_str(), hard.c_str()), 0);
    WMATagRec tag;
    tag.Title = "Through the link";
    ASSERT_TRUE(WriteWMATag(link, tag));
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadWMATag(path).Title, "Through the link");
    EXPECT_EQ(ReadWMATag(hard).Title, "Through the link");
}

TEST_F(WmaTag, AnyFileNameCanBeReadAndWritten) {
    for (const std::string name : {"Grüße 𝄞.wma", "caf\xE9.wma", "\xFF\xFE.wma"}) {
        const std::string path = place(toneWma(), name);
        WMATagRec tag;
        tag.Title = "Named";
        EXPECT_TRUE(WriteWMATag(path, tag)) << name;
        EXPECT_EQ(ReadWMATag(path).Title, "Named") << name;
        ::unlink(path.c_str());
    }
}

TEST_F(WmaTag, OnlyRegularFilesAreOpened) {
    // A named pipe would block an open until someone writes to it.
    const std::string pipe = dir.file("pipe.wma");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_FALSE(ReadWMATag(pipe).Found);
    EXPECT_FALSE(WriteWMATag(pipe, WMATagRec{}));
    EXPECT_FALSE(ReadWMATag(dir.path()).Found);
}

TEST_F(WmaTag, WithoutTheSdkAnAsfFileReadsEmptyAndIsNotWritten) {
    const std::string path = taggedByTagLib();
    const std::string before = readFile(path);
    EXPECT_FALSE(WMAudioInfo::BindFrom(dir.file("missing/libwmaudsdk.so")));
    EXPECT_FALSE(WMAudioAvailable());
    const WMATagRec tag = ReadWMATag(path);
    EXPECT_FALSE(tag.Found);
    expectSameTexts(tag, WMATagRec{});
    WMATagRec update;
    update.Title = "Never written";
    EXPECT_FALSE(WriteWMATag(path, update));
    EXPECT_EQ(readFile(path), before);
    WMAudioInfo::Bind();
    EXPECT_TRUE(WMAudioAvailable());
}

TEST_F(WmaTag, DamagedFilesNeverCrashAndAreNeverDamagedFurther) {
    const std::string good = withHeader(
        toneWma(),
        {contentDescription("Title", "Author", "", "Comment", ""),
         extendedContent({text("WM/AlbumTitle", "Album"), dword("WM/TrackNumber", 4)})},
        {metadata({text("WM/Year", "2000")}), metadataLibrary({text("WM/Genre", "Genre")})});
    const std::size_t headerEnd = good.size() - afterHeader(good).size();
    std::vector<std::string> damaged;
    for (std::size_t cut = 0; cut < headerEnd + 40; cut += 5)
        damaged.push_back(good.substr(0, cut));
    // Every 16-bit field of the header at its largest value.
    for (std::size_t at = 16; at + 2 <= headerEnd; at += 2) {
        std::string copy = good;
        copy.replace(at, 2, "\xFF\xFF");
        damaged.push_back(copy);
    }
    // Each object size (the header's, its objects', the extension's objects')
    // set to 0, 1 and past the end.
    std::vector<std::size_t> sizeFields{16};
    for (std::size_t at = 30; at + 24 <= headerEnd;) {
        sizeFields.push_back(at + 16);
        if (good.compare(at, 16, guid("5FBF03B5-A92E-11CF-8EE3-00C00C205365")) == 0)
            for (std::size_t in = at + 46; in + 24 <= at + readSize(good, at);
                 in += readSize(good, in))
                sizeFields.push_back(in + 16);
        at += readSize(good, at);
    }
    for (std::size_t field : sizeFields)
        for (std::uint64_t bad : {0ull, 1ull, 0xFFFFFFFFFFFFull}) {
            std::string copy = good;
            copy.replace(field, 8, le(bad, 8));
            damaged.push_back(copy);
        }
    const std::vector<std::string> expected{"damaged.wma"};
    for (const auto& bytes : damaged) {
        const std::string path = place(bytes, "damaged.wma");
        const WMATagRec tag = ReadWMATag(path);
        WMATagRec update = tag;
        update.Title = "x";
        if (WriteWMATag(path, update))
            EXPECT_EQ(afterHeader(readFile(path)), afterHeader(bytes));
        else
            EXPECT_EQ(readFile(path), bytes);
        EXPECT_EQ(dir.names(), expected);
    }
}

} // namespace
