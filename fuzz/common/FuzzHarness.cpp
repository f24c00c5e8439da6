#include "fuzz/common/FuzzHarness.h"

#include "base/OggPage.h"

#include <algorithm>
#include <cstring>

namespace velmora::fuzz {

namespace vc = vorbiscomment;

std::function<std::size_t(std::uint64_t, void*, std::size_t)>
memoryReader(const std::string& bytes) {
    return [&bytes](std::uint64_t offset, void* out, std::size_t n) -> std::size_t {
        if (offset >= bytes.size())
            return 0;
        const std::size_t take = std::min<std::size_t>(n, bytes.size() - offset);
        std::memcpy(out, bytes.data() + offset, take);
        return take;
    };
}

void sealEveryPage(std::string& bytes) {
    auto* data = reinterpret_cast<unsigned char*>(bytes.data());
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t needed = 0;
        std::size_t size = 0;
        if (scanPage(data + at, bytes.size() - at, needed, size) == PageScan::Page) {
            sealPage(data + at, size);
            at += size;
        } else {
            ++at;
        }
    }
}

std::string editedComments(const vc::CommentList& list, std::size_t titleLength) {
    TagValues values;
    values[Field::Title] = std::string(titleLength, 't');
    values[Field::Genre] = "Fuzz";
    const vc::EditedComments edited =
        vc::applyEdits(list.comments, values, FieldMask().set(Field::Title).set(Field::Genre));
    std::string out;
    vc::appendComments(out, list.vendor, edited.comments);
    return out;
}

bool holdsEditedGenre(std::string_view comments) {
    vc::CommentList list;
    std::size_t used = 0;
    return vc::parseComments(comments, list, used) &&
           vc::valuesFromComments(list.comments)[Field::Genre] == "Fuzz";
}

} // namespace velmora::fuzz
