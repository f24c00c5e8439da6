// Text conversion. Inside the program all text is UTF-8; the tag formats store
// ISO-8859-1, UTF-16 (either byte order) or UTF-8, converted here at the edges.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// Removes every character whose code is 32 or less from both ends.
std::string trimControl(std::string_view text);

bool isAscii(std::string_view text);

// Appends the UTF-8 form of one code point (up to U+10FFFF).
void appendUtf8(std::string& out, char32_t c);

// ISO-8859-1 bytes to UTF-8.
std::string latin1ToUtf8(std::string_view bytes);
// UTF-16 bytes in the given byte order to UTF-8; an odd trailing byte is
// dropped and an unpaired surrogate becomes U+FFFD.
std::string utf16BytesToUtf8(std::string_view bytes, bool bigEndian);
// UTF-16 text with an optional byte order mark (little-endian without one).
std::string utf16WithBomToUtf8(std::string_view bytes);
std::string utf16ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16; invalid UTF-8 bytes are taken as ISO-8859-1 characters.
std::u16string utf8ToUtf16(std::string_view text);
// UTF-8 to UTF-16 little-endian bytes (no byte order mark, no terminator).
std::string utf8ToUtf16LeBytes(std::string_view text);
// Makes arbitrary bytes valid UTF-8: valid sequences stay, any other byte is
// taken as an ISO-8859-1 character.
std::string toValidUtf8(std::string_view bytes);

} // namespace velmora
