// The WMA unit's field-level interface for the core (see tags/common/FormatUnit.h).
#pragma once

#include "tags/common/Covers.h"
#include "tags/common/FormatUnit.h"

#include <memory>
#include <optional>

namespace velmora::wma {

class SdkFile;

TagValues readTags(const std::string& path);
void writeTags(const std::string& path, const TagValues& values, FieldMask changed);

// writeTags in two steps, for writing many files as a group: prepareWrite
// stores the changed fields and builds the new file beside the original
// (raising as writeTags); commit() puts it in place of the original.
// Destroyed without commit(), it removes the new file and leaves the
// original as it was. Nothing to commit when nothing changed.
class PreparedWrite {
public:
    PreparedWrite();
    explicit PreparedWrite(std::unique_ptr<SdkFile> file);
    PreparedWrite(PreparedWrite&&) noexcept;
    PreparedWrite& operator=(PreparedWrite&&) noexcept;
    ~PreparedWrite();
    void commit();

private:
    std::unique_ptr<SdkFile> file_;
};
PreparedWrite prepareWrite(const std::string& path, const TagValues& values, FieldMask changed);

// The front cover (see tags/common/Covers.h): a WM/Picture attribute of type
// 3 (or the first picture), read on demand; a write changes that attribute
// alone and keeps every other picture and attribute as stored.
std::optional<Picture> readFrontCover(const std::string& path);
void writeFrontCover(const std::string& path, const Picture* cover);
// writeFrontCover's first step, as prepareWrite.
PreparedWrite prepareCoverWrite(const std::string& path, const Picture* cover);

// Puts a prepared write in place; under a GroupCommitScope its commit is
// handed to the group instead and runs when the group commits.
void commitOrHandOver(const std::string& path, PreparedWrite prepared);

} // namespace velmora::wma
