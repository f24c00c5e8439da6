// The shared file layer on real files: links, permissions, failures and the
// temporary files of an atomic replace.
#include "base/FileLayer.h"
#include "tests/common/TestFiles.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace velmora;
using namespace velmora::test;

namespace {

const std::string kOld = "old content of the file";
const std::string kNew = "NEW content, somewhat longer than before";

void replaceWith(const std::string& path, const std::string& bytes) {
    ReplaceFile out(path);
    out.write(bytes);
    out.commit();
}

void overwriteStart(const std::string& path, const std::string& bytes) {
    writeInPlace(path, 0, bytes.data(), bytes.size());
}

void overwriteStartNoWait(const std::string& path, const std::string& bytes) {
    writeInPlace(path, 0, bytes.data(), bytes.size(), InPlaceFlush::LeaveToSystem);
}

// The two ways of writing, run over the same cases.
struct Writer {
    const char* name;
    void (*write)(const std::string& path, const std::string& bytes);
    std::string expected; // the file's content after writing kNew over kOld
};

class FileLayerWriters : public ::testing::TestWithParam<Writer> {};

TEST_P(FileLayerWriters, SymlinkIsFollowedAndStaysALink) {
    TempDir dir;
    writeFile(dir.file("target.mp3"), kOld);
    ASSERT_EQ(::symlink("target.mp3", dir.file("link.mp3").c_str()), 0);
    GetParam().write(dir.file("link.mp3"), kNew);
    EXPECT_TRUE(S_ISLNK(lstatOf(dir.file("link.mp3")).st_mode));
    EXPECT_EQ(readFile(dir.file("target.mp3")), GetParam().expected);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"link.mp3", "target.mp3"}));
}

TEST_P(FileLayerWriters, HardLinksStayOneFile) {
    TempDir dir;
    writeFile(dir.file("a.mp3"), kOld);
    ASSERT_EQ(::link(dir.file("a.mp3").c_str(), dir.file("b.mp3").c_str()), 0);
    const ino_t inode = statOf(dir.file("a.mp3")).st_ino;
    GetParam().write(dir.file("a.mp3"), kNew);
    EXPECT_EQ(statOf(dir.file("a.mp3")).st_ino, inode);
    EXPECT_EQ(statOf(dir.file("b.mp3")).st_ino, inode);
    EXPECT_EQ(statOf(dir.file("a.mp3")).st_nlink, 2u);
    EXPECT_EQ(readFile(dir.file("b.mp3")), GetParam().expected);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.mp3", "b.mp3"}));
}

TEST_P(FileLayerWriters, PermissionsComeBackAfterTheWrite) {
    for (mode_t mode : {0444, 0400, 0640, 0755}) {
        TempDir dir;
        writeFile(dir.file("song.mp3"), kOld);
        ASSERT_EQ(::chmod(dir.file("song.mp3").c_str(), mode), 0);
        GetParam().write(dir.file("song.mp3"), kNew);
        EXPECT_EQ(statOf(dir.file("song.mp3")).st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(readFile(dir.file("song.mp3")), GetParam().expected);
    }
}

// Run as the file's unprivileged owner, whom the read-only bit really stops.
TEST_P(FileLayerWriters, ReadOnlyFileOfAnUnprivilegedOwner) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const std::string folder = dir.file("own");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string path = folder + "/song.mp3";
    writeFile(path, kOld);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
    auto write = GetParam().write;
    EXPECT_EQ(runUnprivileged([&] {
                  write(path, kNew);
                  return 0;
              }),
              0);
    EXPECT_EQ(readFile(path), GetParam().expected);
    EXPECT_EQ(statOf(path).st_mode & 07777, 0444u);
}

// Someone else's file, in a folder where we may create and rename files: one
// we may not write is refused and stays as it is; one we may write is written
// and keeps its owner and permissions.
TEST_P(FileLayerWriters, AFileOfAnotherOwner) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs a second user to own the file";
    for (mode_t mode : {0644, 0666}) {
        const bool writable = mode == 0666;
        TempDir dir;
        ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
        const std::string path = dir.file("song.mp3");
        writeFile(path, kOld);
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        auto write = GetParam().write;
        const int result = runUnprivileged([&] {
            try {
                write(path, kNew);
            } catch (const FileError& e) {
                return std::string(e.what()) ==
                               "Cannot open file \"" + path + "\". Permission denied"
                           ? 2
                           : 3;
            }
            return 1;
        });
        EXPECT_EQ(result, writable ? 1 : 2) << std::oct << mode;
        EXPECT_EQ(readFile(path), writable ? GetParam().expected : kOld) << std::oct << mode;
        EXPECT_EQ(statOf(path).st_uid, 0u);
        EXPECT_EQ(statOf(path).st_mode & 07777, mode);
        EXPECT_EQ(dir.names(), std::vector<std::string>{"song.mp3"});
    }
}

TEST_P(FileLayerWriters, MissingFileRaisesTheOpenErrorAndCreatesNothing) {
    TempDir dir;
    try {
        GetParam().write(dir.file("missing.mp3"), kNew);
        FAIL() << "no error raised";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + dir.file("missing.mp3") +
                                             "\". No such file or directory");
        EXPECT_EQ(e.errorCode(), ENOENT);
    }
    EXPECT_TRUE(dir.names().empty());
}

INSTANTIATE_TEST_SUITE_P(All, FileLayerWriters,
                         ::testing::Values(Writer{"Replace", replaceWith, kNew},
                                           Writer{"InPlace", overwriteStart, kNew},
                                           Writer{"InPlaceNoWait", overwriteStartNoWait, kNew}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FileLayer, ReplaceIntoAFolderThatIsNotWritableFailsCleanly) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const std::string folder = dir.file("locked");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string path = folder + "/song.mp3";
    writeFile(path, kOld);
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);

    int result = runUnprivileged([&] {
        try {
            replaceWith(path, kNew);
            return 1; // must not succeed
        } catch (const FileError& e) {
            if (std::string(e.what()).rfind("Cannot create file \"" + folder + "/", 0) != 0)
                return 2;
        }
        // An in-place write needs only the file, not the folder.
        overwriteStart(path, "in place");
        return 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(path), "in place" + kOld.substr(8));
    EXPECT_EQ(statOf(path).st_mode & 07777, 0666u);
    ::chmod(folder.c_str(), 0755);
}

TEST(FileLayer, NoTemporaryFileIsLeftBehind) {
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    writeFile(path, kOld);
    const std::vector<std::string> only{"song.mp3"};

    replaceWith(path, kNew);
    EXPECT_EQ(dir.names(), only) << "after a commit";

    {
        ReplaceFile abandoned(path);
        abandoned.write("half");
    }
    EXPECT_EQ(dir.names(), only) << "after an abandoned replace";
    EXPECT_EQ(readFile(path), kNew);

    {
        ReplaceFile failing(path);
        InputFile in(path);
        EXPECT_THROW(failing.copyFrom(in, 0, in.size() + 1), FileError);
    }
    EXPECT_EQ(dir.names(), only) << "after a failed copy";
    EXPECT_EQ(readFile(path), kNew);

    {
        ReplaceFile discarded(path);
        discarded.write("x");
        discarded.discard();
        EXPECT_EQ(dir.names(), only) << "right after discard";
    }
}

TEST(FileLayer, AnExistingFileWithTheTemporaryNameIsNeverOverwritten) {
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    writeFile(path, kOld);
    for (std::string taken : {std::string("song.temp"), std::string(".song.mp3.velmora")}) {
        writeFile(dir.file(taken), "someone else's file");
        {
            ReplaceFile out(path, taken == "song.temp" ? taken : std::string());
            EXPECT_NE(out.tempPath(), dir.file(taken));
            out.write(kNew);
            out.commit();
        }
        EXPECT_EQ(readFile(dir.file(taken)), "someone else's file");
        EXPECT_EQ(readFile(path), kNew);
        EXPECT_EQ(dir.names().size(), 2u);
        ::unlink(dir.file(taken).c_str());
    }
}

// Only regular files are opened: a named pipe would otherwise wait for a
// writer, and a folder holds no tag.
TEST(FileLayer, OnlyRegularFilesAreOpenedForReading) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.mp3").c_str(), 0644), 0);
    ASSERT_EQ(::mkdir(dir.file("folder.mp3").c_str(), 0755), 0);
    for (const char* name : {"pipe.mp3", "folder.mp3"}) {
        InputFile in;
        EXPECT_FALSE(InputFile::tryOpen(dir.file(name), in)) << name;
        EXPECT_THROW(InputFile{dir.file(name)}, FileError) << name;
    }
}

TEST(FileLayer, CopyFromCarriesTheBytesExactly) {
    TempDir dir;
    const std::string source = randomBytes(3 * 1024 * 1024 + 17, 7);
    writeFile(dir.file("song.mp3"), source);
    InputFile in(dir.file("song.mp3"));
    ReplaceFile out(dir.file("song.mp3"));
    out.write("HEAD");
    out.copyFrom(in, 1000, in.size() - 1000);
    out.commit();
    EXPECT_EQ(readFile(dir.file("song.mp3")), "HEAD" + source.substr(1000));
}

TEST(FileLayer, ReadingChangesNothing) {
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    writeFile(path, kOld);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    const struct stat before = statOf(path);
    std::string content;
    ASSERT_TRUE(readWholeFile(path, content));
    InputFile in(path);
    EXPECT_EQ(in.readRange(4, 7), "content");
    EXPECT_EQ(in.readRange(1000, 7), "");
    const struct stat after = statOf(path);
    EXPECT_EQ(content, kOld);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    InputFile folder;
    EXPECT_FALSE(InputFile::tryOpen(dir.path(), folder));
}

} // namespace
