#include "OggPage.h"

#include <cstring>
#include <ogg/ogg.h>

namespace vcedit {

namespace {

std::uint32_t readLe32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

void writeLe32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

} // namespace

PageScan scanPage(const unsigned char* data, std::size_t available, std::size_t& needed,
                  std::size_t& size) {
    static const unsigned char capture[4] = {'O', 'g', 'g', 'S'};
    std::size_t prefix = available < 4 ? available : 4;
    if (std::memcmp(data, capture, prefix) != 0)
        return PageScan::NotPage;
    if (available >= 5 && data[4] != 0) // only stream structure version 0 exists
        return PageScan::NotPage;
    if (available < kPageHeaderSize) {
        needed = kPageHeaderSize;
        return PageScan::NeedMore;
    }
    std::size_t header = pageHeaderSize(data);
    if (available < header) {
        needed = header;
        return PageScan::NeedMore;
    }
    std::size_t body = 0;
    for (std::size_t i = 0; i < pageSegments(data); ++i)
        body += pageLacing(data)[i];
    if (available < header + body) {
        needed = header + body;
        return PageScan::NeedMore;
    }
    size = header + body;
    return PageScan::Page;
}

std::int64_t pageGranule(const unsigned char* page) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | page[6 + i];
    return static_cast<std::int64_t>(v);
}

std::uint32_t pageSerial(const unsigned char* page) {
    return readLe32(page + 14);
}
std::uint32_t pageSequence(const unsigned char* page) {
    return readLe32(page + 18);
}

std::uint32_t computePageChecksum(const unsigned char* page, std::size_t size) {
    // libogg computes the checksum in place; work on a copy of the header only.
    unsigned char header[kPageHeaderSize + 255];
    std::size_t headerSize = pageHeaderSize(page);
    std::memcpy(header, page, headerSize);
    ogg_page og;
    og.header = header;
    og.header_len = static_cast<long>(headerSize);
    og.body = const_cast<unsigned char*>(page + headerSize); // only read
    og.body_len = static_cast<long>(size - headerSize);
    ogg_page_checksum_set(&og);
    return readLe32(header + 22);
}

bool pageChecksumValid(const unsigned char* page, std::size_t size) {
    return computePageChecksum(page, size) == readLe32(page + 22);
}

void renumberPage(unsigned char* page, std::size_t size, std::uint32_t sequence) {
    bool valid = pageChecksumValid(page, size);
    writeLe32(page + 18, sequence);
    if (valid)
        sealPage(page, size);
}

void sealPage(unsigned char* page, std::size_t size) {
    writeLe32(page + 22, computePageChecksum(page, size));
}

std::string buildPage(unsigned char flags, std::int64_t granule, std::uint32_t serial,
                      std::uint32_t sequence, const std::vector<unsigned char>& lacing,
                      const unsigned char* body, std::size_t bodySize) {
    std::string page(kPageHeaderSize + lacing.size() + bodySize, '\0');
    auto* p = reinterpret_cast<unsigned char*>(page.data());
    std::memcpy(p, "OggS", 4);
    p[4] = 0;
    p[5] = flags;
    auto g = static_cast<std::uint64_t>(granule);
    for (int i = 0; i < 8; ++i)
        p[6 + i] = static_cast<unsigned char>(g >> (8 * i));
    writeLe32(p + 14, serial);
    writeLe32(p + 18, sequence);
    p[26] = static_cast<unsigned char>(lacing.size());
    if (!lacing.empty())
        std::memcpy(p + 27, lacing.data(), lacing.size());
    if (bodySize > 0)
        std::memcpy(p + 27 + lacing.size(), body, bodySize);
    sealPage(p, page.size());
    return page;
}

} // namespace vcedit
