// The `covr` item: the images of an MP4 tag, each a `data` atom whose type
// says JPEG (13) or PNG (14).
#pragma once

#include "tags/common/Covers.h"
#include "tags/mp4/Mp4Edit.h"

#include <optional>

namespace velmora::mp4 {

// The first image of the first `covr` item; nullopt without one. Raises
// ParseError when the item is damaged.
std::optional<Picture> frontCoverOf(const ByteSource& src, const std::vector<Atom>& items);

// The items of `ilst` with the first image replaced by `cover` (or added as a
// new `covr` item at the end), or, with null, removed (the item goes when it
// held no other image). Nullopt when there is nothing to remove.
std::optional<Pieces> itemsWithFrontCover(const ByteSource& src, const std::vector<Atom>& items,
                                          const Picture* cover);

} // namespace velmora::mp4
