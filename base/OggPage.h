// Ogg pages as raw bytes: recognising one in a buffer, reading and changing its
// header fields, and checking or setting its checksum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

constexpr std::size_t kPageHeaderSize = 27;
// The largest possible page: 27 + 255 lacing values + 255 * 255 body bytes.
constexpr std::size_t kMaxPageSize = kPageHeaderSize + 255 + 255 * 255;

enum PageFlag : unsigned char { kContinued = 1, kBeginOfStream = 2, kEndOfStream = 4 };

enum class PageScan { Page, NeedMore, NotPage };

// Looks for a whole page at the start of data. NeedMore sets `needed` to the
// number of bytes required to decide; Page sets `size` to the page's length.
PageScan scanPage(const unsigned char* data, std::size_t available, std::size_t& needed,
                  std::size_t& size);

// Field accessors on a buffer that holds at least a full page header.
inline unsigned char pageFlags(const unsigned char* page) {
    return page[5];
}
std::int64_t pageGranule(const unsigned char* page);
std::uint32_t pageSerial(const unsigned char* page);
std::uint32_t pageSequence(const unsigned char* page);
inline std::size_t pageSegments(const unsigned char* page) {
    return page[26];
}
inline const unsigned char* pageLacing(const unsigned char* page) {
    return page + 27;
}
inline std::size_t pageHeaderSize(const unsigned char* page) {
    return 27 + page[26];
}

// Checksum of a whole page (size bytes), computed as if its checksum field were 0.
std::uint32_t computePageChecksum(const unsigned char* page, std::size_t size);
bool pageChecksumValid(const unsigned char* page, std::size_t size);
// Gives the page a new sequence number and, when its checksum was valid, a
// matching checksum (a damaged page stays recognisably damaged).
void renumberPage(unsigned char* page, std::size_t size, std::uint32_t sequence);
// Stores the correct checksum into the page.
void sealPage(unsigned char* page, std::size_t size);

// Builds a page from its parts, checksum included.
std::string buildPage(unsigned char flags, std::int64_t granule, std::uint32_t serial,
                      std::uint32_t sequence, const std::vector<unsigned char>& lacing,
                      const unsigned char* body, std::size_t bodySize);

} // namespace velmora
