// The genre byte of an ID3 version 1 trailer: an entry of the listed genres
// (numbers 0 to 147), or 255 for none.
#pragma once

#include "tags/common/GenreNames.h"

#include <string_view>

namespace velmora::id3 {

inline constexpr int kGenreCount = static_cast<int>(kListedGenreCount);
// The byte an ID3v1 trailer holds for a genre that is not in the list.
inline constexpr int kNoGenre = 255;

// The list index of a genre text: its name (letter case ignored), or a number
// in the list, bare or in parentheses ("17", "(17)"); kNoGenre otherwise.
int genreIndex(std::string_view text);

} // namespace velmora::id3
