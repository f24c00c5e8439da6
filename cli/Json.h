// JSON text for the command line's output.
#pragma once

#include <string>
#include <string_view>

namespace velmora::cli {

// text as a JSON string, quotes included. Bytes that are not UTF-8 are taken
// as ISO-8859-1 characters.
std::string jsonString(std::string_view text);
// True when text is valid UTF-8.
bool isUtf8(std::string_view text);
// Standard base64 with padding.
std::string base64(std::string_view bytes);

} // namespace velmora::cli
