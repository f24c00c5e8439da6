// Write-all on files other programs made: files made new are put in place as
// one group, and a flush or rename failing for one of them fails that row
// alone, with the reason; its file and its baseline stay as they were.
#include "base/SystemCalls.h"
#include "core/FileList.h"
#include "tags/wma/WMAudioInfo.h"
#include "tests/cli/SampleFiles.h"
#include "tests/common/FailingCall.h"
#include "tests/common/TestFiles.h"

#include <gtest/gtest.h>

namespace velmora::core {
namespace {

using test::TempDir;

// Rows in this order; a title this long grows the MP3 tag, so every file but
// the WMA one (saved by its SDK) is made new under the group.
const char* const kNames[] = {"a.ogg", "b.ogg", "tagged.mp3", "tagged.wma", "c.ogg"};
const char* const kTitleKeys[] = {"TITLE", "TITLE", "TIT2", "Title", "TITLE"};
const std::string kTitle = "Group title " + std::string(3000, 'x');

TEST(WriteAllGroup, AFailedCommitFailsItsRowOnly) {
    WMAudioInfo::Bind(); // as the program does at its start
    const struct Case {
        sys::Call call;
        int nth;
        const char* failing; // the row that fails, or null
    } cases[] = {
        {sys::Call::Fsync, 0, nullptr},       {sys::Call::Fsync, 2, "b.ogg"},
        {sys::Call::Rename, 3, "tagged.mp3"}, {sys::Call::Fsync, 4, "c.ogg"},
        {sys::Call::Rename, 1, "a.ogg"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        ASSERT_TRUE(test::makeSampleFiles(dir.path()));
        for (const char* copy : {"a.ogg", "b.ogg", "c.ogg"})
            test::writeFile(dir.file(copy), test::readFile(dir.file("tagged.ogg")));
        std::vector<std::string> paths;
        std::vector<std::vector<std::string>> before;
        for (const char* name : kNames) {
            paths.push_back(dir.file(name));
            before.push_back(test::tagDump(paths.back()));
        }
        FileList list;
        list.add(paths);
        list.setFieldInAll(Field::Title, kTitle);

        std::vector<WriteResult> results;
        {
            const test::FailingCall failing(c.call, c.nth);
            results = list.writeAll();
        }

        ASSERT_EQ(results.size(), paths.size());
        for (std::size_t i = 0; i < paths.size(); ++i) {
            SCOPED_TRACE(std::string(kNames[i]) + ", failing " + (c.failing ? c.failing : "none"));
            const Row& row = list.at(i);
            const std::vector<std::string> now = test::tagDump(paths[i]);
            if (c.failing && std::string(kNames[i]) == c.failing) {
                EXPECT_EQ(results[i].outcome, WriteOutcome::Failed);
                EXPECT_EQ(results[i].reason,
                          "Cannot write file \"" + paths[i] + "\". Input/output error");
                EXPECT_EQ(row.problem, results[i].reason);
                EXPECT_EQ(row.state, RowState::WriteFailed);
                EXPECT_TRUE(row.hasPendingChanges()) << "the baseline is the file's";
                EXPECT_EQ(now, before[i]);
                continue;
            }
            EXPECT_EQ(results[i].outcome, WriteOutcome::Written) << results[i].reason;
            EXPECT_EQ(row.baseline[Field::Title], kTitle);
            EXPECT_FALSE(row.hasPendingChanges());
            EXPECT_EQ(test::withoutKey(now, kTitleKeys[i]),
                      test::withoutKey(before[i], kTitleKeys[i]));
        }
        EXPECT_EQ(dir.names().size(), std::size(kNames) + 2) << "no temporary file is left";
    }
}

TEST(WriteAllGroup, AFileListedTwiceTakesBothRowsEdits) {
    TempDir dir;
    ASSERT_TRUE(test::makeSampleFiles(dir.path()));
    const std::string path = dir.file("tagged.ogg");
    const std::vector<std::string> before = test::tagDump(path);
    FileList list;
    const std::vector<RowId> ids = list.add({path, path});
    list.setField(std::span(ids).first(1), Field::Title, "First row's title");
    list.setField(std::span(ids).last(1), Field::Album, "Second row's album");

    for (const WriteResult& result : list.writeAll())
        EXPECT_EQ(result.outcome, WriteOutcome::Written) << result.reason;
    const std::vector<std::string> now = test::tagDump(path);
    EXPECT_EQ(test::valuesOf(now, "TITLE"), std::vector<std::string>{"First row's title"});
    EXPECT_EQ(test::valuesOf(now, "ALBUM"), std::vector<std::string>{"Second row's album"});
    EXPECT_EQ(test::withoutKey(test::withoutKey(now, "TITLE"), "ALBUM"),
              test::withoutKey(test::withoutKey(before, "TITLE"), "ALBUM"));
}

// Every writer commits through the group: each file takes the long title
// (which outgrows its tag or padding) and keeps every other value.
TEST(WriteAllGroup, EveryFormatIsWrittenUnderTheGroup) {
    const struct Case {
        const char* name;
        const char* codec;
        const char* titleKey; // as mutagen names it
    } cases[] = {
        {"d.flac", "flac", "TITLE"},
        {"e.opus", "libopus", "TITLE"},
        {"f.m4a", "aac", "\xC2\xA9nam"},
    };
    TempDir dir;
    std::vector<std::string> paths;
    std::vector<std::vector<std::string>> before;
    for (const Case& c : cases) {
        paths.push_back(dir.file(c.name));
        std::string output;
        ASSERT_EQ(test::run("ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=d=0.3 -c:a " +
                                std::string(c.codec) +
                                " -metadata title=T -metadata artist='Sample Artist' "
                                "-metadata album='Sample Album' -metadata comment='Sample comment' "
                                "-metadata date=2001 -metadata genre=Jazz -metadata track=3/12 " +
                                test::shellQuote(paths.back()),
                            output),
                  0);
        before.push_back(test::tagDump(paths.back()));
    }
    FileList list;
    list.add(paths);
    list.setFieldInAll(Field::Title, kTitle);
    const std::vector<WriteResult> results = list.writeAll();
    ASSERT_EQ(results.size(), paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(results[i].outcome, WriteOutcome::Written) << results[i].reason;
        EXPECT_EQ(list.at(i).baseline[Field::Title], kTitle); // read back from the file
        const std::vector<std::string> now = test::tagDump(paths[i]);
        EXPECT_EQ(test::withoutKey(now, cases[i].titleKey),
                  test::withoutKey(before[i], cases[i].titleKey));
    }
    EXPECT_EQ(dir.names().size(), paths.size()) << "no temporary file is left";
}

} // namespace
} // namespace velmora::core
