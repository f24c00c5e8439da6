// FLAC in an Ogg stream (.oga, .ogg): recognised by content and read only.
// Its first packet is "\x7F" "FLAC" and the mapping's header; its second packet
// is the Vorbis comment block, header and body.
#pragma once

#include "tags/common/FormatUnit.h"

namespace velmora::flac {

// Whether a file's first Ogg stream is FLAC.
bool looksLikeOggFlac(const InputFile& file);

// The fields of an Ogg FLAC file (read only: there is no writer).
TagValues readOggFlacTags(const std::string& path);

} // namespace velmora::flac
