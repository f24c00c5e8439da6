#include "AsfIndex.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace wmaudsdk {

namespace {

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
thread_local WindowMemory windowMemory;

// A view of [pos, pos + n) of the source, read a window at a time, never
// past limit.
class Window {
public:
    Window(const AsfSource& source, std::uint64_t limit, std::size_t size)
        : source_(source), limit_(limit), size_(size) {}

    bool view(std::uint64_t pos, std::size_t n, std::string_view& out) {
        if (pos > limit_ || n > limit_ - pos)
            return false;
        if (pos < start_ || pos - start_ + n > filled_) {
            const std::size_t want =
                static_cast<std::size_t>(std::min<std::uint64_t>(std::max(n, size_), limit_ - pos));
            char* memory = windowMemory.reserve(want);
            filled_ = source_.readAt(pos, memory, want);
            start_ = pos;
            if (filled_ < n) {
                filled_ = 0;
                return false;
            }
        }
        out = std::string_view(windowMemory.bytes.get() + (pos - start_), n);
        return true;
    }

private:
    const AsfSource& source_;
    std::uint64_t limit_;
    std::size_t size_;
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
    // Reads or skips a value of n bytes: a small one is kept, a large one is
    // noted by where it is.
    bool value(std::uint64_t n, IndexedAttribute& a) {
        if (n > remaining())
            return false;
        a.offset = pos_;
        a.length = static_cast<std::uint32_t>(n);
        if (n <= HeldValueSize) {
            std::string_view bytes;
            if (!take(n, bytes))
                return false;
            a.value.assign(bytes);
            a.held = true;
        } else {
            pos_ += n;
        }
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

bool readName(Span& in, std::uint64_t length, std::u16string& out) {
    std::string_view name;
    if (!in.take(length, name))
        return false;
    out = decodeUtf16Le(name);
    return true;
}

bool readContent(Span in, std::vector<IndexedAttribute>& out) {
    std::uint16_t lengths[5] = {};
    for (auto& length : lengths)
        if (!in.u16(length))
            return false;
    for (std::size_t i = 0; i < 5; ++i) {
        IndexedAttribute a;
        a.name = std::u16string(ContentNames[i]);
        a.place = AttributePlace::Content;
        // Whether the text shows anything depends on its first unit only.
        std::string_view first;
        if (lengths[i] >= 2 && !Span(in).take(2, first))
            return false;
        a.emptyText = lengths[i] < 2 || readU16(first, 0) == 0;
        if (!in.value(lengths[i], a))
            return false;
        out.push_back(std::move(a));
    }
    return true;
}

bool readExtended(Span in, std::vector<IndexedAttribute>& out) {
    std::uint16_t count = 0;
    if (!in.u16(count))
        return false;
    for (std::uint16_t i = 0; i < count; ++i) {
        IndexedAttribute a;
        std::uint16_t nameLength = 0, valueLength = 0;
        if (!in.u16(nameLength) || !readName(in, nameLength, a.name) || !in.u16(a.type) ||
            !in.u16(valueLength) || !in.value(valueLength, a))
            return false;
        out.push_back(std::move(a));
    }
    return true;
}

bool readRecords(Span in, AttributePlace place, std::vector<IndexedAttribute>& out) {
    std::uint16_t count = 0;
    if (!in.u16(count))
        return false;
    for (std::uint16_t i = 0; i < count; ++i) {
        IndexedAttribute a;
        a.place = place;
        std::uint16_t language = 0, nameLength = 0;
        std::uint32_t dataLength = 0;
        if (!in.u16(language) || !in.u16(a.stream) || !in.u16(nameLength) || !in.u16(a.type) ||
            !in.u32(dataLength) || !readName(in, nameLength, a.name) || !in.value(dataLength, a))
            return false;
        out.push_back(std::move(a));
    }
    return true;
}

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

// The Metadata and Metadata Library objects inside the Header Extension.
bool readExtension(Window& window, Span in, std::vector<IndexedAttribute>& metadataList,
                   std::vector<IndexedAttribute>& libraryList) {
    std::string_view reserved;
    std::uint32_t dataSize = 0;
    if (!in.take(18, reserved) || !in.u32(dataSize) || dataSize > in.remaining())
        return false;
    const std::uint64_t data = in.position();
    bool metadata = false, library = false;
    return forEachObject(window, data, data + dataSize, UINT64_MAX, true, [&](const ObjectAt& o) {
        if (o.id == asf::Metadata && !metadata) {
            metadata = true;
            return readRecords(Span(window, o.body, o.end), AttributePlace::Metadata, metadataList);
        }
        if (o.id == asf::MetadataLibrary && !library) {
            library = true;
            return readRecords(Span(window, o.body, o.end), AttributePlace::Library, libraryList);
        }
        return true;
    });
}

} // namespace

std::size_t MemorySource::readAt(std::uint64_t offset, void* buffer, std::size_t n) const {
    if (offset >= bytes_.size())
        return 0;
    const std::size_t got = std::min<std::size_t>(n, bytes_.size() - offset);
    std::memcpy(buffer, bytes_.data() + offset, got);
    return got;
}

bool AsfIndex::build(const AsfSource& source, std::uint64_t headerSize, std::size_t windowSize) {
    *this = AsfIndex{};
    constexpr std::size_t HeaderHeadSize = 30;
    Window window(source, headerSize, windowSize);
    std::string_view head;
    if (headerSize < HeaderHeadSize || !window.view(0, HeaderHeadSize, head) ||
        Guid::from(head) != asf::Header || readU64(head, 16) != headerSize)
        return false;
    bool fileProps = false, extended = false, extension = false;
    return forEachObject(
        window, HeaderHeadSize, headerSize, readU32(head, 24), false, [&](const ObjectAt& o) {
            if (o.id == asf::FileProperties && !fileProps) {
                fileProps = true;
                return o.end - o.body + ObjectHeadSize >= 48; // up to the file size
            }
            if (o.id == asf::ContentDescription && !haveContent_) {
                haveContent_ = true;
                return readContent(Span(window, o.body, o.end), content_);
            }
            if (o.id == asf::ExtendedContentDescription && !extended) {
                extended = true;
                return readExtended(Span(window, o.body, o.end), extended_);
            }
            if (o.id == asf::HeaderExtension && !extension) {
                extension = true;
                return readExtension(window, Span(window, o.body, o.end), metadata_, library_);
            }
            return true;
        });
}

const IndexedAttribute* AsfIndex::find(std::u16string_view name) const {
    const IndexedAttribute* content = nullptr;
    if (haveContent_)
        for (const auto& a : content_)
            if (a.name == name)
                content = &a;
    if (content && !content->emptyText)
        return content;
    for (const auto& a : extended_)
        if (a.name == name)
            return &a;
    for (const auto* list : {&metadata_, &library_})
        for (const auto& a : *list)
            if (a.stream == 0 && a.name == name)
                return &a;
    return content;
}

bool AsfIndex::valueOf(const IndexedAttribute& a, const AsfSource& source, std::string& out) {
    if (a.held) {
        out = a.value;
        return true;
    }
    out.resize(a.length);
    return source.readAt(a.offset, out.data(), out.size()) == a.length;
}

} // namespace wmaudsdk
