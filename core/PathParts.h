// The parts of a path, on the file system's own bytes (no encoding assumed).
#pragma once

#include <string>
#include <string_view>

namespace velmora::core {

// The name after the last '/'.
std::string_view fileNamePart(std::string_view path);
// Everything up to and including the last '/', or empty.
std::string_view folderPart(std::string_view path);
// The name's extension from its last dot, dot included, as written; empty when
// the name has no dot.
std::string_view extensionOf(std::string_view path);
// The same, ASCII lower-cased.
std::string lowerExtension(std::string_view path);

} // namespace velmora::core
