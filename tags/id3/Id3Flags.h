// The flag bits of an ID3v2 tag header and of its frames' headers, and the
// small byte tests the frame walks share.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace velmora::id3 {

// Tag header flags.
inline constexpr std::uint8_t kTagUnsync = 0x80;
inline constexpr std::uint8_t kTagExtended = 0x40; // in version 2.2 the same bit means compression
inline constexpr std::uint8_t kTagExperimental = 0x20;
inline constexpr std::uint8_t kTagFooter = 0x10;

// Version 2.3 frame flags.
inline constexpr std::uint16_t kV23TagAlterDiscard = 0x8000;
inline constexpr std::uint16_t kV23Compressed = 0x0080;
inline constexpr std::uint16_t kV23Encrypted = 0x0040;
inline constexpr std::uint16_t kV23Grouped = 0x0020;

// Version 2.4 frame format flags (the low byte).
inline constexpr std::uint8_t kV24Grouped = 0x40;
inline constexpr std::uint8_t kV24Compressed = 0x08;
inline constexpr std::uint8_t kV24Encrypted = 0x04;
inline constexpr std::uint8_t kV24Unsync = 0x02;
inline constexpr std::uint8_t kV24LengthIndicator = 0x01;
inline constexpr std::uint8_t kV24TagAlterDiscard = 0x40; // in the status byte

inline std::uint8_t byteAt(std::string_view s, std::size_t i) {
    return static_cast<std::uint8_t>(s[i]);
}

// Frame ids are upper-case letters and digits.
inline bool isFrameId(std::string_view id) {
    return std::all_of(id.begin(), id.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

} // namespace velmora::id3
