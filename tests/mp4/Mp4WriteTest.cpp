// Writing tags into files other programs made and tagged: TagLib reads every
// change, every item and atom not changed survives byte for byte, and the
// decoded audio stays the same.
#include "Mp4Fixture.h"

#include "tags/mp4/Mp4Tags.h"

#include <gtest/gtest.h>

namespace velmora::mp4test {
namespace {

enum class Outcome { InPlace, Rebuilt };

struct WriteCase {
    const char* name;
    Layout layout;
    Tagger tagger;
    std::vector<std::pair<Field, std::string>> edits;
    Outcome outcome;
};

// The item names that store a field (as the mutagen listing names them).
std::optional<Field> fieldOfItem(const std::string& key) {
    const std::pair<const char*, Field> names[] = {{"\xc2\xa9nam#", Field::Title},
                                                   {"\xc2\xa9"
                                                    "ART#",
                                                    Field::Artist},
                                                   {"\xc2\xa9"
                                                    "alb#",
                                                    Field::Album},
                                                   {"\xc2\xa9"
                                                    "day#",
                                                    Field::Year},
                                                   {"\xc2\xa9gen#", Field::Genre},
                                                   {"gnre#", Field::Genre},
                                                   {"\xc2\xa9"
                                                    "cmt#",
                                                    Field::Comment},
                                                   {"trkn#", Field::Track}};
    for (const auto& [prefix, field] : names)
        if (key.rfind(prefix, 0) == 0)
            return field;
    return std::nullopt;
}

class Mp4Write : public ::testing::TestWithParam<WriteCase> {};

TEST_P(Mp4Write, ChangesOnlyTheEditedFields) {
    const WriteCase& c = GetParam();
    const test::TempDir dir;
    const std::string path = dir.file("song.m4a");
    makeSample(path, c.layout, c.tagger);
    const TagValues before = mp4::readTags(path);
    const auto itemsBefore = ilstItems(path);
    const auto atomsBefore = atomsBesideMoov(path);
    const std::string audioBefore = decodedAudioMd5(path);
    const std::size_t sizeBefore = test::readFile(path).size();
    const ino_t inodeBefore = test::statOf(path).st_ino;

    TagValues wanted = before;
    FieldMask changed;
    for (const auto& [field, value] : c.edits) {
        wanted[field] = value;
        changed.set(field);
    }
    mp4::writeTags(path, wanted, changed);

    EXPECT_EQ(mp4::readTags(path), wanted);
    EXPECT_EQ(readWithTagLib(path), wanted);
    const auto itemsAfter = ilstItems(path);
    for (const auto& [key, hash] : itemsBefore) {
        const auto field = fieldOfItem(key);
        if (!field || !changed.has(*field)) {
            EXPECT_EQ(itemsAfter.count(key) ? itemsAfter.at(key) : "gone", hash) << key;
        }
    }
    for (const auto& [key, hash] : itemsAfter) {
        const auto field = fieldOfItem(key);
        EXPECT_TRUE(itemsBefore.count(key) || (field && changed.has(*field))) << "new " << key;
        if (changed.has(Field::Genre)) {
            EXPECT_NE(key, "gnre#1") << "an edited genre is stored as text";
        }
    }
    // Movie fragments after a rebuilt movie atom carry moved offsets; the
    // decoded audio below shows they are right.
    auto atomsAfter = atomsBesideMoov(path);
    auto atomsExpected = atomsBefore;
    if (c.layout == Layout::Fragmented && c.outcome == Outcome::Rebuilt)
        for (auto* atoms : {&atomsAfter, &atomsExpected})
            std::erase_if(*atoms, [](const auto& a) {
                return a.first.ends_with(" moof") || a.first.ends_with(" mfra");
            });
    EXPECT_EQ(atomsAfter, atomsExpected);
    EXPECT_EQ(decodedAudioMd5(path), audioBefore);
    const bool inPlace =
        test::statOf(path).st_ino == inodeBefore && test::readFile(path).size() == sizeBefore;
    EXPECT_EQ(inPlace, c.outcome == Outcome::InPlace);
}

const std::string kLongTitle(3000, 'L');

std::vector<WriteCase> writeCases() {
    using enum Layout;
    using enum Outcome;
    const std::vector<std::pair<Field, std::string>> all = {
        {Field::Title, "New title"}, {Field::Artist, "Other \xc3\xa9 artist"},
        {Field::Album, "Album 2"},   {Field::Year, "1999"},
        {Field::Genre, "Jazz"},      {Field::Comment, "One\r\nTwo"},
        {Field::Track, "7/9"}};
    const std::vector<std::pair<Field, std::string>> title = {
        {Field::Title, "A longer title, still short"}};
    const std::vector<std::pair<Field, std::string>> longTitle = {{Field::Title, kLongTitle}};
    return {
        {"MutagenTitleInPlace", MoovLast, Tagger::Mutagen, title, InPlace},
        {"MutagenAllInPlace", MoovFirst, Tagger::Mutagen, all, InPlace},
        {"TagLibTitleInPlace", MoovFirst, Tagger::TagLib, title, InPlace},
        {"TagLibLongTitleRebuilt", MoovFirst, Tagger::TagLib, longTitle, Rebuilt},
        {"MutagenLongTitleRebuiltMoovLast", MoovLast, Tagger::Mutagen, longTitle, Rebuilt},
        {"FfmpegShorterValuesInPlace", MoovLast, Tagger::Ffmpeg, all, InPlace},
        {"FfmpegLongTitleRebuiltMoovFirst", MoovFirst, Tagger::Ffmpeg, longTitle, Rebuilt},
        {"FfmpegLongTitleRebuiltMoovLast", MoovLast, Tagger::Ffmpeg, longTitle, Rebuilt},
        {"GnreBecomesTextGenre", MoovFirst, Tagger::MutagenGnre, {{Field::Genre, "Jazz"}}, InPlace},
        {"GnreKeptWhenTitleChanges", MoovLast, Tagger::MutagenGnre, title, InPlace},
        {"RemoveCommentAndTrack",
         MoovFirst,
         Tagger::TagLib,
         {{Field::Comment, ""}, {Field::Track, ""}},
         InPlace},
        {"TrackWithoutTotal", MoovLast, Tagger::Ffmpeg, {{Field::Track, "4"}}, InPlace},
        {"UntaggedGetsAllMoovFirst", MoovFirst, Tagger::None, all, Rebuilt},
        {"NoUserDataGetsAll", MoovLast, Tagger::NoUserData, all, Rebuilt},
        {"FragmentedMutagenInPlace", Fragmented, Tagger::Mutagen, all, InPlace},
        {"FragmentedRebuiltWithItsOffsets", Fragmented, Tagger::Ffmpeg, longTitle, Rebuilt},
        {"FragmentedTagLibRebuilt", Fragmented, Tagger::TagLib, longTitle, Rebuilt},
    };
}

INSTANTIATE_TEST_SUITE_P(Peers, Mp4Write, ::testing::ValuesIn(writeCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Mp4WriteMore, ARebuildLeavesRoomForTheNextEditInPlaceAndReportsProgress) {
    const test::TempDir dir;
    const std::string path = dir.file("song.m4a");
    makeSample(path, Layout::MoovFirst, Tagger::Ffmpeg);
    TagValues values = mp4::readTags(path);
    values[Field::Title] = kLongTitle;
    std::uint64_t lastDone = 0, lastTotal = 1;
    mp4::writeTags(
        path, values, FieldMask().set(Field::Title),
        [&](std::uint64_t done, std::uint64_t total) { lastDone = done, lastTotal = total; });
    EXPECT_EQ(lastDone, lastTotal);
    EXPECT_EQ(lastTotal, test::readFile(path).size());

    const ino_t inode = test::statOf(path).st_ino;
    values[Field::Title] = "Second, a little longer";
    mp4::writeTags(path, values, FieldMask().set(Field::Title));
    EXPECT_EQ(test::statOf(path).st_ino, inode);
    EXPECT_EQ(readWithTagLib(path), values);
}

TEST(Mp4WriteMore, AValueThatCannotBeStoredLeavesTheFileAlone) {
    const test::TempDir dir;
    const std::string path = dir.file("song.m4a");
    makeSample(path, Layout::MoovLast, Tagger::Mutagen);
    const std::string before = test::readFile(path);
    for (const char* track : {"three", "3/", "70000", "-1", "3 of 12"}) {
        TagValues values = mp4::readTags(path);
        values[Field::Track] = track;
        try {
            mp4::writeTags(path, values, FieldMask().set(Field::Track));
            ADD_FAILURE() << track << " written";
        } catch (const TagError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
        EXPECT_EQ(test::readFile(path), before) << track;
    }
}

} // namespace
} // namespace velmora::mp4test
