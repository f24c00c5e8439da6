#include "tags/mp4/Mp4FileSource.h"

#include <algorithm>
#include <cstring>

namespace velmora::mp4 {

bool FileSource::read(std::uint64_t offset, void* buffer, std::size_t n) const {
    if (offset > file_.size() || n > file_.size() - offset)
        return false;
    if (n >= kWindow)
        return file_.readAt(offset, buffer, n) == n;
    ++uses_;
    for (Window& w : windows_) {
        if (offset >= w.offset && offset - w.offset + n <= w.bytes.size()) {
            std::memcpy(buffer, w.bytes.data() + (offset - w.offset), n);
            w.lastUse = uses_;
            return true;
        }
    }
    // The least recently used window reads the bytes from here on.
    Window& w =
        *std::min_element(windows_.begin(), windows_.end(),
                          [](const Window& a, const Window& b) { return a.lastUse < b.lastUse; });
    w.bytes.resize(
        static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, file_.size() - offset)));
    if (file_.readAt(offset, w.bytes.data(), w.bytes.size()) != w.bytes.size()) {
        w.bytes.clear();
        return false;
    }
    w.offset = offset;
    w.lastUse = uses_;
    std::memcpy(buffer, w.bytes.data(), n);
    return true;
}

} // namespace velmora::mp4
