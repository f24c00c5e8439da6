// The FLAC unit's field-level interface for the core (see
// tags/common/FormatUnit.h): the Vorbis comment block among the metadata blocks.
//
// Reading walks the block headers and reads only the comment block (and of it
// only the comments that hold a field). Writing edits the comment block in
// place, with one positioned write, when it and the PADDING block right after
// it make room; otherwise it writes a new file beside the old one, with a fresh
// padding block after the comments, and renames it over. Every other block
// (pictures, seek table, cue sheet, application blocks), a leading ID3v2 tag
// and the audio frames are kept byte for byte.
#pragma once

#include "tags/common/Covers.h"
#include "tags/common/FormatUnit.h"

namespace velmora::flac {

TagValues readTags(const std::string& path);
void writeTags(const std::string& path, const TagValues& values, FieldMask changed);

// The cover as PICTURE blocks (see tags/common/Covers.h). A write rebuilds
// the file beside the old one: the new block takes the old front cover's place
// (or goes before the padding), every other block is copied as it is.
std::optional<Picture> readFrontCover(const std::string& path);
void writeFrontCover(const std::string& path, const Picture* cover);

// Whether a file begins (after any ID3v2 tags) with a FLAC stream.
bool looksLikeFlac(const InputFile& file);

} // namespace velmora::flac
