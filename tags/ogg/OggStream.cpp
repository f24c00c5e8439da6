#include "tags/ogg/OggStream.h"
#include "tags/ogg/Ogg.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

std::size_t OggFileInput::read(void* buffer, std::size_t n) {
    // Never asked past the end: a read there costs a system call for nothing.
    n = static_cast<std::size_t>(
        std::min<std::uint64_t>(n, file_.size() - std::min(position_, file_.size())));
    if (n == 0)
        return 0;
    errno = 0;
    const std::size_t got = file_.readAt(position_, buffer, n);
    if (got < n && position_ + got < file_.size() && errorCode_ == 0)
        errorCode_ = errno != 0 ? errno : EIO; // short of the file's end: the device failed
    position_ += got;
    return got;
}

bool OggFileInput::seekTo(std::uint64_t offset) {
    if (offset > file_.size())
        return false;
    position_ = offset;
    return true;
}

std::size_t OggFileOutput::write(const void* data, std::size_t n) {
    if (!failure_.empty())
        return 0;
    try {
        file_.write(data, n);
        return n;
    } catch (const velmora::FileError& e) {
        failure_ = e.what();
        failureCode_ = e.errorCode();
        return 0;
    }
}

void OggFileOutput::raiseFailure() const {
    if (!failure_.empty())
        throw velmora::FileError(failure_, failureCode_);
}

std::size_t OggMemoryInput::read(void* buffer, std::size_t n) {
    std::size_t got = std::min(n, bytes_.size() - position_);
    if (got > 0)
        std::memcpy(buffer, bytes_.data() + position_, got);
    position_ += got;
    return got;
}

bool OggMemoryInput::seekTo(std::uint64_t offset) {
    if (offset > bytes_.size())
        return false;
    position_ = static_cast<std::size_t>(offset);
    return true;
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

int OggSeekFunc(void* stream, unsigned long long offset) {
    return stream && static_cast<OggStream*>(stream)->seekTo(offset) ? 0 : -1;
}
