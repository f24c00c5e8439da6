// Where a tag's bytes come from: a file, read only where the reader looks, or
// bytes already in memory (tests, the fuzzer, a tag unsynchronised as a whole).
#pragma once

#include "base/FileLayer.h"

#include <cstdint>
#include <string_view>

namespace velmora::id3 {

class TagSource {
public:
    virtual ~TagSource() = default;
    virtual std::uint64_t size() const = 0;
    // The bytes [offset, offset + n), cut at the end; valid until the next call.
    virtual std::string_view bytes(std::uint64_t offset, std::size_t n) = 0;
};

class MemorySource final : public TagSource {
public:
    explicit MemorySource(std::string_view data) : data_(data) {}
    std::uint64_t size() const override { return data_.size(); }
    std::string_view bytes(std::uint64_t offset, std::size_t n) override {
        return offset >= data_.size() ? std::string_view() : data_.substr(offset, n);
    }

private:
    std::string_view data_;
};

// Reads a file through a window of at least 4 KiB, so the frame headers of a
// tag usually come in one read and the bodies of frames nobody looks at are
// never read. The window's memory belongs to the thread and is kept for the
// next file: one FileSource per thread at a time.
class FileSource final : public TagSource {
public:
    explicit FileSource(const InputFile& in) : in_(in) {}
    std::uint64_t size() const override { return in_.size(); }
    // Raises "Cannot read file "%s". %s" when the system fails a read.
    std::string_view bytes(std::uint64_t offset, std::size_t n) override;

private:
    const InputFile& in_;
    std::uint64_t start_ = 0;
    std::size_t length_ = 0;
};

// A thread's reusable memory: grows when asked for more, never zero-filled.
char* scratchMemory(int which, std::size_t n);

// Reads [offset, offset + n) of the file whole into out; raises the read error
// when the system fails or the file is shorter.
void readExactly(const InputFile& in, std::uint64_t offset, char* out, std::size_t n);

} // namespace velmora::id3
