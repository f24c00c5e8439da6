#include "core/FolderScan.h"

#include "base/FileLayer.h"
#include "core/Formats.h"

#include <cerrno>
#include <dirent.h>
#include <string_view>

namespace velmora::core {

FolderScan scanFolder(const std::string& folder) {
    FolderScan scan;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        scan.error =
            "Cannot read the folder \"" + expandPath(folder) + "\". " + systemErrorText(errno);
        return scan;
    }
    const std::string prefix = !folder.empty() && folder.back() == '/' ? folder : folder + "/";
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != ".." && hasTagReader(name))
            scan.paths.push_back(prefix + std::string(name));
        errno = 0;
    }
    if (errno != 0)
        scan.error =
            "Cannot read the folder \"" + expandPath(folder) + "\". " + systemErrorText(errno);
    ::closedir(dir);
    return scan;
}

} // namespace velmora::core
