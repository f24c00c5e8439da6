// TagLib as an independent reader and writer: it reads every value Velmora
// writes, and Velmora reads the tags TagLib writes and keeps their pictures
// and lyrics byte for byte.
#include "tags/id3/Id3Tag.h"
#include "tags/id3/Unit2.h"
#include "tests/common/TestFiles.h"
#include "tests/id3/Id3Bytes.h"
#include "tests/id3/Id3Show.h"

#include <gtest/gtest.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/unsynchronizedlyricsframe.h>

using namespace velmora::id3;
using namespace velmora::test;

namespace {

TagLib::String toTagLib(const std::string& text) {
    return TagLib::String(text, TagLib::String::UTF8);
}

std::string fromTagLib(const TagLib::String& text) {
    return text.to8Bit(true);
}

// The text of the first frame with this id, as TagLib reads it.
std::string frameText(TagLib::ID3v2::Tag* tag, const char* id) {
    const auto& frames = tag->frameListMap()[id];
    return frames.isEmpty() ? std::string() : fromTagLib(frames.front()->toString());
}

TEST(Id3TagLib, ReadsEveryValueVelmoraWrites) {
    const std::vector<ID3StructV2> records = {
        {"Title", "Artist", "Album", "2004", "3/12", "A comment", "Synthwave"},
        {"Caf\xC3\xA9", "\xD0\x9C\xD1\x83\xD0\xB7\xD1\x8B\xD0\xBA\xD0\xB0",
         "\xE6\x97\xA5\xE6\x9C\xAC", "1999", "7", "\xF0\x9F\x8E\xB5 line\r\nnext \xE2\x82\xAC",
         "Chanson fran\xC3\xA7"
         "aise"},
        {std::string(10000, 't'), std::string(5000, 'a'), "b", "2020", "1", std::string(10000, 'c'),
         "g"},
    };
    for (const ID3StructV2& record : records) {
        TempDir dir;
        const std::string path = dir.file("song.mp3");
        writeFile(path, tagOf(3, frame23("TIT2", "\x00old"s)) + mpegAudio(20, 2));
        WriteMP3Tag(path, record, TrackSource::FromRecord);

        TagLib::MPEG::File file(path.c_str(), false);
        ASSERT_TRUE(file.isValid());
        ASSERT_TRUE(file.hasID3v2Tag());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
        EXPECT_EQ(tag->header()->majorVersion(), 3u);
        EXPECT_EQ(fromTagLib(tag->title()), record.Title);
        EXPECT_EQ(fromTagLib(tag->artist()), record.Artist);
        EXPECT_EQ(fromTagLib(tag->album()), record.Album);
        EXPECT_EQ(fromTagLib(tag->comment()), record.Comment);
        EXPECT_EQ(fromTagLib(tag->genre()), record.Genre);
        // TagLib presents the 2.3 year frame as a 2.4 recording time.
        EXPECT_EQ(frameText(tag, "TDRC"), record.Year);
        EXPECT_EQ(frameText(tag, "TRCK"), record.Track);
        EXPECT_EQ(tag->year(), static_cast<unsigned>(std::stoi(record.Year)));
    }
}

struct TagLibWrite {
    const char* name;
    TagLib::ID3v2::Version version;
    TagLib::String::Type encoding;
};

class Id3FromTagLib : public ::testing::TestWithParam<TagLibWrite> {};

TEST_P(Id3FromTagLib, ReadRightAndPictureAndLyricsKept) {
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    const std::string audio = mpegAudio(30, 3);
    writeFile(path, audio);
    const std::string pictureBytes = "\x89PNG\r\n\x1A\n"s + randomBytes(4000, 12);
    const std::string lyricsText = "First line \xC3\xA9\nSecond line \xE6\x97\xA5";

    auto* factory = TagLib::ID3v2::FrameFactory::instance();
    const TagLib::String::Type previous = factory->defaultTextEncoding();
    factory->setDefaultTextEncoding(GetParam().encoding);
    {
        TagLib::MPEG::File file(path.c_str(), false);
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
        tag->setTitle(toTagLib("T\xC3\xAFtle"));
        tag->setArtist(toTagLib("\xD0\x90rtist"));
        tag->setAlbum(toTagLib("Album \xE6\x97\xA5"));
        tag->setComment(toTagLib("Comment \xE2\x82\xAC"));
        tag->setGenre(toTagLib("Ambient"));
        tag->setYear(2011);
        tag->setTrack(4);
        auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
        picture->setTextEncoding(GetParam().encoding);
        picture->setMimeType("image/png");
        picture->setDescription(toTagLib("cover \xC3\xA9"));
        picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        picture->setPicture(TagLib::ByteVector(pictureBytes.data(), pictureBytes.size()));
        tag->addFrame(picture);
        auto* lyrics = new TagLib::ID3v2::UnsynchronizedLyricsFrame(GetParam().encoding);
        lyrics->setLanguage("eng");
        lyrics->setText(toTagLib(lyricsText));
        tag->addFrame(lyrics);
        ASSERT_TRUE(
            file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, GetParam().version));
    }
    factory->setDefaultTextEncoding(previous);

    ReadMP3Tag(path);
    EXPECT_EQ(show(ID3Tag), show({"T\xC3\xAFtle", "\xD0\x90rtist", "Album \xE6\x97\xA5", "2011",
                                  "4", "Comment \xE2\x82\xAC", "Ambient"}));
    const ParsedTag before = parseTag(readFile(path));

    ID3Tag.Title = "Changed";
    WriteMP3Tag(path, ID3Tag);
    const std::string after = readFile(path);
    const ParsedTag written = parseTag(after);
    EXPECT_EQ(written.version, 3);
    EXPECT_EQ(after.substr(after.size() - audio.size()), audio);
    if (GetParam().version == TagLib::ID3v2::v3) {
        // Already version 2.3: the kept frames are carried byte for byte.
        EXPECT_EQ(written.kept, before.kept);
    }

    TagLib::MPEG::File file(path.c_str(), false);
    ASSERT_TRUE(file.hasID3v2Tag());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
    EXPECT_EQ(fromTagLib(tag->title()), "Changed");
    EXPECT_EQ(fromTagLib(tag->artist()), "\xD0\x90rtist");
    EXPECT_EQ(tag->track(), 4u);
    const auto& pictures = tag->frameListMap()["APIC"];
    ASSERT_EQ(pictures.size(), 1u);
    auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.front());
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(std::string(picture->picture().data(), picture->picture().size()), pictureBytes);
    EXPECT_EQ(fromTagLib(picture->mimeType()), "image/png");
    EXPECT_EQ(fromTagLib(picture->description()), "cover \xC3\xA9");
    const auto& lyrics = tag->frameListMap()["USLT"];
    ASSERT_EQ(lyrics.size(), 1u);
    EXPECT_EQ(fromTagLib(lyrics.front()->toString()), lyricsText);
}

INSTANTIATE_TEST_SUITE_P(
    Writers, Id3FromTagLib,
    ::testing::Values(TagLibWrite{"Version23Utf16", TagLib::ID3v2::v3, TagLib::String::UTF16},
                      TagLibWrite{"Version24Utf16", TagLib::ID3v2::v4, TagLib::String::UTF16},
                      TagLibWrite{"Version24Utf8", TagLib::ID3v2::v4, TagLib::String::UTF8},
                      TagLibWrite{"Version23Latin1", TagLib::ID3v2::v3, TagLib::String::Latin1}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
