// The MP3 unit's field-level interface for the core (see tags/common/FormatUnit.h).
//
// readTags shows the ID3v2 tag at the start of the file; only when there is
// none, the ID3v1 trailer (its genre byte as the genre's name). Of several
// frames of a field the first counts; the comment shown is the first comment
// frame without a description, whatever its language. Several values of a
// version 2.4 frame show joined by '/'. Frames of other kinds are passed by
// their size, never read.
//
// writeTags writes the changed fields only. An edited field replaces every
// frame of its kind (for the comment: the shown one) at the first one's place;
// an emptied one removes them; every other frame keeps its bytes. A version 2.4
// tag stays 2.4 (the year as TDRC); other files get or keep version 2.3. The
// bytes that differ are written in place when the tag's room holds the new
// frames and they lie within 64 KiB; otherwise the file is replaced atomically
// by one whose tag holds the frames of other kinds first. An ID3v1 trailer,
// where there is one, gets the changed values as far as its widths allow; a
// file without one never gets one. Every failure raises TagError naming the
// file and the reason.
#pragma once

#include "tags/common/Covers.h"
#include "tags/common/FormatUnit.h"

namespace velmora::mp3 {

TagValues readTags(const std::string& path);
void writeTags(const std::string& path, const TagValues& values, FieldMask changed);

// The cover as APIC frames (see tags/common/Covers.h) of a version 2.3 or 2.4
// tag, which keeps its version; a file without a tag gets a version 2.3 tag
// holding the picture and what its ID3v1 trailer shows. Written in the tag's
// room when it fits, as writeTags does; otherwise the file is replaced.
std::optional<Picture> readFrontCover(const std::string& path);
void writeFrontCover(const std::string& path, const Picture* cover);

} // namespace velmora::mp3
