// Atom headers of an MP4 file, read from any byte source: a file (through a
// small read cache) or bytes in memory. Nothing here trusts a size: every atom
// must lie inside its container, and the number of atoms listed is capped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::mp4 {

// A damaged or unsupported structure; the file layer adds the file's name.
class ParseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where atom bytes come from. read() fills exactly n bytes or returns false.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    virtual bool read(std::uint64_t offset, void* buffer, std::size_t n) const = 0;

    // [offset, offset + n), which must lie inside the source (ParseError otherwise).
    std::string bytes(std::uint64_t offset, std::uint64_t n) const;
};

// Bytes in memory (the fuzzer and the byte-level tests use it).
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    bool read(std::uint64_t offset, void* buffer, std::size_t n) const override;

private:
    std::string_view bytes_;
};

using FourCC = std::uint32_t;
constexpr FourCC fourcc(const char (&s)[5]) {
    return FourCC(std::uint8_t(s[0])) << 24 | FourCC(std::uint8_t(s[1])) << 16 |
           FourCC(std::uint8_t(s[2])) << 8 | FourCC(std::uint8_t(s[3]));
}
// The four characters of a type as printable text ("moov", "\xa9nam" as "(c)nam").
std::string typeName(FourCC type);

struct Atom {
    FourCC type = 0;
    std::uint64_t offset = 0; // of the header
    std::uint64_t size = 0;   // header included
    std::uint32_t header = 8; // 8, or 16 with a 64-bit size
    std::uint64_t end() const { return offset + size; }
    std::uint64_t body() const { return offset + header; }
    std::uint64_t bodySize() const { return size - header; }
};

// The most atoms one container may list; more means a damaged file.
inline constexpr std::size_t kMaxChildren = 100000;

// The atoms in [begin, end). A size of 0 means "to the end" (allowed only where
// `topLevel`). An atom reaching past `end` raises ParseError, except at the top
// level where `lenient` keeps the atoms before it and stops there. Listing
// stops after an atom of type `stopAfter` when one is given.
struct ListOptions {
    bool topLevel = false;
    bool lenient = false;
    FourCC stopAfter = 0;
};
std::vector<Atom> listAtoms(const ByteSource& src, std::uint64_t begin, std::uint64_t end,
                            ListOptions options = {});

// The first atom of the given type in the list, or nullptr.
const Atom* findAtom(const std::vector<Atom>& atoms, FourCC type);

// Big-endian numbers.
inline std::uint32_t be32(const void* p) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    return std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 | b[3];
}
inline std::uint64_t be64(const void* p) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    return std::uint64_t(be32(b)) << 32 | be32(b + 4);
}
void putBe32(std::string& out, std::uint32_t v);
void putBe64(std::string& out, std::uint64_t v);
void setBe32(std::string& out, std::size_t at, std::uint32_t v);
void setBe64(std::string& out, std::size_t at, std::uint64_t v);

// An atom with an 8-byte header (a 16-byte one when it needs a 64-bit size)
// around the given body.
std::string renderAtom(FourCC type, std::string_view body);

} // namespace velmora::mp4
