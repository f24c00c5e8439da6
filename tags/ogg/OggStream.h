// The streams behind the user pointer of OggReadFunc, OggWriteFunc and OggSkipFunc.
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
    // Passes over n bytes of input; false when the input ends first.
    virtual bool skip(std::uint64_t /*n*/) { return false; }
};

// Reads a file from its start onwards.
class OggFileInput : public OggStream {
public:
    explicit OggFileInput(const velmora::InputFile& file) : file_(file) {}
    std::size_t read(void* buffer, std::size_t n) override;
    bool skip(std::uint64_t n) override;
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
    bool skip(std::uint64_t n) override;

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

// The skip callback handed to the comment editing library: 0 when the stream
// held the n bytes passed over, non-zero otherwise.
int OggSkipFunc(void* stream, unsigned long long n);
