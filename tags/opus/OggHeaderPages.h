// The header pages of an Ogg stream as bytes (Opus, and FLAC in Ogg): finding the
// identification packet ("OpusHead") and the comment packet ("OpusTags") of the first logical
// stream, where the comment packet's pages lie, and paginating a new one.
// Plain parsing; the bytes come through a reader, so files and memory serve alike.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora::opus {

// Why bytes are not an Ogg Opus stream we can work on; the file layer adds the path.
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads up to n bytes at offset and returns how many it got.
using ReadAt = std::function<std::size_t(std::uint64_t offset, void* out, std::size_t n)>;

struct PageRange {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

struct HeaderPages {
    std::uint32_t serial = 0;
    std::string identification; // the first packet
    std::string comments;       // the second packet
    // The pages of this stream that carry the comment packet, in order, and
    // the pages of other streams found among them.
    std::vector<PageRange> commentPages;
    std::vector<PageRange> otherPages;
    // The comment packet starts its first page and ends its last one, as the
    // format asks; only then can its pages be replaced on their own.
    bool commentPagesOwnPacket = false;
    std::uint32_t commentSequence = 0; // of the first comment page
    // Every header page of this stream has a correct checksum (checked only
    // when asked for).
    bool checksumsValid = true;
};

// Whether the first page of the stream starts a logical stream whose first
// packet begins with `magic` ("OpusHead", "\x7F" "FLAC"). Reads one page header
// and a few bytes.
bool firstPacketStartsWith(const ReadAt& read, std::uint64_t size, const std::string& magic);

// Reads the first two packets of the first logical stream, page by page, each
// bounded by `maxPacket`. Raises FormatError when the bytes are not an Ogg
// stream or end before the second packet does.
HeaderPages readHeaderPages(const ReadAt& read, std::uint64_t size, std::uint64_t maxPacket,
                            bool checkChecksums);

// The pages that carry `packet` as the second packet of stream `serial`, the
// first numbered `sequence`: a packet of its own, granule position 0 on its
// last page (-1 on pages where it goes on).
std::vector<std::string> paginate(const std::string& packet, std::uint32_t serial,
                                  std::uint32_t sequence);

} // namespace velmora::opus

namespace velmora::opus {

// Gives the pages of one stream that follow replaced header pages new sequence
// numbers (and the checksums that go with them), chunk by chunk. Pages of other
// streams, pages after the stream's last page and bytes that are no page pass
// unchanged.
class PageRenumberer {
public:
    PageRenumberer(std::uint32_t serial, std::uint32_t shift) : serial_(serial), shift_(shift) {}
    // Renumbers the whole pages at the start of data and returns how many bytes
    // are done; the rest (a page cut by the chunk's end) must come again with
    // more bytes. With atEnd, everything is done.
    std::size_t process(unsigned char* data, std::size_t size, bool atEnd);

private:
    std::uint32_t serial_;
    std::uint32_t shift_;
    bool ended_ = false;
};

} // namespace velmora::opus
