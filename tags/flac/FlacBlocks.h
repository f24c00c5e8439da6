// FLAC metadata blocks as bytes: the leading ID3v2 tag that some programs put
// before the stream, the block headers, and where the audio frames begin.
// Plain parsing; the bytes come through a reader, so files and memory serve alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora::flac {

enum BlockType : std::uint8_t {
    kStreamInfo = 0,
    kPadding = 1,
    kApplication = 2,
    kSeekTable = 3,
    kVorbisComment = 4,
    kCueSheet = 5,
    kPicture = 6,
    kInvalidType = 127,
};

constexpr std::size_t kBlockHeaderSize = 4;
// A block's length is a 24-bit number.
constexpr std::uint32_t kMaxBlockLength = 0xFFFFFF;

// Why bytes are not a FLAC stream we can work on; the file layer adds the path.
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Block {
    std::uint8_t type = 0;
    bool last = false;
    std::uint32_t length = 0; // of the body, without the 4-byte header
    std::uint64_t offset = 0; // of the header
    std::uint64_t bodyOffset() const { return offset + kBlockHeaderSize; }
    std::uint64_t end() const { return bodyOffset() + length; }
};

struct Layout {
    std::uint64_t streamOffset = 0; // of "fLaC"; the bytes before it are ID3v2 tags
    std::vector<Block> blocks;      // in file order; the first is STREAMINFO
    std::uint64_t audioOffset = 0;  // just past the last block
    int commentIndex = -1;          // the first VORBIS_COMMENT block, or -1
};

// Reads up to n bytes at offset and returns how many it got.
using ReadAt = std::function<std::size_t(std::uint64_t offset, void* out, std::size_t n)>;

// Walks the leading ID3v2 tags and the metadata block headers of a stream of
// `size` bytes, reading only the headers. Raises FormatError when the bytes
// are not FLAC or a block reaches past the end of the file.
Layout readLayout(const ReadAt& read, std::uint64_t size);

// The 4-byte header of a block.
std::string renderBlockHeader(std::uint8_t type, bool last, std::uint32_t length);

} // namespace velmora::flac
