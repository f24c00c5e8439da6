// Filling tags from file names by a pattern ("%artist% - %title%"): a preview
// of what each row would get, and the fill itself, one undo step.
#pragma once

#include "core/FileList.h"
#include "core/NamePattern.h"

#include <span>
#include <string>
#include <vector>

namespace velmora::core {

// What a fill does to one row.
struct FillPlan {
    RowId id = 0;
    std::string path;
    // The file's name without its extension: what the pattern reads.
    std::string name;
    // The name matched and the row can take tags: `values` holds the fields
    // in `fields`.
    bool matched = false;
    TagValues values;
    FieldMask fields;
    // When not matched: why, naming the file (a name that does not match, a
    // file that holds no tags or could not be read, a row no longer listed).
    std::string problem;
};

// What filling the given rows would set, one plan per id in the order given;
// nothing changes. An unusable pattern (readingError) is every row's problem.
std::vector<FillPlan> previewFill(const FileList& list, std::span<const RowId> ids,
                                  const NamePattern& pattern);

// Sets the fields of every matching row as previewFill shows them, as one
// undo step (or within the open one); the other rows are left alone. Returns
// the plans it acted on.
std::vector<FillPlan> fillFromNames(FileList& list, std::span<const RowId> ids,
                                    const NamePattern& pattern);

} // namespace velmora::core
