// Absolute file offsets held by movie fragments: the base data offset of a
// track fragment (`tfhd`) and the fragment offsets of the random access index
// (`mfra`/`tfra`). When the movie atom before them changes size they move with
// the data.
#pragma once

#include "tags/mp4/Mp4Atoms.h"

namespace velmora::mp4 {

// Whether a top-level atom of this type holds absolute offsets.
bool holdsFragmentOffsets(FourCC type);

// The bytes of the top-level atom with every offset at or past `from` moved by
// `delta`. Raises ParseError when the atom is damaged.
std::string shiftFragmentOffsets(const ByteSource& src, const Atom& atom, std::uint64_t from,
                                 std::int64_t delta);

} // namespace velmora::mp4
