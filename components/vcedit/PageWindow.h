// The input of a read that wants only the comments: a small window over the
// stream, filled through the read callback, that moves over the rest through
// the seek callback so that bytes nobody looks at are never read.
#pragma once

#include "vcedit.h"

#include <cstddef>
#include <cstdint>

namespace vcedit {

class PageWindow {
public:
    static constexpr std::size_t kSize = 8192;

    PageWindow(vcedit_read_func read, vcedit_seek_func seek, void* stream)
        : read_(read), seek_(seek), stream_(stream) {}

    // Makes n (<= kSize) bytes available, reading at least `want` bytes when it
    // has to read; false when the input ends first.
    bool ensure(std::size_t n, std::size_t want = 512);
    const unsigned char* data() const { return buffer_ + begin_; }
    std::size_t size() const { return end_ - begin_; }
    void consume(std::size_t n) { begin_ += n; }

    // Copies the next n bytes out (large copies go straight from the input).
    bool copy(char* to, std::size_t n);
    // Passes over the next n bytes; false when the input ends first.
    bool pass(std::uint64_t n);
    // Moves to an offset of the input, backwards too when the input can seek;
    // false when the input is shorter or cannot go there.
    bool moveTo(std::uint64_t offset);
    bool canSeek() const { return seek_ != nullptr; }
    // The offset of the next byte (from where the input stood when opened).
    std::uint64_t position() const { return taken_ - size(); }

private:
    std::size_t readInto(unsigned char* to, std::size_t n);

    vcedit_read_func read_;
    vcedit_seek_func seek_;
    void* stream_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    std::uint64_t taken_ = 0; // the input's offset of buffer_[end_]
    bool ended_ = false;
    unsigned char buffer_[kSize]; // not cleared: only bytes read are looked at
};

} // namespace vcedit
