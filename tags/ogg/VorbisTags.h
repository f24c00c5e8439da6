// The Ogg Vorbis unit's field-level interface for the core (see
// tags/common/FormatUnit.h).
//
// readTags: the fields from TITLE, ARTIST, ALBUM, DATE, GENRE, COMMENT (or
// DESCRIPTION when the file has no COMMENT) and TRACKNUMBER, names in any case;
// of several comments of one name the last is shown. Comments that hold no
// field (pictures) are passed over unread.
//
// writeTags: each changed field replaces the comments of the name it is read
// from by one comment at the first one's place, keeping the stored name's case;
// an empty value removes the field's comments (both COMMENT and DESCRIPTION for
// the comment). Every other comment keeps its bytes and its place.
#pragma once

#include "tags/common/Covers.h"
#include "tags/common/FormatUnit.h"

namespace velmora::vorbis {

TagValues readTags(const std::string& path);
void writeTags(const std::string& path, const TagValues& values, FieldMask changed);

// The cover as METADATA_BLOCK_PICTURE comments (see tags/common/Covers.h),
// written as the fields are.
std::optional<Picture> readFrontCover(const std::string& path);
void writeFrontCover(const std::string& path, const Picture* cover);

} // namespace velmora::vorbis
