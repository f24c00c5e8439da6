// Making a file name out of text: the cleaning the rename editor does, and the
// file system's limit on a name's length.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora::core {

// The longest file name, in bytes.
inline constexpr std::size_t MaxNameBytes = 255;

// text without the characters a name may not hold: * ? | : " / \ < > (and
// zero bytes). Everything else, spaces and dots included, stays.
std::string cleanFileName(std::string_view text);

// stem + extension within `limit` bytes: the stem is cut at a UTF-8 character
// boundary; the extension is kept whole. Empty when not even one byte of the
// stem fits.
std::string fitName(std::string_view stem, std::string_view extension,
                    std::size_t limit = MaxNameBytes);

} // namespace velmora::core
