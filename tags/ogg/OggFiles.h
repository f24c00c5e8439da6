// Reading and rewriting one Ogg Vorbis file through the comment editing
// library: the steps both the record interface and the field interface take.
#pragma once

#include "tags/common/Covers.h"
#include "tags/common/TagFields.h"

#include <functional>
#include <optional>
#include <string>

struct vcedit_state;

namespace ogg {

class CommentLibrary;

// The seven values as the user sees them. Only comments that may hold a field
// are read; the others (pictures) are passed over unread. Raises TagError:
// the file layer's open error, or "Cannot open <file>: <reason>".
velmora::TagValues readValues(const CommentLibrary& library, const std::string& fileName);

// The front cover among the comments (see tags/common/Covers.h); reads every
// comment. Raises as readValues, and when the chosen picture is damaged.
std::optional<velmora::Picture> readFrontCover(const CommentLibrary& library,
                                               const std::string& fileName);

// Rewrites the file with the comments `edit` leaves in the state: the new
// stream goes to "<name>.temp" beside it (or a unique variant), which then
// replaces the file (base/FileLayer.h ReplaceFile). Raises TagError naming the
// file and the reason on any failure; the file is then untouched.
void rewrite(const CommentLibrary& library, const std::string& fileName,
             const std::function<void(vcedit_state*)>& edit);

} // namespace ogg
