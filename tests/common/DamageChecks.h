// What the damage tests of the tag units share: bytes for hand-built hostile
// files, a read and a write that report the error instead of throwing it, and
// the check of a real file cut at every length.
#pragma once

#include "tags/common/FormatUnit.h"
#include "tests/common/TestFiles.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace velmora::test {

// A 32-bit number as four little-endian bytes.
std::string le32(std::uint32_t v);

// The unit's read of the file: "" when it worked (the values in `values`, if
// given), else the message of the TagError.
std::string tryRead(ReadTagsFunction read, const std::string& path, TagValues* values = nullptr);
// The unit's write of the title "Written": "" when it worked, else the message.
std::string tryWrite(WriteTagsFunction write, const std::string& path);

// A refused write left the file as it was and nothing beside it in `dir`.
void expectLeftAlone(const TempDir& dir, const std::string& path, const std::string& bytes);

// `whole` cut at every length and written to `path`: each cut reads with an
// error or values, and a write of the title either fails and leaves the cut
// as it was or succeeds on a cut that read, and the title reads back.
// `writeAt` picks the lengths written (all when not given).
void expectEveryCutReadOrRefused(const std::string& path, const std::string& whole,
                                 ReadTagsFunction read, WriteTagsFunction write,
                                 const std::function<bool(std::size_t length)>& writeAt = {});

} // namespace velmora::test
