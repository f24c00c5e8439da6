#include "tags/flac/FlacEdit.h"

#include <algorithm>

namespace velmora::flac {

namespace {

std::string renderBlock(std::uint8_t type, bool last, const std::string& body) {
    return renderBlockHeader(type, last, static_cast<std::uint32_t>(body.size())) + body;
}

// The comment block, when there is one, and the PADDING block right after it
// (or, without a comment block, the first PADDING block): the room an edit in
// place may use. Empty when there is neither.
std::vector<const Block*> roomForComments(const Layout& layout) {
    std::vector<const Block*> room;
    if (layout.commentIndex >= 0) {
        room.push_back(&layout.blocks[layout.commentIndex]);
        const std::size_t next = static_cast<std::size_t>(layout.commentIndex) + 1;
        if (next < layout.blocks.size() && layout.blocks[next].type == kPadding)
            room.push_back(&layout.blocks[next]);
        return room;
    }
    for (const Block& block : layout.blocks)
        if (block.type == kPadding) {
            room.push_back(&block);
            break;
        }
    return room;
}

bool planInPlace(const Layout& layout, const std::string& body, EditPlan& plan) {
    const std::vector<const Block*> room = roomForComments(layout);
    if (room.empty())
        return false;
    const std::uint64_t start = room.front()->offset;
    const std::uint64_t total = room.back()->end() - start;
    const bool lastInRoom = room.back()->last;
    const std::uint64_t needed = kBlockHeaderSize + body.size();
    plan.writeOffset = start;
    if (total == needed) {
        plan.writeBytes = renderBlock(kVorbisComment, lastInRoom, body);
    } else if (total >= needed + kBlockHeaderSize) {
        const std::uint64_t padding = total - needed - kBlockHeaderSize;
        if (padding > kMaxBlockLength)
            return false;
        plan.writeBytes = renderBlock(kVorbisComment, false, body) +
                          renderBlockHeader(kPadding, lastInRoom, std::uint32_t(padding));
        // Padding holds zeros: what was comment text before becomes zeros; an
        // old padding body already is padding and is left as it is.
        const Block& last = *room.back();
        const std::uint64_t clean = last.type == kPadding ? last.bodyOffset() : last.end();
        if (clean > start + plan.writeBytes.size())
            plan.writeBytes.resize(static_cast<std::size_t>(clean - start), '\0');
    } else {
        return false;
    }
    plan.inPlace = true;
    return true;
}

// One block of the new file: new bytes, or an old block copied.
struct OutputBlock {
    const Block* old = nullptr;
    std::uint8_t type = 0;
    std::string body;
};

void appendRange(std::vector<Piece>& pieces, std::uint64_t offset, std::uint64_t length) {
    if (length == 0)
        return;
    if (!pieces.empty() && pieces.back().bytes.empty() &&
        pieces.back().offset + pieces.back().length == offset) {
        pieces.back().length += length;
        return;
    }
    pieces.push_back(Piece{{}, offset, length});
}

void appendBytes(std::vector<Piece>& pieces, std::string bytes) {
    if (!pieces.empty() && !pieces.back().bytes.empty())
        pieces.back().bytes += bytes;
    else
        pieces.push_back(Piece{std::move(bytes), 0, 0});
}

void planRebuild(const Layout& layout, std::uint64_t fileSize, const std::string& body,
                 EditPlan& plan) {
    // Every old PADDING block goes; one fresh one follows the comment block.
    std::uint64_t oldPadding = 0;
    for (const Block& block : layout.blocks)
        if (block.type == kPadding)
            oldPadding += block.length;
    const auto padding = static_cast<std::uint32_t>(std::min<std::uint64_t>(
        std::max<std::uint64_t>(kFreshPadding, oldPadding), kMaxBlockLength));

    std::vector<OutputBlock> out;
    auto addComments = [&] {
        out.push_back(OutputBlock{nullptr, kVorbisComment, body});
        out.push_back(OutputBlock{nullptr, kPadding, std::string(padding, '\0')});
    };
    for (std::size_t i = 0; i < layout.blocks.size(); ++i) {
        const Block& block = layout.blocks[i];
        if (static_cast<int>(i) == layout.commentIndex)
            addComments();
        else if (block.type != kPadding)
            out.push_back(OutputBlock{&block, block.type, {}});
        if (i == 0 && layout.commentIndex < 0)
            addComments(); // a new comment block follows the stream information
    }

    appendRange(plan.pieces, 0, layout.streamOffset + 4);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const bool last = i + 1 == out.size();
        const OutputBlock& block = out[i];
        if (!block.old) {
            appendBytes(plan.pieces, renderBlock(block.type, last, block.body));
        } else if (block.old->last == last) {
            appendRange(plan.pieces, block.old->offset, kBlockHeaderSize + block.old->length);
        } else {
            appendBytes(plan.pieces, renderBlockHeader(block.type, last, block.old->length));
            appendRange(plan.pieces, block.old->bodyOffset(), block.old->length);
        }
    }
    appendRange(plan.pieces, layout.audioOffset, fileSize - layout.audioOffset);
}

} // namespace

EditPlan planCommentEdit(const Layout& layout, std::uint64_t fileSize,
                         const std::string& commentBody) {
    if (commentBody.size() > kMaxBlockLength)
        throw FormatError("The comments do not fit in a FLAC metadata block");
    EditPlan plan;
    if (!planInPlace(layout, commentBody, plan))
        planRebuild(layout, fileSize, commentBody, plan);
    return plan;
}

} // namespace velmora::flac
