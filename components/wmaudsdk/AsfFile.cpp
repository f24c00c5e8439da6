#include "AsfFile.h"

#include <algorithm>
#include <cerrno>

namespace wmaudsdk {

class AsfFile::Source final : public AsfSource {
public:
    explicit Source(const velmora::InputFile& in) : in_(in) {}
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t n) const override {
        return in_.readAt(offset, buffer, n);
    }

private:
    const velmora::InputFile& in_;
};

AsfFile::AsfFile() = default;
AsfFile::~AsfFile() = default;

bool AsfFile::open(const std::string& path) {
    // Regular files only: a named pipe is refused without waiting for a writer.
    if (!velmora::InputFile::tryOpen(path, in_))
        return false;
    errno = 0;
    path_ = path;
    source_ = std::make_unique<Source>(in_);
    if (!index_.build(*source_, std::min(in_.size(), MaxHeaderSize)))
        return false;
    headerSize_ = index_.headerSize();
    return true;
}

bool AsfFile::find(std::u16string_view name, std::uint16_t& type, std::string_view& value,
                   std::string& scratch) const {
    if (editing_) {
        auto found = header_.find(name);
        if (!found)
            return false;
        type = found->type;
        scratch = std::move(found->value);
        value = scratch;
        return true;
    }
    const IndexedAttribute* found = index_.find(name);
    if (!found)
        return false;
    type = found->type;
    return index_.valueOf(*found, *source_, scratch, value);
}

std::size_t AsfFile::count(std::u16string_view name) const {
    return editing_ ? header_.count(name) : index_.copies(name).size();
}

bool AsfFile::findAt(std::u16string_view name, std::size_t index, std::uint16_t& type,
                     std::uint64_t& size, std::string_view& value, std::string& scratch,
                     std::size_t most) const {
    if (editing_) {
        auto found = header_.at(name, index);
        if (!found)
            return false;
        type = found->type;
        size = found->value.size();
        scratch = std::move(found->value);
        value = std::string_view(scratch).substr(0, most);
        return true;
    }
    const auto copies = index_.copies(name);
    if (index >= copies.size())
        return false;
    type = copies[index]->type;
    size = copies[index]->length;
    return index_.valueOf(*copies[index], *source_, scratch, value, most);
}

bool AsfFile::copyAt(std::u16string_view name, std::size_t index, char* out) const {
    if (editing_) {
        const auto found = header_.at(name, index);
        if (!found)
            return false;
        std::copy(found->value.begin(), found->value.end(), out);
        return true;
    }
    const auto copies = index_.copies(name);
    if (index >= copies.size())
        return false;
    const IndexedAttribute& a = *copies[index];
    return index_.copyValue(a, *source_, out);
}

AsfHeader& AsfFile::edit() {
    if (!editing_) {
        original_ = in_.readRange(0, static_cast<std::size_t>(headerSize_));
        if (original_.size() != headerSize_ || !header_.parse(original_))
            throw velmora::TagError("The header of \"" + velmora::expandPath(path_) +
                                    "\" changed while it was being read.");
        editing_ = true;
    }
    return header_;
}

void AsfFile::prepare() {
    if (replacement_ || !editing_)
        return;
    auto rendered = header_.render();
    if (rendered && *rendered == original_)
        return; // the stores changed nothing
    if (!rendered)
        velmora::raiseWriteError(path_, EOVERFLOW);
    // The file size is a fixed-width field: setting it keeps the header's size.
    const std::uint64_t rest = in_.size() - original_.size();
    if (header_.setFileSize(rendered->size() + rest))
        rendered = header_.render();
    if (!rendered)
        velmora::raiseWriteError(path_, EOVERFLOW);
    // Built from the file as read: the commit gives up when another program
    // changed the file meanwhile.
    auto out = std::make_unique<velmora::ReplaceFile>(in_);
    out->write(*rendered);
    out->copyFrom(in_, original_.size(), rest);
    out->finishWriting();
    out->startFlush(); // the disk starts on every prepared file at once
    replacement_ = std::move(out);
}

void AsfFile::commit() {
    if (!replacement_)
        return;
    auto out = std::move(replacement_);
    out->commit();
}

void AsfFile::save() {
    prepare();
    commit();
}

} // namespace wmaudsdk
