// Where an MP4 file keeps its iTunes-style tag: the path moov/udta/meta/ilst,
// the `free` atom right after `ilst` and the items of `ilst`. Only atom headers
// are read; the media data and the sample tables are passed over.
#pragma once

#include "tags/mp4/Mp4Atoms.h"

#include <optional>

namespace velmora::mp4 {

struct TagLayout {
    std::vector<Atom> top; // the top-level atoms (up to `moov` when read for a read)
    Atom moov;
    std::vector<Atom> moovChildren;
    bool fragmented = false; // movie fragments follow (`mvex` in `moov`)
    std::optional<Atom> udta;
    std::vector<Atom> udtaChildren;
    std::optional<Atom> meta;
    std::uint32_t metaPrefix = 4; // version and flags before meta's children (0 in old files)
    std::vector<Atom> metaChildren;
    std::optional<Atom> ilst;
    std::optional<Atom> freeAfterIlst;
    std::vector<Atom> items; // the children of ilst
};

enum class Scan {
    ForRead,  // stops at `moov`; damage after it is not looked at
    ForWrite, // every top-level atom, which must all lie inside the file
};

// Raises ParseError when the file is not an MP4 file or its structure is damaged.
TagLayout locateTag(const ByteSource& src, Scan scan);

} // namespace velmora::mp4
