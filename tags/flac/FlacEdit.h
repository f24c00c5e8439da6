// How a FLAC file changes when its comment block gets new contents: either one
// positioned write, when the comment block and the PADDING block right after it
// make room, or the whole new file as a list of pieces (new bytes, or ranges of
// the old file copied as they are). Plain planning; nothing is read or written.
#pragma once

#include "tags/flac/FlacBlocks.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::flac {

// Padding given to a rebuilt file, so that the next edits fit in place.
constexpr std::uint32_t kFreshPadding = 8192;

struct Piece {
    std::string bytes;        // new bytes, or
    std::uint64_t offset = 0; // a range of the old file
    std::uint64_t length = 0;
};

struct EditPlan {
    bool inPlace = false;
    // In place: the bytes to write at writeOffset (the old bytes there may be
    // partly equal; the file layer writes only what differs).
    std::uint64_t writeOffset = 0;
    std::string writeBytes;
    // Otherwise: the new file, piece after piece.
    std::vector<Piece> pieces;
};

// Plans replacing the comment block's body (or adding a comment block) with
// `commentBody`. Raises FormatError when the comments cannot fit in a block.
EditPlan planCommentEdit(const Layout& layout, std::uint64_t fileSize,
                         const std::string& commentBody);

} // namespace velmora::flac
