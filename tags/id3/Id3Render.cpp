// Rendering the record and the kept frames as a version 2.3 tag.
#include "base/FileLayer.h"
#include "tags/id3/FrameIds.h"
#include "tags/id3/Id3Tag.h"
#include "tags/id3/Id3Text.h"

#include <algorithm>

namespace velmora::id3 {

namespace {

void appendFrame(std::string& out, std::string_view id, std::uint16_t flags,
                 std::string_view data) {
    if (data.size() > kMaxTagSize)
        throw TagError("The tag is too large to be written.");
    out.append(id);
    appendBigEndian(out, static_cast<std::uint32_t>(data.size()));
    out += static_cast<char>(flags >> 8);
    out += static_cast<char>(flags & 0xFF);
    out.append(data);
}

// A text ends at its first zero character: what follows it is written as
// zeros, so the frame keeps the text's whole length but shows nothing behind
// the zero to any reader.
std::string blankAfterZero(std::string_view text) {
    std::string out(text);
    if (auto zero = out.find('\0'); zero != std::string::npos)
        std::fill(out.begin() + static_cast<std::ptrdiff_t>(zero), out.end(), '\0');
    return out;
}

// ASCII text keeps the plain layout (encoding 0); any other text is written
// as UTF-16 with a byte order mark, which every reader understands.
std::string textFrameData(std::string_view value) {
    const std::string text = blankAfterZero(value);
    const std::uint8_t enc = encodingFor({text});
    return static_cast<char>(enc) + encodeString(text, enc, false);
}

// Language "eng", an empty description, then the text.
std::string commentFrameData(std::string_view value) {
    const std::string text = blankAfterZero(value);
    const std::uint8_t enc = encodingFor({text});
    return static_cast<char>(enc) + std::string("eng") + encodeString("", enc, true) +
           encodeString(text, enc, false);
}

} // namespace

void appendBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

void appendSyncsafe(std::string& out, std::uint32_t value) {
    for (int shift = 21; shift >= 0; shift -= 7)
        out += static_cast<char>((value >> shift) & 0x7F);
}

std::string renderFrames(const ID3StructV2& fields, const std::vector<Frame>& kept) {
    std::string out;
    for (std::size_t slot = 0; slot < kFieldCount; ++slot) {
        const std::string& text = fields.*kFields[slot];
        appendFrame(out, kFrameIds[slot], 0,
                    slot == kCommentSlot ? commentFrameData(text) : textFrameData(text));
    }
    for (const Frame& frame : kept)
        appendFrame(out, frame.id, frame.flags, frame.data);
    return out;
}

std::string assembleTag(std::string_view frames, std::size_t padding) {
    if (frames.size() > kMaxTagSize || padding > kMaxTagSize - frames.size())
        throw TagError("The tag is too large to be written.");
    std::string out("ID3\x03\x00\x00", 6);
    appendSyncsafe(out, static_cast<std::uint32_t>(frames.size() + padding));
    out.reserve(kHeaderSize + frames.size() + padding);
    out.append(frames);
    out.append(padding, '\0');
    return out;
}

} // namespace velmora::id3
