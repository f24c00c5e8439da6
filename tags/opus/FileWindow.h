// A file read through one window of 16 KiB: the headers and the small
// packets or blocks a tag reader needs usually lie close together, so reading
// them costs one or two system calls; larger reads go to the file directly.
#pragma once

#include "base/FileLayer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

namespace velmora {

class FileWindow {
public:
    explicit FileWindow(const InputFile& file) : file_(file) {}

    std::size_t read(std::uint64_t offset, void* out, std::size_t n) {
        if (offset < start_ || offset - start_ > window_.size() ||
            n > window_.size() - (offset - start_)) {
            if (n > kSize)
                return file_.readAt(offset, out, n);
            window_.resize(kSize);
            window_.resize(file_.readAt(offset, window_.data(), kSize));
            start_ = offset;
            n = std::min(n, window_.size());
        }
        std::memcpy(out, window_.data() + (offset - start_), n);
        return n;
    }
    using Reader = std::function<std::size_t(std::uint64_t, void*, std::size_t)>;
    Reader reader() {
        return
            [this](std::uint64_t offset, void* out, std::size_t n) { return read(offset, out, n); };
    }
    // [offset, offset + n) whole, or fewer bytes at the end of the file.
    std::string range(std::uint64_t offset, std::size_t n) {
        std::string bytes(n, '\0');
        bytes.resize(read(offset, bytes.data(), n));
        return bytes;
    }
    const InputFile& file() const { return file_; }

private:
    static constexpr std::size_t kSize = 16 * 1024;
    const InputFile& file_;
    std::string window_;
    std::uint64_t start_ = 0;
};

} // namespace velmora
