#include "InputBuffer.h"

#include <cstring>

namespace vcedit {

bool InputBuffer::readMore() {
    if (ended_)
        return false;
    if (begin_ > 0 && (begin_ == end_ || begin_ >= buffer_.size() / 2)) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (buffer_.size() - end_ < chunk_)
        buffer_.resize(end_ + chunk_);
    std::size_t want = buffer_.size() - end_;
    std::size_t got = read_(buffer_.data() + end_, 1, want, stream_);
    if (got == 0 || got > want) { // end of input, a read error or a broken callback
        ended_ = true;
        return false;
    }
    end_ += got;
    return true;
}

bool InputBuffer::ensure(std::size_t n) {
    while (size() < n)
        if (!readMore())
            return false;
    return true;
}

} // namespace vcedit
