// Every system call a write makes, made to fail or cut off by a kill, on the
// kinds of file a library holds. After each: the file is whole in its old or
// its new content (a copy cut short is finished by the next read), its mode
// and links are as before, and the next write leaves no leftover behind.
#include "base/FileLayer.h"
#include "base/ReplaceGroup.h"
#include "base/SystemCalls.h"
#include "tests/common/TestFiles.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velmora;
using namespace velmora::test;

namespace {

// Larger than the copy's 1 MiB steps, so a kill can fall between two of them.
const std::string kOld = randomBytes(2 * 1024 * 1024, 1);
const std::string kNew = randomBytes(5 * 512 * 1024, 2); // grows: space is reserved
const std::string kOther = randomBytes(2 * 1024 * 1024, 3);
constexpr std::size_t kPatch = 4096;
constexpr std::size_t kChunk = 512 * 1024;
constexpr int kKilled = 99;

// ---- the injection: one hook, its state in globals (the hook is a plain function) ----

struct Injection {
    bool active = false;
    sys::Call call = sys::Call::Open;
    int nth = 0;
    bool kill = false;
    std::string replacePath; // "another program" replaces this at the second call
    int calls = 0;
    int counts[sys::kCallKinds] = {};
};
Injection injection;

int injectedHook(sys::Call call) {
    ++injection.calls;
    if (!injection.replacePath.empty() && injection.calls == 2) {
        writeFile(injection.replacePath + ".other", kOther);
        ::rename((injection.replacePath + ".other").c_str(), injection.replacePath.c_str());
    }
    const int seen = ++injection.counts[static_cast<int>(call)];
    if (injection.active && call == injection.call && seen == injection.nth) {
        if (injection.kill)
            ::_exit(kKilled);
        return EIO;
    }
    return 0;
}

struct HookScope {
    explicit HookScope(const Injection& setup) {
        injection = setup;
        sys::setHook(injectedHook);
    }
    ~HookScope() { sys::setHook(nullptr); }
};

// ---- the writes ----

void writeChunks(ReplaceFile& out) {
    for (std::size_t at = 0; at < kNew.size(); at += kChunk)
        out.write(std::string_view(kNew).substr(at, kChunk));
}

struct Operation {
    const char* name;
    void (*run)(const std::string& path);
    std::string (*result)(const std::string& before);
};

const Operation kOperations[] = {
    {"Replace",
     [](const std::string& path) {
         InputFile in(path);
         ReplaceFile out(in);
         writeChunks(out);
         out.commit();
     },
     [](const std::string&) { return kNew; }},
    {"InPlace",
     [](const std::string& path) {
         InputFile in(path);
         writeInPlace(in, 0, kNew.data(), kPatch);
     },
     [](const std::string& before) { return kNew.substr(0, kPatch) + before.substr(kPatch); }},
    {"Group",
     [](const std::string& path) {
         ReplaceGroup group;
         InputFile in(path);
         ReplaceFile& out = group.add(in);
         writeChunks(out);
         out.finishWriting();
         group.commit();
         group.raiseFirstFailure();
     },
     [](const std::string&) { return kNew; }},
};

// ---- the files ----

struct FileKind {
    const char* name;
    mode_t mode;
    bool linked;
    bool replaced; // by another program while we write
};

const FileKind kKinds[] = {
    {"Plain", 0644, false, false},           {"HardLinked", 0644, true, false},
    {"ReadOnly", 0444, false, false},        {"ReadOnlyHardLinked", 0444, true, false},
    {"ReplacedMidWrite", 0644, false, true},
};

struct Files {
    TempDir dir;
    std::string path = dir.file("song.mp3");
    std::string link = dir.file("other name.mp3");
    explicit Files(const FileKind& kind) {
        writeFile(path, kOld);
        if (kind.linked)
            ::link(path.c_str(), link.c_str());
        ::chmod(path.c_str(), kind.mode);
    }
};

struct Case {
    const Operation* op;
    const FileKind* kind;
    sys::Call call;
    int nth;
    bool kill;
};

std::string describe(const Case& c) {
    return std::string(c.op->name) + " " + c.kind->name + " " + sys::callName(c.call) + " #" +
           std::to_string(c.nth) + (c.kill ? " kill" : " fail");
}

// How often each call is made by an undisturbed write of this kind of file.
std::array<int, sys::kCallKinds> countCalls(const Operation& op, const FileKind& kind) {
    Files files(kind);
    Injection counting;
    counting.replacePath = kind.replaced ? files.path : "";
    {
        HookScope scope(counting);
        try {
            op.run(files.path);
        } catch (const FileError&) {
            // a replaced file is not written
        }
    }
    std::array<int, sys::kCallKinds> counts{};
    std::copy(std::begin(injection.counts), std::end(injection.counts), counts.begin());
    return counts;
}

std::vector<Case> allCases() {
    std::vector<Case> cases;
    for (const Operation& op : kOperations)
        for (const FileKind& kind : kKinds) {
            const auto counts = countCalls(op, kind);
            for (int call = 0; call < sys::kCallKinds; ++call)
                for (int nth = 1; nth <= counts[static_cast<std::size_t>(call)]; ++nth)
                    for (bool kill : {false, true})
                        cases.push_back({&op, &kind, static_cast<sys::Call>(call), nth, kill});
        }
    return cases;
}

// Runs the write with the fault; returns the error text ("" when it went through).
std::string runWithFault(const Case& c, const std::string& path) {
    Injection setup{true, c.call, c.nth, c.kill, c.kind->replaced ? path : "", 0, {}};
    if (c.kill) {
        pid_t child = ::fork();
        if (child == 0) {
            HookScope scope(setup);
            try {
                c.op->run(path);
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status)) << describe(c);
        return "";
    }
    HookScope scope(setup);
    try {
        c.op->run(path);
    } catch (const FileError& e) {
        return e.what();
    }
    return "";
}

TEST(FaultInjection, EveryCallFailingOrKilledLeavesAWholeFile) {
    const std::vector<Case> cases = allCases();
    ASSERT_GT(cases.size(), 100u);
    for (const Case& c : cases) {
        SCOPED_TRACE(describe(c));
        Files files(*c.kind);
        const std::vector<std::string> names = files.dir.names();
        const std::string error = runWithFault(c, files.path);

        if (!error.empty()) { // the file and the system's reason, or the change
            EXPECT_TRUE((error.find(files.dir.path()) != std::string::npos &&
                         error.find(systemErrorText(EIO)) != std::string::npos) ||
                        error.find("was changed by another program") != std::string::npos)
                << error;
        }

        // A copy cut short has its journal; the next read finishes it.
        const std::string written = c.op->result(kOld);
        const std::string cut = readFile(files.path);
        if (cut != kOld && cut != written && cut != kOther) {
            const auto inFolder = files.dir.names();
            EXPECT_TRUE(std::any_of(inFolder.begin(), inFolder.end(), [](const std::string& name) {
                return name.find("velmora-journal") != std::string::npos;
            })) << "a damaged file without its journal";
        }
        { InputFile next(files.path); }
        const std::string now = readFile(files.path);
        if (c.kind->replaced)
            EXPECT_TRUE(now == kOther || now == kOld) << "the other program's file is kept";
        else
            EXPECT_TRUE(now == kOld || now == written) << "neither old nor new";

        // Only a kill inside the open call of a read-only file can leave it writable.
        const bool openWindow = c.kill && c.call == sys::Call::Open && c.kind->mode == 0444;
        const mode_t mode = statOf(files.path).st_mode & 07777;
        if (!openWindow || mode != (c.kind->mode | S_IWUSR)) {
            EXPECT_EQ(mode, c.kind->mode);
        }
        if (c.kind->linked) {
            EXPECT_EQ(statOf(files.link).st_ino, statOf(files.path).st_ino);
            EXPECT_EQ(statOf(files.path).st_nlink, 2u);
        }

        // The next write runs undisturbed and leaves nothing behind.
        c.op->run(files.path);
        EXPECT_TRUE(readFile(files.path) == c.op->result(now));
        EXPECT_EQ(files.dir.names(), names);
    }
}

} // namespace
