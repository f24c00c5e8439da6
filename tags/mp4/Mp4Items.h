// The `ilst` items the window shows, decoded from and rendered to bytes.
#pragma once

#include "tags/common/TagFields.h"
#include "tags/mp4/Mp4Atoms.h"

#include <optional>

namespace velmora::mp4 {

// The field an item type shows, if any (`gnre` shows the genre like `©gen`).
std::optional<Field> fieldOf(FourCC itemType);

// The values of the shown items. Only their `data` atoms are read; other items
// (covers, freeform items) are not. Damaged items raise ParseError.
TagValues decodeItems(const ByteSource& src, const std::vector<Atom>& items);

// The item that stores `value` for `field` (text as UTF-8; the track as `trkn`).
// Raises ParseError for a track that is not "n" or "n/total".
std::string renderItem(Field field, const std::string& value);

// The name of an ID3v1 genre number as stored in `gnre` (1-based); empty when unknown.
std::string genreName(unsigned number);

} // namespace velmora::mp4
