// Tags from file names and file names from tags on files other programs made
// (ffmpeg encodes, mid3v2, vorbiscomment and mutagen tag), read back by
// mutagen.
#include "core/NamesFromTags.h"
#include "core/PathParts.h"
#include "core/TagsFromNames.h"
#include "tests/cli/SampleFiles.h"
#include "tests/common/TestFiles.h"

#include <gtest/gtest.h>

namespace velmora::core {
namespace {

using test::TempDir;

class PatternFilesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        libraries_ = new FormatLibraries;
        samples_ = new TempDir;
        ASSERT_TRUE(test::makeSampleFiles(samples_->path())) << "ffmpeg, mid3v2 or vorbiscomment";
    }
    static void TearDownTestSuite() {
        delete samples_;
        delete libraries_;
    }

    std::string copy(const std::string& sample, const std::string& name) {
        const std::string path = dir_.file(name);
        test::writeFile(path, test::readFile(samples_->file(sample)));
        return path;
    }

    static FormatLibraries* libraries_;
    static TempDir* samples_;
    TempDir dir_;
};
FormatLibraries* PatternFilesTest::libraries_ = nullptr;
TempDir* PatternFilesTest::samples_ = nullptr;

// The lines of a tag dump with each key in capitals.
std::vector<std::string> upperKeys(std::vector<std::string> dump) {
    for (std::string& line : dump)
        for (std::size_t i = 0; i < line.size() && line[i] != '\t'; ++i)
            if (line[i] >= 'a' && line[i] <= 'z')
                line[i] = static_cast<char>(line[i] - 'a' + 'A');
    return dump;
}

TEST_F(PatternFilesTest, FillSetsTheMatchingFilesAsOneStepAndWritesOnlyThoseFields) {
    struct Case {
        const char* sample;
        const char* name;
        // mutagen's keys for track, artist, title and what they hold after
        // the write; empty: the name does not match and the file is untouched.
        std::vector<std::string> keys, values;
    } cases[] = {
        {"tagged.mp3",
         "01 - AC - DC - Song.mp3",
         {"TRCK", "TPE1", "TIT2"},
         {"01/12", "AC", "DC - Song"}},
        {"tagged.ogg",
         "02 - B\xc3\xa9 - \xc3\x9cn\xc3\xaf.ogg",
         {"TRACKNUMBER", "ARTIST", "TITLE"},
         {"02/12", "B\xc3\xa9", "\xc3\x9cn\xc3\xaf"}},
        {"tagged.wma",
         "3 - Someone - Name.with.dots.wma",
         {"WM/TrackNumber", "Author", "Title"},
         {"ASFDWordAttribute:3", "ASFUnicodeAttribute:Someone",
          "ASFUnicodeAttribute:Name.with.dots"}},
        {"tagged.mp3", "Just a title.mp3", {}, {}},
        {"tagged.mp3", "04 - Caf\xe9 - Latin-1.mp3", {}, {}},
        {"tagged.ogg", "Intro - A - B.ogg", {}, {}},
    };
    FileList list;
    std::vector<std::string> before;
    for (const Case& c : cases) {
        const std::string path = copy(c.sample, c.name);
        before.push_back(test::readFile(path));
        list.add(path);
    }
    list.add(copy("plain.wav", "05 - A - B.wav"));
    std::vector<RowId> ids;
    for (const Row& row : list.rows())
        ids.push_back(row.id);
    const std::vector<FillPlan> plans =
        fillFromNames(list, ids, parsePattern("%track% - %artist% - %title%"));
    ASSERT_EQ(plans.size(), ids.size());
    EXPECT_NE(plans.back().problem.find("cannot write tags into WAV files"), std::string::npos);

    // One step: undone and redone as a whole.
    EXPECT_EQ(list.undo().size(), 3u);
    EXPECT_EQ(list.pendingCount(), 0u);
    list.redo();
    EXPECT_EQ(list.pendingCount(), 3u);
    for (const WriteResult& result : list.writeAll())
        EXPECT_NE(result.outcome, WriteOutcome::Failed) << result.reason;

    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        EXPECT_EQ(plans[i].matched, !c.keys.empty()) << plans[i].problem;
        const std::string path = dir_.file(c.name);
        if (c.keys.empty()) {
            EXPECT_NE(plans[i].problem.find(c.name), std::string::npos) << plans[i].problem;
            EXPECT_EQ(test::readFile(path), before[i]);
            continue;
        }
        std::vector<std::string> dump = test::tagDump(path);
        std::vector<std::string> sample = test::tagDump(samples_->file(c.sample));
        for (std::size_t k = 0; k < c.keys.size(); ++k) {
            EXPECT_EQ(test::valuesOf(dump, c.keys[k]), std::vector<std::string>{c.values[k]});
            dump = test::withoutKey(dump, c.keys[k]);
            sample = test::withoutKey(sample, c.keys[k]);
        }
        // Keys compared without regard to case: whether a unit keeps the case
        // of the keys it rewrites is its own guarantee, tested with the units.
        EXPECT_EQ(upperKeys(dump), upperKeys(sample)) << "every other value reads back as before";
    }
}

TEST_F(PatternFilesTest, RenameRefusesTheWholeBatchOnAnyProblem) {
    const std::string longTitle = [] {
        std::string t;
        for (int i = 0; i < 200; ++i)
            t += "\xc3\xa9"; // é
        return t;
    }();
    struct File {
        const char* name;
        std::string title; // set in the table, not written
        const char* problem = "";
    };
    struct Case {
        const char* what;
        const char* pattern;
        std::vector<File> files;
        std::vector<std::string> namesAfter;
        bool playFirst = false;
        const char* existing = nullptr; // a further file in the folder
    } cases[] = {
        {"names from tags, cleaned",
         "%artist% - %title%",
         {{"a b.mp3", "Hello\r\n World"}, {"caf\xe9.OGG", "\xc3\x9cn\xc3\xaf: a/b?"}},
         {"Sample Artist - Hello World.mp3", "Sample Artist - \xc3\x9cn\xc3\xaf ab.OGG"}},
        {"a name keeps within 255 bytes",
         "%title%",
         {{"x.mp3", longTitle}},
         {longTitle.substr(0, 250) + ".mp3"}},
        {"a file keeping its name",
         "%title%",
         {{"Same.mp3", "Same"}, {"b.mp3", "Other"}},
         {"Other.mp3", "Same.mp3"}},
        {"two files, one name",
         "%title%",
         {{"a.mp3", "Same", "/b.mp3\" would get the same name"},
          {"b.mp3", "Same", "/a.mp3\" would get the same name"},
          {"c.ogg", "Same"}},
         {"a.mp3", "b.mp3", "c.ogg"}},
        {"a name that exists",
         "%title%",
         {{"a.mp3", "taken", "a file of that name already exists"}, {"b.mp3", "Fine"}},
         {"a.mp3", "b.mp3", "taken.mp3"},
         false,
         "taken.mp3"},
        {"the playing file",
         "%title%",
         {{"a.mp3", "New", "the file is playing"}, {"b.mp3", "Fine"}},
         {"a.mp3", "b.mp3"},
         true},
        {"an empty field",
         "%track% %title%",
         {{"a.mp3", "", "the file has no title"}, {"b.mp3", "Fine"}},
         {"a.mp3", "b.mp3"}},
        {"nothing left after cleaning", "%title%", {{"a.mp3", "???", "no usable name"}}, {"a.mp3"}},
        {"a pattern with a folder",
         "sub/%title%",
         {{"a.mp3", "A", "renamed within its folder"}},
         {"a.mp3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        FileList list;
        std::vector<RowId> ids;
        std::vector<std::string> bytes;
        for (const File& f : c.files) {
            const std::string path = dir.file(f.name);
            const bool ogg = lowerExtension(f.name) == ".ogg";
            bytes.push_back(test::readFile(samples_->file(ogg ? "tagged.ogg" : "tagged.mp3")));
            test::writeFile(path, bytes.back());
            ids.push_back(list.add(path));
            list.setField(std::span(&ids.back(), 1), Field::Title, f.title);
        }
        if (c.existing)
            test::writeFile(dir.file(c.existing), "someone else's");
        const std::vector<RowId> playing(ids.begin(), ids.begin() + (c.playFirst ? 1 : 0));
        const NamePattern pattern = parsePattern(c.pattern);
        const std::vector<RenamePlan> preview = previewRename(list, ids, pattern, playing);
        const std::vector<RenamePlan> done = renameFromTags(list, ids, pattern, playing);
        std::vector<std::string> expected = c.namesAfter;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(dir.names(), expected);
        for (std::size_t i = 0; i < c.files.size(); ++i) {
            EXPECT_EQ(preview[i].newName, done[i].newName);
            EXPECT_NE(done[i].problem.find(c.files[i].problem), std::string::npos)
                << done[i].problem;
            EXPECT_EQ(done[i].problem.empty(), *c.files[i].problem == '\0') << done[i].problem;
            // The row follows its file.
            EXPECT_EQ(list.find(ids[i])->path, done[i].renamed ? done[i].newPath : done[i].oldPath);
            EXPECT_EQ(test::readFile(list.find(ids[i])->path), bytes[i]);
        }
    }
}

} // namespace
} // namespace velmora::core
