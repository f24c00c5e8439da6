// velmora-cli as a person's script runs it: a process on files other programs
// made, judged by its exit status, its output and the files on disk.
#include "tests/cli/SampleFiles.h"
#include "tests/common/TestFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace velmora::test {
namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

class CliTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        samples_ = new TempDir;
        ASSERT_TRUE(makeSampleFiles(samples_->path())) << "ffmpeg, mid3v2 or vorbiscomment";
    }
    static void TearDownTestSuite() { delete samples_; }

    // A copy of a sample file in the test's folder.
    std::string copy(const std::string& sample, const std::string& name) {
        const std::string path = dir_.file(name);
        writeFile(path, readFile(samples_->file(sample)));
        return path;
    }

    // Runs velmora-cli with arguments (already quoted for the shell).
    Outcome cli(const std::string& arguments) {
        Outcome o;
        const std::string errFile = errDir_.file("stderr");
        o.status = run("cd " + shellQuote(dir_.path()) + " && " + VELMORA_BIN_DIR +
                           "/velmora-cli " + arguments + " 2>" + shellQuote(errFile),
                       o.out);
        o.err = readFile(errFile);
        return o;
    }

    static TempDir* samples_;
    TempDir dir_, errDir_;
};
TempDir* CliTest::samples_ = nullptr;

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(CliTest, UsageErrorsExitWithTwo) {
    struct Case {
        const char* arguments;
        int status;
        const char* says; // on stderr, or on stdout for help
    } cases[] = {
        {"", 2, "no command given"},
        {"frobnicate a.mp3", 2, "unknown command \"frobnicate\""},
        {"show", 2, "no file given"},
        {"set a.mp3", 2, "at least one field"},
        {"set --bogus x a.mp3", 2, "unknown option --bogus"},
        {"show --title x a.mp3", 2, "unknown option --title"},
        {"set a.mp3 --title", 2, "option --title needs a value"},
        {"set --title a --title b a.mp3", 2, "given twice"},
        {"set --track 4x a.mp3", 2, "--track takes a number"},
        {"rename a.mp3", 2, "--to NAME"},
        {"rename --to b.mp3 a.mp3 c.mp3", 2, "exactly one file"},
        {"rename --to sub/b.mp3 a.mp3", 2, "may not contain \"/\""},
        {"fill a.mp3", 2, "--pattern P"},
        {"fill --pattern '%titel%' a.mp3", 2, "unknown placeholder %titel%"},
        {"fill --pattern '%artist%%title%' a.mp3", 2, "no text between"},
        {"rename --pattern '%title%' --to b.mp3 a.mp3", 2, "not both"},
        {"rename --pattern 'x/%title%' a.mp3", 2, "within its folder"},
        {"rename --to b.mp3 --dry-run a.mp3", 2, "--dry-run goes with --pattern"},
        {"--help", 0, "Usage: velmora-cli COMMAND"},
        {"set --title x --help", 0, "Usage: velmora-cli COMMAND"},
    };
    for (const Case& c : cases) {
        const Outcome o = cli(c.arguments);
        EXPECT_EQ(o.status, c.status) << c.arguments;
        EXPECT_NE((c.status == 0 ? o.out : o.err).find(c.says), std::string::npos)
            << c.arguments << "\n"
            << o.err;
    }
}

TEST_F(CliTest, ShowPrintsEveryFileAsJsonAndNamesTheOneThatFailed) {
    copy("tagged.mp3", "my song.mp3");
    copy("tagged.ogg", "b.ogg");
    copy("tagged.wma", "c.wma");
    copy("tagged.mp3", "caf\xe9.mp3");
    copy("plain.wav", "d.wav");
    const Outcome o = cli("show --json 'my song.mp3' b.ogg c.wma 'caf\xe9.mp3' d.wav gone.ogg");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(lineCount(o.err), 1u) << o.err;
    EXPECT_NE(o.err.find(dir_.file("gone.ogg") + "\". No such file or directory"),
              std::string::npos)
        << o.err;
    // An independent JSON reader: one line per object, the path's bytes in hex.
    writeFile(dir_.file("out.json"), o.out);
    std::string lines;
    run("/usr/bin/python3 -c 'import json, sys, base64\n"
        "for o in json.load(open(sys.argv[1])):\n"
        "    p = base64.b64decode(o[\"path_bytes\"]) if \"path_bytes\" in o else "
        "o[\"path\"].encode()\n"
        "    print(p.hex(), o[\"format\"], \"|\".join(o.get(k, \"-\") for k in (\"title\", "
        "\"artist\", \"album\", \"year\", \"genre\", \"comment\", \"track\")), \"error\" in o)' " +
            shellQuote(dir_.file("out.json")),
        lines);
    auto hex = [](const std::string& text) {
        static const char digits[] = "0123456789abcdef";
        std::string h;
        for (unsigned char c : text)
            h += std::string{digits[c >> 4], digits[c & 15]};
        return h;
    };
    const std::string mp3 = "Sample Title|Sample Artist|Sample Album|2001|Jazz|Sample comment|";
    EXPECT_EQ(lines, hex("my song.mp3") + " MP3 " + mp3 + "3/12 False\n" + hex("b.ogg") +
                         " Ogg Vorbis " + mp3 + "3/12 False\n" + hex("c.wma") + " WMA " + mp3 +
                         " False\n" + hex("caf\xe9.mp3") + " MP3 " + mp3 + "3/12 False\n" +
                         hex("d.wav") + " WAV |||||| False\n" + hex("gone.ogg") +
                         " Ogg Vorbis -|-|-|-|-|-|- True\n");
}

TEST_F(CliTest, ShowPrintsATableForPeople) {
    copy("tagged.mp3", "a.mp3");
    const Outcome o = cli("show a.mp3");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out,
              "FILE   FORMAT  TRACK  TITLE         ARTIST         ALBUM         YEAR  GENRE  "
              "COMMENT\n"
              "a.mp3  MP3     3/12   Sample Title  Sample Artist  Sample Album  2001  Jazz   "
              "Sample comment\n");
}

// One field set in a file another program tagged: that field reads back with
// the new value, every other value as before (mutagen reads both).
TEST_F(CliTest, SetWritesOnlyTheGivenField) {
    struct Case {
        const char* sample;
        const char* option;
        const char* key; // as mutagen names it
        std::vector<std::string> after;
    } cases[] = {
        {"tagged.mp3", "--title 'New Title'", "TIT2", {"New Title"}},
        {"tagged.mp3", "--track 4", "TRCK", {"4/12"}},
        {"tagged.mp3", "--artist ''", "TPE1", {}},
        {"tagged.ogg", "--artist 'New Artist'", "ARTIST", {"New Artist"}},
        {"tagged.ogg", "--track 5/9", "TRACKNUMBER", {"5/9"}},
        {"tagged.wma", "--album 'New Album'", "WM/AlbumTitle", {"ASFUnicodeAttribute:New Album"}},
        {"tagged.wma", "--genre ''", "WM/Genre", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.sample) + " " + c.option);
        const std::string path = copy(c.sample, c.sample);
        const std::vector<std::string> before = tagDump(path);
        const Outcome o = cli(std::string("set ") + c.option + " " + c.sample);
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(o.out, "1 file written, 0 unchanged, 0 failed\n");
        const std::vector<std::string> after = tagDump(path);
        EXPECT_EQ(valuesOf(after, c.key), c.after);
        EXPECT_EQ(withoutKey(after, c.key), withoutKey(before, c.key));
    }
}

TEST_F(CliTest, SetGoesOnPastFailingFilesAndNamesEach) {
    copy("tagged.mp3", "a b.mp3");
    copy("tagged.ogg", "c.ogg");
    copy("plain.wav", "d.wav");
    ::mkdir(dir_.file("folder.mp3").c_str(), 0755);
    const Outcome o = cli("set --album Done 'a b.mp3' gone.mp3 d.wav folder.mp3 c.ogg");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "2 files written, 0 unchanged, 3 failed\n");
    EXPECT_EQ(lineCount(o.err), 3u) << o.err;
    for (const char* named :
         {"gone.mp3\". No such file or directory", "d.wav", "folder.mp3\". Is a directory"})
        EXPECT_NE(o.err.find(named), std::string::npos) << named << "\n" << o.err;
    EXPECT_EQ(valuesOf(tagDump(dir_.file("a b.mp3")), "TALB"), std::vector<std::string>{"Done"});
    EXPECT_EQ(valuesOf(tagDump(dir_.file("c.ogg")), "ALBUM"), std::vector<std::string>{"Done"});
}

TEST_F(CliTest, RenameExitsWithOneWhenRefused) {
    copy("tagged.mp3", "a.mp3");
    copy("tagged.ogg", "taken.ogg");
    Outcome o = cli("rename --to 'new caf\xe9.MP3' a.mp3");
    EXPECT_EQ(o.status, 0) << o.err;
    o = cli("rename --to taken.ogg 'new caf\xe9.MP3'");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("a file of that name already exists"), std::string::npos) << o.err;
    EXPECT_EQ(dir_.names(), (std::vector<std::string>{"new caf\xe9.MP3", "taken.ogg"}));
}

TEST_F(CliTest, FillSetsFieldsFromNamesAndReportsNamesThatDoNotMatch) {
    copy("tagged.mp3", "07 - AC - DC - Song.mp3");
    copy("tagged.ogg", "Just a title.ogg");
    const std::vector<std::string> before = tagDump(dir_.file("07 - AC - DC - Song.mp3"));
    const std::string untouched = readFile(dir_.file("Just a title.ogg"));
    const Outcome o = cli("fill --pattern '%track% - %artist% - %title%' *.mp3 *.ogg");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "1 file written, 0 unchanged, 1 failed\n");
    EXPECT_NE(o.err.find("\"Just a title.ogg\": The name does not match the pattern"),
              std::string::npos)
        << o.err;
    const std::vector<std::string> after = tagDump(dir_.file("07 - AC - DC - Song.mp3"));
    EXPECT_EQ(valuesOf(after, "TRCK"), std::vector<std::string>{"07/12"});
    EXPECT_EQ(valuesOf(after, "TPE1"), std::vector<std::string>{"AC"});
    EXPECT_EQ(valuesOf(after, "TIT2"), std::vector<std::string>{"DC - Song"});
    EXPECT_EQ(withoutKey(withoutKey(withoutKey(after, "TRCK"), "TPE1"), "TIT2"),
              withoutKey(withoutKey(withoutKey(before, "TRCK"), "TPE1"), "TIT2"));
    EXPECT_EQ(readFile(dir_.file("Just a title.ogg")), untouched);
}

TEST_F(CliTest, RenameByPatternPrintsTheNewNamesAndRefusesClashes) {
    copy("tagged.mp3", "caf\xe9 1.mp3");
    copy("tagged.ogg", "two.OGG");
    const char* pattern = "rename --pattern '%track%. %artist%: %title%' ";
    Outcome o = cli(std::string(pattern) + "--dry-run 'caf\xe9 1.mp3' two.OGG");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "caf\xe9 1.mp3 -> 3. Sample Artist Sample Title.mp3\n"
                     "two.OGG -> 3. Sample Artist Sample Title.OGG\n");
    EXPECT_EQ(dir_.names(), (std::vector<std::string>{"caf\xe9 1.mp3", "two.OGG"}));
    // Two files of one name: nothing is renamed.
    copy("tagged.mp3", "three.mp3");
    o = cli(std::string(pattern) + "'caf\xe9 1.mp3' two.OGG three.mp3");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(lineCount(o.err), 2u) << o.err;
    EXPECT_NE(o.err.find("would get the same name"), std::string::npos) << o.err;
    EXPECT_EQ(dir_.names(), (std::vector<std::string>{"caf\xe9 1.mp3", "three.mp3", "two.OGG"}));
    o = cli(std::string(pattern) + "'caf\xe9 1.mp3' two.OGG");
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(dir_.names(),
              (std::vector<std::string>{"3. Sample Artist Sample Title.OGG",
                                        "3. Sample Artist Sample Title.mp3", "three.mp3"}));
}

TEST_F(CliTest, SetWorksOnFiveThousandFiles) {
    const std::string bytes = readFile(samples_->file("tagged.mp3"));
    std::string names;
    for (int i = 0; i < 5000; ++i) {
        const std::string name = "track " + std::to_string(i) + ".mp3";
        writeFile(dir_.file(name), bytes);
        names += " " + shellQuote(name);
    }
    const Outcome o = cli("set --album 'All of them'" + names);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "5000 files written, 0 unchanged, 0 failed\n");
    for (const char* name : {"track 0.mp3", "track 4999.mp3"})
        EXPECT_EQ(valuesOf(tagDump(dir_.file(name)), "TALB"),
                  std::vector<std::string>{"All of them"});
}

// A cover set from an image file, shown, refused when the image is not one,
// and removed; mutagen reads the picture back.
TEST_F(CliTest, SetPutsACoverInAndRemovesIt) {
    copy("tagged.mp3", "a.mp3");
    std::string ignored;
    ASSERT_EQ(run("cd " + shellQuote(dir_.path()) +
                      " && ffmpeg -v error -f lavfi -i testsrc=s=320x240 -frames:v 1 c.jpg"
                      " && ffmpeg -v error -f lavfi -i testsrc=s=8x8 -frames:v 1 c.gif",
                  ignored),
              0);
    const std::string before = readFile(dir_.file("a.mp3"));
    Outcome o = cli("set --cover c.gif a.mp3");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("c.gif\" is neither a JPEG nor a PNG image."), std::string::npos) << o.err;
    EXPECT_TRUE(readFile(dir_.file("a.mp3")) == before);

    EXPECT_EQ(cli("set --cover c.jpg a.mp3").status, 0);
    std::string apic;
    run("/usr/bin/python3 -c 'import sys, mutagen.id3\n"
        "for f in mutagen.id3.ID3(sys.argv[1]).getall(\"APIC\"): print(f.type, f.mime, f.data == "
        "open(sys.argv[2], \"rb\").read())' " +
            shellQuote(dir_.file("a.mp3")) + " " + shellQuote(dir_.file("c.jpg")),
        apic);
    EXPECT_EQ(apic, "PictureType.COVER_FRONT image/jpeg True\n");
    const std::string size = std::to_string(readFile(dir_.file("c.jpg")).size());
    EXPECT_NE(cli("show --json a.mp3")
                  .out.find("\"cover\": {\"mime\": \"image/jpeg\", \"bytes\": " + size +
                            ", \"width\": 320, \"height\": 240}"),
              std::string::npos);

    EXPECT_EQ(cli("set --remove-cover a.mp3").status, 0);
    EXPECT_NE(cli("show --json a.mp3").out.find("\"cover\": null"), std::string::npos);
}

TEST_F(CliTest, ShowNamesAFileWhoseCoverCannotBeRead) {
    copy("tagged.wma", "a.wma");
    std::string ignored;
    ASSERT_EQ(
        run("/usr/bin/python3 -c 'import sys, mutagen.asf as a\n"
            "f = a.ASF(sys.argv[1]); f[\"WM/Picture\"] = [a.ASFByteArrayAttribute(b\"\\x03\")]\n"
            "f.save()' " +
                shellQuote(dir_.file("a.wma")),
            ignored),
        0);
    const Outcome o = cli("show --json a.wma");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("a.wma"), std::string::npos) << o.err;
    EXPECT_NE(o.out.find("\"title\": \"Sample Title\""), std::string::npos) << o.out;
}

} // namespace
} // namespace velmora::test
