// Renaming files from their tags by a pattern ("%track% - %title%"): a preview
// of every new name and its problems, and the renames. The extension is kept,
// the characters a name may not hold are removed (cleanFileName, and control
// characters such as a comment's line breaks) and a name is kept within 255
// bytes. Renames are no undo steps.
#pragma once

#include "core/FileList.h"
#include "core/NamePattern.h"

#include <span>
#include <string>
#include <vector>

namespace velmora::core {

struct RenamePlan {
    RowId id = 0;
    std::string oldPath;
    // The new name and path; empty when the tags give none.
    std::string newName;
    std::string newPath;
    // Why this file is refused, or why its rename failed, naming the file;
    // empty when all is well.
    std::string problem;
    // After renameFromTags: the file now has its new name.
    bool renamed = false;

    bool unchanged() const { return problem.empty() && newPath == oldPath; }
};

// Empty when the pattern can name files, else the reason: besides the
// errors of parsePattern, a '/' (a file is renamed within its folder).
std::string namingError(const NamePattern& pattern);

// The new name of each given row from its current values (unwritten edits
// included), one plan per id in the order given; nothing changes. A row is
// refused when: the pattern cannot name files, the row is no longer listed or
// in `playing`, its file could not be read, a field the pattern names is empty, nothing of the name
// is left after cleaning, a file of the new name exists (other than the file itself), or another
// row of the batch gets the same new name.
std::vector<RenamePlan> previewRename(const FileList& list, std::span<const RowId> ids,
                                      const NamePattern& pattern,
                                      std::span<const RowId> playing = {});

// All or nothing at the checks: when any plan of previewRename has a problem,
// no file is renamed and the plans say why. Otherwise each file is renamed in
// turn, never over another file, going on after a failure (which its plan
// reports); `renamed` tells which were.
std::vector<RenamePlan> renameFromTags(FileList& list, std::span<const RowId> ids,
                                       const NamePattern& pattern,
                                       std::span<const RowId> playing = {});

// How many plans have a problem.
std::size_t problemCount(std::span<const RenamePlan> plans);

} // namespace velmora::core
