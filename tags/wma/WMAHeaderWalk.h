// The reader's own walk through a WMA file's header, used when the SDK is
// missing or cannot open the file. It recognises one header layout (the
// {D6E229D1-...} header with its {D6E229D5-...} attribute lists), is bounded
// by the file's bytes and never allocates more than a short text at a time.
#pragma once

#include "tags/wma/WMATag.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Reads up to n bytes at offset into buffer; returns how many it read.
using WalkReadAt = std::function<std::size_t(std::uint64_t offset, void* buffer, std::size_t n)>;

// Fills tag from the header behind read: sets Found when the first object is
// the recognised header, and the fields of its attribute lists.
void WalkWMAHeader(const WalkReadAt& read, WMATagRec& tag);
// The same over a file; a file that cannot be opened has no tags.
void WalkWMAHeaderFile(const std::string& fileName, WMATagRec& tag);
