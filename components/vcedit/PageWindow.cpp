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
    return moveTo(position() + n);
}

bool PageWindow::moveTo(std::uint64_t offset) {
    const std::uint64_t bufferStart = taken_ - end_;
    if (offset >= bufferStart && offset <= taken_) { // within what is held
        begin_ = static_cast<std::size_t>(offset - bufferStart);
        return true;
    }
    begin_ = end_ = 0;
    if (seek_) {
        if (seek_(stream_, offset) != 0) {
            ended_ = true;
            return false;
        }
        taken_ = offset;
        ended_ = false;
        return true;
    }
    if (offset < taken_)
        return false;         // no going back without a seek
    while (taken_ < offset) { // read and drop
        const std::size_t got = readInto(
            buffer_, static_cast<std::size_t>(std::min<std::uint64_t>(offset - taken_, kSize)));
        if (got == 0)
            return false;
    }
    return true;
}

} // namespace vcedit
