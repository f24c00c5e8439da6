#include "tags/id3/Id3v1.h"

#include "base/Text.h"
#include "tags/id3/Id3Genres.h"

#include <algorithm>

namespace velmora::id3 {

namespace {

struct Slot {
    Field field;
    std::size_t offset;
    std::size_t width;
};

constexpr Slot kTitle{Field::Title, 3, 30};
constexpr Slot kArtist{Field::Artist, 33, 30};
constexpr Slot kAlbum{Field::Album, 63, 30};
constexpr Slot kYear{Field::Year, 93, 4};
constexpr std::size_t kCommentOffset = 97;
constexpr std::size_t kTrackMarker = 125; // zero in version 1.1
constexpr std::size_t kTrackByte = 126;
constexpr std::size_t kGenreByte = 127;

bool hasTrackByte(std::string_view trailer) {
    return trailer[kTrackMarker] == '\0' && trailer[kTrackByte] != '\0';
}

std::string fieldText(std::string_view trailer, std::size_t offset, std::size_t width) {
    std::string_view raw = trailer.substr(offset, width);
    raw = raw.substr(0, std::min(raw.find('\0'), raw.size()));
    return trimControl(latin1ToUtf8(raw));
}

// UTF-8 text as ISO-8859-1 bytes, '?' for what it cannot hold, cut to width
// and filled with zero bytes.
void putText(std::string& trailer, std::size_t offset, std::size_t width, std::string_view utf8) {
    std::u16string wide = utf8ToUtf16(utf8);
    std::string out;
    for (std::size_t i = 0; i < wide.size() && out.size() < width; ++i) {
        char16_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size())
            ++i; // one character outside the plane: one '?'
        out += c <= 0xFF ? static_cast<char>(c) : '?';
    }
    out.resize(width, '\0');
    trailer.replace(offset, width, out);
}

int leadingNumber(std::string_view text) {
    int n = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && n < 1000; ++i)
        n = n * 10 + (text[i] - '0');
    return i == 0 ? 0 : n;
}

} // namespace

bool isV1Trailer(std::string_view last128) {
    return last128.size() == kV1Size && last128.substr(0, 3) == "TAG";
}

TagValues readV1(std::string_view trailer) {
    TagValues v;
    for (const Slot& slot : {kTitle, kArtist, kAlbum, kYear})
        v[slot.field] = fieldText(trailer, slot.offset, slot.width);
    const bool track = hasTrackByte(trailer);
    v[Field::Comment] = fieldText(trailer, kCommentOffset, track ? 28 : 30);
    if (track)
        v[Field::Track] = std::to_string(static_cast<std::uint8_t>(trailer[kTrackByte]));
    const auto genre = static_cast<std::uint8_t>(trailer[kGenreByte]);
    if (genre < kGenreCount)
        v[Field::Genre] = std::string(kNumberedGenres[genre]);
    return v;
}

std::string updatedV1(std::string_view trailer, const TagValues& values, FieldMask changed) {
    std::string out(trailer);
    for (const Slot& slot : {kTitle, kArtist, kAlbum, kYear})
        if (changed.has(slot.field))
            putText(out, slot.offset, slot.width, values[slot.field]);
    const bool track = hasTrackByte(trailer);
    if (changed.has(Field::Comment))
        putText(out, kCommentOffset, track ? 28 : 30, values[Field::Comment]);
    if (changed.has(Field::Track)) {
        const int number = leadingNumber(values[Field::Track]);
        // The track byte needs the comment's last two bytes: taken only when free.
        if (track || (out[kTrackMarker] == '\0' && out[kTrackByte] == '\0'))
            out[kTrackByte] = static_cast<char>(number >= 1 && number <= 255 ? number : 0);
    }
    if (changed.has(Field::Genre))
        out[kGenreByte] = static_cast<char>(genreIndex(values[Field::Genre]));
    return out;
}

} // namespace velmora::id3
