// Writing FLAC files made by flac, metaflac and mutagen: see
// expectEditKeepsTheRest; and flac -t still passes, and the edit is done in
// place exactly when the comments and the padding after them make room.
#include "PeerFiles.h"

#include "tags/flac/FlacTags.h"

#include <gtest/gtest.h>

namespace velmora::test {
namespace {

enum class Expect { InPlace, Rebuilt };

struct WriteCase {
    const char* name;
    FlacRecipe recipe;
    Edit edit;
    Expect how;
};

class FlacWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(FlacWrite, ChangesOnlyWhatWasEdited) {
    const WriteCase& c = GetParam();
    TempDir dir;
    const std::string path = makeFlac(dir, "song.flac", c.recipe);
    const struct stat before = statOf(path);
    expectEditKeepsTheRest(path, flac::readTags, flac::writeTags, c.edit);
    EXPECT_TRUE(flacTestPasses(path));
    const struct stat after = statOf(path);
    EXPECT_EQ(after.st_ino == before.st_ino, c.how == Expect::InPlace);
    EXPECT_EQ(after.st_size == before.st_size, c.how == Expect::InPlace);
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

FlacRecipe savedByTagLib() {
    FlacRecipe r = withExtras();
    r.tagLibLast = true;
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
                  {{{Field::Title, "New title"}},
                   {"TITLE=New title", "ARTIST=One", "ARTIST=Two", "album=Record"}},
                  Expect::InPlace},
        WriteCase{"MultiValuedArtistReplacedAtItsPlace",
                  plain(4096),
                  {{{Field::Artist, "Solo"}, {Field::Album, "Другой альбом"}},
                   {"TITLE=Song", "ARTIST=Solo", "album=Другой альбом"}},
                  Expect::InPlace},
        WriteCase{"FieldRemovedAndAdded",
                  plain(4096),
                  {{{Field::Title, ""}, {Field::Year, "2024"}},
                   {"ARTIST=One", "ARTIST=Two", "album=Record", "Date=2024"}},
                  Expect::InPlace},
        WriteCase{
            "ExactFitWithoutPadding",
            plain(-1),
            {{{Field::Title, "Snog"}}, {"TITLE=Snog", "ARTIST=One", "ARTIST=Two", "album=Record"}},
            Expect::InPlace},
        WriteCase{"GrowsWithoutPadding",
                  plain(-1),
                  {{{Field::Title, "A longer title"}},
                   {"TITLE=A longer title", "ARTIST=One", "ARTIST=Two", "album=Record"}},
                  Expect::Rebuilt},
        WriteCase{"GrowsPastPadding",
                  plain(4096),
                  {{{Field::Comment, kLong}},
                   {"TITLE=Song", "ARTIST=One", "ARTIST=Two", "album=Record", "Comment=" + kLong}},
                  Expect::Rebuilt},
        WriteCase{"PictureCueSheetApplicationAndId3Kept",
                  withExtras(),
                  {{{Field::Genre, "Jazz"}, {Field::Track, "5/12"}},
                   {"TITLE=Song", "ARTIST=One", "ARTIST=Two", "album=Record", "TRACKNUMBER=5/12",
                    "REPLAYGAIN_TRACK_GAIN=-3.10 dB", "Genre=Jazz"}},
                  Expect::Rebuilt}, // metaflac put the picture between comments and padding
        WriteCase{"SavedByTagLib",  // TagLib sorts the comments and puts pictures last
                  savedByTagLib(),
                  {{{Field::Title, "After TagLib"}},
                   {"ALBUM=By TagLib", "ARTIST=One", "ARTIST=Two", "REPLAYGAIN_TRACK_GAIN=-3.10 dB",
                    "TITLE=After TagLib", "TRACKNUMBER=4/12"}},
                  Expect::Rebuilt},
        WriteCase{"CommentsLastBlockGrow",
                  commentsLast(),
                  {{{Field::Title, "Another song"}},
                   {"TITLE=Another song", "ARTIST=One", "ARTIST=Two", "album=Record",
                    "TRACKNUMBER=4/12", "REPLAYGAIN_TRACK_GAIN=-3.10 dB"}},
                  Expect::Rebuilt},
        WriteCase{"NoCommentBlockUsesPadding",
                  noCommentBlock(),
                  {{{Field::Title, "First"}}, {"Title=First"}},
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

} // namespace
} // namespace velmora::test
