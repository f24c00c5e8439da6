// Files tagged by other programs (mutagen, eyeD3, kid3-cli, TagLib): what they
// wrote is shown, and after one field is edited every other value reads back
// exactly as before, through mutagen's eyes and TagLib's.
#include "tags/id3/Id3Scan.h"
#include "tags/id3/Id3Tag.h"
#include "tags/id3/Id3v1.h"
#include "tags/id3/Mp3Tags.h"
#include "tests/common/TestFiles.h"
#include "tests/id3/ValuesShow.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

using namespace velmora;
using namespace velmora::id3;
using namespace velmora::test;
using namespace std::string_literals;

namespace {

const std::string kTools = std::string(VELMORA_SOURCE_DIR) + "/tests/id3/id3tools.py";

std::string shellQuoted(const std::string& path) {
    return "'" + path + "'";
}

void shell(const std::string& command) {
    std::string output;
    ASSERT_EQ(run(command + " >/dev/null 2>&1", output), 0) << command;
}

// mutagen's view of the file, one line a frame, the ID3v1 trailer last.
std::vector<std::string> dump(const std::string& path) {
    std::string output;
    EXPECT_EQ(run("/usr/bin/python3 " + kTools + " dump " + shellQuoted(path), output), 0);
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TagValues values(std::string title, std::string artist, std::string album, std::string year,
                 std::string genre, std::string comment, std::string track) {
    TagValues v;
    v.values = {title, artist, album, year, genre, comment, track};
    return v;
}

// The files are made once and copied for each edit.
class Fixtures {
public:
    Fixtures() {
        audio_ = dir_.file("audio.mp3");
        shell("ffmpeg -loglevel error -f lavfi -i sine=frequency=440:duration=2 -c:a libmp3lame "
              "-b:a 64k -id3v2_version 0 -write_xing 0 " +
              shellQuoted(audio_));
        cover_ = dir_.file("cover.jpg");
        writeFile(cover_, "\xFF\xD8\xFF\xE0"s + randomBytes(2 * 1024 * 1024, 77));
    }
    std::string make(const std::string& name) {
        const std::string path = dir_.file(name + ".mp3");
        if (std::filesystem::exists(path))
            return path;
        std::filesystem::copy_file(audio_, path);
        const std::string eyed3 = "eyeD3 -Q -t 'Eye T\xC3\xAFtle' -a 'Eye Artist' -A 'Eye Album' "
                                  "--recording-date 2004 -n 3 -G Rock -c 'English comment' "
                                  "--add-comment 'Deutscher Kommentar::deu' "
                                  "--add-comment 'with description:desc:eng' "
                                  "--user-text-frame 'REPLAYGAIN_TRACK_GAIN:-6.5 dB' "
                                  "--add-image " +
                                  shellQuoted(cover_) + ":FRONT_COVER ";
        if (name == "mutagen-2.4" || name == "mutagen-2.3")
            shell("/usr/bin/python3 " + kTools + " make " + name.back() + " " + shellQuoted(path));
        else if (name == "eyed3-2.3")
            shell(eyed3 + "--to-v2.3 " + shellQuoted(path));
        else if (name == "eyed3-2.4")
            shell(eyed3 + "--to-v2.4 " + shellQuoted(path));
        else if (name == "kid3-v1-and-v2")
            shell("kid3-cli -c 'tag 2' -c \"set title 'Kid Title'\" -c \"set artist 'Kid Artist'\" "
                  "-c \"set comment 'Kid comment'\" -c 'tag 1' -c \"set title 'Kid V1 Title'\" "
                  "-c \"set artist 'Kid V1 Artist'\" -c \"set genre 'Jazz'\" -c 'set track 7' "
                  "-c save " +
                  shellQuoted(path));
        else if (name == "kid3-v1-only")
            shell("kid3-cli -c 'tag 1' -c \"set title 'Only V1'\" -c \"set artist 'V1 Artist'\" "
                  "-c \"set album 'V1 Album'\" -c 'set date 1999' -c \"set comment 'v1 note'\" "
                  "-c \"set genre 'Rock'\" -c 'set track 5' -c save " +
                  shellQuoted(path));
        else if (name == "taglib-2.4")
            makeWithTagLib(path);
        return path;
    }

private:
    void makeWithTagLib(const std::string& path) {
        TagLib::MPEG::File file(path.c_str(), false);
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
        auto text = [&](const char* id, std::initializer_list<const char*> texts) {
            TagLib::StringList values;
            for (const char* t : texts)
                values.append(TagLib::String(t, TagLib::String::UTF8));
            auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF8);
            frame->setText(values);
            tag->addFrame(frame);
        };
        text("TIT2", {"T\xC3\xAFtle"});
        text("TPE1", {"Artist A", "Artist B"});
        text("TCON", {"Rock", "Jazz"});
        text("TDRC", {"2019-05-06"});
        for (const char* lang : {"fra", "eng"}) {
            auto* comment = new TagLib::ID3v2::CommentsFrame(TagLib::String::UTF8);
            comment->setLanguage(lang);
            comment->setText(std::string("Comment ") + lang);
            tag->addFrame(comment);
        }
        auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
        picture->setMimeType("image/jpeg");
        picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        const std::string bytes = readFile(cover_);
        picture->setPicture(TagLib::ByteVector(bytes.data(), static_cast<unsigned>(bytes.size())));
        tag->addFrame(picture);
        ASSERT_TRUE(
            file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v4));
    }

    TempDir dir_;
    std::string audio_;
    std::string cover_;
};

Fixtures& fixtures() {
    static Fixtures instance;
    return instance;
}

struct Foreign {
    const char* name;
    TagValues shown;
};

std::vector<Foreign> foreignFiles() {
    return {
        {"mutagen-2.4", values("Mutagen T\xC3\xAFtle", "Artist A/Artist B", "Album", "2021",
                               "52/Rock", "English", "4/12")},
        {"mutagen-2.3", values("Mutagen T\xC3\xAFtle", "Artist A/Artist B", "Album", "2021",
                               "52/Rock", "English", "4/12")},
        {"eyed3-2.3", values("Eye T\xC3\xAFtle", "Eye Artist", "Eye Album", "2004", "Rock",
                             "Deutscher Kommentar", "03")},
        {"eyed3-2.4", values("Eye T\xC3\xAFtle", "Eye Artist", "Eye Album", "2004", "Rock",
                             "Deutscher Kommentar", "03")},
        {"kid3-v1-and-v2", values("Kid Title", "Kid Artist", "", "", "", "Kid comment", "")},
        {"kid3-v1-only",
         values("Only V1", "V1 Artist", "V1 Album", "1999", "Rock", "v1 note", "5")},
        {"taglib-2.4",
         values("T\xC3\xAFtle", "Artist A/Artist B", "", "2019", "Rock/Jazz", "Comment fra", "")},
    };
}

// The new value of each field, and the mutagen lines an edit of it may change.
struct Edit {
    Field field;
    std::string value;
    std::vector<std::string> keys;
};

const std::vector<Edit> kEdits = {
    {Field::Title, "Edit\xC3\xA9", {"TIT2"}},
    {Field::Artist, "Edit\xC3\xA9", {"TPE1"}},
    {Field::Album, "Edit\xC3\xA9", {"TALB"}},
    {Field::Year, "2022", {"TYER", "TDRC"}},
    {Field::Genre, "Jazz", {"TCON"}},
    {Field::Comment, "Edit\xC3\xA9", {}}, // the shown comment's key, found below
    {Field::Track, "9", {"TRCK"}},
};

bool changes(const std::vector<std::string>& keys, const std::string& line) {
    for (const std::string& key : keys)
        if (line.rfind(key + " ", 0) == 0)
            return true;
    return false;
}

// The lines other than keys', sorted: a rebuilt tag may put frames of
// different kinds in another order.
std::vector<std::string> without(std::vector<std::string> lines,
                                 const std::vector<std::string>& keys) {
    std::erase_if(lines, [&](const std::string& line) { return changes(keys, line); });
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::string taglibValue(TagLib::ID3v2::Tag* tag, Field field) {
    switch (field) {
    case Field::Title:
        return tag->title().to8Bit(true);
    case Field::Artist:
        return tag->artist().to8Bit(true);
    case Field::Album:
        return tag->album().to8Bit(true);
    case Field::Year:
        return std::to_string(tag->year());
    case Field::Genre:
        return tag->genre().to8Bit(true);
    case Field::Comment:
        return tag->comment().to8Bit(true);
    case Field::Track:
        return std::to_string(tag->track());
    }
    return {};
}

class Mp3Foreign : public ::testing::TestWithParam<std::tuple<Foreign, Edit>> {};

TEST_P(Mp3Foreign, OneFieldEditedEverythingElseAsBefore) {
    const auto& [file, edit] = GetParam();
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    std::filesystem::copy_file(fixtures().make(file.name), path);
    const std::string before = readFile(path);
    MemorySource source(before);
    const TagScan scanBefore = scanTag(source, true);
    const std::string trailerBefore =
        isV1Trailer(std::string_view(before).substr(before.size() - kV1Size))
            ? before.substr(before.size() - kV1Size)
            : "";
    ASSERT_EQ(mp3::readTags(path), file.shown);
    const std::vector<std::string> linesBefore = dump(path);
    TagValues taglibBefore;
    if (scanBefore.present) {
        TagLib::MPEG::File taglib(path.c_str(), false);
        for (int i = 0; i < FieldCount; ++i)
            taglibBefore[Field(i)] = taglibValue(taglib.ID3v2Tag(), Field(i));
    }

    TagValues edited = file.shown;
    edited[edit.field] = edit.value;
    mp3::writeTags(path, edited, FieldMask().set(edit.field));

    const std::string after = readFile(path);
    EXPECT_EQ(mp3::readTags(path), edited);
    TagLib::MPEG::File taglib(path.c_str(), false);
    ASSERT_TRUE(taglib.hasID3v2Tag());
    EXPECT_EQ(taglibValue(taglib.ID3v2Tag(), edit.field), edit.value);
    for (int i = 0; i < FieldCount && scanBefore.present; ++i)
        if (Field(i) != edit.field) {
            EXPECT_EQ(taglibValue(taglib.ID3v2Tag(), Field(i)), taglibBefore[Field(i)]);
        }

    // Every other frame as mutagen reads it; the tag's version kept.
    std::vector<std::string> keys = edit.keys;
    if (edit.field == Field::Comment)
        keys.push_back("COMM::" + std::string(scanBefore.commentLanguage, 3));
    keys.push_back("v1");
    if (scanBefore.present) {
        EXPECT_EQ(without(dump(path), keys), without(linesBefore, keys));
    } else {
        EXPECT_EQ(dump(path).front(), "version (2, 3)") << "a trailer alone gains a tag";
    }
    // The audio, and the trailer as far as its fields hold the new value.
    const std::uint64_t audioBefore = scanBefore.present ? scanBefore.declaredEnd : 0;
    MemorySource sourceAfter(after);
    const std::uint64_t audioAfter = scanTag(sourceAfter, false).declaredEnd;
    EXPECT_EQ(after.substr(audioAfter, after.size() - audioAfter - trailerBefore.size()),
              before.substr(audioBefore, before.size() - audioBefore - trailerBefore.size()));
    if (!trailerBefore.empty()) {
        const TagValues v1 = readV1(after.substr(after.size() - kV1Size));
        TagValues expected = readV1(trailerBefore);
        expected[edit.field] = edit.value;
        EXPECT_EQ(v1, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, Mp3Foreign,
                         ::testing::Combine(::testing::ValuesIn(foreignFiles()),
                                            ::testing::ValuesIn(kEdits)),
                         [](const auto& info) {
                             std::string name =
                                 std::string(std::get<0>(info.param).name) + "_" +
                                 std::to_string(static_cast<int>(std::get<1>(info.param).field));
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

} // namespace
