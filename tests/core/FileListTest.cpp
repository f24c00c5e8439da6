// The list's operations against a recording format, so each check sees exactly
// which rows and fields reach a writer.
#include "core/FileList.h"
#include "tests/common/TestFiles.h"

#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

namespace velmora::core {
namespace {

using test::TempDir;

// What the recording format holds and was asked to do.
struct Store {
    std::map<std::string, TagValues> tags; // a path missing here reads as damaged
    std::set<std::string> failing;         // writes to these fail
    struct Write {
        std::string path;
        TagValues values;
        FieldMask changed;
    };
    std::vector<Write> writes;
};
Store store;

TagValues recordingRead(const std::string& path) {
    const auto it = store.tags.find(path);
    if (it == store.tags.end())
        throw TagError("The tag of \"" + path + "\" is damaged.");
    return it->second;
}

void recordingWrite(const std::string& path, const TagValues& values, FieldMask changed) {
    if (store.failing.count(path))
        throw TagError("Cannot write file \"" + path + "\". No space left on device");
    store.writes.push_back({path, values, changed});
    for (int i = 0; i < FieldCount; ++i)
        if (changed.has(static_cast<Field>(i)))
            store.tags[path].values[i] = values.values[i];
}

constexpr Format recordingFormats[] = {
    {"Recorded", ".rec", recordingRead, recordingWrite},
    {"Plain", ".plain", nullptr, nullptr},
};

TagValues stored(const std::string& title, const std::string& track) {
    TagValues v;
    v[Field::Title] = title;
    v[Field::Artist] = "Artist";
    v[Field::Track] = track;
    return v;
}

FieldMask maskOf(std::initializer_list<Field> fields) {
    FieldMask mask;
    for (Field f : fields)
        mask.set(f);
    return mask;
}

class FileListTest : public ::testing::Test {
protected:
    void SetUp() override { store = {}; }

    // An existing file whose recording tag holds values.
    std::string file(const std::string& name, const TagValues& values = stored("T", "3/12")) {
        const std::string path = dir_.file(name);
        test::writeFile(path, "audio");
        if (name.ends_with(".rec"))
            store.tags[path] = values;
        return path;
    }

    TempDir dir_;
    FileList list_{recordingFormats};
};

// One edit of a row stored as title "T", track "3/12", and what a write does.
TEST_F(FileListTest, WriteSendsOnlyTheChangedFieldsOfChangedRows) {
    struct Case {
        const char* name;
        std::vector<std::pair<Field, std::string>> edits;
        WriteOutcome outcome;
        FieldMask changed;
        std::string title, track; // what the writer receives
    } cases[] = {
        {"no edit", {}, WriteOutcome::Unchanged, {}, "", ""},
        {"title",
         {{Field::Title, "New"}},
         WriteOutcome::Written,
         maskOf({Field::Title}),
         "New",
         "3/12"},
        {"title emptied",
         {{Field::Title, ""}},
         WriteOutcome::Written,
         maskOf({Field::Title}),
         "",
         "3/12"},
        {"edited back",
         {{Field::Title, "X"}, {Field::Title, "T"}},
         WriteOutcome::Unchanged,
         {},
         "",
         ""},
        {"track number",
         {{Field::Track, "4"}},
         WriteOutcome::Written,
         maskOf({Field::Track}),
         "T",
         "4/12"},
        {"track with total",
         {{Field::Track, "4/10"}},
         WriteOutcome::Written,
         maskOf({Field::Track}),
         "T",
         "4/10"},
        {"same track number", {{Field::Track, "3"}}, WriteOutcome::Unchanged, {}, "", ""},
        {"two fields",
         {{Field::Artist, "B"}, {Field::Track, "5"}},
         WriteOutcome::Written,
         maskOf({Field::Artist, Field::Track}),
         "T",
         "5/12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store = {};
        FileList list(recordingFormats);
        const std::vector<RowId> ids = list.add({file("a.rec"), file("b.rec")});
        for (const auto& [field, value] : c.edits)
            list.setField(std::span(ids).first(1), field, value);
        const std::vector<WriteResult> results = list.writeAll();
        ASSERT_EQ(results.size(), 2u);
        EXPECT_EQ(results[0].outcome, c.outcome);
        EXPECT_EQ(results[1].outcome, WriteOutcome::Unchanged);
        ASSERT_EQ(store.writes.size(), c.outcome == WriteOutcome::Written ? 1u : 0u);
        if (store.writes.empty())
            continue;
        EXPECT_EQ(store.writes[0].path, dir_.file("a.rec"));
        EXPECT_EQ(store.writes[0].changed, c.changed);
        EXPECT_EQ(store.writes[0].values[Field::Title], c.title);
        EXPECT_EQ(store.writes[0].values[Field::Track], c.track);
        // The written values are the new baseline: nothing is left to write.
        EXPECT_EQ(list.at(0).baseline, store.tags[dir_.file("a.rec")]);
        EXPECT_EQ(list.at(0).current, list.at(0).baseline);
        EXPECT_EQ(list.pendingCount(), 0u);
    }
}

TEST_F(FileListTest, WriteAllGoesOnAfterAFailureWithOneResultPerFile) {
    const std::vector<RowId> ids = list_.add({file("a.rec"), file("b.rec"), file("c.rec")});
    store.failing.insert(dir_.file("b.rec"));
    list_.setFieldInAll(Field::Album, "New");
    const std::vector<WriteResult> results = list_.writeAll();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].outcome, WriteOutcome::Written);
    EXPECT_EQ(results[1].outcome, WriteOutcome::Failed);
    EXPECT_EQ(results[2].outcome, WriteOutcome::Written);
    EXPECT_EQ(results[1].path, dir_.file("b.rec"));
    EXPECT_NE(results[1].reason.find(dir_.file("b.rec")), std::string::npos);
    EXPECT_NE(results[1].reason.find("No space left on device"), std::string::npos);
    // The failed row keeps its edit and says why.
    const Row& failed = *list_.find(ids[1]);
    EXPECT_EQ(failed.state, RowState::WriteFailed);
    EXPECT_EQ(failed.current[Field::Album], "New");
    EXPECT_EQ(failed.baseline[Field::Album], "");
    EXPECT_EQ(list_.pendingCount(), 1u);
    // Once the cause is gone, a second write-all writes that row only.
    store.failing.clear();
    store.writes.clear();
    const std::vector<WriteResult> again = list_.writeAll();
    EXPECT_EQ(again[1].outcome, WriteOutcome::Written);
    ASSERT_EQ(store.writes.size(), 1u);
    EXPECT_EQ(list_.find(ids[1])->state, RowState::Read);
}

TEST_F(FileListTest, ResetShowsWhatTheFilesHold) {
    const std::vector<RowId> ids = list_.add({file("a.rec"), file("b.rec")});
    list_.setFieldInAll(Field::Title, "Written");
    list_.writeAll();
    list_.setFieldInAll(Field::Title, "Not written");
    list_.reset(std::span(ids).first(1));
    EXPECT_EQ(list_.at(0).current[Field::Title], "Written");
    EXPECT_EQ(list_.at(1).current[Field::Title], "Not written");
    list_.reset();
    EXPECT_EQ(list_.at(1).current[Field::Title], "Written");
    EXPECT_EQ(list_.pendingCount(), 0u);
}

TEST_F(FileListTest, AddingReadsEachFileAndKeepsTheEditsOfListedRows) {
    const RowId first = list_.add(file("a.rec"));
    list_.setField(std::span(&first, 1), Field::Title, "Edited");
    const std::string damaged = dir_.file("damaged.rec");
    test::writeFile(damaged, "x");
    const std::vector<RowId> ids = list_.add(
        {file("b.rec"), damaged, dir_.file("missing.rec"), file("c.plain"), file("d.txt")});
    EXPECT_EQ(list_.find(first)->current[Field::Title], "Edited");
    ASSERT_EQ(list_.size(), 6u);
    EXPECT_EQ(list_.at(1).current, stored("T", "3/12"));

    struct Expect {
        const char* format; // null: unknown
        RowState state;
        const char* problem; // a part of the reason
    } expected[] = {
        {"Recorded", RowState::ReadFailed, "is damaged"},
        {"Recorded", RowState::ReadFailed, "No such file or directory"},
        {"Plain", RowState::Read, ""},
        {nullptr, RowState::Read, ""},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        const Row& row = *list_.find(ids[i + 1]);
        SCOPED_TRACE(row.path);
        EXPECT_EQ(row.format ? row.format->name : "", expected[i].format ? expected[i].format : "");
        EXPECT_EQ(row.state, expected[i].state);
        EXPECT_NE(row.problem.find(expected[i].problem), std::string::npos) << row.problem;
        if (row.state == RowState::ReadFailed) {
            EXPECT_NE(row.problem.find(row.path), std::string::npos) << row.problem;
        }
        EXPECT_EQ(row.current, TagValues{});
    }
    // Adding a listed file again gives it a row of its own.
    EXPECT_NE(list_.add(file("a.rec")), first);
}

TEST_F(FileListTest, EditsReachTheirRowsOnlyAndSkipFormatsWithoutTags) {
    const std::vector<RowId> ids =
        list_.add({file("a.rec", stored("A", "3/12")), file("w.plain"),
                   file("b.rec", stored("B", "9")), file("c.rec", stored("C", ""))});
    const RowId some[] = {ids[0], ids[2]};
    list_.setField(some, Field::Genre, "Jazz");
    EXPECT_EQ(list_.at(0).current[Field::Genre], "Jazz");
    EXPECT_EQ(list_.at(2).current[Field::Genre], "Jazz");
    EXPECT_EQ(list_.at(3).current[Field::Genre], "");
    list_.setFieldInAll(Field::Year, "1999");
    EXPECT_EQ(list_.at(1).current[Field::Year], "") << "a format without tags holds no values";
    EXPECT_EQ(list_.at(3).current[Field::Year], "1999");
    // Numbered in the order given, each keeping its total.
    const RowId order[] = {ids[3], ids[1], ids[0], ids[2]};
    list_.numberTracks(order);
    EXPECT_EQ(list_.at(3).current[Field::Track], "1");
    EXPECT_EQ(list_.at(1).current[Field::Track], "");
    EXPECT_EQ(list_.at(0).current[Field::Track], "2/12");
    EXPECT_EQ(list_.at(2).current[Field::Track], "3");
    EXPECT_EQ(list_.writeAll()[1].outcome, WriteOutcome::Unchanged);
}

TEST_F(FileListTest, RemovedRowsAreGoneAndIdsAreNeverReused) {
    const std::vector<RowId> ids =
        list_.add({file("a.rec"), file("b.rec"), file("c.rec"), file("d.rec")});
    const RowId gone[] = {ids[3], ids[1], 12345};
    EXPECT_EQ(list_.remove(gone), 2u);
    ASSERT_EQ(list_.size(), 2u);
    EXPECT_EQ(list_.at(0).id, ids[0]);
    EXPECT_EQ(list_.at(1).id, ids[2]);
    EXPECT_EQ(list_.find(ids[1]), nullptr);
    list_.setField(gone, Field::Title, "nobody");
    EXPECT_GT(list_.add(file("e.rec")), ids[3]);
    list_.clear();
    EXPECT_TRUE(list_.empty());
}

// A row read elsewhere joins the list with the next id and its own values,
// and writes like any other.
TEST_F(FileListTest, AppendedRowGetsTheNextIdAndKeepsItsValues) {
    const RowId first = list_.add(file("a.rec"));
    Row row = readRow(file("b.rec", stored("B", "1")), recordingFormats);
    row.id = 999;
    row.current[Field::Title] = "edited";
    const RowId id = list_.append(std::move(row));
    EXPECT_EQ(id, first + 1);
    EXPECT_EQ(list_.find(id)->baseline[Field::Title], "B");
    EXPECT_TRUE(list_.find(id)->hasPendingChanges());
    list_.writeAll();
    EXPECT_EQ(store.tags[dir_.file("b.rec")][Field::Title], "edited");
}

// Undo and redo as the window drives them, on rows a, b, c stored as titles
// "A", "B", "C" with track "3/12". A script's words:
//   type ROWS V1,V2..  a field edit: a step opened, the title of ROWS set to
//                      each value in turn (keystrokes), the step closed
//   open ROWS V        the same without closing;  close  closes it
//   all V  number ROWS  reset  undo  redo  write  remove ROWS
// The table is then each row's title#track ("-" for a removed row).
TEST_F(FileListTest, UndoAndRedoPutBackExactlyWhatEachStepChanged) {
    struct Case {
        const char* name;
        const char* script;
        const char* table;
        std::size_t pending;
        std::size_t writes;
        HistoryLimits limits = {};
    } cases[] = {
        {"typing is one step", "type ab X,Xy,Xyz undo", "A#3/12|B#3/12|C#3/12", 0, 0},
        {"redo", "type ab X,Xyz undo redo", "Xyz#3/12|Xyz#3/12|C#3/12", 2, 0},
        {"steps undone in turn", "type a X all Y undo", "X#3/12|B#3/12|C#3/12", 1, 0},
        {"to the start and past it", "type a X all Y undo undo undo", "A#3/12|B#3/12|C#3/12", 0, 0},
        {"redone in turn", "type a X all Y undo undo redo redo redo", "Y#3/12|Y#3/12|Y#3/12", 3, 0},
        {"a new edit drops the redo side", "type a X undo type b Z redo", "A#3/12|Z#3/12|C#3/12", 1,
         0},
        {"numbering is one step", "number cab", "A#2/12|B#3/12|C#1/12", 2, 0},
        {"numbering undone", "type c Q number cab undo", "A#3/12|B#3/12|Q#3/12", 1, 0},
        {"reset is a step", "all Y reset undo", "Y#3/12|Y#3/12|Y#3/12", 3, 0},
        {"an edit typed back leaves no step", "all Y type a Z,Y undo", "A#3/12|B#3/12|C#3/12", 0,
         0},
        {"undo ends an open step", "open a X undo close redo", "X#3/12|B#3/12|C#3/12", 1, 0},
        {"undo after a write changes the table only", "type a X write undo", "A#3/12|B#3/12|C#3/12",
         1, 1},
        {"the undone value is written back", "type a X write undo write", "A#3/12|B#3/12|C#3/12", 0,
         2},
        {"redo after a write", "type a X write undo redo", "X#3/12|B#3/12|C#3/12", 0, 1},
        {"removed rows leave the steps", "all Y remove b undo", "A#3/12|-|C#3/12", 0, 0},
        {"a step of removed rows only goes", "type b X remove b all Y undo undo redo",
         "Y#3/12|-|Y#3/12", 2, 0},
        {"the oldest steps go",
         "type a X type b X type c X undo undo undo",
         "X#3/12|B#3/12|C#3/12",
         1,
         0,
         {2, 1u << 20}},
        {"the newest step stays whatever its size",
         "type a X all Y undo undo",
         "X#3/12|B#3/12|C#3/12",
         1,
         0,
         {200, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        store = {};
        FileList list(recordingFormats, c.limits);
        const std::vector<RowId> ids =
            list.add({file("a.rec", stored("A", "3/12")), file("b.rec", stored("B", "3/12")),
                      file("c.rec", stored("C", "3/12"))});
        auto rowsOf = [&](const std::string& letters) {
            std::vector<RowId> rows;
            for (char letter : letters)
                rows.push_back(ids[static_cast<std::size_t>(letter - 'a')]);
            return rows;
        };
        std::istringstream script(c.script);
        for (std::string word, rows, values; script >> word;) {
            if (word == "type" || word == "open") {
                script >> rows >> values;
                list.beginStep();
                std::istringstream keys(values);
                for (std::string value; std::getline(keys, value, ',');)
                    list.setField(rowsOf(rows), Field::Title, value);
                if (word == "type")
                    list.endStep();
            } else if (word == "close") {
                list.endStep();
            } else if (word == "all") {
                script >> values;
                list.setFieldInAll(Field::Title, values);
            } else if (word == "number") {
                script >> rows;
                list.numberTracks(rowsOf(rows));
            } else if (word == "remove") {
                script >> rows;
                list.remove(rowsOf(rows));
            } else if (word == "reset") {
                list.reset();
            } else if (word == "undo") {
                list.undo();
            } else if (word == "redo") {
                list.redo();
            } else if (word == "write") {
                list.writeAll();
            } else {
                FAIL() << word;
            }
        }
        std::string table;
        for (RowId id : ids) {
            const Row* row = list.find(id);
            table += (table.empty() ? "" : "|") +
                     (row ? row->current[Field::Title] + "#" + row->current[Field::Track] : "-");
        }
        EXPECT_EQ(table, c.table);
        EXPECT_EQ(list.pendingCount(), c.pending);
        EXPECT_EQ(store.writes.size(), c.writes);
    }
}

TEST_F(FileListTest, UndoNamesTheRowsItChangedAndKeepsStepsSmall) {
    std::vector<std::string> paths;
    for (int i = 0; i < 1000; ++i)
        paths.push_back(file("f" + std::to_string(i) + ".rec"));
    const std::vector<RowId> ids = list_.add(paths);
    const RowId two[] = {ids[7], ids[3]};
    list_.setField(two, Field::Album, "X");
    EXPECT_LT(list_.history().bytes(), 1000u) << "a step keeps only the rows it touched";
    list_.setFieldInAll(Field::Album, "Y");
    EXPECT_EQ(list_.undo().size(), 1000u);
    EXPECT_EQ(list_.undo(), (std::vector<RowId>{ids[3], ids[7]}));
    EXPECT_FALSE(list_.canUndo());
    EXPECT_TRUE(list_.canRedo());
    EXPECT_EQ(list_.redo(), (std::vector<RowId>{ids[3], ids[7]}));
    list_.clear();
    EXPECT_FALSE(list_.canUndo() || list_.canRedo());
    EXPECT_EQ(list_.history().bytes(), 0u);
}

} // namespace
} // namespace velmora::core
