// The field interface (readTags / writeTags) on files other programs made and
// tagged: oggenc, ffmpeg, vorbiscomment, python3-mutagen and TagLib, with
// several values of one name, names in any case, COMMENT after DESCRIPTION,
// CR LF values and pictures of 500 KiB and 2 MiB in the comment header. After a
// write every comment not edited keeps its bytes and its place.
#include "OggTestSupport.h"

#include "base/FileLayer.h"
#include "tags/ogg/VorbisTags.h"

#include <gtest/gtest.h>
#include <map>
#include <sys/mount.h>
#include <taglib/flacpicture.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

using fixture::TempDir;
using velmora::Field;
using velmora::FieldMask;
using velmora::TagValues;

namespace {

const std::string kMaker = VELMORA_SOURCE_DIR "/tests/ogg/make_foreign.py";

// TagLib tags a file oggenc made: two artists, its comment (which it stores
// as DESCRIPTION) and a 500 KiB front cover.
void tagWithTagLib(const std::string& path) {
    TagLib::Ogg::Vorbis::File file(path.c_str());
    TagLib::Ogg::XiphComment* tag = file.tag();
    tag->setTitle("Song");
    tag->addField("ARTIST", "Artist A", false);
    tag->addField("ARTIST", "Artist B", false);
    tag->setComment("From TagLib");
    tag->setGenre("Rock");
    auto* cover = new TagLib::FLAC::Picture;
    cover->setType(TagLib::FLAC::Picture::FrontCover);
    cover->setMimeType("image/png");
    const std::string data = velmora::test::randomBytes(500 * 1024, 7);
    cover->setData(TagLib::ByteVector(data.data(), static_cast<unsigned>(data.size())));
    tag->addPicture(cover);
    ASSERT_TRUE(file.save());
}

// The file of a recipe, made once per run.
const std::string& madeBy(const std::string& recipe) {
    static std::map<std::string, std::string> made;
    auto found = made.find(recipe);
    if (found != made.end())
        return found->second;
    TempDir dir;
    const std::string path = dir.file("made.ogg");
    std::string output;
    const bool taglib = recipe == "taglib";
    const int status =
        fixture::run(kMaker + " " + (taglib ? "plain" : recipe) + " " + path + " 2>&1", output);
    EXPECT_EQ(status, 0) << output;
    if (taglib)
        tagWithTagLib(path);
    return made[recipe] = fixture::readFile(path);
}

std::uint32_t serialOf(const std::string& bytes) {
    return fixture::pagesOf(bytes).at(0).serial;
}

std::vector<std::string> commentsOf(const std::string& bytes) {
    return fixture::commentsOf(bytes, serialOf(bytes)).comments;
}

bool sameNameIgnoringCase(const std::string& comment, const std::string& name) {
    if (comment.size() <= name.size() || comment[name.size()] != '=')
        return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(comment[i])) != name[i])
            return false;
    return true;
}

// The names that hold a field.
std::vector<std::string> namesOf(Field field) {
    switch (field) {
    case Field::Title:
        return {"TITLE"};
    case Field::Artist:
        return {"ARTIST"};
    case Field::Album:
        return {"ALBUM"};
    case Field::Year:
        return {"DATE"};
    case Field::Genre:
        return {"GENRE"};
    case Field::Comment:
        return {"COMMENT", "DESCRIPTION"};
    case Field::Track:
        return {"TRACKNUMBER"};
    }
    return {};
}

bool holdsField(const std::string& comment, Field field) {
    for (const std::string& name : namesOf(field))
        if (sameNameIgnoringCase(comment, name))
            return true;
    return false;
}

std::vector<std::string> without(const std::vector<std::string>& comments, Field field) {
    std::vector<std::string> rest;
    for (const std::string& c : comments)
        if (!holdsField(c, field))
            rest.push_back(c);
    return rest;
}

// ---------------------------------------------------------------------------

struct ShownCase {
    const char* recipe;
    TagValues shown;
};

class ForeignRead : public ::testing::TestWithParam<ShownCase> {};

TEST_P(ForeignRead, ShowsTheValues) {
    TempDir dir;
    const std::string path = dir.file("song.ogg");
    fixture::writeFile(path, madeBy(GetParam().recipe));
    EXPECT_EQ(velmora::vorbis::readTags(path).values, GetParam().shown.values);
}

INSTANTIATE_TEST_SUITE_P(
    Ogg, ForeignRead,
    ::testing::Values(
        // Title, Artist, Album, Year, Genre, Comment, Track
        ShownCase{
            "vorbiscomment",
            {{"Song", "Artist B", "lower-case key", "2001", "Rock", "Line 1\r\nLine 2", "3/12"}}},
        ShownCase{"ffmpeg", {{"Song", "Artist", "Album", "1999", "Jazz", "From ffmpeg", "7"}}},
        ShownCase{"picture500k",
                  {{"Song", "Artist B", "", "", "Electro", "Line 1\r\nLine 2\rend", "04"}}},
        ShownCase{"picture2m",
                  {{"Song", "Artist B", "", "", "Electro", "Line 1\r\nLine 2\rend", "04"}}},
        ShownCase{"taglib", {{"Song", "Artist B", "", "", "Rock", "From TagLib", ""}}}),
    [](const auto& info) { return std::string(info.param.recipe); });

// ---------------------------------------------------------------------------

struct EditCase {
    const char* what;
    const char* recipe;
    Field field;
    std::string value; // "" clears the field
};

class ForeignEdit : public ::testing::TestWithParam<EditCase> {};

TEST_P(ForeignEdit, ChangesOnlyTheEditedField) {
    const EditCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.file("song.ogg");
    const std::string before = madeBy(c.recipe);
    fixture::writeFile(path, before);

    TagValues values = velmora::vorbis::readTags(path);
    TagValues expected = values;
    values[c.field] = expected[c.field] = c.value;
    velmora::vorbis::writeTags(path, values, FieldMask().set(c.field));

    const std::string after = fixture::readFile(path);
    const auto old = commentsOf(before);
    const auto now = commentsOf(after);
    // Everything else as it was, in the same order, byte for byte.
    EXPECT_EQ(without(now, c.field), without(old, c.field));
    EXPECT_EQ(fixture::commentsOf(after, serialOf(after)).vendor,
              fixture::commentsOf(before, serialOf(before)).vendor);
    fixture::expectSameAudio(before, after, serialOf(before));
    EXPECT_EQ(velmora::vorbis::readTags(path).values, expected.values);

    // The edited field: one comment at the place of the first it replaces,
    // under that comment's name as stored; none when cleared.
    std::vector<std::size_t> placesNow;
    for (std::size_t i = 0; i < now.size(); ++i)
        if (holdsField(now[i], c.field))
            placesNow.push_back(i);
    std::size_t firstOld = old.size();
    for (const std::string& name : namesOf(c.field)) { // the main name first
        for (std::size_t i = 0; i < old.size() && firstOld == old.size(); ++i)
            if (sameNameIgnoringCase(old[i], name))
                firstOld = i;
        if (firstOld != old.size())
            break;
    }
    if (c.value.empty()) {
        EXPECT_TRUE(placesNow.empty());
    } else if (firstOld == old.size()) {
        EXPECT_EQ(now.back().substr(now.back().find('=') + 1), c.value); // appended
    } else {
        const std::string& stored = old[firstOld];
        const std::string name = stored.substr(0, stored.find('='));
        EXPECT_EQ(now.at(firstOld), name + "=" + c.value);
    }

    // Independent readers take the file as a sound Ogg Vorbis file.
    fixture::expectOgginfoClean(path);
    TagLib::Ogg::Vorbis::File file(path.c_str());
    ASSERT_TRUE(file.isValid());
    EXPECT_EQ(file.tag()->fieldCount(), now.size());
}

INSTANTIATE_TEST_SUITE_P(
    Ogg, ForeignEdit,
    ::testing::Values(
        EditCase{"TitleKeepsTwoArtists", "vorbiscomment", Field::Title, "New title"},
        EditCase{"ArtistsBecomeOne", "vorbiscomment", Field::Artist, "Only one"},
        EditCase{"LowerCaseKeyKept", "vorbiscomment", Field::Album, "New album"},
        EditCase{"CommentAfterDescription", "vorbiscomment", Field::Comment, "New\r\ncomment"},
        EditCase{"ClearedCommentLeavesNoDescription", "vorbiscomment", Field::Comment, ""},
        EditCase{"FfmpegDescriptionIsTheComment", "ffmpeg", Field::Comment, "Edited"},
        EditCase{"FfmpegLowerCaseTitle", "ffmpeg", Field::Title, "Edited"},
        EditCase{"TitleBesidesPicture", "picture500k", Field::Title, "New title"},
        EditCase{"GenreClearedBesidesPicture", "picture500k", Field::Genre, ""},
        EditCase{"NewAlbumAfterLargePicture", "picture2m", Field::Album, "Added"},
        EditCase{"TrackBesidesLargePicture", "picture2m", Field::Track, "5/9"},
        EditCase{"TagLibYearAdded", "taglib", Field::Year, "2024"},
        EditCase{"TagLibArtists", "taglib", Field::Artist, "One"}),
    [](const auto& info) { return std::string(info.param.what); });

// ---------------------------------------------------------------------------

TEST(ForeignWrite, NothingChangedDoesNotOpenTheFile) {
    TempDir dir;
    const std::string path = dir.file("song.ogg");
    fixture::writeFile(path, madeBy("vorbiscomment"));
    ASSERT_EQ(::chmod(path.c_str(), 0), 0); // not even readable
    const struct stat before = velmora::test::statOf(path);
    TagValues values;
    values[Field::Title] = "ignored";
    EXPECT_NO_THROW(velmora::vorbis::writeTags(path, values, FieldMask()));
    EXPECT_NO_THROW(velmora::vorbis::writeTags(dir.file("absent.ogg"), values, FieldMask()));
    const struct stat after = velmora::test::statOf(path);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_atim.tv_nsec, before.st_atim.tv_nsec);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"song.ogg"});
}

// A real full disk: a small file system of its own, where the rewrite with a
// grown comment header does not fit.
TEST(ForeignWrite, FullDiskSaysSoAndKeepsTheFile) {
    TempDir dir;
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) ||
        ::mount("tmpfs", dir.path().c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    const std::string path = dir.file("song.ogg");
    const std::string bytes = madeBy("picture500k");
    fixture::writeFile(path, bytes);
    TagValues values;
    values[Field::Title] = "x";
    std::string message;
    try {
        velmora::vorbis::writeTags(path, values, FieldMask().set(Field::Title));
    } catch (const velmora::TagError& e) {
        message = e.what();
    }
    EXPECT_EQ(message, "Cannot write file \"" + path + "\". No space left on device");
    EXPECT_EQ(fixture::readFile(path), bytes);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"song.ogg"});
    ::umount(dir.path().c_str());
}

TEST(ForeignWrite, NotVorbisNamesTheFile) {
    TempDir dir;
    const std::string path = dir.file("other.ogg");
    fixture::writeFile(path, fixture::makeOtherStream());
    TagValues values;
    values[Field::Title] = "x";
    try {
        velmora::vorbis::writeTags(path, values, FieldMask().set(Field::Title));
        FAIL() << "no error";
    } catch (const velmora::TagError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open " + path +
                      ": The input holds no Vorbis stream (not an Ogg Vorbis file)");
    }
    EXPECT_THROW(velmora::vorbis::readTags(path), velmora::TagError);
}

} // namespace
