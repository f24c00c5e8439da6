// The seven frames the program shows, in the order they are written.
#pragma once

#include "tags/id3/Unit2.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace velmora::id3 {

inline constexpr std::size_t kFieldCount = 7;

// Version 2.3 frame ids of the seven fields, in writing order.
inline constexpr std::array<std::string_view, kFieldCount> kFrameIds = {
    "TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON", "COMM"};

// The same frames under their three-letter version 2.2 ids.
inline constexpr std::array<std::string_view, kFieldCount> kFrameIdsV22 = {
    "TT2", "TP1", "TAL", "TRK", "TYE", "TCO", "COM"};

// The record field each frame id fills.
inline constexpr std::array<std::string ID3StructV2::*, kFieldCount> kFields = {
    &ID3StructV2::Title, &ID3StructV2::Artist, &ID3StructV2::Album,  &ID3StructV2::Track,
    &ID3StructV2::Year,  &ID3StructV2::Genre,  &ID3StructV2::Comment};

inline constexpr std::size_t kCommentSlot = 6;
inline constexpr std::size_t kNoSlot = kFieldCount;

// The slot of a version 2.3/2.4 frame id among the seven, or kNoSlot.
inline std::size_t slotOf(std::string_view id) {
    for (std::size_t i = 0; i < kFieldCount; ++i)
        if (kFrameIds[i] == id)
            return i;
    return kNoSlot;
}

} // namespace velmora::id3
