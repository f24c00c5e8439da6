// The attributes of an ASF header found without holding the header: a walk
// over the file in small windows that reads object heads and attribute
// records, keeps small values and notes where the large ones are (pictures
// are skipped by their length). It accepts exactly the headers AsfHeader
// parses, and finds the same value for every name.
#pragma once

#include "AsfHeader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wmaudsdk {

// Bytes at an offset: a file, or memory in tests and fuzzing.
class AsfSource {
public:
    // Reads up to n bytes at offset; fewer only at the end or on an error.
    virtual std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t n) const = 0;

protected:
    ~AsfSource() = default;
};

class MemorySource final : public AsfSource {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t n) const override;

private:
    std::string_view bytes_;
};

// Values up to this size are kept by the walk; larger ones are read when asked for.
inline constexpr std::size_t HeldValueSize = 4096;

struct IndexedAttribute {
    std::uint32_t nameAt = 0, nameSize = 0; // the name in the index's bytes, up to its NUL
    std::uint16_t type = AsfString;
    std::uint16_t stream = 0;
    AttributePlace place = AttributePlace::Extended;
    bool held = false;      // the value is in the index's bytes, at valueAt
    bool emptyText = false; // a Content Description text that shows nothing
    std::uint32_t valueAt = 0;
    std::uint64_t offset = 0; // where the stored value is in the file
    std::uint32_t length = 0; // and its size
};

class AsfIndex {
public:
    // The first read of the walk: as much as a file system reads at once,
    // enough for the whole header of most files without pictures.
    static constexpr std::size_t FirstRead = 4096;
    // Later reads, after a skipped value.
    static constexpr std::size_t WindowSize = 16 * 1024;

    // Walks the Header Object at the start of source, reading readSize bytes
    // at a time (the first read at most FirstRead). False when its declared
    // size is over limit (the file's size, or the most we accept) or when
    // AsfHeader would refuse its bytes.
    bool build(const AsfSource& source, std::uint64_t limit, std::size_t readSize = WindowSize);
    // The Header Object's declared size, once built.
    std::uint64_t headerSize() const { return headerSize_; }

    // The attribute AsfHeader::find gives for name, or nullptr.
    const IndexedAttribute* find(std::u16string_view name) const;
    // Every copy of name, in the order AsfHeader::at numbers them.
    std::vector<const IndexedAttribute*> copies(std::u16string_view name) const;
    // Its stored bytes (at most the first `most`): a view of the index when
    // held, otherwise read from source into scratch. False on a short read.
    bool valueOf(const IndexedAttribute& a, const AsfSource& source, std::string& scratch,
                 std::string_view& out, std::size_t most = SIZE_MAX) const;
    // Its whole stored value into out (a.length bytes); false on a short read.
    bool copyValue(const IndexedAttribute& a, const AsfSource& source, char* out) const;

private:
    friend class IndexWalk;
    bool named(const IndexedAttribute& a, std::u16string_view name) const;
    std::vector<IndexedAttribute> attributes_; // in stored order
    std::string bytes_;                        // names and held values
    std::uint64_t headerSize_ = 0;
};

} // namespace wmaudsdk
