#include "tags/id3/Id3Source.h"

#include <algorithm>
#include <cerrno>
#include <memory>

namespace velmora::id3 {

namespace {

constexpr std::size_t kWindow = 4096;

struct Scratch {
    std::unique_ptr<char[]> data;
    std::size_t capacity = 0;
};

} // namespace

char* scratchMemory(int which, std::size_t n) {
    thread_local Scratch scratch[2];
    Scratch& s = scratch[which];
    if (n > s.capacity) {
        const std::size_t grown = std::max(n, s.capacity * 2);
        s.data.reset(new char[grown]); // left uninitialised: it is read into at once
        s.capacity = grown;
    }
    return s.data.get();
}

void readExactly(const InputFile& in, std::uint64_t offset, char* out, std::size_t n) {
    errno = 0;
    if (in.readAt(offset, out, n) != n) {
        const int err = errno != 0 ? errno : EIO;
        throw FileError(
            "Cannot read file \"" + expandPath(in.path()) + "\". " + systemErrorText(err), err);
    }
}

std::string_view FileSource::bytes(std::uint64_t offset, std::size_t n) {
    const std::uint64_t size = in_.size();
    if (offset >= size)
        return {};
    n = static_cast<std::size_t>(std::min<std::uint64_t>(n, size - offset));
    char* window = scratchMemory(0, 0);
    if (window && offset >= start_ && offset + n <= start_ + length_)
        return {window + (offset - start_), n};
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(std::max(n, kWindow), size - offset));
    window = scratchMemory(0, want);
    length_ = 0; // the window is invalid until the read succeeded
    readExactly(in_, offset, window, want);
    start_ = offset;
    length_ = want;
    return {window, n};
}

} // namespace velmora::id3
