// The track number as the user edits it: a number, optionally with the total
// ("4/12"). Typing only the number keeps the total the file holds.
#pragma once

#include <string>
#include <string_view>

namespace velmora::core {

// The text to store when the user typed `typed` over the stored `stored`:
// "4" over "3/12" gives "4/12"; a typed total ("4/10") or an empty text (which
// removes the track number) is stored as typed.
std::string mergeTrack(std::string_view typed, std::string_view stored);

// Track number `number` keeping the total of `current` ("3/12" numbered 1
// gives "1/12"; "3" gives "1").
std::string numberedTrack(int number, std::string_view current);

} // namespace velmora::core
