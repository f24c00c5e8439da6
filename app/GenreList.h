// The genre names offered by the genre field's drop-down list, in the order of
// the numbered ID3 version 1 genre list extended to entry 147. Only offered:
// the genre is free text everywhere and no number is converted to a name.
#pragma once

#include <array>
#include <string_view>

inline constexpr int GenreCount = 148;

extern const std::array<std::string_view, GenreCount> GenreNames;
