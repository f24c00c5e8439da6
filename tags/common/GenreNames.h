// The numbered genre list: the genres of ID3 version 1 with the Winamp
// extensions, numbered from 0. The first 148 (to "SynthPop") are the ones the
// genre field offers and an ID3v1 trailer's genre byte stands for; the later
// numbers are met only in MP4 `gnre` items.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace velmora {

inline constexpr std::size_t kNumberedGenreCount = 192;
inline constexpr std::size_t kListedGenreCount = 148;

extern const std::array<std::string_view, kNumberedGenreCount> kNumberedGenres;

// Entries 0 to 147: the list the genre field offers, in its order.
inline std::span<const std::string_view, kListedGenreCount> listedGenres() {
    return std::span(kNumberedGenres).first<kListedGenreCount>();
}

} // namespace velmora
