// The WMA unit's field-level interface for the core (see tags/common/FormatUnit.h).
#pragma once

#include "tags/common/FormatUnit.h"

#include <memory>

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

} // namespace velmora::wma
