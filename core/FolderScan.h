// The audio files of one folder, as a folder scan adds them.
#pragma once

#include <string>
#include <vector>

namespace velmora::core {

struct FolderScan {
    // folder + "/" + name of every entry whose format has a tag reader, in the
    // order the file system lists them; subfolders are not entered.
    std::vector<std::string> paths;
    // Why the folder could not be read (naming it); empty on success.
    std::string error;
};

FolderScan scanFolder(const std::string& folder);

} // namespace velmora::core
