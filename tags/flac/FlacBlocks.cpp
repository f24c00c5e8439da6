#include "tags/flac/FlacBlocks.h"

#include <cstring>

namespace velmora::flac {

namespace {

// More blocks than any real file holds; a stream of empty blocks stops here.
constexpr std::size_t kMaxBlocks = 1u << 16;
// More leading ID3v2 tags than any real file holds.
constexpr int kMaxId3Tags = 16;

void readExactly(const ReadAt& read, std::uint64_t offset, void* out, std::size_t n,
                 const char* what) {
    if (read(offset, out, n) != n)
        throw FormatError(what);
}

// The length of the ID3v2 tag whose 10-byte header is given, or 0 when it is none.
std::uint64_t id3v2Length(const unsigned char* h) {
    if (std::memcmp(h, "ID3", 3) != 0 || h[3] == 0xFF || h[4] == 0xFF)
        return 0;
    std::uint64_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if (h[i] & 0x80)
            return 0;
        size = size << 7 | h[i];
    }
    const bool footer = (h[5] & 0x10) != 0;
    return 10 + size + (footer ? 10 : 0);
}

} // namespace

Layout readLayout(const ReadAt& read, std::uint64_t size) {
    Layout layout;
    std::uint64_t at = 0;
    unsigned char head[10];
    for (int tags = 0;; ++tags) {
        if (size - at < 10)
            throw FormatError("The file is not a FLAC file");
        readExactly(read, at, head, 10, "The file cannot be read");
        const std::uint64_t id3 = id3v2Length(head);
        if (id3 == 0)
            break;
        if (tags == kMaxId3Tags || id3 > size - at)
            throw FormatError("The ID3v2 tag before the FLAC stream is damaged");
        at += id3;
    }
    if (std::memcmp(head, "fLaC", 4) != 0)
        throw FormatError("The file is not a FLAC file");
    layout.streamOffset = at;
    at += 4;
    for (;;) {
        if (layout.blocks.size() == kMaxBlocks)
            throw FormatError("The FLAC metadata holds too many blocks");
        if (size - at < kBlockHeaderSize)
            throw FormatError("The FLAC metadata is cut short");
        unsigned char h[kBlockHeaderSize];
        readExactly(read, at, h, kBlockHeaderSize, "The file cannot be read");
        Block block;
        block.last = (h[0] & 0x80) != 0;
        block.type = h[0] & 0x7F;
        block.length = std::uint32_t(h[1]) << 16 | std::uint32_t(h[2]) << 8 | h[3];
        block.offset = at;
        if (block.type == kInvalidType)
            throw FormatError("The FLAC metadata holds an invalid block");
        if (layout.blocks.empty() && (block.type != kStreamInfo || block.length < 34))
            throw FormatError("The FLAC stream does not begin with its stream information");
        if (block.length > size - at - kBlockHeaderSize)
            throw FormatError("A FLAC metadata block reaches past the end of the file");
        if (block.type == kVorbisComment && layout.commentIndex < 0)
            layout.commentIndex = static_cast<int>(layout.blocks.size());
        layout.blocks.push_back(block);
        at = block.end();
        if (block.last)
            break;
    }
    layout.audioOffset = at;
    return layout;
}

std::string renderBlockHeader(std::uint8_t type, bool last, std::uint32_t length) {
    std::string h(kBlockHeaderSize, '\0');
    h[0] = static_cast<char>((last ? 0x80 : 0) | (type & 0x7F));
    h[1] = static_cast<char>(length >> 16);
    h[2] = static_cast<char>(length >> 8);
    h[3] = static_cast<char>(length);
    return h;
}

} // namespace velmora::flac
