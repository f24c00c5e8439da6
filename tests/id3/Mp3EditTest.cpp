// writeTags on tags built byte by byte: which frames an edit replaces, where
// they go, when the file is written in place and when it is replaced.
#include "tags/id3/Id3Scan.h"
#include "tags/id3/Id3Tag.h"
#include "tags/id3/Mp3Tags.h"
#include "tests/common/TestFiles.h"
#include "tests/id3/Id3Bytes.h"
#include "tests/id3/ValuesShow.h"

#include <cstdio>
#include <gtest/gtest.h>

using namespace velmora;
using namespace velmora::id3;
using namespace velmora::test;

namespace {

using Frames = std::vector<std::pair<std::string, std::string>>; // id, data

// The version and frames of the tag at the start of bytes.
std::pair<int, Frames> framesOf(const std::string& bytes) {
    MemorySource source(bytes);
    const TagScan scan = scanTag(source, true);
    std::string_view all = scan.plain.empty() ? std::string_view(bytes) : scan.plain;
    Frames out;
    for (const FrameRef& f : scan.frames)
        out.emplace_back(std::string(f.name()),
                         std::string(all.substr(f.offset + f.headerSize, f.dataSize)));
    return {scan.version, out};
}

TagValues only(Field f, const std::string& value) {
    TagValues v;
    v[f] = value;
    return v;
}

FieldMask mask(Field f) {
    return FieldMask().set(f);
}

const std::string kPicture = "\x00image/jpeg\x00\x03\x00"s + randomBytes(100 * 1024, 3);
const std::string kPadding(600, '\0');

struct EditCase {
    const char* name;
    std::string tag;
    Field field;
    std::string value;
    int version;   // of the tag written
    Frames frames; // after the edit, in order
    bool inPlace;
};

// Frame data: ISO-8859-1 text (values separated by zero bytes), a comment.
std::string text(std::string_view value) {
    return '\0' + std::string(value);
}
std::string comment(std::string_view language, std::string_view description,
                    std::string_view value) {
    return '\0' + std::string(language) + std::string(description) + '\0' + std::string(value);
}

std::vector<EditCase> editCases() {
    const std::string a = text("A"), t = text("T"), rock = text("Rock");
    const std::string itunes = comment("eng", "iTunNORM", " 1 2");
    const std::string several = text("A") + '\0' + "B", genres = text("52") + '\0' + "Rock";
    // clang-format off
    return {
        {"TitleTakesItsFramesPlace", tagOf(3, frame23("TPE1", a) + frame23("TIT2", t) + frame23("TALB", text("L")) + kPadding),
         Field::Title, "New", 3, {{"TPE1", a}, {"TIT2", text("New")}, {"TALB", text("L")}}, true},
        {"EditedFieldReplacesAllItsFramesAtTheFirst", tagOf(3, frame23("TPE1", a) + frame23("TIT2", t) + frame23("TPE1", text("B")) + kPadding),
         Field::Artist, "X", 3, {{"TPE1", text("X")}, {"TIT2", t}}, true},
        {"EmptiedFieldRemovesAllItsFrames", tagOf(3, frame23("TPE1", a) + frame23("TIT2", t) + frame23("TPE1", text("B")) + kPadding),
         Field::Artist, "", 3, {{"TIT2", t}}, true},
        {"Version24KeepsSeveralValuesAndGetsUtf8", tagOf(4, frame24("TPE1", several) + frame24("TCON", genres) + kPadding),
         Field::Title, "T\xC3\xAFtle", 4, {{"TPE1", several}, {"TCON", genres}, {"TIT2", "\x03T\xC3\xAFtle"}}, true},
        {"Version24YearIsARecordingTime", tagOf(4, frame24("TDRC", text("2021-03-04T10:20")) + kPadding),
         Field::Year, "2022", 4, {{"TDRC", text("2022")}}, true},
        {"ShownCommentEditedOthersStay", tagOf(3, frame23("COMM", itunes) + frame23("COMM", comment("deu", "", "Deutsch")) + frame23("COMM", comment("eng", "", "English")) + kPadding),
         Field::Comment, "Neu", 3, {{"COMM", itunes}, {"COMM", comment("deu", "", "Neu")}, {"COMM", comment("eng", "", "English")}}, true},
        {"CommentAddedWhenNoneIsShown", tagOf(3, frame23("COMM", itunes) + kPadding),
         Field::Comment, "c", 3, {{"COMM", itunes}, {"COMM", comment("eng", "", "c")}}, true},
        {"NoTagGetsVersion23", "",
         Field::Title, "\xC3\xA9t\xC3\xA9", 3, {{"TIT2", "\x01\xFF\xFE\xE9\x00t\x00\xE9\x00"s}}, false},
        {"Version22BecomesVersion23", tagOf(2, frame22("TT2", text("Old")) + frame22("TP1", a) + frame22("PIC", "\x00PNG\x03\x00png"s)),
         Field::Title, "New", 3, {{"APIC", "\x00image/png\x00\x03\x00png"s}, {"TIT2", text("New")}, {"TPE1", a}}, false},
        {"GrowingTagCarriesOtherFramesFirst", tagOf(3, frame23("TIT2", t) + frame23("PRIV", "me\x00x"s) + frame23("TPE1", a)),
         Field::Title, "Longer title", 3, {{"PRIV", "me\x00x"s}, {"TIT2", text("Longer title")}, {"TPE1", a}}, false},
        {"TagOfTheSevenKeepsItsLayout", tagOf(3, frame23("TCON", rock) + frame23("TIT2", t) + frame23("TPE1", a)),
         Field::Title, "Longer title", 3, {{"TCON", rock}, {"TIT2", text("Longer title")}, {"TPE1", a}}, false},
        {"MovingABigPictureReplacesTheFile", tagOf(3, frame23("TIT2", t) + frame23("APIC", kPicture) + kPadding),
         Field::Title, "Longer title", 3, {{"APIC", kPicture}, {"TIT2", text("Longer title")}}, false},
        {"SameLengthBeforeABigPictureStaysInPlace", tagOf(3, frame23("TIT2", t) + frame23("APIC", kPicture) + kPadding),
         Field::Title, "U", 3, {{"TIT2", text("U")}, {"APIC", kPicture}}, true},
        {"WholeTagUnsynchronisationIsUndone", tagOf(3, unsynchronise(frame23("TIT2", t) + frame23("PRIV", "\xFF\xE0\xFF"s)), 0x80),
         Field::Album, "L", 3, {{"PRIV", "\xFF\xE0\xFF"s}, {"TIT2", t}, {"TALB", text("L")}}, false},
    };
    // clang-format on
}

class Mp3Edit : public ::testing::TestWithParam<EditCase> {};

TEST_P(Mp3Edit, FramesAfterTheEdit) {
    const EditCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    const std::string audio = mpegAudio(6, 2);
    writeFile(path, c.tag + audio);
    const ino_t inode = statOf(path).st_ino;

    mp3::writeTags(path, only(c.field, c.value), mask(c.field));

    const std::string after = readFile(path);
    const auto [version, frames] = framesOf(after);
    EXPECT_EQ(version, c.version);
    EXPECT_EQ(frames, c.frames);
    EXPECT_EQ(after.substr(after.size() - audio.size()), audio);
    EXPECT_EQ(statOf(path).st_ino == inode, c.inPlace);
    EXPECT_EQ(mp3::readTags(path)[c.field],
              c.field == Field::Year ? c.value.substr(0, 4) : c.value);
    if (c.inPlace) {
        // The bytes that differ lie within 64 KiB of each other.
        const std::string before = c.tag + audio;
        ASSERT_EQ(after.size(), before.size());
        std::size_t first = 0;
        while (first < before.size() && before[first] == after[first])
            ++first;
        std::size_t last = before.size();
        while (last > first && before[last - 1] == after[last - 1])
            --last;
        EXPECT_LE(last - first, 64u * 1024);
    }
    EXPECT_EQ(dir.names(), std::vector<std::string>{"song.mp3"});
}

INSTANTIATE_TEST_SUITE_P(Cases, Mp3Edit, ::testing::ValuesIn(editCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// The ID3v1 trailer: shown when there is no version 2 tag, kept up to date when
// written, never added.
std::string trailer(std::string_view title, std::string_view artist, std::string_view comment,
                    int track, int genre) {
    auto field = [](std::string_view text, std::size_t width) {
        std::string out(text);
        out.resize(width, '\0');
        return out;
    };
    std::string out = "TAG" + field(title, 30) + field(artist, 30) + field("Album", 30) + "1999";
    out += track >= 0 ? field(comment, 28) + '\0' + static_cast<char>(track) : field(comment, 30);
    out += static_cast<char>(genre);
    return out;
}

struct TrailerCase {
    const char* name;
    std::string tag; // the version 2 tag, if any
    std::string trailer;
    TagValues shown; // what a read shows before the write
    TagValues edit;  // the values written
    FieldMask changed;
    std::string trailerAfter;
    TagValues shownAfter; // what a read shows after the write
};

TagValues values(std::string title, std::string artist, std::string album, std::string year,
                 std::string genre, std::string comment, std::string track) {
    TagValues v;
    v.values = {title, artist, album, year, genre, comment, track};
    return v;
}

std::vector<TrailerCase> trailerCases() {
    const std::string v1 = trailer("Old title", "Old artist", "Old comment", 5, 17);
    const TagValues v1Shown =
        values("Old title", "Old artist", "Album", "1999", "Rock", "Old comment", "5");
    return {
        {"TrailerOnlyGainsAFullTag", "", v1, v1Shown,
         values("Caf\xC3\xA9 \xE6\x97\xA5", "", "", "", "", "", ""), FieldMask().set(Field::Title),
         trailer("Caf\xE9 ?", "Old artist", "Old comment", 5, 17),
         values("Caf\xC3\xA9 \xE6\x97\xA5", "Old artist", "Album", "1999", "Rock", "Old comment",
                "5")},
        {"ClearedTitleLeavesTheTrailerToo", "", v1, v1Shown, values("", "", "", "", "", "", ""),
         FieldMask().set(Field::Title), trailer("", "Old artist", "Old comment", 5, 17),
         values("", "Old artist", "Album", "1999", "Rock", "Old comment", "5")},
        {"BothTagsWidthsAndTrackByteKept", tagOf(3, frame23("TIT2", "\x00V2 title"s) + kPadding),
         v1, values("V2 title", "", "", "", "", "", ""),
         values("", "", "", "", "Electro", std::string(40, 'c'), ""),
         FieldMask().set(Field::Genre).set(Field::Comment),
         trailer("Old title", "Old artist", std::string(28, 'c'), 5, 255),
         values("V2 title", "", "", "", "Electro", std::string(40, 'c'), "")},
        {"NoTrailerNeverGetsOne", tagOf(3, frame23("TIT2", "\x00t"s) + kPadding), "",
         values("t", "", "", "", "", "", ""), values("u", "", "", "", "", "", ""),
         FieldMask().set(Field::Title), "", values("u", "", "", "", "", "", "")},
    };
}

class Mp3Trailer : public ::testing::TestWithParam<TrailerCase> {};

TEST_P(Mp3Trailer, ShownAndWritten) {
    const TrailerCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    const std::string audio = mpegAudio(6, 4);
    writeFile(path, c.tag + audio + c.trailer);
    EXPECT_EQ(mp3::readTags(path), c.shown);
    mp3::writeTags(path, c.edit, c.changed);
    const std::string after = readFile(path);
    EXPECT_EQ(after.substr(after.size() - c.trailer.size() - audio.size()), audio + c.trailerAfter);
    EXPECT_EQ(mp3::readTags(path), c.shownAfter);
    EXPECT_TRUE(parseTag(after).present) << "the file has a version 2 tag";
}

INSTANTIATE_TEST_SUITE_P(Cases, Mp3Trailer, ::testing::ValuesIn(trailerCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Mp3Write, NothingChangedOpensNothing) {
    TempDir dir;
    EXPECT_NO_THROW(mp3::writeTags(dir.file("missing.mp3"), only(Field::Title, "t"), {}));
    EXPECT_TRUE(dir.names().empty());
}

TEST(Mp3Write, FailuresNameTheFileAndTheReason) {
    TempDir dir;
    const std::string missing = dir.file("missing.mp3");
    try {
        mp3::writeTags(missing, only(Field::Title, "t"), mask(Field::Title));
        FAIL() << "no error";
    } catch (const TagError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + missing + "\". No such file or directory");
    }
    // A tag that must grow in a folder nobody may write into.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const std::string folder = dir.file("locked");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string path = folder + "/song.mp3";
    writeFile(path, tagOf(3, frame23("TIT2", "\x00t"s)) + mpegAudio(2, 1));
    const std::string before = readFile(path);
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    const int result = runUnprivileged([&] {
        try {
            mp3::writeTags(path, only(Field::Title, std::string(3000, 'x')), mask(Field::Title));
            return 1;
        } catch (const TagError& e) {
            const std::string message = e.what();
            return message.rfind("Cannot create file \"" + folder + "/", 0) == 0 &&
                           message.find("Permission denied") != std::string::npos
                       ? 0
                       : (std::fputs(e.what(), stderr), 2);
        }
    });
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(path), before);
}

} // namespace
