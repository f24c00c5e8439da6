#include "core/RenameFile.h"

#include "base/FileLayer.h"
#include "core/PathParts.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace velmora::core {

namespace {

// 0, or the errno of the failure; EEXIST when the target exists.
int renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without no-replace renames: check, then rename.
    struct stat status {};
    if (::lstat(to.c_str(), &status) == 0)
        return EEXIST;
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

std::string refusal(const std::string& path, const std::string& newName, const std::string& why) {
    return "Cannot rename \"" + expandPath(path) + "\" to \"" + newName + "\": " + why + ".";
}

} // namespace

std::string renameWithinFolder(const std::string& path, const std::string& newName,
                               std::string& newPath) {
    newPath = path;
    if (newName.empty() || newName == "." || newName == "..")
        return refusal(path, newName, "that is not a file name");
    if (newName.find('/') != std::string::npos)
        return refusal(path, newName, "a name may not contain \"/\"");
    if (newName.find('\0') != std::string::npos)
        return refusal(path, newName, "a name may not contain a zero byte");
    const std::string target = std::string(folderPart(path)) + newName;
    if (target == path)
        return {};
    if (const int err = renameWithoutReplacing(path, target); err != 0)
        return refusal(path, newName,
                       err == EEXIST ? "a file of that name already exists" : systemErrorText(err));
    newPath = target;
    return {};
}

} // namespace velmora::core
