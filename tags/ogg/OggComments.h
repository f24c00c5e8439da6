// The fields of an OGGTag as the shared comment-list code sees them, and how a
// comment is added to an editing state.
#pragma once

#include "tags/common/TagFields.h"
#include "tags/ogg/Ogg.h"

#include <string_view>

namespace ogg {

// The OGGTag member that holds a field.
std::string OGGTag::*memberOf(velmora::Field field);

velmora::TagValues valuesOf(const OGGTag& tag);
// Sets every field of the record from values.
void fillTag(OGGTag& tag, const velmora::TagValues& values);

// Appends a comment of any bytes (a NUL byte included) to the editing state's
// comments through libvorbis; nothing happens when libvorbis cannot be loaded.
void addRawComment(std::string_view bytes, vcedit_state* state);

} // namespace ogg
