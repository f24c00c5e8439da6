// The numbered genre list of ID3 version 1 (extended to entry 147): the names
// an ID3v1 trailer's genre byte stands for.
#pragma once

#include <array>
#include <string_view>

namespace velmora::id3 {

inline constexpr int kGenreCount = 148;
// The byte an ID3v1 trailer holds for a genre that is not in the list.
inline constexpr int kNoGenre = 255;

extern const std::array<std::string_view, kGenreCount> kGenreNames;

// The list index of a genre text: its name (letter case ignored), or a number
// in the list, bare or in parentheses ("17", "(17)"); kNoGenre otherwise.
int genreIndex(std::string_view text);

} // namespace velmora::id3
