#include "tags/opus/OggChecksum.h"

#include <array>

namespace velmora::opus {

namespace {

// CRC-32 with polynomial 0x04c11db7, not reflected, starting at 0: eight
// tables, so that eight bytes take eight lookups and no carried dependency.
struct Tables {
    std::array<std::array<std::uint32_t, 256>, 8> t{};
    constexpr Tables() {
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
constexpr Tables kTables;

std::uint32_t update(std::uint32_t crc, const unsigned char* p, std::size_t n) {
    const auto& t = kTables.t;
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

std::uint32_t storedChecksum(const unsigned char* page) {
    return std::uint32_t(page[22]) | std::uint32_t(page[23]) << 8 | std::uint32_t(page[24]) << 16 |
           std::uint32_t(page[25]) << 24;
}

} // namespace

std::uint32_t pageChecksum(const unsigned char* page, std::size_t size) {
    static constexpr unsigned char kZeros[4] = {0, 0, 0, 0};
    std::uint32_t crc = update(0, page, 22);
    crc = update(crc, kZeros, 4);
    return update(crc, page + 26, size - 26);
}

bool checksumMatches(const unsigned char* page, std::size_t size) {
    return pageChecksum(page, size) == storedChecksum(page);
}

void sealWithChecksum(unsigned char* page, std::size_t size) {
    const std::uint32_t crc = pageChecksum(page, size);
    for (int i = 0; i < 4; ++i)
        page[22 + i] = static_cast<unsigned char>(crc >> (8 * i));
}

} // namespace velmora::opus
