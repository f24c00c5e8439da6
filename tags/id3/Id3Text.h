// Text inside ID3 frames: the encoding byte, terminated strings, and the
// conversion to and from the program's UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::id3 {

enum Encoding : std::uint8_t { Latin1 = 0, Utf16Bom = 1, Utf16Be = 2, Utf8 = 3 };

inline bool isKnownEncoding(std::uint8_t enc) {
    return enc <= Utf8;
}

// Takes one string from data at pos up to its terminator (one zero byte, or
// two aligned zero bytes for UTF-16) and moves pos past the terminator. The
// last string may end at the end of data without a terminator.
std::string_view takeString(std::string_view data, std::size_t& pos, std::uint8_t enc);

// Raw string bytes of the given encoding to UTF-8.
std::string decodeString(std::string_view raw, std::uint8_t enc);

// All strings of data (terminator-separated) decoded; empty trailing ones dropped.
std::vector<std::string> decodeStrings(std::string_view data, std::uint8_t enc);

// The encoding written for these texts: Latin1 when all are ASCII, else UTF-16 with BOM.
// The value of a text frame's content (encoding byte first): the first
// string, or with several (version 2.4) every non-empty one joined by '/';
// control characters trimmed. False when the encoding is unknown.
bool readTextFrame(std::string_view content, bool several, std::string& out);

std::uint8_t encodingFor(std::initializer_list<std::string_view> texts);

// UTF-8 text in the given encoding (Latin1 or Utf16Bom), optionally followed by
// its terminator.
std::string encodeString(std::string_view utf8, std::uint8_t enc, bool terminate);

// Undoes unsynchronisation: every FF 00 becomes FF.
std::string removeUnsync(std::string_view data);

} // namespace velmora::id3
