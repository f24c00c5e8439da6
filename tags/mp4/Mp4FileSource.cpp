#include "tags/mp4/Mp4FileSource.h"

#include <algorithm>
#include <cstring>

namespace velmora::mp4 {

bool FileSource::read(std::uint64_t offset, void* buffer, std::size_t n) const {
    if (offset > file_.size() || n > file_.size() - offset)
        return false;
    if (offset >= cacheOffset_ && offset - cacheOffset_ + n <= cache_.size()) {
        std::memcpy(buffer, cache_.data() + (offset - cacheOffset_), n);
        return true;
    }
    if (n >= kWindow)
        return file_.readAt(offset, buffer, n) == n;
    cache_.resize(
        static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, file_.size() - offset)));
    const std::size_t got = file_.readAt(offset, cache_.data(), cache_.size());
    if (got != cache_.size()) {
        cache_.clear();
        return false;
    }
    cacheOffset_ = offset;
    std::memcpy(buffer, cache_.data(), n);
    return true;
}

} // namespace velmora::mp4
