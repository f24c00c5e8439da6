#include "base/VorbisCommentList.h"

#include <algorithm>
#include <cstring>

namespace velmora::vorbiscomment {

bool MemorySource::read(char* to, std::size_t n) {
    if (n > remaining())
        return false;
    if (n > 0)
        std::memcpy(to, bytes_.data() + position_, n);
    position_ += n;
    return true;
}

bool MemorySource::skip(std::uint64_t n) {
    if (n > remaining())
        return false;
    position_ += static_cast<std::size_t>(n);
    return true;
}

namespace {

// Above this, a comment's bytes are known to exist before room is taken for it.
constexpr std::uint32_t kLargeComment = 64 * 1024;

bool readLe32(CommentSource& source, std::uint32_t& value) {
    unsigned char b[4];
    if (!source.read(reinterpret_cast<char*>(b), 4))
        return false;
    value = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
            std::uint32_t(b[3]) << 24;
    return true;
}

void appendLe32(std::string& out, std::uint32_t v) {
    const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
    out.append(b, 4);
}

} // namespace

bool scanComments(CommentSource& source, CommentReceiver& receiver) {
    std::uint64_t offset = 0;
    std::uint32_t vendorLength = 0;
    if (!readLe32(source, vendorLength) || vendorLength > source.remaining())
        return false;
    offset += 4;
    if (char* to = receiver.vendor(offset, vendorLength)) {
        if (!source.read(to, vendorLength))
            return false;
    } else if (!source.skip(vendorLength)) {
        return false;
    }
    offset += vendorLength;

    std::uint32_t count = 0;
    // Every comment takes at least its 4-byte length.
    if (!readLe32(source, count) || count > kMaxComments || count > source.remaining() / 4)
        return false;
    offset += 4;
    receiver.count(count);

    char head[kHeadBytes];
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t length = 0;
        if (!readLe32(source, length) || length > source.remaining())
            return false;
        offset += 4;
        const std::size_t headSize = std::min<std::size_t>(length, kHeadBytes);
        if (!source.read(head, headSize))
            return false;
        if (length - headSize > kLargeComment && !source.holds(length - headSize))
            return false;
        char* to = receiver.comment(i, offset, length, std::string_view(head, headSize));
        if (to) {
            std::memcpy(to, head, headSize);
            if (!source.read(to + headSize, length - headSize))
                return false;
        } else if (!source.skip(length - headSize)) {
            return false;
        }
        offset += length;
    }
    return true;
}

namespace {

// Collects offsets; the views are made once the list is known to be whole.
class ListReceiver : public CommentReceiver {
public:
    explicit ListReceiver(std::string_view body, CommentList& list) : body_(body), list_(list) {}
    char* vendor(std::uint64_t offset, std::uint32_t length) override {
        list_.vendor = body_.substr(static_cast<std::size_t>(offset), length);
        return nullptr;
    }
    void count(std::uint32_t count) override { list_.comments.reserve(count); }
    char* comment(std::uint32_t, std::uint64_t offset, std::uint32_t length,
                  std::string_view) override {
        list_.comments.push_back(body_.substr(static_cast<std::size_t>(offset), length));
        return nullptr;
    }

private:
    std::string_view body_;
    CommentList& list_;
};

} // namespace

bool parseComments(std::string_view body, CommentList& list, std::size_t& used) {
    list = {};
    MemorySource source(body);
    ListReceiver receiver(body, list);
    if (!scanComments(source, receiver)) {
        list = {};
        return false;
    }
    used = source.position();
    return true;
}

std::uint64_t renderedSize(std::string_view vendor, const std::vector<std::string_view>& comments) {
    std::uint64_t size = 8 + vendor.size();
    for (std::string_view c : comments)
        size += 4 + c.size();
    return size;
}

void appendComments(std::string& out, std::string_view vendor,
                    const std::vector<std::string_view>& comments) {
    out.reserve(out.size() + static_cast<std::size_t>(renderedSize(vendor, comments)));
    appendLe32(out, static_cast<std::uint32_t>(vendor.size()));
    out.append(vendor);
    appendLe32(out, static_cast<std::uint32_t>(comments.size()));
    for (std::string_view c : comments) {
        appendLe32(out, static_cast<std::uint32_t>(c.size()));
        out.append(c);
    }
}

} // namespace velmora::vorbiscomment
