#include "tags/wma/WmPicture.h"

#include "base/Text.h"

#include <memory>

namespace velmora::wma::wmpicture {

namespace {

constexpr std::size_t HeadSize = 5; // type and data size

// The UTF-16LE text from at up to its NUL unit, as UTF-8; at moves past the
// NUL. Nullopt when there is no NUL before the end.
std::optional<std::string> takeText(std::string_view value, std::size_t& at) {
    for (std::size_t end = at; end + 1 < value.size(); end += 2) {
        if (value[end] != 0 || value[end + 1] != 0)
            continue;
        std::string text = utf16BytesToUtf8(value.substr(at, end - at), false);
        at = end + 2;
        return text;
    }
    return std::nullopt;
}

std::string textBytes(std::string_view utf8) {
    std::string bytes = utf8ToUtf16LeBytes(utf8);
    bytes.append(2, '\0');
    return bytes;
}

} // namespace

std::optional<std::uint8_t> typeOf(std::string_view value) {
    if (value.empty())
        return std::nullopt;
    return static_cast<std::uint8_t>(value[0]);
}

namespace {

// The picture without its data, and where the data is.
std::optional<Picture> parseHead(std::string_view value, std::size_t& dataAt,
                                 std::size_t& dataSize) {
    if (value.size() < HeadSize)
        return std::nullopt;
    std::uint32_t size = 0;
    for (int i = 4; i >= 1; --i)
        size = size << 8 | static_cast<unsigned char>(value[static_cast<std::size_t>(i)]);
    std::size_t at = HeadSize;
    std::optional<std::string> mime = takeText(value, at);
    std::optional<std::string> description = mime ? takeText(value, at) : std::nullopt;
    if (!description || size > value.size() - at)
        return std::nullopt;
    Picture picture;
    picture.type = static_cast<std::uint8_t>(value[0]);
    picture.mime = std::move(*mime);
    picture.description = std::move(*description);
    dataAt = at;
    dataSize = size;
    return picture;
}

} // namespace

std::optional<Picture> parse(std::string_view value) {
    std::size_t at = 0, size = 0;
    std::optional<Picture> picture = parseHead(value, at, size);
    if (picture)
        picture->data = std::make_shared<const std::string>(value.substr(at, size));
    return picture;
}

std::optional<Picture> parse(std::string&& value) {
    std::size_t at = 0, size = 0;
    std::optional<Picture> picture = parseHead(value, at, size);
    if (picture) {
        value.resize(at + size);
        value.erase(0, at);
        picture->data = std::make_shared<const std::string>(std::move(value));
    }
    return picture;
}

std::string render(const Picture& picture) {
    const std::string mime = textBytes(picture.mime);
    const std::string description = textBytes(picture.description);
    const std::size_t size = picture.size();
    std::string value;
    value.reserve(HeadSize + mime.size() + description.size() + size);
    value += static_cast<char>(picture.type);
    for (int i = 0; i < 4; ++i)
        value += static_cast<char>((size >> (8 * i)) & 0xFF);
    value += mime;
    value += description;
    if (picture.data)
        value += *picture.data;
    return value;
}

} // namespace velmora::wma::wmpicture
