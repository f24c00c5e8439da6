// The check of an image the user picks as a cover, and the byte forms pictures
// take in files (picture block, base64).
#include "tags/common/Covers.h"
#include "tests/flac/PeerFiles.h"

#include <gtest/gtest.h>

namespace velmora::test {
namespace {

TEST(CoverFileTest, OnlyJpegAndPngUpTo16MiBAreTaken) {
    TempDir dir;
    const std::string jpeg = dir.file("a.jpg"), png = dir.file("a.png"), gif = dir.file("a.gif");
    mustRun("ffmpeg -v error -f lavfi -i testsrc=s=300x200 -frames:v 1 " + quote(jpeg));
    mustRun("ffmpeg -v error -f lavfi -i testsrc=s=64x48 -frames:v 1 " + quote(png));
    mustRun("ffmpeg -v error -f lavfi -i testsrc=s=64x48 -frames:v 1 " + quote(gif));
    // A JPEG of exactly 16 MiB (bytes after its end marker), and one byte more.
    const std::string full = dir.file("full.jpg"), over = dir.file("over.jpg");
    std::string bytes = readFile(jpeg);
    bytes.resize(kMaxCoverBytes, '\0');
    writeFile(full, bytes);
    writeFile(over, bytes + '\0');

    struct Case {
        std::string path;
        const char* mime;  // taken: its mime type
        const char* error; // refused: part of the reason
        std::uint32_t width = 0, height = 0;
    } cases[] = {
        {jpeg, "image/jpeg", "", 300, 200},
        {png, "image/png", "", 64, 48},
        {full, "image/jpeg", "", 300, 200},
        {over, "", "larger than 16 MiB"},
        {gif, "", "neither a JPEG nor a PNG image"},
        {dir.file("gone.jpg"), "", "No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::string error;
        const std::optional<Picture> picture = loadCoverFile(c.path, error);
        ASSERT_EQ(picture.has_value(), *c.mime != '\0') << error;
        if (!picture) {
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
            EXPECT_NE(error.find(c.path), std::string::npos) << error;
            continue;
        }
        EXPECT_EQ(picture->mime, c.mime);
        EXPECT_EQ(picture->type, kFrontCover);
        EXPECT_EQ(*picture->data, readFile(c.path));
        const auto pixels = imagePixelSize(*picture->data);
        ASSERT_TRUE(pixels);
        EXPECT_EQ(pixels->width, c.width);
        EXPECT_EQ(pixels->height, c.height);
    }
}

TEST(CoverFileTest, PictureBlocksAndBase64RoundTrip) {
    const std::string png("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x10\0\0\0\x08", 24);
    const Picture pictures[] = {
        {"image/png", 3, "", std::make_shared<const std::string>(png)},
        {"image/jpeg", 4, "Rückseite", std::make_shared<const std::string>("\xFF\xD8\xFF")},
        {"image/jpeg", 0, "x", std::make_shared<const std::string>()},
    };
    for (const Picture& picture : pictures) {
        const std::string block = pictureblock::render(picture);
        EXPECT_EQ(pictureblock::typeOf(block), picture.type);
        const auto parsed = pictureblock::parse(block);
        ASSERT_TRUE(parsed);
        EXPECT_TRUE(parsed->sameAs(picture));
        EXPECT_EQ(base64::decode(base64::encode(block)), block);
        // Every cut short block is damaged.
        for (std::size_t n = 0; n < block.size(); ++n)
            EXPECT_FALSE(pictureblock::parse(std::string_view(block).substr(0, n)));
    }
    EXPECT_EQ(base64::encode("Velmora"), "VmVsbW9yYQ==");
    EXPECT_EQ(base64::decode("VmVsbW9yYQ"), "Velmora");
    EXPECT_FALSE(base64::decode("VmVs bW9y"));
    EXPECT_FALSE(base64::decode("V"));
}

} // namespace
} // namespace velmora::test
