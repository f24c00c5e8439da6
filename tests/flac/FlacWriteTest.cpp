// Writing FLAC files made by flac, metaflac and mutagen: the fields written
// read back right in metaflac, mutagen and TagLib; every comment, block and
// picture not changed comes through byte for byte; the audio frames too.
#include "FlacFixture.h"

#include "tags/flac/FlacTags.h"

#include <gtest/gtest.h>
#include <map>
#include <taglib/flacfile.h>
#include <taglib/tpropertymap.h>

namespace velmora::test {
namespace {

enum class Expect { InPlace, Rebuilt };

struct WriteCase {
    const char* name;
    FlacRecipe recipe;
    std::vector<std::pair<Field, std::string>> edits;
    std::vector<std::string> commentsAfter; // as metaflac exports them
    Expect how;
};

// Everything mutagen sees but the comments (and where padding lies); the
// comment block's place and vendor count only where the file had one.
std::vector<std::string> keptParts(const std::vector<std::string>& description, bool hadComments) {
    std::vector<std::string> kept;
    for (const std::string& line : description) {
        const bool ofComments = line == "block 4 comments" || line.rfind("vendor ", 0) == 0;
        if (line.rfind("comment ", 0) != 0 && line != "padding" && (hadComments || !ofComments))
            kept.push_back(line);
    }
    return kept;
}

// The comments as TagLib's property map shows them.
std::map<std::string, std::vector<std::string>> tagLibView(const std::string& path) {
    TagLib::FLAC::File file(path.c_str(), false);
    std::map<std::string, std::vector<std::string>> out;
    for (const auto& [key, values] : file.properties())
        for (const auto& value : values)
            out[key.to8Bit(true)].push_back(value.to8Bit(true));
    return out;
}

std::map<std::string, std::vector<std::string>>
expectedView(const std::vector<std::string>& comments) {
    std::map<std::string, std::vector<std::string>> out;
    for (const std::string& comment : comments) {
        std::string key = comment.substr(0, comment.find('='));
        for (char& c : key)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        out[key].push_back(comment.substr(comment.find('=') + 1));
    }
    return out;
}

class FlacWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(FlacWrite, ChangesOnlyWhatWasEdited) {
    const WriteCase& c = GetParam();
    TempDir dir;
    const std::string path = makeFlac(dir, "song.flac", c.recipe);
    const auto before = describeFlac(path);
    const std::string audio = audioDigest(path);
    const struct stat statBefore = statOf(path);

    TagValues values = flac::readTags(path);
    FieldMask changed;
    for (const auto& [field, value] : c.edits) {
        values[field] = value;
        changed.set(field);
    }
    flac::writeTags(path, values, changed);

    EXPECT_EQ(metaflacTags(path), c.commentsAfter);
    EXPECT_EQ(tagLibView(path), expectedView(c.commentsAfter));
    const bool hadComments = !c.recipe.noCommentBlock;
    EXPECT_EQ(keptParts(describeFlac(path), hadComments), keptParts(before, hadComments));
    EXPECT_EQ(audioDigest(path), audio);
    EXPECT_TRUE(flacTestPasses(path));
    EXPECT_EQ(flac::readTags(path), values);
    const struct stat statAfter = statOf(path);
    EXPECT_EQ(statAfter.st_ino == statBefore.st_ino, c.how == Expect::InPlace);
    if (c.how == Expect::InPlace) {
        EXPECT_EQ(statAfter.st_size, statBefore.st_size);
    }
    for (const std::string& name : dir.names()) {
        EXPECT_TRUE(name == "song.flac" || name == "cover.jpg") << name << " is left";
    }
}

FlacRecipe withExtras() {
    FlacRecipe r;
    r.comments = {"TITLE=Song",   "ARTIST=One",       "ARTIST=Two",
                  "album=Record", "TRACKNUMBER=4/12", "REPLAYGAIN_TRACK_GAIN=-3.10 dB"};
    r.picture = true;
    r.cueSheet = true;
    r.application = true;
    r.id3 = true;
    return r;
}

FlacRecipe plain(int padding) {
    FlacRecipe r;
    r.comments = {"TITLE=Song", "ARTIST=One", "ARTIST=Two", "album=Record"};
    r.padding = padding;
    return r;
}

FlacRecipe commentsLast() {
    FlacRecipe r = withExtras();
    r.commentsLast = true;
    r.id3 = false;
    return r;
}

FlacRecipe noCommentBlock() {
    FlacRecipe r;
    r.noCommentBlock = true;
    return r;
}

const std::string kLong(20000, 'x');

INSTANTIATE_TEST_SUITE_P(
    Flac, FlacWrite,
    ::testing::Values(
        WriteCase{"TitleInPadding",
                  plain(4096),
                  {{Field::Title, "New title"}},
                  {"TITLE=New title", "ARTIST=One", "ARTIST=Two", "album=Record"},
                  Expect::InPlace},
        WriteCase{"MultiValuedArtistReplacedAtItsPlace",
                  plain(4096),
                  {{Field::Artist, "Solo"}, {Field::Album, "Другой альбом"}},
                  {"TITLE=Song", "ARTIST=Solo", "album=Другой альбом"},
                  Expect::InPlace},
        WriteCase{"FieldRemovedAndAdded",
                  plain(4096),
                  {{Field::Title, ""}, {Field::Year, "2024"}},
                  {"ARTIST=One", "ARTIST=Two", "album=Record", "Date=2024"},
                  Expect::InPlace},
        WriteCase{"ExactFitWithoutPadding",
                  plain(-1),
                  {{Field::Title, "Snog"}},
                  {"TITLE=Snog", "ARTIST=One", "ARTIST=Two", "album=Record"},
                  Expect::InPlace},
        WriteCase{"GrowsWithoutPadding",
                  plain(-1),
                  {{Field::Title, "A longer title"}},
                  {"TITLE=A longer title", "ARTIST=One", "ARTIST=Two", "album=Record"},
                  Expect::Rebuilt},
        WriteCase{"GrowsPastPadding",
                  plain(4096),
                  {{Field::Comment, kLong}},
                  {"TITLE=Song", "ARTIST=One", "ARTIST=Two", "album=Record", "Comment=" + kLong},
                  Expect::Rebuilt},
        WriteCase{"PictureCueSheetApplicationAndId3Kept",
                  withExtras(),
                  {{Field::Genre, "Jazz"}, {Field::Track, "5/12"}},
                  {"TITLE=Song", "ARTIST=One", "ARTIST=Two", "album=Record", "TRACKNUMBER=5/12",
                   "REPLAYGAIN_TRACK_GAIN=-3.10 dB", "Genre=Jazz"},
                  Expect::Rebuilt}, // metaflac put the picture between comments and padding
        WriteCase{"CommentsLastBlockGrow",
                  commentsLast(),
                  {{Field::Title, "Another song"}},
                  {"TITLE=Another song", "ARTIST=One", "ARTIST=Two", "album=Record",
                   "TRACKNUMBER=4/12", "REPLAYGAIN_TRACK_GAIN=-3.10 dB"},
                  Expect::Rebuilt},
        WriteCase{"NoCommentBlockUsesPadding",
                  noCommentBlock(),
                  {{Field::Title, "First"}},
                  {"Title=First"},
                  Expect::InPlace}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

// After a rebuild the comments have padding after them: the next edit is one write.
TEST(FlacWriteTwice, RebuildLeavesRoomForTheNextEdit) {
    TempDir dir;
    const std::string path = makeFlac(dir, "song.flac", plain(-1));
    TagValues values = flac::readTags(path);
    values[Field::Title] = "A longer title";
    flac::writeTags(path, values, FieldMask().set(Field::Title));
    const ino_t rebuilt = statOf(path).st_ino;
    values[Field::Title] = "A much, much longer title than before";
    flac::writeTags(path, values, FieldMask().set(Field::Title));
    EXPECT_EQ(statOf(path).st_ino, rebuilt);
    EXPECT_EQ(flac::readTags(path), values);
    EXPECT_TRUE(flacTestPasses(path));
}

// A value removed in place does not linger in the padding.
TEST(FlacWriteTwice, RemovedValueLeavesNoTrace) {
    TempDir dir;
    FlacRecipe recipe = plain(4096);
    recipe.comments.push_back("COMMENT=secret-remark-42");
    const std::string path = makeFlac(dir, "song.flac", recipe);
    TagValues values = flac::readTags(path);
    values[Field::Comment] = "";
    flac::writeTags(path, values, FieldMask().set(Field::Comment));
    EXPECT_EQ(readFile(path).find("secret-remark-42"), std::string::npos);
}

TEST(FlacRead, LeadingId3TagIsSkippedAndValuesReadAsStored) {
    TempDir dir;
    const std::string path = makeFlac(dir, "song.flac", withExtras());
    const std::string bytes = readFile(path);
    TagValues expected;
    expected[Field::Title] = "Song";
    expected[Field::Artist] = "Two"; // the last of several
    expected[Field::Album] = "Record";
    expected[Field::Track] = "4/12";
    EXPECT_EQ(flac::readTags(path), expected);
    EXPECT_EQ(readFile(path), bytes);
}

} // namespace
} // namespace velmora::test
