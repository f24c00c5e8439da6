// The new bytes of an edited MP4 file, as pieces: new bytes, or ranges of the
// original file copied as they are (media data, covers, unknown atoms).
#pragma once

#include "tags/common/TagFields.h"
#include "tags/mp4/Mp4Layout.h"

namespace velmora::mp4 {

struct Piece {
    std::string bytes; // new bytes, when `fromFile` is false
    bool fromFile = false;
    std::uint64_t offset = 0; // the range of the original, when `fromFile`
    std::uint64_t length = 0;

    static Piece copy(std::uint64_t offset, std::uint64_t length) {
        return Piece{{}, true, offset, length};
    }
    static Piece text(std::string bytes) { return Piece{std::move(bytes), false, 0, 0}; }
    std::uint64_t size() const { return fromFile ? length : bytes.size(); }
};
using Pieces = std::vector<Piece>;
std::uint64_t totalSize(const Pieces& pieces);

// The padding a rebuilt tag gets after `ilst`, so later edits fit in place.
inline constexpr std::uint32_t kRebuildPadding = 2048;

// One positioned overwrite of an in-place edit.
struct Patch {
    std::uint64_t offset = 0;
    Pieces pieces;
};

// How to write an edit: overwrites of the original (the file keeps its size),
// or a whole new file.
struct EditPlan {
    bool inPlace = false;
    std::vector<Patch> patches; // when inPlace
    Pieces file;                // otherwise
};

// The items of the new `ilst`: unchanged items copied, the items of changed
// fields replaced where the first of them stood (new ones at the end), an
// edited genre stored as `©gen` in place of `gnre`. Raises ParseError for a
// value that cannot be stored.
Pieces editItems(const TagLayout& layout, const TagValues& values, FieldMask changed);

// The plan for an edit of a file laid out as `layout` (scanned ForWrite).
// Raises ParseError when the file cannot be rewritten safely (with the reason).
EditPlan planEdit(const ByteSource& src, const TagLayout& layout, const TagValues& values,
                  FieldMask changed);
// The same for a new list of items (the contents of the new `ilst`).
EditPlan planItemsEdit(const ByteSource& src, const TagLayout& layout, const Pieces& items);

} // namespace velmora::mp4
