#include "OggPage.h"

#include <array>
#include <cstring>

namespace velmora {

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

namespace {

// The Ogg checksum: CRC-32 with polynomial 0x04c11db7, not reflected, starting
// at 0. Eight tables, so that eight bytes take eight lookups and no carried
// dependency: header pages that carry a cover run to hundreds of KiB, and a
// rewrite checks the old ones and seals the new ones.
struct CrcTables {
    std::array<std::array<std::uint32_t, 256>, 8> t{};
    constexpr CrcTables() {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t r = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                r = (r & 0x80000000u) ? (r << 1) ^ 0x04c11db7u : r << 1;
            t[0][i] = r;
        }
        for (std::size_t k = 1; k < 8; ++k)
            for (std::size_t i = 0; i < 256; ++i)
                t[k][i] = (t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 24];
    }
};
constexpr CrcTables kCrc;

std::uint32_t crcUpdate(std::uint32_t crc, const unsigned char* p, std::size_t n) {
    const auto& t = kCrc.t;
    while (n >= 8) {
        const std::uint32_t a = crc ^ (std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 |
                                       std::uint32_t(p[2]) << 8 | p[3]);
        crc = t[7][a >> 24] ^ t[6][(a >> 16) & 0xFF] ^ t[5][(a >> 8) & 0xFF] ^ t[4][a & 0xFF] ^
              t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
        p += 8;
        n -= 8;
    }
    while (n--)
        crc = (crc << 8) ^ t[0][(crc >> 24) ^ *p++];
    return crc;
}

} // namespace

std::uint32_t computePageChecksum(const unsigned char* page, std::size_t size) {
    static constexpr unsigned char kZeros[4] = {0, 0, 0, 0};
    std::uint32_t crc = crcUpdate(0, page, 22);
    crc = crcUpdate(crc, kZeros, 4);
    return crcUpdate(crc, page + 26, size - 26);
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

} // namespace velmora
