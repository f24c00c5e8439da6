// The core on the file system: the table of formats, renaming and scanning
// folders.
#include "core/FileList.h"
#include "core/FolderScan.h"
#include "core/Formats.h"
#include "tests/common/TestFiles.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace velmora::core {
namespace {

using test::TempDir;

TEST(Formats, ExtensionChoosesTheFormat) {
    struct Case {
        const char* path;
        const char* format; // null: unknown
        bool tagReader;
    } cases[] = {
        {"/m/a.mp3", "MP3", true}, {"/m/A.MP3", "MP3", true},        {"b.Ogg", "Ogg Vorbis", true},
        {"c.wma", "WMA", true},    {"d.wav", "WAV", false},          {"e.txt", nullptr, false},
        {"mp3", nullptr, false},   {"/m/dir.mp3/f", nullptr, false}, {"f.mp3.bak", nullptr, false},
        {"/m/.mp3", "MP3", true},
    };
    for (const Case& c : cases) {
        const Format* format = formatOf(c.path);
        EXPECT_EQ(format ? format->name : "", c.format ? c.format : "") << c.path;
        EXPECT_EQ(hasTagReader(c.path), c.tagReader) << c.path;
    }
}

class CoreFilesTest : public ::testing::Test {
protected:
    TempDir dir_;
};

TEST_F(CoreFilesTest, RenamesWithinTheFolderNeverOverAnotherFile) {
    struct Case {
        const char* name;
        bool renamed;
        const char* reason; // a part of it
    } cases[] = {
        {"new name.mp3", true, ""},
        {"caf\xe9 \x01.mp3", true, ""},
        {"song.mp3", true, ""}, // its own name
        {"other.mp3", false, "a file of that name already exists"},
        {"sub/x.mp3", false, "\"/\""},
        {"", false, "not a file name"},
        {"..", false, "not a file name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string song = test::randomBytes(4000, 7);
        test::writeFile(dir.file("song.mp3"), song);
        test::writeFile(dir.file("other.mp3"), "other");
        FileList list;
        const RowId id = list.add(dir.file("song.mp3"));
        const std::string reason = list.rename(id, c.name);
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
        EXPECT_EQ(reason.empty(), c.renamed);
        const std::string path = c.renamed ? dir.file(c.name) : dir.file("song.mp3");
        EXPECT_EQ(list.find(id)->path, path);
        EXPECT_EQ(test::readFile(path), song);
        EXPECT_EQ(test::readFile(dir.file("other.mp3")), "other");
        EXPECT_EQ(dir.names().size(), 2u);
    }
}

TEST_F(CoreFilesTest, ScanTakesTheAudioFilesOfOneFolder) {
    for (const char* name : {"a.mp3", "b.wav", "c.OGG", "d.txt", "e.wma", "mp3"})
        test::writeFile(dir_.file(name), "x");
    ::mkdir(dir_.file("sub").c_str(), 0755);
    test::writeFile(dir_.file("sub/f.mp3"), "x");
    FolderScan scan = scanFolder(dir_.path());
    std::sort(scan.paths.begin(), scan.paths.end());
    EXPECT_EQ(scan.paths, (std::vector<std::string>{dir_.file("a.mp3"), dir_.file("c.OGG"),
                                                    dir_.file("e.wma")}));
    EXPECT_EQ(scan.error, "");
    // A trailing '/' does not double.
    EXPECT_EQ(scanFolder(dir_.path() + "/sub/").paths,
              std::vector<std::string>{dir_.file("sub/f.mp3")});
    const FolderScan missing = scanFolder(dir_.file("none"));
    EXPECT_TRUE(missing.paths.empty());
    EXPECT_NE(missing.error.find("No such file or directory"), std::string::npos);
}

} // namespace
} // namespace velmora::core
