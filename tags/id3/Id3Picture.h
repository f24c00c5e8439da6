// APIC frames: the pictures of an ID3v2 tag (versions 2.3 and 2.4).
// Content: text encoding, mime type (ISO-8859-1, terminated), picture type,
// description (terminated in the encoding), then the image bytes.
#pragma once

#include "tags/common/Covers.h"

#include <optional>
#include <string>
#include <string_view>

namespace velmora::id3 {

// The picture type from the first bytes of an APIC frame's content; nullopt
// when they do not reach it.
std::optional<std::uint8_t> apicType(std::string_view contentHead);
// The picture of an APIC frame's content; nullopt when damaged.
std::optional<Picture> parseApic(std::string_view content);
// A whole APIC frame (header included) in version 3 or 4; `unsync` (version 4
// only, for a tag whose flag says all its frames are so) unsynchronises it.
std::string apicFrame(const Picture& picture, int version, bool unsync = false);

} // namespace velmora::id3
