#include "AsfFile.h"

#include <cerrno>

namespace wmaudsdk {

bool AsfFile::open(const std::string& path) {
    // Regular files only: a named pipe is refused without waiting for a writer.
    if (!velmora::InputFile::tryOpen(path, in_))
        return false;
    path_ = path;
    const std::string head = in_.readRange(0, ObjectHeadSize);
    if (head.size() < ObjectHeadSize || Guid::from(head) != asf::Header)
        return false;
    const std::uint64_t size = readU64(head, 16);
    if (size > in_.size() || size > MaxHeaderSize)
        return false;
    original_ = in_.readRange(0, static_cast<std::size_t>(size));
    return original_.size() == size && header_.parse(original_);
}

bool AsfFile::changed() const {
    auto rendered = header_.render();
    return !rendered || *rendered != original_;
}

void AsfFile::save() {
    auto rendered = header_.render();
    if (!rendered)
        velmora::raiseWriteError(path_, EOVERFLOW);
    const std::uint64_t rest = in_.size() - original_.size();
    if (header_.setFileSize(rendered->size() + rest))
        rendered = header_.render();
    if (!rendered)
        velmora::raiseWriteError(path_, EOVERFLOW);
    velmora::ReplaceFile out(path_);
    out.write(*rendered);
    out.copyFrom(in_, original_.size(), rest);
    out.commit();
}

} // namespace wmaudsdk
