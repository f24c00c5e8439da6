// The streams behind the user pointer of OggReadFunc, OggWriteFunc and OggSeekFunc.
#pragma once

#include "base/FileLayer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class OggStream {
public:
    virtual ~OggStream() = default;
    // Reads up to n bytes into buffer; the count read (0 at the end or on an error).
    virtual std::size_t read(void* /*buffer*/, std::size_t /*n*/) { return 0; }
    // Writes n bytes; the count written (0 on an error).
    virtual std::size_t write(const void* /*data*/, std::size_t /*n*/) { return 0; }
    // Moves the input to an offset from its start; false when it is shorter.
    virtual bool seekTo(std::uint64_t /*offset*/) { return false; }
};

// Reads a file from its start onwards.
class OggFileInput : public OggStream {
public:
    explicit OggFileInput(const velmora::InputFile& file) : file_(file) {}
    std::size_t read(void* buffer, std::size_t n) override;
    bool seekTo(std::uint64_t offset) override;
    // The system's error code of a failed read, or 0.
    int errorCode() const { return errorCode_; }

private:
    const velmora::InputFile& file_;
    std::uint64_t position_ = 0;
    int errorCode_ = 0;
};

// Appends to the temporary file of a replacement.
class OggFileOutput : public OggStream {
public:
    explicit OggFileOutput(velmora::ReplaceFile& file) : file_(file) {}
    std::size_t write(const void* data, std::size_t n) override;
    // Raises the file layer's error of the write that failed, if one did.
    void raiseFailure() const;

private:
    velmora::ReplaceFile& file_;
    std::string failure_;
    int failureCode_ = 0;
};

// Reads bytes held in memory.
class OggMemoryInput : public OggStream {
public:
    explicit OggMemoryInput(std::string_view bytes) : bytes_(bytes) {}
    std::size_t read(void* buffer, std::size_t n) override;
    bool seekTo(std::uint64_t offset) override;

private:
    std::string_view bytes_;
    std::size_t position_ = 0;
};

// Collects what is written in memory.
class OggMemoryOutput : public OggStream {
public:
    std::size_t write(const void* data, std::size_t n) override {
        bytes.append(static_cast<const char*>(data), n);
        return n;
    }
    std::string bytes;
};

// The seek callback handed to the comment editing library: 0 when the stream
// holds `offset` bytes and now stands there, non-zero otherwise.
int OggSeekFunc(void* stream, unsigned long long offset);
