// Renaming a file within its folder, never over another file.
#pragma once

#include <string>

namespace velmora::core {

// Renames the file at path to exactly newName in the same folder; newPath gets
// the new path. Returns empty on success, else the reason: a name that is
// empty, "." or "..", or holds '/' or a zero byte is refused; an existing file
// of that name is never replaced. Renaming to the same name succeeds at once.
std::string renameWithinFolder(const std::string& path, const std::string& newName,
                               std::string& newPath);

} // namespace velmora::core
