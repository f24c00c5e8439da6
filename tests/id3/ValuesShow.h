// Prints the seven values in test failures.
#pragma once

#include "tags/common/TagFields.h"

#include <ostream>

namespace velmora {

inline void PrintTo(const TagValues& v, std::ostream* out) {
    const char* names[] = {"Title", "Artist", "Album", "Year", "Genre", "Comment", "Track"};
    for (int i = 0; i < FieldCount; ++i)
        *out << names[i] << "=[" << v.values[static_cast<std::size_t>(i)] << "] ";
}

} // namespace velmora
