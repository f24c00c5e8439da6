// The MP4/M4A unit: the iTunes-style tag (`ilst` under moov/udta/meta) of
// .m4a and .mp4 files, for the core (see tags/common/FormatUnit.h).
//
// An edit rewrites the tag in place when the `free` atom right after `ilst`
// absorbs the change; otherwise the file is rebuilt beside the original and
// renamed over it, with the tracks' chunk offsets moved where the media data
// follows the tag (in a fragmented file, the fragments' offsets too). Covers,
// freeform items and unknown atoms are copied as they are.
#pragma once

#include "tags/common/Covers.h"
#include "tags/common/FormatUnit.h"

#include <cstdint>
#include <functional>

namespace velmora::mp4 {

TagValues readTags(const std::string& path);
void writeTags(const std::string& path, const TagValues& values, FieldMask changed);

// Told how far a rebuild has come: bytes written and bytes in all.
using Progress = std::function<void(std::uint64_t done, std::uint64_t total)>;
void writeTags(const std::string& path, const TagValues& values, FieldMask changed,
               const Progress& progress);

// The cover as the first image of the `covr` item (see tags/common/Covers.h):
// MP4 pictures have no type, so the first image is the front cover. A write
// replaces or removes that image only; the item's other images stay.
std::optional<Picture> readFrontCover(const std::string& path);
void writeFrontCover(const std::string& path, const Picture* cover);

// Whether the first bytes of a file look like an MP4 file (an `ftyp` atom).
bool looksLikeMp4(const void* head, std::size_t n);

} // namespace velmora::mp4
