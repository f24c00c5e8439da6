// What the fuzz targets share: bytes in memory read at an offset, Ogg pages
// given correct checksums, and the comment edit they carry out and check.
#pragma once

#include "tags/common/VorbisComments.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace velmora::fuzz {

// A read callback over bytes held in memory (they must outlive it): what the
// units' readers take for a file.
std::function<std::size_t(std::uint64_t offset, void* out, std::size_t n)>
memoryReader(const std::string& bytes);

// Gives every Ogg page found a correct checksum, so that the paths behind the
// checksum test are reached.
void sealEveryPage(std::string& bytes);

// The comment list (vendor and comments, no magic) after the edit each target
// makes: a title of `titleLength` letters (none: removed) and the genre
// "Fuzz", the other comments kept.
std::string editedComments(const vorbiscomment::CommentList& list, std::size_t titleLength);

// Whether a comment list parses and shows the genre the edit wrote.
bool holdsEditedGenre(std::string_view comments);

} // namespace velmora::fuzz
