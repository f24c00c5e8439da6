// Feeds arbitrary bytes to the FLAC block walk and the comment block parser,
// then plans an edit, carries it out in memory and checks that the result
// walks again and holds the comments written.
#include "fuzz/common/FuzzHarness.h"
#include "tags/flac/FlacBlocks.h"
#include "tags/flac/FlacEdit.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace velmora;
using fuzz::memoryReader;
namespace vc = velmora::vorbiscomment;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    flac::Layout layout;
    try {
        layout = flac::readLayout(memoryReader(bytes), bytes.size());
    } catch (const flac::FormatError&) {
        return 0;
    }
    std::string body;
    vc::CommentList list;
    std::size_t used = 0;
    if (layout.commentIndex >= 0) {
        const flac::Block& block = layout.blocks[static_cast<std::size_t>(layout.commentIndex)];
        body = bytes.substr(block.bodyOffset(), block.length);
        if (!vc::parseComments(body, list, used))
            return 0;
    }
    std::string newBody = fuzz::editedComments(list, size % 3 == 0 ? size * 7 % 9000 : 0);
    if (layout.commentIndex >= 0)
        newBody.append(body, used);

    const flac::EditPlan plan = flac::planCommentEdit(layout, bytes.size(), newBody);
    std::string result;
    if (plan.inPlace) {
        result = bytes;
        if (plan.writeOffset + plan.writeBytes.size() > result.size())
            std::abort(); // an in-place write must stay inside the file
        result.replace(plan.writeOffset, plan.writeBytes.size(), plan.writeBytes);
    } else {
        for (const flac::Piece& piece : plan.pieces)
            result += piece.bytes.empty() ? bytes.substr(piece.offset, piece.length) : piece.bytes;
    }
    const flac::Layout after = flac::readLayout(memoryReader(result), result.size());
    if (after.commentIndex < 0 || result.size() - after.audioOffset != size - layout.audioOffset)
        std::abort();
    const flac::Block& block = after.blocks[static_cast<std::size_t>(after.commentIndex)];
    if (!fuzz::holdsEditedGenre(result.substr(block.bodyOffset(), block.length)))
        std::abort();
    return 0;
}
