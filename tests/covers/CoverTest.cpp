// Covers written into files other programs made and tagged (ffmpeg, flac,
// opusenc, metaflac, eyeD3, mutagen), through the format table as the core
// uses it, and judged by mutagen: the front cover set or removed, every other
// picture kept byte for byte, the fields and the audio unchanged.
#include "core/Formats.h"
#include "tests/flac/PeerFiles.h"

#include <gtest/gtest.h>

#include <map>

namespace velmora::test {
namespace {

const std::string kPictures = VELMORA_SOURCE_DIR "/tests/covers/pictures.py";

struct Image {
    std::string path;
    std::string mime;
};

class CoverTest : public ::testing::Test {
protected:
    void SetUp() override {
        images_["big"] = {makeCover(dir_), "image/jpeg"}; // about 500 KiB
        images_["small"] = {dir_.file("small.jpg"), "image/jpeg"};
        images_["png"] = {dir_.file("small.png"), "image/png"};
        mustRun("ffmpeg -v error -y -f lavfi -i testsrc=s=300x200 -frames:v 1 " +
                quote(images_["small"].path));
        mustRun("ffmpeg -v error -y -f lavfi -i testsrc=s=64x48 -frames:v 1 " +
                quote(images_["png"].path));
    }

    // The audio made by `maker` ("mp3v3", "flac", ...), with pictures added
    // (each "TYPE IMAGE DESCRIPTION").
    std::string make(const std::string& maker, const std::vector<std::string>& pictures) {
        const std::string wav = makeWav(dir_, 1);
        const std::map<std::string, std::pair<std::string, std::string>> makers = {
            {"mp3v3",
             {".mp3", "ffmpeg -v error -y -i %in -id3v2_version 3 -metadata title=Song "
                      "-metadata artist=Band %out"}},
            {"mp3v4",
             {".mp3", "ffmpeg -v error -y -i %in -id3v2_version 4 -metadata title=Song "
                      "-metadata artist=Band %out"}},
            // A version 2.4 tag flagged as unsynchronised throughout (its text
            // frames need no change for that).
            {"mp3v4u",
             {".mp3", "ffmpeg -v error -y -i %in -id3v2_version 4 -metadata title=Song "
                      "-metadata artist=Band %out && printf '\\200' | dd status=none "
                      "of=%out bs=1 seek=5 conv=notrunc"}},
            // No ID3v2 tag, only a trailer: a new tag must show what it showed.
            {"mp3v1",
             {".mp3", "ffmpeg -v error -y -i %in -write_id3v2 0 -write_id3v1 1 "
                      "-metadata title=Song -metadata artist=Band %out"}},
            {"flac", {".flac", "flac --silent -f -S 1s -T TITLE=Song -T ARTIST=Band -o %out %in"}},
            {"opus", {".opus", "opusenc --quiet --title Song --artist Band %in %out"}},
            {"vorbis", {".ogg", "oggenc --quiet -t Song -a Band -o %out %in"}},
            {"m4a",
             {".m4a", "ffmpeg -v error -y -i %in -c:a aac -metadata title=Song "
                      "-metadata artist=Band %out"}},
            {"wma",
             {".wma", "ffmpeg -v error -y -i %in -c:a wmav2 -metadata title=Song "
                      "-metadata artist=Band -metadata album=Disc -metadata genre=Pop "
                      "-metadata track=4 %out"}},
        };
        const auto& [ext, command] = makers.at(maker);
        const std::string path = dir_.file(maker + ext);
        std::string cmd = command;
        cmd.replace(cmd.find("%in"), 3, quote(wav));
        for (auto at = cmd.find("%out"); at != std::string::npos; at = cmd.find("%out"))
            cmd.replace(at, 4, quote(path));
        mustRun(cmd);
        for (const std::string& picture : pictures) {
            std::istringstream in(picture);
            std::string type, image, description;
            in >> type >> image >> description;
            if (maker == "flac" && type == "3") // metaflac, as a user would
                mustRun("metaflac --import-picture-from=" +
                        quote("3|" + images_[image].mime + "|" + description + "||" +
                              images_[image].path) +
                        " " + quote(path));
            else
                mustRun("/usr/bin/python3 " + quote(kPictures) + " add " + quote(path) + " " +
                        type + " " + images_[image].mime + " " + quote(description) + " " +
                        quote(images_[image].path) + (maker == "mp3v3" ? " 3" : " 4"));
        }
        return path;
    }

    // mutagen's list with the images' hashes replaced by their names.
    std::string listed(const std::string& path) {
        std::string text = mustRun("/usr/bin/python3 " + quote(kPictures) + " list " + quote(path));
        for (const auto& [name, image] : images_) {
            const std::string hash = sha1Of(image.path);
            for (auto at = text.find(hash); at != std::string::npos; at = text.find(hash))
                text.replace(at, hash.size(), name);
        }
        return text;
    }

    static std::string sha1Of(const std::string& path) {
        return mustRun("sha1sum " + quote(path)).substr(0, 40);
    }

    // The audio packets as ffmpeg demuxes them: their sizes and checksums (an
    // MP3's timestamps are estimated from where its audio starts).
    static std::string audioOf(const std::string& path) {
        return mustRun("ffmpeg -v error -i " + quote(path) +
                       " -map 0:a -c copy -f framemd5 - | awk -F', *' '!/^#/ {print $5, $6}'");
    }

    Picture pictureOf(const std::string& name) {
        std::string error;
        std::optional<Picture> picture = loadCoverFile(images_[name].path, error);
        EXPECT_TRUE(picture) << error;
        return picture ? *picture : Picture{};
    }

    // WMA: every attribute but the pictures, as mutagen reads them.
    static std::string otherAttributes(const std::string& path) {
        if (!path.ends_with(".wma"))
            return {};
        return mustRun("/usr/bin/python3 " + quote(kPictures) + " others " + quote(path));
    }

    core::FormatLibraries libraries_; // the WMA SDK, as the program loads it
    TempDir dir_;
    std::map<std::string, Image> images_;
};

struct Case {
    const char* maker;
    std::vector<std::string> pictures; // "TYPE IMAGE DESCRIPTION"
    const char* shownBefore;           // the image readFrontCover gives first, or ""
    const char* setImage;              // the new front cover, or "" to remove it
    const char* after;                 // mutagen's list afterwards
};

TEST_F(CoverTest, FrontCoverIsSetOrRemovedAndEverythingElseKept) {
    const Case cases[] = {
        // MP3: the tag's version stays; a back cover and an artist picture stay.
        {"mp3v3",
         {"4 png Back", "3 big Front"},
         "big",
         "small",
         "4 image/png Back png\n3 image/jpeg - small\n"},
        {"mp3v4", {"3 big Front", "8 png Artist"}, "big", "", "8 image/png Artist png\n"},
        {"mp3v4", {}, "", "png", "3 image/png - png\n"},
        {"mp3v4u", {}, "", "big", "3 image/jpeg - big\n"},
        {"mp3v1", {}, "", "small", "3 image/jpeg - small\n"},
        // No front cover: the first picture shows; a set adds one.
        {"mp3v3", {"4 png Back"}, "png", "big", "4 image/png Back png\n3 image/jpeg - big\n"},
        // FLAC: PICTURE blocks (the front one by metaflac).
        {"flac",
         {"3 big Front", "4 png Back"},
         "big",
         "small",
         "3 image/jpeg - small\n4 image/png Back png\n"},
        {"flac", {"4 png Back", "3 big Front"}, "big", "", "4 image/png Back png\n"},
        {"flac", {}, "", "png", "3 image/png - png\n"},
        // Opus: METADATA_BLOCK_PICTURE comments.
        {"opus",
         {"4 png Back", "3 big Front"},
         "big",
         "small",
         "4 image/png Back png\n3 image/jpeg - small\n"},
        {"opus", {"3 big Front", "4 png Back"}, "big", "", "4 image/png Back png\n"},
        {"opus", {}, "", "big", "3 image/jpeg - big\n"},
        // Ogg Vorbis: the same comments, through the comment editing library.
        {"vorbis",
         {"4 png Back", "3 big Front"},
         "big",
         "small",
         "4 image/png Back png\n3 image/jpeg - small\n"},
        {"vorbis", {"3 big Front", "6 png Media"}, "big", "", "6 image/png Media png\n"},
        // MP4: the first covr image is the front cover; the others stay.
        {"m4a",
         {"3 big x", "0 png x"},
         "big",
         "small",
         "- image/jpeg - small\n- image/png - png\n"},
        {"m4a", {"3 big x", "0 png x"}, "big", "", "- image/png - png\n"},
        {"m4a", {"3 png x"}, "png", "", ""},
        {"m4a", {}, "", "big", "- image/jpeg - big\n"},
        // WMA: WM/Picture attributes; one over 64 KiB lives in another place
        // of the header than the small ones.
        {"wma",
         {"4 png Back", "3 big Front"},
         "big",
         "small",
         "4 image/png Back png\n3 image/jpeg - small\n"},
        {"wma",
         {"3 small Front", "4 png Back"},
         "small",
         "big",
         "4 image/png Back png\n3 image/jpeg - big\n"},
        {"wma", {"3 big Front", "8 png Artist"}, "big", "", "8 image/png Artist png\n"},
        // Two front covers: the first takes the new one, the second goes.
        {"wma",
         {"3 small A", "4 png Back", "3 big B"},
         "small",
         "png",
         "3 image/png - png\n4 image/png Back png\n"},
        {"wma", {"4 png Back"}, "png", "small", "4 image/png Back png\n3 image/jpeg - small\n"},
        {"wma", {}, "", "png", "3 image/png - png\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.maker) + " set " + c.setImage);
        const std::string path = make(c.maker, c.pictures);
        const core::Format* format = core::formatOf(path);
        ASSERT_TRUE(format && format->hasCovers());
        const TagValues values = format->readTags(path);
        const std::string audio = audioOf(path);
        ASSERT_FALSE(audio.empty());
        const std::string others = otherAttributes(path);

        const std::optional<Picture> before = format->readFrontCover(path);
        ASSERT_EQ(before.has_value(), *c.shownBefore != '\0');
        if (before) {
            EXPECT_TRUE(*before->data == readFile(images_[c.shownBefore].path));
            EXPECT_EQ(before->mime, images_[c.shownBefore].mime);
        }

        const Picture cover = *c.setImage ? pictureOf(c.setImage) : Picture{};
        format->writeFrontCover(path, *c.setImage ? &cover : nullptr);

        EXPECT_EQ(listed(path), c.after);
        EXPECT_EQ(audioOf(path), audio);
        EXPECT_EQ(format->readTags(path), values);
        EXPECT_EQ(otherAttributes(path), others);
        if (*c.setImage) {
            const std::optional<Picture> after = format->readFrontCover(path);
            ASSERT_TRUE(after);
            EXPECT_TRUE(*after->data == *cover.data);
        }
        if (std::string(c.maker) == "flac") {
            EXPECT_TRUE(flacTestPasses(path));
        }
        ::unlink(path.c_str());
    }
}

// A file without a front cover is not touched by a removal (MP4 images have
// no type: their first is the front cover).
TEST_F(CoverTest, RemovingAnAbsentCoverLeavesTheFileAlone) {
    for (const char* maker : {"mp3v4", "flac", "opus", "vorbis", "wma"}) {
        SCOPED_TRACE(maker);
        const std::string path = make(maker, {"4 png Back"});
        const std::string bytes = readFile(path);
        core::formatOf(path)->writeFrontCover(path, nullptr);
        EXPECT_TRUE(readFile(path) == bytes);
        ::unlink(path.c_str());
    }
}

} // namespace
} // namespace velmora::test
