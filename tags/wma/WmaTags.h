// The WMA unit's field-level interface for the core (see tags/common/FormatUnit.h).
#pragma once

#include "tags/common/FormatUnit.h"

namespace velmora::wma {

TagValues readTags(const std::string& path);
void writeTags(const std::string& path, const TagValues& values, FieldMask changed);

} // namespace velmora::wma
