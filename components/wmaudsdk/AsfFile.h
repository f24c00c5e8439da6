// An ASF file. Opening walks its header for the attributes without holding
// it (large values stay in the file until asked for); an edit loads the whole
// header into an AsfHeader, and saving rebuilds only the header and copies
// everything after it byte for byte into a new file that atomically replaces
// the original (through the base file layer).
#pragma once

#include "AsfHeader.h"
#include "AsfIndex.h"

#include "base/FileLayer.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace wmaudsdk {

// The largest header we hold in memory (pictures live in it).
constexpr std::uint64_t MaxHeaderSize = 256ull << 20;

class AsfFile {
public:
    AsfFile();
    ~AsfFile();

    // Opens the file for reading and indexes its header's attributes; false
    // when it cannot be opened (errno set) or its header is not one we can
    // read and write back (errno 0). Reading never changes the file.
    bool open(const std::string& path);

    // The stored type and value of the file-level attribute a reader finds
    // under name; scratch holds the value when it was not in memory. False
    // when there is none, or it cannot be read.
    bool find(std::u16string_view name, std::uint16_t& type, std::string_view& value,
              std::string& scratch) const;
    // The copies of a name with several values, numbered as AsfHeader::at
    // does: how many, and copy index's stored type, stored size and value (at
    // most its first `most` bytes, so a look at a picture's head reads no
    // more). False when there is no such copy, or it cannot be read.
    std::size_t count(std::u16string_view name) const;
    bool findAt(std::u16string_view name, std::size_t index, std::uint16_t& type,
                std::uint64_t& size, std::string_view& value, std::string& scratch,
                std::size_t most = SIZE_MAX) const;
    // Copy index's whole stored value straight into out (its stored size);
    // false as findAt.
    bool copyAt(std::u16string_view name, std::size_t index, char* out) const;

    // Loads the whole header for changes (once); raises velmora's TagError
    // when it cannot be read as it was indexed.
    AsfHeader& edit();
    // Builds the new file beside the original; raises velmora's FileError on
    // failure, leaving the original untouched. Nothing to do when the edits
    // render the header as it was read.
    void prepare();
    // Puts the prepared file in place of the original (raises as prepare).
    void commit();
    bool prepared() const { return replacement_ != nullptr; }
    // prepare() and commit() in one.
    void save();

    const std::string& path() const { return path_; }

private:
    class Source;
    velmora::InputFile in_;
    std::string path_;
    std::uint64_t headerSize_ = 0;
    AsfIndex index_;
    std::unique_ptr<Source> source_;
    bool editing_ = false;
    std::string original_; // the header as read, once editing
    AsfHeader header_;
    std::unique_ptr<velmora::ReplaceFile> replacement_;
};

} // namespace wmaudsdk
