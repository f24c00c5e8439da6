// The core's cover edits on real files: shared pictures, pending changes,
// reset, and writes after the fields with one result per row.
#include "core/FileList.h"
#include "core/Formats.h"
#include "tests/flac/PeerFiles.h"

#include <gtest/gtest.h>

namespace velmora::test {
namespace {

class CoverCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"a.flac", "b.flac"})
            paths_.push_back(makeFlac(dir_, name, {{"TITLE=Old"}, true, 4096, true}));
        paths_.push_back(makeWav(dir_, 1));
        ids_ = list_.add(paths_);
        std::string error;
        const std::string png = dir_.file("new.png");
        mustRun("ffmpeg -v error -f lavfi -i testsrc=s=64x48 -frames:v 1 " + quote(png));
        picture_ = std::make_shared<const Picture>(*loadCoverFile(png, error));
    }

    TempDir dir_;
    std::vector<std::string> paths_;
    core::FileList list_;
    std::vector<core::RowId> ids_;
    std::shared_ptr<const Picture> picture_;
};

TEST_F(CoverCoreTest, ACoverEditIsPendingUntilWrittenOrReset) {
    const std::string before = readFile(paths_[0]);
    list_.setCover(ids_, picture_);
    // One copy for every row; the WAV row takes no cover.
    EXPECT_EQ(list_.coverOf(ids_[0]).picture, picture_);
    EXPECT_EQ(list_.coverOf(ids_[1]).picture, picture_);
    EXPECT_TRUE(list_.coverOf(ids_[0]).pending);
    EXPECT_EQ(list_.coverOf(ids_[2]).kind, core::CoverView::Unsupported);
    EXPECT_EQ(list_.pendingCount(), 2u);

    EXPECT_TRUE(core::sameCover(list_.coverOf(ids_[0]), list_.coverOf(ids_[1])));
    list_.removeCover({&ids_[1], 1});
    EXPECT_EQ(list_.coverOf(ids_[1]).kind, core::CoverView::None);
    EXPECT_FALSE(core::sameCover(list_.coverOf(ids_[0]), list_.coverOf(ids_[1])));
    list_.reset();
    EXPECT_EQ(list_.pendingCount(), 0u);
    const core::CoverView shown = list_.coverOf(ids_[0]); // the file's own, read now
    ASSERT_EQ(shown.kind, core::CoverView::Shown);
    EXPECT_TRUE(core::sameCover(shown, list_.coverOf(ids_[1]))); // read twice, same bytes
    EXPECT_FALSE(shown.pending);
    EXPECT_EQ(shown.picture->mime, "image/jpeg");
    for (const core::WriteResult& result : list_.writeAll())
        EXPECT_EQ(result.outcome, core::WriteOutcome::Unchanged);
    EXPECT_EQ(readFile(paths_[0]), before);
}

TEST_F(CoverCoreTest, CoverChangesAreUndoneAndRedoneAsOneStepEach) {
    list_.setFieldInAll(Field::Album, "Album");
    list_.setCover(ids_, picture_);
    list_.removeCover({&ids_[1], 1});
    list_.reset({&ids_[0], 1});
    using Kind = core::CoverEdit::Kind;
    auto kinds = [&] {
        return std::pair(list_.find(ids_[0])->cover.kind, list_.find(ids_[1])->cover.kind);
    };
    EXPECT_EQ(kinds(), std::pair(Kind::Keep, Kind::Remove));
    EXPECT_EQ(list_.undo(), std::vector<core::RowId>{ids_[0]}); // the reset
    EXPECT_EQ(kinds(), std::pair(Kind::Set, Kind::Remove));
    EXPECT_EQ(list_.find(ids_[0])->current[Field::Album], "Album");
    list_.undo(); // the removal
    EXPECT_EQ(kinds(), std::pair(Kind::Set, Kind::Set));
    EXPECT_EQ(list_.find(ids_[1])->cover.picture, picture_); // still the one copy
    list_.undo();                                            // the cover
    EXPECT_EQ(kinds(), std::pair(Kind::Keep, Kind::Keep));
    EXPECT_EQ(list_.find(ids_[1])->current[Field::Album], "Album");
    list_.undo(); // the apply-to-all
    EXPECT_EQ(list_.pendingCount(), 0u);
    list_.redo();
    list_.redo();
    EXPECT_EQ(kinds(), std::pair(Kind::Set, Kind::Set));
    EXPECT_EQ(list_.pendingCount(), 2u);
}

TEST_F(CoverCoreTest, WriteAllWritesFieldsThenCoverAndReportsEachRow) {
    list_.setField({&ids_[0], 1}, Field::Title, "New");
    list_.setCover({&ids_[0], 1}, picture_);
    list_.removeCover({&ids_[1], 1});
    ::unlink(paths_[1].c_str()); // the second file goes before the write
    const std::vector<core::WriteResult> results = list_.writeAll();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].outcome, core::WriteOutcome::Written);
    EXPECT_EQ(results[1].outcome, core::WriteOutcome::Failed);
    EXPECT_NE(results[1].reason.find(paths_[1]), std::string::npos) << results[1].reason;
    EXPECT_EQ(results[2].outcome, core::WriteOutcome::Unchanged);

    EXPECT_EQ(list_.find(ids_[0])->baseline[Field::Title], "New");
    EXPECT_FALSE(list_.find(ids_[0])->hasPendingChanges());
    EXPECT_TRUE(list_.find(ids_[1])->hasPendingChanges()); // kept for another try
    const core::CoverView written = list_.coverOf(ids_[0]);
    ASSERT_EQ(written.kind, core::CoverView::Shown);
    EXPECT_FALSE(written.pending);
    EXPECT_TRUE(written.picture->sameAs(*picture_));
    EXPECT_TRUE(flacTestPasses(paths_[0]));
}

// A WMA row, saved through its SDK's own file layer: its fields and its
// cover go in by one write-all under the group, and mutagen finds the new
// front cover after the back cover it put there.
TEST_F(CoverCoreTest, AWmaRowGetsItsFieldsAndCoverInOneWrite) {
    core::FormatLibraries libraries;
    const std::string path = dir_.file("song.wma"), back = dir_.file("back.png");
    mustRun("ffmpeg -v error -i " + quote(makeWav(dir_, 1)) +
            " -c:a wmav2 -metadata title=Old -metadata album=Kept " + quote(path));
    mustRun("ffmpeg -v error -f lavfi -i testsrc=s=32x32 -frames:v 1 " + quote(back));
    const std::string pictures =
        "/usr/bin/python3 " VELMORA_SOURCE_DIR "/tests/covers/pictures.py ";
    mustRun(pictures + "add " + quote(path) + " 4 image/png Back " + quote(back));
    const std::vector<core::RowId> ids = list_.add(std::vector<std::string>{path});
    list_.setField(ids, Field::Title, "New");
    list_.setCover(ids, picture_);

    const std::vector<core::WriteResult> results = list_.writeAll();
    ASSERT_EQ(results.back().outcome, core::WriteOutcome::Written) << results.back().reason;
    auto sha1 = [&](const std::string& bytes) {
        const std::string file = dir_.file("hashed");
        writeFile(file, bytes);
        return mustRun("sha1sum " + quote(file)).substr(0, 40);
    };
    EXPECT_EQ(mustRun(pictures + "list " + quote(path)),
              "4 image/png Back " + sha1(readFile(back)) + "\n3 image/png - " +
                  sha1(*picture_->data) + "\n");
    const core::Row& row = *list_.find(ids[0]);
    EXPECT_EQ(row.baseline[Field::Title], "New");
    EXPECT_EQ(row.baseline[Field::Album], "Kept");
    const core::CoverView written = list_.coverOf(ids[0]);
    ASSERT_EQ(written.kind, core::CoverView::Shown);
    EXPECT_TRUE(written.picture->sameAs(*picture_));
}

} // namespace
} // namespace velmora::test
