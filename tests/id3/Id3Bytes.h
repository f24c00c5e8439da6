// Building ID3 tags and MP3 files byte by byte for the tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::test {

using namespace std::string_literals;

// A version 2.3 frame: id, plain 32-bit size, flags.
std::string frame23(std::string_view id, std::string_view data, std::uint16_t flags = 0);
// A version 2.4 frame: id, 7-bit size digits, flags.
std::string frame24(std::string_view id, std::string_view data, std::uint16_t flags = 0);
// A version 2.2 frame: three-letter id, 24-bit size.
std::string frame22(std::string_view id, std::string_view data);

// A tag header of the given major version and flags over body (size = body's).
std::string tagOf(int version, std::string_view body, std::uint8_t flags = 0);

// Inserts a zero byte after every FF that precedes 00, E0..FF or the end.
std::string unsynchronise(std::string_view data);

// MPEG-1 layer III frames (128 kbit/s, 44.1 kHz) with pseudo-random payload:
// real frame headers, so other readers take the bytes for MP3 audio.
std::string mpegAudio(int frames, std::uint32_t seed);

} // namespace velmora::test
