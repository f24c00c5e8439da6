// What every tag unit offers the core, under its own namespace
// (velmora::mp3, velmora::vorbis, velmora::wma, ...):
//
//   TagValues readTags(const std::string& path);
//     The seven values as the user sees them. A file without a tag gives empty
//     values. Raises TagError (naming the file and the reason) when the file
//     cannot be opened or its tag cannot be read.
//
//   void writeTags(const std::string& path, const TagValues& values, FieldMask changed);
//     Writes the fields in `changed` only; every other value keeps what the
//     file holds at the time of the write, in its stored form. An empty changed
//     value removes that field. With nothing changed the file is not opened.
//     Raises TagError naming the file and the system's reason on any failure;
//     the original is then untouched.
#pragma once

#include "base/FileLayer.h"
#include "tags/common/TagFields.h"

#include <string>

namespace velmora {

using ReadTagsFunction = TagValues (*)(const std::string& path);
using WriteTagsFunction = void (*)(const std::string& path, const TagValues& values,
                                   FieldMask changed);

} // namespace velmora
