// The Ogg page checksum computed eight bytes at a time: header pages that
// carry a cover picture run to hundreds of KiB, and a rewrite checks the old
// ones and seals the new ones.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmora::opus {

// The checksum of a whole page, as if its checksum field were 0.
std::uint32_t pageChecksum(const unsigned char* page, std::size_t size);
bool checksumMatches(const unsigned char* page, std::size_t size);
// Stores the page's checksum into it.
void sealWithChecksum(unsigned char* page, std::size_t size);

} // namespace velmora::opus
