// File names as the window needs them: the kind of a file by its extension and
// the parts of a path. Plain C++ on UTF-8 (file system) strings.
#pragma once

#include <string>
#include <string_view>

// The file name's extension from its last dot, dot included, ASCII lower-cased;
// empty when the name has no dot.
std::string LowerExtension(std::string_view path);
// The extension as written (dot included), or empty.
std::string Extension(std::string_view path);
// Everything up to and including the last '/', or empty.
std::string FolderPart(std::string_view path);
// The name after the last '/'.
std::string FileNamePart(std::string_view path);
// True for ".mp3", ".ogg" and ".wma".
bool HasTagReader(std::string_view path);
// text without its last count characters (empty when it has fewer).
std::string DropLastChars(std::string_view text, std::size_t count);
