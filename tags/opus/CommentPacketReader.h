// The second packet of the first logical stream of an Ogg file (the comment
// header), read on demand: page headers and the bytes asked for are read, the
// bytes passed over (a cover picture) are not. For readers; a rewrite needs
// the whole packet (see readHeaderPages).
#pragma once

#include "tags/opus/OggHeaderPages.h"

#include <cstdint>
#include <string>

namespace velmora::opus {

class CommentPacketReader {
public:
    // Reads the first packet whole (bounded by the file) and stops where the
    // second begins. Raises FormatError as readHeaderPages does.
    CommentPacketReader(ReadAt read, std::uint64_t size);

    const std::string& firstPacket() const { return first_; }
    // The next n bytes of the second packet; false when it ends first or a
    // page is missing.
    bool read(char* to, std::size_t n) { return advance(to, n); }
    bool skip(std::uint64_t n) { return advance(nullptr, n); }
    // At least the bytes still to come in the packet.
    std::uint64_t remainingBound() const { return size_ - at_; }

private:
    bool advance(char* to, std::uint64_t n);
    // Moves to the next page of the stream; false at the end of the bytes.
    bool nextPage();

    ReadAt read_;
    std::uint64_t size_;
    std::uint32_t serial_ = 0;
    std::string first_;
    std::uint64_t nextPageAt_ = 0;
    unsigned char lacing_[255] = {};
    std::size_t segments_ = 0;
    std::size_t segment_ = 0;
    std::size_t inSegment_ = 0;
    std::uint64_t at_ = 0; // file offset of the next byte
    bool ended_ = false;
};

} // namespace velmora::opus
