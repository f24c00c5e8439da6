// Covers in a Vorbis comment list (Ogg Vorbis, Opus): METADATA_BLOCK_PICTURE
// comments, each a picture block in base64.
#pragma once

#include "tags/common/Covers.h"
#include "tags/common/VorbisComments.h"

#include <optional>
#include <string_view>
#include <vector>

namespace velmora::vorbiscomment {

// The front cover of a list: the first picture of type 3, else the first
// picture. Nullopt without pictures; `damaged` is set when the chosen comment
// is not a picture block.
std::optional<Picture> frontCoverOf(const std::vector<std::string_view>& comments, bool& damaged);

// The list with its front cover (every picture of type 3) replaced by `cover`
// at the first one's place, or added at the end, or, with null, removed.
// Every other comment keeps its bytes and place.
EditedComments withFrontCover(const std::vector<std::string_view>& comments, const Picture* cover);

} // namespace velmora::vorbiscomment
