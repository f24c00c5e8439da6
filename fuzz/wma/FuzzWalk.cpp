// The header walk over arbitrary bytes: it must end, within the bytes, with
// no crash and no allocation beyond a short text.
#include "tags/wma/WMAHeaderWalk.h"

#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WMATagRec tag;
    WalkWMAHeader(
        [&](std::uint64_t offset, void* buffer, std::size_t n) -> std::size_t {
            if (offset >= size)
                return 0;
            const auto got = static_cast<std::size_t>(std::min<std::uint64_t>(n, size - offset));
            std::memcpy(buffer, data + offset, got);
            return got;
        },
        tag);
    return 0;
}
