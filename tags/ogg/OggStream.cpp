#include "tags/ogg/OggStream.h"
#include "tags/ogg/Ogg.h"

#include <cstring>
#include <limits>

std::size_t OggFileInput::read(void* buffer, std::size_t n) {
    std::size_t got = file_.readAt(position_, buffer, n);
    position_ += got;
    return got;
}

std::size_t OggMemoryInput::read(void* buffer, std::size_t n) {
    std::size_t got = std::min(n, bytes_.size() - position_);
    if (got > 0)
        std::memcpy(buffer, bytes_.data() + position_, got);
    position_ += got;
    return got;
}

namespace {

// size * count, or the largest size_t when that overflows (a request that large
// simply reads or writes all there is).
std::size_t totalBytes(std::size_t size, std::size_t count) {
    std::size_t total = 0;
    return __builtin_mul_overflow(size, count, &total) ? std::numeric_limits<std::size_t>::max()
                                                       : total;
}

} // namespace

std::size_t OggReadFunc(void* buffer, std::size_t size, std::size_t count, void* stream) {
    if (size == 0 || count == 0 || !stream)
        return 0;
    return static_cast<OggStream*>(stream)->read(buffer, totalBytes(size, count)) / size;
}

std::size_t OggWriteFunc(const void* buffer, std::size_t size, std::size_t count, void* stream) {
    if (size == 0)
        return static_cast<std::size_t>(-1);
    if (!stream)
        return 0;
    return static_cast<OggStream*>(stream)->write(buffer, totalBytes(size, count)) / size;
}
