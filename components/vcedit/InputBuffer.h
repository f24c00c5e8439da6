// The input stream, read only through the caller's read callback and buffered
// so that a page can be looked at whole before it is consumed.
#pragma once

#include "vcedit.h"

#include <cstddef>
#include <vector>

namespace vcedit {

class InputBuffer {
public:
    InputBuffer(vcedit_read_func read, void* stream) : read_(read), stream_(stream) {}

    // Reads on until at least n bytes are buffered or the input ends; true when
    // n bytes are available.
    bool ensure(std::size_t n);
    // Reads one more chunk; false at the end of the input.
    bool readMore();

    unsigned char* data() { return buffer_.data() + begin_; }
    std::size_t size() const { return end_ - begin_; }
    void consume(std::size_t n) { begin_ += n < size() ? n : size(); }
    bool atEnd() const { return ended_; }
    void setChunkSize(std::size_t n) { chunk_ = n; }

private:
    vcedit_read_func read_;
    void* stream_;
    std::vector<unsigned char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    std::size_t chunk_ = 16 * 1024;
    bool ended_ = false;
};

} // namespace vcedit
