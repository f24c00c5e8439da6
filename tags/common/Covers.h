// Cover pictures, shared by every format unit that stores them, and what each
// such unit offers the core, under its own namespace:
//
//   std::optional<Picture> readFrontCover(const std::string& path);
//     The picture of type 3 (front cover), or the first picture when none has
//     type 3; nullopt when the file holds no picture. Reads only the picture's
//     bytes (never more than the file holds). Raises TagError as readTags.
//
//   void writeFrontCover(const std::string& path, const Picture* cover);
//     With a cover: it replaces the file's front cover (type 3), or is added
//     when there is none. Null: the front cover is removed. Every other picture,
//     tag and the audio keep their bytes. Raises TagError as writeTags; the
//     original is then untouched.
//
// Also here: the picture block that FLAC stores as a PICTURE block and Ogg
// streams as a base64 METADATA_BLOCK_PICTURE comment, and the check of an
// image file the user picks as a cover.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The type a front cover has.
inline constexpr std::uint8_t kFrontCover = 3;

struct Picture {
    std::string mime; // "image/jpeg", "image/png"
    std::uint8_t type = kFrontCover;
    std::string description; // UTF-8
    // The image's bytes; shared by every row and edit that holds this picture.
    std::shared_ptr<const std::string> data;

    std::size_t size() const { return data ? data->size() : 0; }
    // Same kind, description and bytes.
    bool sameAs(const Picture& other) const;
};

using ReadFrontCoverFunction = std::optional<Picture> (*)(const std::string& path);
using WriteFrontCoverFunction = void (*)(const std::string& path, const Picture* cover);

// The largest image accepted as a cover.
inline constexpr std::uint64_t kMaxCoverBytes = 16u * 1024 * 1024;

// The mime type of image bytes by their first bytes: "image/jpeg",
// "image/png", or empty when they are neither.
std::string_view imageMimeOf(std::string_view bytes);

// The pixel size of a JPEG or PNG image, found in its first bytes; nullopt
// when they do not say.
struct PixelSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};
std::optional<PixelSize> imagePixelSize(std::string_view bytes);

// Reads the image file the user picked as a cover. Without an error the picture
// (type 3, mime from the bytes, no description); otherwise `error` says why,
// naming the file: it cannot be read, is larger than 16 MiB, or is neither
// JPEG nor PNG.
std::optional<Picture> loadCoverFile(const std::string& path, std::string& error);

// The picture block (FLAC PICTURE body, METADATA_BLOCK_PICTURE decoded): type,
// mime, description, width, height, depth, colours, then the data, numbers
// 32-bit big-endian and each text and the data prefixed by its length.
namespace pictureblock {

// Only the type, from the first 4 bytes; nullopt when fewer.
std::optional<std::uint8_t> typeOf(std::string_view block);
// The whole block; nullopt when damaged (a length runs past the end).
std::optional<Picture> parse(std::string_view block);
// The block of a picture (width, height, depth from the image where cheap).
std::string render(const Picture& picture);

} // namespace pictureblock

namespace base64 {
std::string encode(std::string_view bytes);
// Nullopt when the text is not base64 (whitespace is not allowed).
std::optional<std::string> decode(std::string_view text);
} // namespace base64

} // namespace velmora
