#include "tags/id3/Id3Picture.h"

#include "base/FileLayer.h"
#include "tags/id3/Id3Tag.h"
#include "tags/id3/Id3Text.h"

namespace velmora::id3 {

namespace {

// Where the picture type lies: after the encoding byte and the mime type.
std::optional<std::size_t> typeOffset(std::string_view content) {
    if (content.empty() || !isKnownEncoding(static_cast<std::uint8_t>(content[0])))
        return std::nullopt;
    const std::size_t end = content.find('\0', 1);
    if (end == std::string_view::npos || end + 1 >= content.size())
        return std::nullopt;
    return end + 1;
}

bool isAscii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Every FF followed by 00 or by a byte of E0 or more (and an FF at the end)
// gets a 00 after it.
std::string addUnsync(std::string_view data) {
    std::string out;
    out.reserve(data.size() + data.size() / 64);
    for (std::size_t i = 0; i < data.size(); ++i) {
        out += data[i];
        if (static_cast<unsigned char>(data[i]) == 0xFF &&
            (i + 1 == data.size() || data[i + 1] == '\0' ||
             static_cast<unsigned char>(data[i + 1]) >= 0xE0))
            out += '\0';
    }
    return out;
}

} // namespace

std::optional<std::uint8_t> apicType(std::string_view contentHead) {
    const auto at = typeOffset(contentHead);
    if (!at)
        return std::nullopt;
    return static_cast<std::uint8_t>(contentHead[*at]);
}

std::optional<Picture> parseApic(std::string_view content) {
    const auto at = typeOffset(content);
    if (!at)
        return std::nullopt;
    const auto enc = static_cast<std::uint8_t>(content[0]);
    Picture picture;
    picture.mime = std::string(content.substr(1, *at - 2));
    picture.type = static_cast<std::uint8_t>(content[*at]);
    std::size_t pos = 0;
    const std::string_view rest = content.substr(*at + 1);
    picture.description = decodeString(takeString(rest, pos, enc), enc);
    picture.data = std::make_shared<const std::string>(rest.substr(std::min(pos, rest.size())));
    return picture;
}

std::string apicFrame(const Picture& picture, int version, bool unsync) {
    const std::uint8_t enc = isAscii(picture.description) ? Latin1 : version == 4 ? Utf8 : Utf16Bom;
    std::string content(1, static_cast<char>(enc));
    content += picture.mime;
    content += '\0';
    content += static_cast<char>(picture.type);
    if (enc == Utf8)
        content += picture.description + '\0';
    else
        content += encodeString(picture.description, enc, true);
    if (picture.data)
        content += *picture.data;
    unsync = unsync && version == 4;
    if (unsync)
        content = addUnsync(content);
    if (content.size() > kMaxTagSize)
        throw TagError("The picture is too large for an ID3v2 tag.");
    std::string frame("APIC");
    if (version == 4)
        appendSyncsafe(frame, static_cast<std::uint32_t>(content.size()));
    else
        appendBigEndian(frame, static_cast<std::uint32_t>(content.size()));
    frame += '\0';
    frame += unsync ? '\x02' : '\0'; // the frame is unsynchronised
    return frame + content;
}

} // namespace velmora::id3
