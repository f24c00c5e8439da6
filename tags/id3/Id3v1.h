// The ID3 version 1 trailer: the last 128 bytes of a file, starting "TAG",
// with fixed-width fields in ISO-8859-1.
#pragma once

#include "tags/common/TagFields.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora::id3 {

inline constexpr std::size_t kV1Size = 128;

bool isV1Trailer(std::string_view last128);

// The trailer's values: texts trimmed, the genre byte as its name from the
// genre list (empty when not in it), the version 1.1 track byte as a number.
TagValues readV1(std::string_view trailer);

// The trailer with the changed fields set as far as its widths allow: text
// outside ISO-8859-1 becomes '?', a genre not in the list 255; a comment leaves
// the version 1.1 track byte alone.
std::string updatedV1(std::string_view trailer, const TagValues& values, FieldMask changed);

} // namespace velmora::id3
