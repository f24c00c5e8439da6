// Rewriting Ogg Vorbis files from an OGGTag: what is written, what is kept,
// and that the audio and the file's identity survive.
#include "OggTestSupport.h"

#include "base/FileLayer.h"
#include "tags/ogg/Ogg.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <unistd.h>

using fixture::TempDir;

namespace {

const std::uint32_t kSerial = 4711;

std::string makeFile(const TempDir& dir, const std::string& name, std::vector<std::string> comments,
                     bool ownPages = true) {
    fixture::VorbisOptions options;
    options.comments = std::move(comments);
    options.headersOnOwnPages = ownPages;
    const std::string path = dir.file(name);
    fixture::writeFile(path, fixture::makeVorbis(options));
    return path;
}

OGGTag sampleTag() {
    OGGTag tag;
    tag.Title = "New Title";
    tag.Artist = "Art";
    tag.Date = "2001";
    tag.TrackNumber = "5";
    tag.Comment = "  Hello  "; // written unchanged
    tag.Album = "";            // removes the album comment
    tag.Genre = "";
    return tag;
}

TEST(OggWrite, ReplacesModelledCommentsAndKeepsTheRest) {
    TempDir dir;
    const std::string picture = "METADATA_BLOCK_PICTURE=" + std::string(300, 'Q');
    const std::string binary("BINARY=a\0b", 10);
    const std::string path = makeFile(dir, "song.ogg",
                                      {"TITLE=Old", "ALBUMARTIST=The Band", "title=Old too",
                                       "REPLAYGAIN_TRACK_GAIN=-3.20 dB", "album=Gone", "GENRE=Rock",
                                       picture, binary, "no equals", "title =spaced"});
    const std::string before = fixture::readFile(path);

    ASSERT_TRUE(WriteOGGTag(path, sampleTag()));

    const std::string after = fixture::readFile(path);
    fixture::CommentHeader header = fixture::commentsOf(after, kSerial);
    const std::vector<std::string> expected = {"Title=New Title",
                                               "Artist=Art",
                                               "TrackNumber=5",
                                               "Date=2001",
                                               "Comment=  Hello  ",
                                               "ALBUMARTIST=The Band",
                                               "REPLAYGAIN_TRACK_GAIN=-3.20 dB",
                                               picture,
                                               binary,
                                               "no equals",
                                               "title =spaced"};
    EXPECT_EQ(header.comments, expected);
    EXPECT_EQ(header.vendor, fixture::commentsOf(before, kSerial).vendor);
    fixture::expectSameAudio(before, after, kSerial);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"song.ogg"});

    // TagLib, an independent reader, sees the values.
    TagLib::Ogg::Vorbis::File file(path.c_str());
    ASSERT_TRUE(file.isValid());
    EXPECT_EQ(file.tag()->title().to8Bit(true), "New Title");
    EXPECT_EQ(file.tag()->artist().to8Bit(true), "Art");
    EXPECT_EQ(file.tag()->year(), 2001u);
    EXPECT_EQ(file.tag()->track(), 5u);
    EXPECT_EQ(file.tag()->album().to8Bit(true), "");
    EXPECT_EQ(file.tag()->properties()["ALBUMARTIST"].toString().to8Bit(true), "The Band");

    // Our own reader fills the same fields back (values trimmed on reading).
    OGGTag back;
    ReadOGGTag(path, back);
    EXPECT_EQ(back.Title, "New Title");
    EXPECT_EQ(back.Comment, "Hello");
    EXPECT_EQ(back.TrackNumber, "5");
    EXPECT_EQ(back.Album, "");
}

TEST(OggWrite, MixedCaseKeysAsListedByVorbiscomment) {
    TempDir dir;
    const std::string path = makeFile(dir, "song.ogg", {});
    ASSERT_TRUE(WriteOGGTag(path, sampleTag()));
    std::string output;
    ASSERT_EQ(fixture::run("vorbiscomment -l '" + path + "' 2>&1", output), 0) << output;
    EXPECT_EQ(output, "Title=New Title\nArtist=Art\nTrackNumber=5\nDate=2001\nComment=  Hello  \n");
}

TEST(OggWrite, AllEmptyRecordLeavesOnlyUnmodelledComments) {
    TempDir dir;
    const std::string path =
        makeFile(dir, "song.ogg", {"TITLE=a", "ARTIST=b", "DATE=1", "ALBUMARTIST=c"});
    ASSERT_TRUE(WriteOGGTag(path, OGGTag{}));
    EXPECT_EQ(fixture::commentsOf(fixture::readFile(path), kSerial).comments,
              std::vector<std::string>{"ALBUMARTIST=c"});

    const std::string only = makeFile(dir, "only.ogg", {"TITLE=a", "Genre=b"});
    ASSERT_TRUE(WriteOGGTag(only, OGGTag{}));
    EXPECT_TRUE(fixture::commentsOf(fixture::readFile(only), kSerial).comments.empty());
    fixture::expectOgginfoClean(only);
}

TEST(OggWrite, EachFileKeepsTheTrackNumberOfItsRecord) {
    TempDir dir;
    const std::string one = makeFile(dir, "one.ogg", {"TRACKNUMBER=1", "TITLE=a"});
    const std::string two = makeFile(dir, "two.ogg", {"TRACKNUMBER=2", "TITLE=b"});
    // The write-all reads each file into the record before writing it.
    for (const std::string& path : {one, two}) {
        OGGTag tag;
        ReadOGGTag(path, tag);
        tag.Title = "Same";
        ASSERT_TRUE(WriteOGGTag(path, tag));
    }
    OGGTag a, b;
    ReadOGGTag(one, a);
    ReadOGGTag(two, b);
    EXPECT_EQ(a.TrackNumber, "1");
    EXPECT_EQ(b.TrackNumber, "2");
    EXPECT_EQ(a.Title, "Same");
}

// A 200 KB picture comment spans several pages; the header pages grow and
// shrink, so later pages are renumbered, and writing the small record again
// gives back the very same bytes.
TEST(OggWrite, LargeCommentHeaderOverSeveralPages) {
    TempDir dir;
    std::string picture = "METADATA_BLOCK_PICTURE=";
    for (int i = 0; i < 200 * 1024; ++i)
        picture +=
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"[(i * 7919) % 64];
    const std::string path = makeFile(dir, "big.ogg", {"TITLE=x"});
    const std::string original = fixture::readFile(path);
    ASSERT_TRUE(WriteOGGTag(path, sampleTag()));
    const std::string small = fixture::readFile(path);

    OGGTag big = sampleTag();
    big.Comment = picture;
    ASSERT_TRUE(WriteOGGTag(path, big));
    const std::string grown = fixture::readFile(path);
    EXPECT_GT(fixture::pagesOf(grown).size(), fixture::pagesOf(small).size() + 2);
    EXPECT_EQ(fixture::commentsOf(grown, kSerial).comments.back(), "Comment=" + picture);
    fixture::expectSameAudio(original, grown, kSerial);
    fixture::expectContiguousPages(grown, kSerial);
    fixture::expectOgginfoClean(path);

    ASSERT_TRUE(WriteOGGTag(path, sampleTag()));
    EXPECT_EQ(fixture::readFile(path), small);
}

TEST(OggWrite, UnmodelledPictureKeptByteForByte) {
    TempDir dir;
    const std::string picture = fixture::pictureComment(150 * 1024); // 200 KB in base64
    ASSERT_GT(picture.size(), 200u * 1024);
    const std::string path = makeFile(dir, "pic.ogg", {picture, "TITLE=x"});
    const std::string before = fixture::readFile(path);
    ASSERT_TRUE(WriteOGGTag(path, sampleTag()));
    const std::string after = fixture::readFile(path);
    auto comments = fixture::commentsOf(after, kSerial).comments;
    ASSERT_EQ(comments.size(), 6u);
    EXPECT_EQ(comments[5], picture);
    fixture::expectSameAudio(before, after, kSerial);
    fixture::expectContiguousPages(after, kSerial);
    fixture::expectOgginfoClean(path);
}

TEST(OggWrite, SetupHeaderSharingAPageWithAudio) {
    TempDir dir;
    fixture::VorbisOptions options;
    options.comments = {"TITLE=x"};
    options.headersOnOwnPages = false;
    options.seconds = 2;
    const std::string path = dir.file("shared.ogg");
    fixture::writeFile(path, fixture::makeVorbis(options));
    const std::string before = fixture::readFile(path);
    // The fixture really shares: an audio packet ends on the setup header's page.
    auto pages = fixture::pagesOf(before);
    ASSERT_GE(pages.size(), 3u);
    ASSERT_GT(pages[1].granule, 0);

    OGGTag tag = sampleTag();
    tag.Comment = std::string(9000, 'c'); // more header pages than before
    ASSERT_TRUE(WriteOGGTag(path, tag));
    const std::string after = fixture::readFile(path);
    fixture::expectSameAudio(before, after, kSerial);
    fixture::expectContiguousPages(after, kSerial);
    fixture::expectOgginfoClean(path);
    TagLib::Ogg::Vorbis::File file(path.c_str());
    EXPECT_EQ(file.tag()->title().to8Bit(true), "New Title");
}

TEST(OggWrite, UnchangedPageCountCopiesAudioPagesByteForByte) {
    TempDir dir;
    const std::string path = makeFile(dir, "song.ogg", {"TITLE=a much longer old title"});
    const std::string before = fixture::readFile(path);
    OGGTag tag;
    tag.Title = "short";
    ASSERT_TRUE(WriteOGGTag(path, tag));
    auto a = fixture::pagesOf(before);
    auto b = fixture::pagesOf(fixture::readFile(path));
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 2; i < a.size(); ++i)
        EXPECT_EQ(a[i].bytes, b[i].bytes) << "page " << i;
}

TEST(OggWrite, ChainedFileKeepsItsLaterStreams) {
    TempDir dir;
    fixture::VorbisOptions first, second;
    first.comments = {"TITLE=one"};
    second.comments = {"TITLE=two"};
    second.serial = 99;
    const std::string path = dir.file("chain.ogg");
    const std::string before = fixture::makeVorbis(first) + fixture::makeVorbis(second);
    fixture::writeFile(path, before);

    OGGTag tag = sampleTag();
    tag.Comment = std::string(100000, 'x'); // renumbers the first stream's pages
    ASSERT_TRUE(WriteOGGTag(path, tag));
    const std::string after = fixture::readFile(path);
    fixture::expectSameAudio(before, after, kSerial);
    fixture::expectContiguousPages(after, kSerial);
    const std::string secondBytes = fixture::makeVorbis(second);
    EXPECT_EQ(after.substr(after.size() - secondBytes.size()), secondBytes);
    fixture::expectOgginfoClean(path);
}

TEST(OggWrite, MultiplexedFileKeepsTheOtherStream) {
    TempDir dir;
    fixture::VorbisOptions a, b;
    a.comments = {"TITLE=a"};
    b.serial = 77;
    auto pagesA = fixture::pagesOf(fixture::makeVorbis(a));
    auto pagesB = fixture::pagesOf(fixture::makeVorbis(b));
    std::string before = pagesA[0].bytes + pagesB[0].bytes; // both beginnings first
    for (std::size_t i = 1; i < std::max(pagesA.size(), pagesB.size()); ++i) {
        if (i < pagesA.size())
            before += pagesA[i].bytes;
        if (i < pagesB.size())
            before += pagesB[i].bytes;
    }
    const std::string path = dir.file("mux.ogg");
    fixture::writeFile(path, before);

    OGGTag tag = sampleTag();
    tag.Comment = std::string(100000, 'y');
    ASSERT_TRUE(WriteOGGTag(path, tag));
    const std::string after = fixture::readFile(path);
    fixture::expectSameAudio(before, after, kSerial);
    fixture::expectContiguousPages(after, kSerial);
    auto out = fixture::pagesOf(after);
    std::vector<std::string> otherBefore, otherAfter;
    for (const auto& p : pagesB)
        otherBefore.push_back(p.bytes);
    for (const auto& p : out)
        if (p.serial == 77)
            otherAfter.push_back(p.bytes);
    EXPECT_EQ(otherAfter, otherBefore);
    EXPECT_TRUE(out[0].flags & 2);
    EXPECT_TRUE(out[1].flags & 2);
    EXPECT_EQ(fixture::commentsOf(after, kSerial).comments[0], "Title=New Title");
}

TEST(OggWrite, ReadOnlyFileIsReadOnlyAgain) {
    TempDir dir;
    const std::string path = makeFile(dir, "ro.ogg", {"TITLE=x"});
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ASSERT_TRUE(WriteOGGTag(path, sampleTag()));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    OGGTag back;
    ReadOGGTag(path, back);
    EXPECT_EQ(back.Title, "New Title");
}

TEST(OggWrite, SymlinkAndHardLinkSurvive) {
    TempDir dir;
    const std::string real = makeFile(dir, "real.ogg", {"TITLE=x"});
    const std::string link = dir.file("link.ogg");
    const std::string hard = dir.file("hard.ogg");
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    ASSERT_EQ(::link(real.c_str(), hard.c_str()), 0);
    ASSERT_TRUE(WriteOGGTag(link, sampleTag()));
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    OGGTag viaHard;
    ReadOGGTag(hard, viaHard);
    EXPECT_EQ(viaHard.Title, "New Title");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"hard.ogg", "link.ogg", "real.ogg"}));
}

// The names created in a folder while fn runs.
template <typename F> std::vector<std::string> namesCreatedBy(const std::string& folder, F fn) {
    int watch = ::inotify_init1(IN_NONBLOCK);
    ::inotify_add_watch(watch, folder.c_str(), IN_CREATE);
    fn();
    std::vector<std::string> names;
    alignas(inotify_event) char buffer[8192];
    ssize_t n = ::read(watch, buffer, sizeof buffer);
    for (ssize_t at = 0; at < n;) {
        auto* event = reinterpret_cast<inotify_event*>(buffer + at);
        if (event->len > 0)
            names.emplace_back(event->name);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
    ::close(watch);
    return names;
}

TEST(OggWrite, TemporaryFileIsNameDotTemp) {
    const std::pair<const char*, const char*> cases[] = {{"a.ogg", "a.temp"},
                                                         {"two.dots.OGG", "two.dots.temp"},
                                                         {"noextension", "noextension.temp"}};
    for (const auto& [name, temp] : cases) {
        TempDir dir;
        const std::string path = makeFile(dir, name, {"TITLE=x"});
        auto created =
            namesCreatedBy(dir.path(), [&] { ASSERT_TRUE(WriteOGGTag(path, sampleTag())); });
        EXPECT_EQ(created, std::vector<std::string>{temp});
        EXPECT_EQ(dir.names(), std::vector<std::string>{name});
    }
}

TEST(OggWrite, ExistingTempFileIsLeftAlone) {
    TempDir dir;
    const std::string path = makeFile(dir, "a.ogg", {"TITLE=x"});
    fixture::writeFile(dir.file("a.temp"), "someone else's file");
    auto created = namesCreatedBy(dir.path(), [&] { ASSERT_TRUE(WriteOGGTag(path, sampleTag())); });
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0].rfind("a.temp.", 0), 0u) << created[0];
    EXPECT_EQ(fixture::readFile(dir.file("a.temp")), "someone else's file");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.ogg", "a.temp"}));
}

// Drops the capabilities that let root ignore file permissions, for one scope.
class WithoutFileCapabilities {
public:
    WithoutFileCapabilities() {
        header_ = {_LINUX_CAPABILITY_VERSION_3, 0};
        ::syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &=
            ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        ::syscall(SYS_capset, &header_, reduced);
    }
    ~WithoutFileCapabilities() { ::syscall(SYS_capset, &header_, saved_); }

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
};

TEST(OggWriteFailure, FolderNotWritable) {
    TempDir dir;
    const std::string path = makeFile(dir, "song.ogg", {"TITLE=x"});
    const std::string before = fixture::readFile(path);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    {
        WithoutFileCapabilities limited;
        if (::faccessat(AT_FDCWD, dir.path().c_str(), W_OK, AT_EACCESS) == 0) {
            ::chmod(dir.path().c_str(), 0700);
            GTEST_SKIP() << "cannot give up the right to write everywhere here";
        }
        try {
            WriteOGGTag(path, sampleTag());
            ADD_FAILURE() << "no error";
        } catch (const velmora::TagError& e) {
            EXPECT_EQ(
                std::string(e.what()).rfind("Cannot create file \"" + dir.file("song.temp"), 0), 0u)
                << e.what();
        }
    }
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(fixture::readFile(path), before);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"song.ogg"});
}

TEST(OggWriteFailure, DiskFullLeavesTheOriginal) {
    TempDir dir;
    const std::string path = makeFile(dir, "song.ogg", {"TITLE=x"});
    const std::string before = fixture::readFile(path);
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = before.size() / 2; // writes past this fail like a full disk
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        WriteOGGTag(path, sampleTag());
    } catch (const velmora::TagError& e) {
        message = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);
    // The file and the system's reason, not only the library's "cannot write".
    EXPECT_EQ(message, "Cannot write file \"" + path + "\". File too large");
    EXPECT_EQ(fixture::readFile(path), before);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"song.ogg"});
}

// A rename that fails (the file is immutable) is an error with the system's
// reason, never a quiet false.
TEST(OggWriteFailure, FailedRenameSaysWhy) {
    TempDir dir;
    const std::string path = makeFile(dir, "song.ogg", {"TITLE=x"});
    const std::string before = fixture::readFile(path);
    std::string output;
    if (fixture::run("chattr +i '" + path + "' 2>&1", output) != 0)
        GTEST_SKIP() << "cannot make a file immutable here: " << output;
    std::string message;
    try {
        WriteOGGTag(path, sampleTag());
    } catch (const velmora::TagError& e) {
        message = e.what();
    }
    fixture::run("chattr -i '" + path + "'", output);
    EXPECT_EQ(message, "Cannot write file \"" + path + "\". Operation not permitted");
    EXPECT_EQ(fixture::readFile(path), before);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"song.ogg"});
}

TEST(OggWriteFailure, NotVorbisIsRefusedAndUntouched) {
    TempDir dir;
    const std::string bytes = fixture::makeOtherStream();
    const std::string path = dir.file("other.ogg");
    fixture::writeFile(path, bytes);
    try {
        WriteOGGTag(path, sampleTag());
        FAIL() << "no error";
    } catch (const velmora::TagError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open " + path +
                      ": The input holds no Vorbis stream (not an Ogg Vorbis file)");
    }
    EXPECT_EQ(fixture::readFile(path), bytes);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"other.ogg"});
}

TEST(OggWriteFailure, MissingLibraries) {
    TempDir dir;
    const std::string path = makeFile(dir, "song.ogg", {"TITLE=old", "ALBUMARTIST=k"});
    const std::string before = fixture::readFile(path);

    SetOggLibraryDir(dir.path()); // no comment editing library there
    EXPECT_FALSE(WriteOGGTag(path, sampleTag()));
    SetOggLibraryDir("");
    EXPECT_EQ(fixture::readFile(path), before);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"song.ogg"});

    SetVorbisLibraryName("libvorbis-not-here.so.0"); // the old comments stay
    EXPECT_TRUE(WriteOGGTag(path, sampleTag()));
    SetVorbisLibraryName("");
    const std::string after = fixture::readFile(path);
    EXPECT_EQ(fixture::commentsOf(after, kSerial).comments,
              (std::vector<std::string>{"TITLE=old", "ALBUMARTIST=k"}));
    fixture::expectSameAudio(before, after, kSerial);
}

} // namespace
