// A byte source over an open file, with a small read cache: the atom headers
// of a tag lie close together, so most of them come from one read.
#pragma once

#include "base/FileLayer.h"
#include "tags/mp4/Mp4Atoms.h"

namespace velmora::mp4 {

class FileSource final : public ByteSource {
public:
    explicit FileSource(const InputFile& file) : file_(file) {}
    std::uint64_t size() const override { return file_.size(); }
    bool read(std::uint64_t offset, void* buffer, std::size_t n) const override;

private:
    static constexpr std::size_t kWindow = 8192;
    const InputFile& file_;
    mutable std::string cache_;
    mutable std::uint64_t cacheOffset_ = 0;
};

} // namespace velmora::mp4
