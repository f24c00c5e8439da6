// Our temporary files: their names, the marker that proves one is ours, and
// the removal of those a killed run left behind.
//
// Names: "<preferred>" when free (the Ogg unit asks for "name.temp"), else
// "<base>.<code>" where base is the preferred name or ".<file name>.velmora"
// and code is ten letters and digits whose last four check the first six; a
// name too long for the file system becomes ".velmora.<code>". Marker: the
// extended attribute "user.velmora" holding the file's own name, so the file
// stops being a temporary once it is renamed; where a file system keeps no
// extended attributes, a checked code in the name stands in for it. While in
// use a temporary file is locked (flock), so a live writer's file is not stale.
#pragma once

#include <string>
#include <string_view>

namespace velmora::detail {

// Whether a name has one of our temporary name patterns.
bool looksLikeTemporaryName(std::string_view name);

// Creates, exclusively, locks and marks a temporary file in folder for the
// file named targetName. Returns its descriptor (read and write) and its path
// in path. Raises the create error.
int createTemporary(const std::string& folder, const std::string& targetName,
                    const std::string& preferredName, std::string& path);

// Drops the marker once the file has become the target or a journal.
void unmarkTemporary(int fd);

// removeStaleTemporaries, skipped when this process tidied the folder less
// than a minute ago and the folder has changed since only by our own writes
// (noteOwnChange): looking through a folder of a thousand files costs more
// than an edit itself.
void removeStaleTemporariesNow(const std::string& folder);
void noteOwnChange(const std::string& folder);

} // namespace velmora::detail
