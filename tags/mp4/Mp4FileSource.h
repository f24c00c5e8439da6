// A byte source over an open file, with a small read cache: the atom headers
// of a tag lie in a few places close together (the top level, the movie
// atom's children, the items), so most of them come from a few reads.
#pragma once

#include "base/FileLayer.h"
#include "tags/mp4/Mp4Atoms.h"

#include <array>

namespace velmora::mp4 {

class FileSource final : public ByteSource {
public:
    explicit FileSource(const InputFile& file) : file_(file) {}
    std::uint64_t size() const override { return file_.size(); }
    bool read(std::uint64_t offset, void* buffer, std::size_t n) const override;

private:
    static constexpr std::size_t kWindow = 4096;
    struct Window {
        std::uint64_t offset = 0;
        std::string bytes;
        std::uint64_t lastUse = 0;
    };
    const InputFile& file_;
    mutable std::array<Window, 4> windows_;
    mutable std::uint64_t uses_ = 0;
};

} // namespace velmora::mp4
