// Replacements committed under a GroupCommitScope: nothing changes until the
// group commits, a full group commits at once, and a failing flush or rename
// of one file leaves that file old, with its own error, and the others new.
#include "base/GroupCommitScope.h"
#include "base/SystemCalls.h"
#include "tests/common/FailingCall.h"
#include "tests/common/TestFiles.h"

#include <gtest/gtest.h>

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr std::size_t kFiles = 4;
constexpr std::size_t kSize = 64 * 1024;

std::string oldContent(std::size_t i) {
    return randomBytes(kSize, static_cast<std::uint32_t>(10 + i));
}
std::string newContent(std::size_t i) {
    return randomBytes(kSize + 1000 * i, static_cast<std::uint32_t>(50 + i));
}

class GroupCommitScopeTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (std::size_t i = 0; i < kFiles; ++i) {
            paths_.push_back(dir_.file("song" + std::to_string(i) + ".ogg"));
            writeFile(paths_[i], oldContent(i));
        }
    }
    void TearDown() override { sys::setHook(nullptr); }

    // What a format unit does: build the new content and commit it.
    void writeNew(std::size_t i) {
        ReplaceFile out(paths_[i]);
        out.write(newContent(i));
        out.commit();
    }
    // Which files hold their new content ('n') or their old one ('o').
    std::string versions() const {
        std::string seen;
        for (std::size_t i = 0; i < kFiles; ++i) {
            const std::string now = readFile(paths_[i]);
            seen += now == newContent(i) ? 'n' : now == oldContent(i) ? 'o' : '?';
        }
        return seen;
    }

    TempDir dir_;
    std::vector<std::string> paths_;
};

TEST_F(GroupCommitScopeTest, EachFileFailsOnItsOwnAndStaysOld) {
    const struct Case {
        sys::Call call;
        int nth;
        const char* after; // the versions after the commit
    } cases[] = {
        {sys::Call::Fsync, 0, "nnnn"},  {sys::Call::Fsync, 1, "onnn"}, // the flush pass, in order
        {sys::Call::Fsync, 3, "nnon"},  {sys::Call::Rename, 2, "nonn"},
        {sys::Call::Rename, 4, "nnno"},
    };
    for (const Case& c : cases) {
        SetUp();
        {
            GroupCommitScope scope;
            for (std::size_t i = 0; i < kFiles; ++i)
                writeNew(i);
            EXPECT_EQ(versions(), "oooo") << "nothing is in place before the group commits";
            EXPECT_TRUE(scope.holds(paths_[1]));
            {
                const FailingCall failing(c.call, c.nth);
                scope.commit();
            }
            EXPECT_FALSE(scope.holds(paths_[1]));
            ASSERT_EQ(scope.handedOver(), kFiles);
            for (std::size_t i = 0; i < kFiles; ++i) {
                const GroupedFile& file = scope.file(i);
                const bool failed = c.after[i] == 'o';
                EXPECT_EQ(file.path, paths_[i]);
                EXPECT_EQ(file.state,
                          failed ? GroupedFile::State::Failed : GroupedFile::State::Committed);
                if (!failed)
                    continue;
                try {
                    std::rethrow_exception(file.error);
                } catch (const FileError& e) {
                    EXPECT_EQ(std::string(e.what()),
                              "Cannot write file \"" + paths_[i] + "\". Input/output error");
                }
            }
        }
        EXPECT_EQ(versions(), c.after) << sys::callName(c.call) << " " << c.nth;
        EXPECT_EQ(dir_.names().size(), kFiles) << "no temporary file is left";
        paths_.clear();
    }
}

TEST_F(GroupCommitScopeTest, AFullGroupCommitsAtOnce) {
    const struct Case {
        GroupCommitScope::Limits limits;
        const char* afterEach[kFiles]; // versions after each file is handed over
    } cases[] = {
        {{2, 1 << 30}, {"oooo", "nnoo", "nnoo", "nnnn"}},
        {{1, 1 << 30}, {"nooo", "nnoo", "nnno", "nnnn"}},
        // A file that would take the group over its bytes goes into the next one.
        {{kFiles, 2 * kSize + 1500}, {"oooo", "oooo", "nnoo", "nnno"}},
    };
    for (const Case& c : cases) {
        SetUp();
        {
            GroupCommitScope scope(c.limits);
            for (std::size_t i = 0; i < kFiles; ++i) {
                writeNew(i);
                EXPECT_EQ(versions(), c.afterEach[i]) << "file " << i;
            }
            scope.commit();
        }
        EXPECT_EQ(versions(), "nnnn");
        paths_.clear();
    }
}

TEST_F(GroupCommitScopeTest, AHeldFileIsNotWrittenAgainAndAnUncommittedScopeChangesNothing) {
    {
        GroupCommitScope scope;
        writeNew(0);
        writeNew(1);
        // Built from the old content, either write would lose the held new one.
        EXPECT_THROW(writeNew(0), FileError);
        const std::string patch = "patch";
        EXPECT_THROW(writeInPlace(paths_[1], 0, patch.data(), patch.size()), FileError);
        scope.discardFrom(1);
        EXPECT_EQ(scope.file(1).state, GroupedFile::State::Discarded);
        EXPECT_FALSE(scope.holds(paths_[1]));
        writeNew(2);
    } // ends without commit()
    EXPECT_EQ(versions(), "oooo");
    EXPECT_EQ(dir_.names().size(), kFiles);
    EXPECT_EQ(GroupCommitScope::active(), nullptr);
}

TEST_F(GroupCommitScopeTest, ACommitPreparedElsewhereRunsWithTheGroupAndFailsAlone) {
    GroupCommitScope scope;
    writeNew(0);
    scope.adoptCommit(paths_[1], [this] { writeFile(paths_[1], newContent(1)); });
    scope.adoptCommit(paths_[2], [this] { raiseWriteError(paths_[2], ENOSPC); });
    writeNew(3);
    EXPECT_TRUE(scope.holds(paths_[1]));
    EXPECT_EQ(versions(), "oooo");
    scope.commit();
    EXPECT_EQ(versions(), "nnon");
    EXPECT_EQ(scope.file(1).state, GroupedFile::State::Committed);
    EXPECT_EQ(scope.file(2).state, GroupedFile::State::Failed);
    EXPECT_FALSE(scope.holds(paths_[1]));
}

} // namespace
