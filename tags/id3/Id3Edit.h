// An edit of a tag as a list of pieces: frames carried from the old tag by
// their place in the file, and new frames for the changed fields.
#pragma once

#include "tags/common/TagFields.h"
#include "tags/id3/Id3Scan.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::id3 {

// An in-place write may rewrite at most this much, from the first changed
// frame to the end of the used tag; a larger change replaces the file.
inline constexpr std::uint64_t kMaxInPlaceSpan = 64 * 1024;

struct Piece {
    bool carried = false;
    std::uint64_t from = 0;   // carried: where the frame lies in the file
    std::uint64_t length = 0; // carried: its size, header included
    std::string bytes;        // otherwise: the new frame
    std::uint64_t size() const { return carried ? length : bytes.size(); }
};

enum class FrameOrder {
    KeepPlaces,   // every frame where it was; an edited field at its first frame's place
    CarriedFirst, // other frames first, then the fields' frames and all comments
};

// The frames of the edited tag, in the target version (the scan's own for 2.3
// and 2.4, 2.3 for 2.2). An edited field replaces all frames of its kind (for
// the comment: the shown one) at the first one's place, or is added at the
// end; an empty value removes them. Frames of a tag read whole (scan.plain) or
// converted from version 2.2 come as bytes; source gives the 2.2 frames' data.
std::vector<Piece> planFrames(const TagScan& scan, TagSource& source, int version,
                              const TagValues& values, FieldMask changed, FrameOrder order);

// One frame of a field in the given version (3 or 4). ASCII text is written
// as ISO-8859-1; other text as UTF-16 with a byte order mark in 2.3, UTF-8 in 2.4.
std::string fieldFrame(Field field, std::string_view value, int version,
                       std::string_view language = "eng");

// Room left behind a tag that had to grow, so the next edits fit in place:
// 1 KiB plus a thousandth of the audio, at most 64 KiB more, rounded up so the
// audio keeps its place within a 4 KiB page.
std::size_t paddingForGrowth(std::size_t frameBytes, std::uint64_t oldAudioStart,
                             std::uint64_t audioLength);

// The length of the common start of two byte strings, and of their common end
// not reaching into the first skip bytes (strings of equal length).
std::size_t commonPrefix(std::string_view a, std::string_view b);
std::size_t commonSuffix(std::string_view a, std::string_view b, std::size_t skip);

} // namespace velmora::id3
