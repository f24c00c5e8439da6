#include "AsfIndex.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace wmaudsdk {

namespace {

constexpr std::size_t HeaderHeadSize = 30; // object head, count, two reserved bytes

// The window's memory, kept for the next file of the thread (no allocation
// and no zero-filling per file).
struct WindowMemory {
    std::unique_ptr<char[]> bytes;
    std::size_t capacity = 0;
    char* reserve(std::size_t n) {
        if (n > capacity) {
            bytes.reset(new char[n]);
            capacity = n;
        }
        return bytes.get();
    }
};
// In the static TLS block glibc keeps for small blocks of libraries loaded
// at run time: no __tls_get_addr per use, and LeakSanitizer, which misreads
// the dynamic TLS of such libraries at exit, does not need to track it.
__attribute__((tls_model("initial-exec"))) thread_local WindowMemory windowMemory;

// A view of [pos, pos + n) of the source, read a window at a time, never
// past limit.
class Window {
public:
    Window(const AsfSource& source, std::uint64_t limit, std::size_t first, std::size_t size)
        : source_(source), memory_(windowMemory), limit_(limit), next_(first), size_(size) {}
    void limitTo(std::uint64_t limit) { limit_ = limit; }

    bool view(std::uint64_t pos, std::size_t n, std::string_view& out) {
        if (pos > limit_ || n > limit_ - pos)
            return false;
        if (pos < start_ || pos - start_ + n > filled_) {
            const auto want =
                static_cast<std::size_t>(std::min<std::uint64_t>(std::max(n, next_), limit_ - pos));
            filled_ = source_.readAt(pos, memory_.reserve(want), want);
            start_ = pos;
            next_ = size_;
            if (filled_ < n) {
                filled_ = 0;
                return false;
            }
        }
        out = std::string_view(memory_.bytes.get() + (pos - start_), n);
        return true;
    }

private:
    const AsfSource& source_;
    WindowMemory& memory_;
    std::uint64_t limit_;
    std::size_t next_, size_; // the next read's size, and the later ones'
    std::uint64_t start_ = 0;
    std::size_t filled_ = 0;
};

// A bounded position inside one object's body: every read checks what
// remains before the body's end.
class Span {
public:
    Span(Window& window, std::uint64_t pos, std::uint64_t end)
        : window_(window), pos_(pos), end_(end) {}
    std::uint64_t position() const { return pos_; }
    std::uint64_t remaining() const { return end_ - pos_; }
    bool u16(std::uint16_t& v) { return number(v, 2); }
    bool u32(std::uint32_t& v) { return number(v, 4); }
    bool take(std::uint64_t n, std::string_view& out) {
        if (n > remaining() || !window_.view(pos_, static_cast<std::size_t>(n), out))
            return false;
        pos_ += n;
        return true;
    }
    bool skip(std::uint64_t n) {
        if (n > remaining())
            return false;
        pos_ += n;
        return true;
    }

private:
    template <typename T> bool number(T& v, int width) {
        std::string_view bytes;
        if (!take(static_cast<std::uint64_t>(width), bytes))
            return false;
        v = static_cast<T>(readLE(bytes, 0, width));
        return true;
    }
    Window& window_;
    std::uint64_t pos_, end_;
};

struct ObjectAt {
    Guid id;
    std::uint64_t body = 0, end = 0; // the body's range in the file
};

// Visits the objects in [pos, end) as AsfHeader splits them: count objects
// that must each fit (the header's children), or, when exact, as many as fit
// and must fill the range (the Header Extension's). Stops at the first
// visit that fails.
template <typename Visit>
bool forEachObject(Window& window, std::uint64_t pos, std::uint64_t end, std::uint64_t count,
                   bool exact, Visit&& visit) {
    for (std::uint64_t i = 0; i < count; ++i) {
        if (end - pos < ObjectHeadSize) {
            if (!exact)
                return false;
            break;
        }
        std::string_view head;
        if (!window.view(pos, ObjectHeadSize, head))
            return false;
        const std::uint64_t size = readU64(head, 16);
        if (size < ObjectHeadSize || size > end - pos)
            return false;
        if (!visit(ObjectAt{Guid::from(head), pos + ObjectHeadSize, pos + size}))
            return false;
        pos += size;
    }
    return !exact || pos == end;
}

// The five Content Description names as stored (UTF-16LE).
constexpr std::string_view ContentNameBytes[] = {
    {"T\0i\0t\0l\0e\0", 10},
    {"A\0u\0t\0h\0o\0r\0", 12},
    {"C\0o\0p\0y\0r\0i\0g\0h\0t\0", 18},
    {"D\0e\0s\0c\0r\0i\0p\0t\0i\0o\0n\0", 22},
    {"R\0a\0t\0i\0n\0g\0", 12},
};

// The rank of a place in the order a reader looks for a name.
int rankOf(const IndexedAttribute& a) {
    switch (a.place) {
    case AttributePlace::Content:
        return a.emptyText ? 4 : 0;
    case AttributePlace::Extended:
        return 1;
    case AttributePlace::Metadata:
        return 2;
    case AttributePlace::Library:
        return 3;
    }
    return 5;
}

} // namespace

// The walk that fills an index: names and small values go into its bytes.
class IndexWalk {
public:
    IndexWalk(AsfIndex& index, Window& window) : index_(index), window_(window) {}

    bool header() {
        std::string_view head;
        if (!window_.view(0, HeaderHeadSize, head))
            return false;
        bool fileProps = false, content = false, extended = false, extension = false;
        return forEachObject(window_, HeaderHeadSize, index_.headerSize_, readU32(head, 24), false,
                             [&](const ObjectAt& o) {
                                 Span body(window_, o.body, o.end);
                                 if (o.id == asf::FileProperties && !fileProps) {
                                     fileProps = true; // held up to the file size
                                     return o.end - o.body + ObjectHeadSize >= 48;
                                 }
                                 if (o.id == asf::ContentDescription && !content) {
                                     content = true;
                                     return this->content(body);
                                 }
                                 if (o.id == asf::ExtendedContentDescription && !extended) {
                                     extended = true;
                                     return this->extended(body);
                                 }
                                 if (o.id == asf::HeaderExtension && !extension) {
                                     extension = true;
                                     return this->extension(body);
                                 }
                                 return true;
                             });
    }

private:
    bool name(Span& in, std::uint64_t length, IndexedAttribute& a) {
        std::string_view bytes;
        if (!in.take(length, bytes))
            return false;
        std::size_t end = 0;
        while (end + 1 < bytes.size() && (bytes[end] != 0 || bytes[end + 1] != 0))
            end += 2;
        a.nameAt = static_cast<std::uint32_t>(index_.bytes_.size());
        a.nameSize = static_cast<std::uint32_t>(end);
        index_.bytes_.append(bytes.substr(0, end));
        return true;
    }

    // Reads or skips a value of n bytes: a small one is kept, a large one is
    // noted by where it is.
    bool value(Span& in, std::uint64_t n, IndexedAttribute& a) {
        a.offset = in.position();
        a.length = static_cast<std::uint32_t>(n);
        if (n > HeldValueSize)
            return in.skip(n);
        std::string_view bytes;
        if (!in.take(n, bytes))
            return false;
        a.valueAt = static_cast<std::uint32_t>(index_.bytes_.size());
        a.held = true;
        index_.bytes_.append(bytes);
        return true;
    }

    bool content(Span in) {
        std::uint16_t lengths[ContentNames.size()] = {};
        for (auto& length : lengths)
            if (!in.u16(length))
                return false;
        for (std::size_t i = 0; i < ContentNames.size(); ++i) {
            IndexedAttribute a;
            a.place = AttributePlace::Content;
            a.nameAt = static_cast<std::uint32_t>(index_.bytes_.size());
            a.nameSize = static_cast<std::uint32_t>(ContentNames[i].size() * 2);
            index_.bytes_.append(ContentNameBytes[i]);
            // Whether the text shows anything depends on its first unit only.
            std::string_view first;
            if (lengths[i] >= 2 && !Span(in).take(2, first))
                return false;
            a.emptyText = lengths[i] < 2 || readU16(first, 0) == 0;
            if (!value(in, lengths[i], a))
                return false;
            index_.attributes_.push_back(a);
        }
        return true;
    }

    bool extended(Span in) {
        std::uint16_t count = 0;
        if (!in.u16(count))
            return false;
        for (std::uint16_t i = 0; i < count; ++i) {
            IndexedAttribute a;
            std::uint16_t nameLength = 0, valueLength = 0;
            if (!in.u16(nameLength) || !name(in, nameLength, a) || !in.u16(a.type) ||
                !in.u16(valueLength) || !value(in, valueLength, a))
                return false;
            index_.attributes_.push_back(a);
        }
        return true;
    }

    bool records(Span in, AttributePlace place) {
        std::uint16_t count = 0;
        if (!in.u16(count))
            return false;
        for (std::uint16_t i = 0; i < count; ++i) {
            IndexedAttribute a;
            a.place = place;
            std::uint16_t language = 0, nameLength = 0;
            std::uint32_t dataLength = 0;
            if (!in.u16(language) || !in.u16(a.stream) || !in.u16(nameLength) || !in.u16(a.type) ||
                !in.u32(dataLength) || !name(in, nameLength, a) || !value(in, dataLength, a))
                return false;
            index_.attributes_.push_back(a);
        }
        return true;
    }

    // The Metadata and Metadata Library objects inside the Header Extension.
    bool extension(Span in) {
        std::string_view reserved;
        std::uint32_t dataSize = 0;
        if (!in.take(18, reserved) || !in.u32(dataSize) || dataSize > in.remaining())
            return false;
        const std::uint64_t data = in.position();
        bool metadata = false, library = false;
        return forEachObject(
            window_, data, data + dataSize, UINT64_MAX, true, [&](const ObjectAt& o) {
                if (o.id == asf::Metadata && !metadata) {
                    metadata = true;
                    return records(Span(window_, o.body, o.end), AttributePlace::Metadata);
                }
                if (o.id == asf::MetadataLibrary && !library) {
                    library = true;
                    return records(Span(window_, o.body, o.end), AttributePlace::Library);
                }
                return true;
            });
    }

    AsfIndex& index_;
    Window& window_;
};

std::size_t MemorySource::readAt(std::uint64_t offset, void* buffer, std::size_t n) const {
    if (offset >= bytes_.size())
        return 0;
    const std::size_t got = std::min<std::size_t>(n, bytes_.size() - offset);
    std::memcpy(buffer, bytes_.data() + offset, got);
    return got;
}

bool AsfIndex::build(const AsfSource& source, std::uint64_t limit, std::size_t readSize) {
    attributes_.clear();
    bytes_.clear();
    bytes_.reserve(1024);
    attributes_.reserve(32);
    Window window(source, limit, std::min(readSize, FirstRead), readSize);
    std::string_view head;
    if (!window.view(0, HeaderHeadSize, head) || Guid::from(head) != asf::Header)
        return false;
    headerSize_ = readU64(head, 16);
    if (headerSize_ < HeaderHeadSize || headerSize_ > limit)
        return false;
    window.limitTo(headerSize_);
    return IndexWalk(*this, window).header();
}

bool AsfIndex::named(const IndexedAttribute& a, std::u16string_view name) const {
    if (a.nameSize != name.size() * 2)
        return false;
    const std::string_view stored(bytes_.data() + a.nameAt, a.nameSize);
    for (std::size_t i = 0; i < name.size(); ++i)
        if (readU16(stored, 2 * i) != name[i])
            return false;
    return true;
}

const IndexedAttribute* AsfIndex::find(std::u16string_view name) const {
    const IndexedAttribute* best = nullptr;
    int bestRank = 5;
    for (const auto& a : attributes_) {
        const int rank = rankOf(a);
        if (rank >= bestRank || (a.place != AttributePlace::Extended && a.stream != 0) ||
            !named(a, name))
            continue;
        best = &a;
        bestRank = rank;
    }
    return best;
}

std::vector<const IndexedAttribute*> AsfIndex::copies(std::u16string_view name) const {
    std::vector<const IndexedAttribute*> out;
    // The places in the order readers look, whatever order the objects have.
    for (int rank = 0; rank < 4; ++rank)
        for (const auto& a : attributes_)
            if (rankOf(a) == rank && (a.place == AttributePlace::Extended || a.stream == 0) &&
                named(a, name))
                out.push_back(&a);
    return out;
}

bool AsfIndex::valueOf(const IndexedAttribute& a, const AsfSource& source, std::string& scratch,
                       std::string_view& out, std::size_t most) const {
    const std::size_t length = std::min<std::size_t>(a.length, most);
    if (a.held) {
        out = std::string_view(bytes_).substr(a.valueAt, length);
        return true;
    }
    scratch.resize(length);
    if (source.readAt(a.offset, scratch.data(), scratch.size()) != length)
        return false;
    out = scratch;
    return true;
}

bool AsfIndex::copyValue(const IndexedAttribute& a, const AsfSource& source, char* out) const {
    if (a.held) {
        std::memcpy(out, bytes_.data() + a.valueAt, a.length);
        return true;
    }
    return source.readAt(a.offset, out, a.length) == a.length;
}

} // namespace wmaudsdk
