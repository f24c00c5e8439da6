// The Opus unit's field-level interface for the core (see
// tags/common/FormatUnit.h): the comment packet ("OpusTags") of an Ogg Opus
// stream.
//
// Writing builds a new file beside the old one: the pages of the new comment
// packet in place of the old ones, every other page as it was (audio packets,
// granule positions, serial numbers); when the number of header pages changes,
// the later pages of the stream get new sequence numbers and checksums. The
// new file is renamed over the old one.
#pragma once

#include "tags/common/Covers.h"
#include "tags/common/FormatUnit.h"

namespace velmora::opus {

TagValues readTags(const std::string& path);
void writeTags(const std::string& path, const TagValues& values, FieldMask changed);

// The cover as METADATA_BLOCK_PICTURE comments (see tags/common/Covers.h),
// written as the fields are. Reading reads the whole comment packet.
std::optional<Picture> readFrontCover(const std::string& path);
void writeFrontCover(const std::string& path, const Picture* cover);

// Whether a file's first Ogg stream is Opus (its first packet is "OpusHead"),
// whatever its extension: an .ogg or .oga file may hold Opus.
bool looksLikeOpus(const InputFile& file);

} // namespace velmora::opus
