// An ASF file: its header read into an AsfHeader, and written back by
// rebuilding only the header and copying everything after it byte for byte
// into a new file that atomically replaces the original.
#pragma once

#include "AsfHeader.h"

#include "base/FileLayer.h"

#include <cstdint>
#include <string>

namespace wmaudsdk {

// The largest header we hold in memory (pictures live in it).
constexpr std::uint64_t MaxHeaderSize = 256ull << 20;

class AsfFile {
public:
    // Opens the file for reading and parses its header; false when it cannot
    // be opened or its header is not one we can read and write back. Reading
    // never changes the file.
    bool open(const std::string& path);

    AsfHeader& header() { return header_; }
    const AsfHeader& header() const { return header_; }

    // True when the header now renders differently from the one read.
    bool changed() const;
    // Writes the new header and the rest of the original. Raises velmora's
    // FileError on failure, leaving the original untouched.
    void save();

private:
    velmora::InputFile in_;
    std::string path_;
    std::string original_; // the header as read
    AsfHeader header_;
};

} // namespace wmaudsdk
