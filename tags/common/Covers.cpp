#include "tags/common/Covers.h"

#include "base/FileLayer.h"

#include <array>

namespace velmora {

namespace {

std::uint32_t bigEndian32(std::string_view bytes, std::size_t at) {
    auto b = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i]));
    };
    return b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3);
}

std::uint32_t bigEndian16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) << 8 |
           static_cast<unsigned char>(bytes[at + 1]);
}

void appendBigEndian32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

constexpr std::string_view kPngMagic("\x89PNG\r\n\x1A\n", 8);
constexpr std::string_view kJpegMagic("\xFF\xD8\xFF", 3);

std::optional<PixelSize> jpegPixelSize(std::string_view bytes) {
    // Markers after SOI: each FF xx with a 16-bit length, up to a frame header.
    std::size_t at = 2;
    while (at + 4 <= bytes.size()) {
        if (static_cast<unsigned char>(bytes[at]) != 0xFF)
            return std::nullopt;
        const auto marker = static_cast<unsigned char>(bytes[at + 1]);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        const std::uint32_t length = bigEndian16(bytes, at + 2);
        const bool frameHeader =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frameHeader) {
            if (at + 9 > bytes.size() || length < 7)
                return std::nullopt;
            return PixelSize{bigEndian16(bytes, at + 7), bigEndian16(bytes, at + 5)};
        }
        if (length < 2)
            return std::nullopt;
        at += 2 + length;
    }
    return std::nullopt;
}

} // namespace

bool Picture::sameAs(const Picture& other) const {
    if (mime != other.mime || type != other.type || description != other.description)
        return false;
    if (data == other.data)
        return true;
    return data && other.data && *data == *other.data;
}

std::string_view imageMimeOf(std::string_view bytes) {
    if (bytes.starts_with(kJpegMagic))
        return "image/jpeg";
    if (bytes.starts_with(kPngMagic))
        return "image/png";
    return {};
}

std::optional<PixelSize> imagePixelSize(std::string_view bytes) {
    if (bytes.starts_with(kPngMagic)) {
        if (bytes.size() < 24 || bytes.substr(12, 4) != "IHDR")
            return std::nullopt;
        return PixelSize{bigEndian32(bytes, 16), bigEndian32(bytes, 20)};
    }
    if (bytes.starts_with(kJpegMagic))
        return jpegPixelSize(bytes);
    return std::nullopt;
}

std::optional<Picture> loadCoverFile(const std::string& path, std::string& error) {
    InputFile file;
    if (!InputFile::tryOpen(path, file)) {
        error = "Cannot open file \"" + expandPath(path) + "\". " + systemErrorText(errno);
        return std::nullopt;
    }
    if (file.size() > kMaxCoverBytes) {
        error =
            "\"" + expandPath(path) + "\" is larger than 16 MiB; a cover may be 16 MiB at most.";
        return std::nullopt;
    }
    auto bytes = std::make_shared<std::string>(static_cast<std::size_t>(file.size()), '\0');
    if (file.readAt(0, bytes->data(), bytes->size()) != bytes->size()) {
        error = "Cannot read file \"" + expandPath(path) + "\". " + systemErrorText(errno);
        return std::nullopt;
    }
    const std::string_view mime = imageMimeOf(*bytes);
    if (mime.empty()) {
        error = "\"" + expandPath(path) + "\" is neither a JPEG nor a PNG image.";
        return std::nullopt;
    }
    return Picture{std::string(mime), kFrontCover, {}, std::move(bytes)};
}

namespace pictureblock {

std::optional<std::uint8_t> typeOf(std::string_view block) {
    if (block.size() < 4)
        return std::nullopt;
    const std::uint32_t type = bigEndian32(block, 0);
    return static_cast<std::uint8_t>(type > 255 ? 255 : type);
}

std::optional<Picture> parse(std::string_view block) {
    std::size_t at = 0;
    auto number = [&](std::uint32_t& value) {
        if (block.size() - at < 4)
            return false;
        value = bigEndian32(block, at);
        at += 4;
        return true;
    };
    auto text = [&](std::string_view& value) {
        std::uint32_t length = 0;
        if (!number(length) || length > block.size() - at)
            return false;
        value = block.substr(at, length);
        at += length;
        return true;
    };
    std::uint32_t type = 0, ignored = 0;
    std::string_view mime, description, data;
    if (!number(type) || !text(mime) || !text(description))
        return std::nullopt;
    for (int i = 0; i < 4; ++i) // width, height, depth, colours
        if (!number(ignored))
            return std::nullopt;
    if (!text(data))
        return std::nullopt;
    return Picture{std::string(mime), static_cast<std::uint8_t>(type > 255 ? 255 : type),
                   std::string(description), std::make_shared<const std::string>(data)};
}

std::string render(const Picture& picture) {
    const std::string_view data =
        picture.data ? std::string_view(*picture.data) : std::string_view();
    const PixelSize pixels = imagePixelSize(data).value_or(PixelSize{});
    const std::uint32_t depth = pixels.width ? (picture.mime == "image/png" ? 32 : 24) : 0;
    std::string out;
    out.reserve(32 + picture.mime.size() + picture.description.size() + data.size());
    appendBigEndian32(out, picture.type);
    appendBigEndian32(out, static_cast<std::uint32_t>(picture.mime.size()));
    out += picture.mime;
    appendBigEndian32(out, static_cast<std::uint32_t>(picture.description.size()));
    out += picture.description;
    appendBigEndian32(out, pixels.width);
    appendBigEndian32(out, pixels.height);
    appendBigEndian32(out, depth);
    appendBigEndian32(out, 0);
    appendBigEndian32(out, static_cast<std::uint32_t>(data.size()));
    out += data;
    return out;
}

} // namespace pictureblock

namespace base64 {

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
} // namespace

std::string encode(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t v = static_cast<unsigned char>(bytes[i]) << 16 |
                                static_cast<unsigned char>(bytes[i + 1]) << 8 |
                                static_cast<unsigned char>(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6)
            out += kAlphabet[(v >> shift) & 63];
    }
    if (const std::size_t left = bytes.size() - i; left > 0) {
        std::uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
        if (left == 2)
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += left == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::optional<std::string> decode(std::string_view text) {
    static const std::array<std::int8_t, 256> values = [] {
        std::array<std::int8_t, 256> table{};
        table.fill(-1);
        for (int i = 0; i < 64; ++i)
            table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
        return table;
    }();
    while (!text.empty() && text.back() == '=')
        text.remove_suffix(1);
    if (text.size() % 4 == 1)
        return std::nullopt;
    std::string out;
    out.reserve(text.size() / 4 * 3 + 2);
    std::uint32_t buffer = 0;
    int bits = 0;
    for (const char c : text) {
        const std::int8_t v = values[static_cast<unsigned char>(c)];
        if (v < 0)
            return std::nullopt;
        buffer = (buffer << 6) | static_cast<std::uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return out;
}

} // namespace base64

} // namespace velmora
