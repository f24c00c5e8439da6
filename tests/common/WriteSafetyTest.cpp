// What the file layer guarantees around a write: other programs' changes are
// not undone, our leftovers are removed and nobody else's, long names work,
// copies cut short are finished, and many files commit as a group.
#include "base/FileLayer.h"
#include "base/ReplaceGroup.h"
#include "base/SystemCalls.h"
#include "tests/common/TestFiles.h"

#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace velmora;
using namespace velmora::test;

namespace {

const std::string kOld = "old content of the file, long enough for a patch";
const std::string kNew = "NEW content, somewhat longer than before it was";

std::string changedMessage(const std::string& path) {
    return "The file \"" + path + "\" was changed by another program while it was being written.";
}

// ---- another program changes the file between our read and our write ----

struct Change {
    const char* name;
    void (*apply)(const std::string& path);
};

const Change kChanges[] = {
    {"Deleted", [](const std::string& path) { ::unlink(path.c_str()); }},
    {"Replaced",
     [](const std::string& path) {
         writeFile(path + ".new", "theirs");
         ::rename((path + ".new").c_str(), path.c_str());
     }},
    {"Appended", [](const std::string& path) { writeFile(path, kOld + "more"); }},
    {"Touched",
     [](const std::string& path) {
         const struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
         ::utimensat(AT_FDCWD, path.c_str(), times, 0);
     }},
};

struct Write {
    const char* name;
    bool linked;
    void (*run)(const InputFile& read);
};

void replaceFrom(const InputFile& read) {
    ReplaceFile out(read);
    out.write(kNew);
    out.commit();
}

const Write kWrites[] = {
    {"Replace", false, replaceFrom},
    {"CopyOverLinked", true, replaceFrom},
    {"InPlace", false, [](const InputFile& read) { writeInPlace(read, 0, "NEW", 3); }},
};

TEST(WriteSafety, AChangeByAnotherProgramIsNotUndone) {
    for (const Write& write : kWrites)
        for (const Change& change : kChanges) {
            SCOPED_TRACE(std::string(write.name) + " " + change.name);
            TempDir dir;
            const std::string path = dir.file("song.mp3");
            writeFile(path, kOld);
            if (write.linked)
                ::link(path.c_str(), dir.file("b.mp3").c_str());
            InputFile read(path);
            change.apply(path);
            const auto names = dir.names();
            const std::string theirs = ::access(path.c_str(), F_OK) == 0 ? readFile(path) : "";
            try {
                write.run(read);
                ADD_FAILURE() << "no error";
            } catch (const FileError& e) {
                EXPECT_EQ(e.what(), changedMessage(path));
            }
            EXPECT_EQ(dir.names(), names) << "nothing added, nothing removed";
            if (!theirs.empty()) {
                EXPECT_EQ(readFile(path), theirs);
            }
        }
}

// ---- leftovers ----

struct Leftover {
    const char* name;
    const char* marker; // the name our marker holds, if any
    bool locked;
    bool removed;
};

TEST(WriteSafety, OnlyOurOwnStaleTemporaryFilesAreRemoved) {
    const Leftover cases[] = {
        {".song.mp3.velmora", ".song.mp3.velmora", false, true}, // marked under its own name
        {"song.temp", "song.temp", false, true},
        {"song.temp", "song.temp", true, false}, // a live writer holds it
        {"song.temp", nullptr, false, false},    // the user's own file
        {"song.temp", "a.temp", false, false},   // ours once, renamed by the user
        {".song.mp3.velmora", nullptr, false, false},
        {"notes.txt", "notes.txt", false, false}, // not our name pattern
        // a journal is finished, never removed as a leftover
        {".song.mp3.velmora-journal", ".song.mp3.velmora-journal", false, false},
    };
    for (const Leftover& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " marked " + (c.marker ? c.marker : "-") +
                     (c.locked ? " locked" : ""));
        TempDir dir;
        const std::string path = dir.file(c.name);
        writeFile(path, "content");
        if (c.marker) {
            ASSERT_EQ(::setxattr(path.c_str(), "user.velmora", c.marker, std::strlen(c.marker), 0),
                      0);
        }
        int lock = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (c.locked)
            ::flock(lock, LOCK_EX);
        EXPECT_EQ(removeStaleTemporaries(dir.path()), c.removed ? 1u : 0u);
        EXPECT_EQ(::access(path.c_str(), F_OK) != 0, c.removed);
        ::close(lock);
    }
}

// A live writer's temporary file, made unnamed first or (where the file
// system cannot) named at once, is marked and locked: no tidy removes it.
TEST(WriteSafety, ALiveTemporaryFileIsMarkedLockedAndKept) {
    for (bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed first" : "named at once");
        TempDir dir;
        writeFile(dir.file("song.mp3"), kOld);
        sys::Hook noUnnamedFiles = [](sys::Call call) {
            static int opens = 0;
            return call == sys::Call::Open && ++opens == 1 ? EOPNOTSUPP : 0;
        };
        sys::setHook(unnamed ? nullptr : noUnnamedFiles);
        ReplaceFile out(dir.file("song.mp3"));
        sys::setHook(nullptr);
        const std::string name = out.tempPath().substr(dir.path().size() + 1);
        char marker[256] = {};
        EXPECT_GT(::getxattr(out.tempPath().c_str(), "user.velmora", marker, sizeof marker), 0);
        EXPECT_EQ(std::string(marker), name);
        EXPECT_EQ(tidyFolder(dir.path()).size(), 0u);
        EXPECT_EQ(removeStaleTemporaries(dir.path()), 0u);
        out.write(kNew);
        out.commit();
        EXPECT_EQ(readFile(dir.file("song.mp3")), kNew);
        EXPECT_EQ(dir.names(), std::vector<std::string>{"song.mp3"});
    }
}

// ---- long names ----

TEST(WriteSafety, NamesNearTheLimitStillWrite) {
    for (std::size_t length : {200u, 245u, 250u, 255u}) {
        for (bool linked : {false, true}) {
            SCOPED_TRACE(std::to_string(length) + (linked ? " linked" : ""));
            TempDir dir;
            const std::string name = std::string(length - 4, 'n') + ".ogg";
            const std::string path = dir.file(name);
            writeFile(path, kOld);
            if (linked)
                ::link(path.c_str(), dir.file("b.ogg").c_str());
            const auto names = dir.names();
            ReplaceFile out(path, std::string(length - 4, 'n') + ".temp");
            out.write(kNew);
            out.commit();
            EXPECT_EQ(readFile(path), kNew);
            EXPECT_EQ(dir.names(), names);
        }
    }
}

// ---- copies cut short ----

// Leaves the journal of a copy over a hard-linked file, cut off by a kill
// after its first step, and returns what the file would have become.
std::string leaveCutCopy(const std::string& path) {
    const std::string next = randomBytes(3 * 1024 * 1024, 9);
    pid_t child = ::fork();
    if (child == 0) {
        sys::setHook([](sys::Call call) {
            static int pwrites = 0;
            if (call == sys::Call::Pwrite && ++pwrites == 2)
                ::_exit(0);
            return 0;
        });
        try {
            ReplaceFile out(path);
            out.write(next);
            out.commit();
        } catch (...) {
        }
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return next;
}

TEST(WriteSafety, ACopyCutShortIsFinishedOrDropped) {
    struct Case {
        const char* name;
        const char* how; // what runs next
        bool replacedMeanwhile;
    };
    const Case cases[] = {{"ByAFolderScan", "tidy", false},
                          {"ByTheNextRead", "read", false},
                          {"ByTheNextWrite", "write", false},
                          {"DroppedWhenTheFileWasReplaced", "tidy", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.file("song.mp3");
        writeFile(path, randomBytes(2 * 1024 * 1024, 8));
        ::chmod(path.c_str(), 0440);
        ::link(path.c_str(), dir.file("b.mp3").c_str());
        const std::string next = leaveCutCopy(path);
        ASSERT_EQ(dir.names().size(), 3u) << "the journal is there";
        mode_t mode = 0440;
        if (c.replacedMeanwhile) {
            writeFile(dir.file("x"), "theirs");
            ::rename(dir.file("x").c_str(), path.c_str());
            mode = statOf(path).st_mode & 07777;
        }
        if (std::string(c.how) == "tidy")
            EXPECT_TRUE(tidyFolder(dir.path()).empty());
        else if (std::string(c.how) == "read")
            InputFile next(path);
        else
            writeInPlace(path, 0, "N", 1);
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"b.mp3", "song.mp3"}));
        const std::string expected = c.replacedMeanwhile             ? "theirs"
                                     : std::string(c.how) == "write" ? "N" + next.substr(1)
                                                                     : next;
        EXPECT_TRUE(readFile(path) == expected);
        EXPECT_EQ(statOf(path).st_mode & 07777, mode);
    }
}

TEST(WriteSafety, AFileNamedLikeAJournalIsNotOurs) {
    TempDir dir;
    writeFile(dir.file("song.mp3"), kOld);
    ::link(dir.file("song.mp3").c_str(), dir.file("b.mp3").c_str());
    writeFile(dir.file(".song.mp3.velmora-journal"), "the user's own notes");
    EXPECT_TRUE(tidyFolder(dir.path()).empty());
    EXPECT_FALSE(recoverPendingWrite(dir.file("song.mp3")));
    EXPECT_THROW(
        {
            ReplaceFile out(dir.file("song.mp3"));
            out.write(kNew);
            out.commit();
        },
        FileError);
    EXPECT_EQ(readFile(dir.file("song.mp3")), kOld);
    EXPECT_EQ(readFile(dir.file(".song.mp3.velmora-journal")), "the user's own notes");
    EXPECT_EQ(dir.names().size(), 3u);
}

// Real kills at random moments of repeated copies over a hard-linked file.
TEST(WriteSafety, SigkillDuringCopiesLeavesAWholeFile) {
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    const std::string a = randomBytes(4 * 1024 * 1024, 11);
    const std::string b = randomBytes(5 * 1024 * 1024, 12);
    writeFile(path, a);
    ::link(path.c_str(), dir.file("b.mp3").c_str());
    for (int round = 0; round < 12; ++round) {
        pid_t child = ::fork();
        if (child == 0) {
            for (int i = 0;; ++i) {
                ReplaceFile out(path);
                out.write(i % 2 ? a : b);
                out.commit();
            }
        }
        ::usleep(static_cast<useconds_t>(10000 + round * 79193 % 190000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        InputFile next(path); // finishes a cut copy
        const std::string now = readFile(path);
        EXPECT_TRUE(now == a || now == b) << "round " << round;
        ReplaceFile tidy(path);
        tidy.write(a);
        tidy.commit();
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"b.mp3", "song.mp3"}));
    }
}

// ---- full disks ----

TEST(WriteSafety, AFullDiskIsFoundBeforeTheCopyStarts) {
    TempDir dir;
    const std::string disk = dir.file("disk");
    ASSERT_EQ(::mkdir(disk.c_str(), 0755), 0);
    if (::mount("velmora-test", disk.c_str(), "tmpfs", 0, "size=512k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount(path.c_str()); }
    } unmount{disk};
    for (bool reserves : {true, false}) { // without reservation the free space is compared
        SCOPED_TRACE(reserves ? "fallocate" : "statvfs");
        const std::string path = disk + "/a.mp3";
        const std::string old = randomBytes(100 * 1024, 3);
        writeFile(path, old);
        ASSERT_EQ(::link(path.c_str(), (disk + "/b.mp3").c_str()), 0);
        writeFile(disk + "/filler", randomBytes(150 * 1024, 5));
        sys::Hook noReservation = [](sys::Call call) {
            return call == sys::Call::Fallocate ? EOPNOTSUPP : 0;
        };
        sys::setHook(reserves ? nullptr : noReservation);
        try {
            ReplaceFile out(path);
            out.write(randomBytes(220 * 1024, 4));
            out.commit();
            ADD_FAILURE() << "no error";
        } catch (const FileError& e) {
            EXPECT_EQ(e.what(), "Cannot write file \"" + path + "\". " + systemErrorText(ENOSPC));
        }
        sys::setHook(nullptr);
        EXPECT_TRUE(readFile(disk + "/b.mp3") == old);
        EXPECT_EQ(namesIn(disk), (std::vector<std::string>{"a.mp3", "b.mp3", "filler"}));
        for (const char* name : {"a.mp3", "b.mp3", "filler"})
            ::unlink((disk + "/" + name).c_str());
    }
}

// ---- groups ----

TEST(WriteSafety, AGroupCommitsEachFileOnItsOwn) {
    TempDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < 6; ++i) {
        const std::string folder = dir.file(i % 2 ? "odd" : "even");
        ::mkdir(folder.c_str(), 0755);
        paths.push_back(folder + "/" + std::to_string(i) + ".ogg");
        writeFile(paths.back(), kOld + std::to_string(i));
    }
    ::link(paths[4].c_str(), dir.file("even/linked.ogg").c_str());
    ReplaceGroup group;
    for (int i = 0; i < 6; ++i) {
        InputFile read(paths[static_cast<std::size_t>(i)]);
        ReplaceFile& out = group.add(read);
        out.write(kNew + std::to_string(i));
        if (i != 5)
            out.finishWriting(); // 5: its writer gave up
    }
    ::unlink(paths[2].c_str()); // another program removes one meanwhile
    group.commit();
    const std::vector<CommitOutcome> outcomes = group.takeOutcomes();
    ASSERT_EQ(outcomes.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(outcomes[static_cast<std::size_t>(i)].path, paths[static_cast<std::size_t>(i)]);
        EXPECT_EQ(bool(outcomes[static_cast<std::size_t>(i)].error), i == 2);
        if (i != 2) {
            EXPECT_EQ(readFile(paths[static_cast<std::size_t>(i)]), kNew + std::to_string(i));
        }
    }
    EXPECT_EQ(readFile(dir.file("even/linked.ogg")), kNew + "4");
    EXPECT_EQ(readFile(paths[5]), kOld + "5");
    EXPECT_EQ(namesIn(dir.file("odd")), (std::vector<std::string>{"1.ogg", "3.ogg", "5.ogg"}));
    EXPECT_EQ(namesIn(dir.file("even")),
              (std::vector<std::string>{"0.ogg", "4.ogg", "linked.ogg"}));
}

TEST(WriteSafety, AFullGroupCommitsBeforeTakingMore) {
    TempDir dir;
    ReplaceGroup group;
    for (std::size_t i = 0; i <= ReplaceGroup::kMaxFiles; ++i) {
        const std::string path = dir.file(std::to_string(i) + ".mp3");
        writeFile(path, kOld);
        ReplaceFile& out = group.add(path);
        out.write(kNew);
        out.finishWriting();
        EXPECT_EQ(group.size(), i == ReplaceGroup::kMaxFiles ? 1u : i + 1);
    }
    EXPECT_EQ(group.takeOutcomes().size(), ReplaceGroup::kMaxFiles);
    group.commit();
    EXPECT_EQ(group.takeOutcomes().size(), 1u);
    EXPECT_EQ(dir.names().size(), ReplaceGroup::kMaxFiles + 1);
}

} // namespace
