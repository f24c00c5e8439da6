// The value of a WM/Picture attribute: the picture type (1 byte), the
// data's size (32-bit little-endian), the MIME type and the description
// (each UTF-16LE, NUL-terminated), then the data.
#pragma once

#include "tags/common/Covers.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::wma::wmpicture {

// Only the type, from the first byte; nullopt for an empty value.
std::optional<std::uint8_t> typeOf(std::string_view value);
// The whole picture; nullopt when damaged (a text without its NUL, or data
// shorter than its declared size). Bytes after the data are ignored.
std::optional<Picture> parse(std::string_view value);
// The same, the data taking over value's memory (a large picture is not
// copied).
std::optional<Picture> parse(std::string&& value);
// The value of a picture.
std::string render(const Picture& picture);

} // namespace velmora::wma::wmpicture
