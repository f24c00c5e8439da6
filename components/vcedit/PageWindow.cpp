#include "PageWindow.h"

#include <algorithm>
#include <cstring>

namespace vcedit {

std::size_t PageWindow::readInto(unsigned char* to, std::size_t n) {
    if (ended_ || n == 0)
        return 0;
    const std::size_t got = read_(to, 1, n, stream_);
    if (got == 0 || got > n) { // the end, a read error or a broken callback
        ended_ = true;
        return 0;
    }
    taken_ += got;
    return got;
}

bool PageWindow::ensure(std::size_t n, std::size_t want) {
    if (size() >= n)
        return true;
    if (begin_ > 0) {
        std::memmove(buffer_, buffer_ + begin_, size());
        end_ -= begin_;
        begin_ = 0;
    }
    want = std::min(std::max(n, want), kSize);
    while (size() < n) {
        const std::size_t got = readInto(buffer_ + end_, want - end_);
        if (got == 0)
            return false;
        end_ += got;
    }
    return true;
}

bool PageWindow::copy(char* to, std::size_t n) {
    const std::size_t held = std::min(n, size());
    std::memcpy(to, data(), held);
    consume(held);
    for (std::size_t done = held; done < n;) {
        const std::size_t got = readInto(reinterpret_cast<unsigned char*>(to) + done, n - done);
        if (got == 0)
            return false;
        done += got;
    }
    return true;
}

bool PageWindow::pass(std::uint64_t n) {
    const std::size_t held = static_cast<std::size_t>(std::min<std::uint64_t>(n, size()));
    consume(held);
    n -= held;
    if (n == 0)
        return true;
    if (skip_) {
        if (ended_ || skip_(stream_, n) != 0) {
            ended_ = true;
            return false;
        }
        taken_ += n;
        return true;
    }
    while (n > 0) { // no skip callback: read and drop
        begin_ = end_ = 0;
        const std::size_t got =
            readInto(buffer_, static_cast<std::size_t>(std::min<std::uint64_t>(n, kSize)));
        if (got == 0)
            return false;
        n -= got;
    }
    return true;
}

} // namespace vcedit
