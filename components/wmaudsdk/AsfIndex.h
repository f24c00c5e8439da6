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
    std::u16string name; // up to the first NUL
    std::uint16_t type = AsfString;
    std::uint16_t stream = 0;
    AttributePlace place = AttributePlace::Extended;
    bool held = false;        // value holds the stored bytes
    bool emptyText = false;   // a Content Description text that shows nothing
    std::uint64_t offset = 0; // where the stored bytes are in the file
    std::uint32_t length = 0; // how many there are
    std::string value;
};

class AsfIndex {
public:
    // The size of one read of the walk: enough for the whole header of a
    // file without pictures, so most files take one read.
    static constexpr std::size_t WindowSize = 16 * 1024;

    // Walks the Header Object at the start of source, whose declared size is
    // headerSize (already checked against the file), reading windowSize
    // bytes at a time. False when AsfHeader would refuse these bytes.
    bool build(const AsfSource& source, std::uint64_t headerSize,
               std::size_t windowSize = WindowSize);

    // The attribute AsfHeader::find gives for name, or nullptr.
    const IndexedAttribute* find(std::u16string_view name) const;
    // Its stored bytes, read from source when they were not held; false on a
    // short read.
    static bool valueOf(const IndexedAttribute& a, const AsfSource& source, std::string& out);

private:
    std::vector<IndexedAttribute> content_, extended_, metadata_, library_;
    bool haveContent_ = false;
};

} // namespace wmaudsdk
