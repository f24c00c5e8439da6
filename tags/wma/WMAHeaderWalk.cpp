#include "tags/wma/WMAHeaderWalk.h"

#include "base/FileLayer.h"
#include "base/Text.h"

#include <array>
#include <climits>
#include <cstring>

namespace {

// A GUID in its stored form (first three groups little-endian).
using Guid = std::array<unsigned char, 16>;
constexpr Guid WalkHeader = {0xD1, 0x29, 0xE2, 0xD6, 0xDA, 0x35, 0xD1, 0x11,
                             0x90, 0x34, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xBE};
constexpr Guid WalkAttributes = {0xD5, 0x29, 0xE2, 0xD6, 0xDA, 0x35, 0xD1, 0x11,
                                 0x90, 0x34, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xBE};
// An object head: the GUID and a 64-bit size that counts the head.
constexpr std::size_t ObjectHeadSize = 24;

// Texts longer than this many UTF-16 units are cut; the rest is skipped.
constexpr std::size_t MaxTextUnits = 511;

// A forward-only position in the file.
class Reader {
public:
    explicit Reader(const WalkReadAt& read) : read_(read) {}
    bool read(void* buffer, std::size_t n) {
        if (read_(pos_, buffer, n) != n)
            return false;
        pos_ += n;
        return true;
    }
    bool skip(std::uint64_t n) {
        if (n > UINT64_MAX - pos_)
            return false;
        pos_ += n;
        return true;
    }
    bool head(Guid& id, std::uint64_t& size) {
        unsigned char bytes[ObjectHeadSize];
        if (!read(bytes, sizeof bytes))
            return false;
        std::memcpy(id.data(), bytes, id.size());
        size = 0;
        for (int i = 7; i >= 0; --i)
            size = (size << 8) | bytes[16 + i];
        return true;
    }
    // A text of units UTF-16 units, ending at its first NUL.
    bool text(std::uint16_t units, std::string& out) {
        const std::size_t kept = units < MaxTextUnits ? units : MaxTextUnits;
        std::string bytes(kept * 2, '\0');
        if (!read(bytes.data(), bytes.size()) || !skip((units - kept) * 2u))
            return false;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            if (bytes[i] == 0 && bytes[i + 1] == 0) {
                bytes.resize(i);
                break;
            }
        out = velmora::utf16BytesToUtf8(bytes, false);
        return true;
    }

private:
    const WalkReadAt& read_;
    std::uint64_t pos_ = 0;
};

bool sameIgnoringCase(const std::string& a, const char* b) {
    const std::size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// A whole decimal number, optionally signed and surrounded by spaces; 0 when
// the text is not one or does not fit 32 bits.
std::int32_t wholeNumber(const std::string& text) {
    std::size_t i = 0, end = text.size();
    while (i < end && text[i] == ' ')
        ++i;
    while (end > i && text[end - 1] == ' ')
        --end;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == end)
        return 0;
    std::int64_t value = 0;
    for (; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return 0;
        value = value * 10 + (text[i] - '0');
        if (value > std::int64_t{INT32_MAX} + 1)
            return 0;
    }
    value = negative ? -value : value;
    if (value > INT32_MAX)
        return 0;
    return static_cast<std::int32_t>(value);
}

void applyEntry(std::uint8_t kind, const std::string& name, std::string value, WMATagRec& tag) {
    switch (kind) {
    case 1:
        tag.Artist = std::move(value);
        return;
    case 2:
        tag.Title = std::move(value);
        return;
    case 3:
        tag.Copyright = std::move(value);
        return;
    case 4:
        tag.Comment = std::move(value);
        return;
    default:
        break;
    }
    if (kind < 100)
        return;
    if (sameIgnoringCase(name, "WM/Track"))
        tag.Track = static_cast<std::uint16_t>(static_cast<std::uint32_t>(wholeNumber(value)));
    else if (sameIgnoringCase(name, "WM/Year"))
        tag.Year = std::move(value);
    else if (sameIgnoringCase(name, "WM/AlbumTitle"))
        tag.Album = std::move(value);
}

// One attribute list: a count, then entries of a 9-byte head, a name and a
// value. False when the file ends inside it.
bool readEntries(Reader& in, WMATagRec& tag) {
    unsigned char countBytes[2];
    if (!in.read(countBytes, 2))
        return false;
    const unsigned count = countBytes[0] | (countBytes[1] << 8u);
    for (unsigned i = 0; i < count; ++i) {
        unsigned char head[9];
        if (!in.read(head, sizeof head))
            return false;
        const std::uint8_t kind = head[0];
        const auto nameUnits = static_cast<std::uint16_t>(head[5] | (head[6] << 8u));
        const auto valueUnits = static_cast<std::uint16_t>(head[7] | (head[8] << 8u));
        std::string name, value;
        if (!in.text(nameUnits, name) || !in.text(valueUnits, value))
            return false;
        applyEntry(kind, name, std::move(value), tag);
    }
    return true;
}

} // namespace

void WalkWMAHeader(const WalkReadAt& read, WMATagRec& tag) {
    Reader in(read);
    Guid id;
    std::uint64_t remaining = 0;
    if (!in.head(id, remaining) || id != WalkHeader)
        return;
    tag.Found = true;
    // Each object moves the position forward by at least its head, so the
    // walk ends at the file's end at the latest.
    while (remaining > 0) {
        std::uint64_t size = 0;
        if (!in.head(id, size) || size == 0 || size > remaining || size < ObjectHeadSize)
            return;
        remaining -= size;
        if (id == WalkAttributes) {
            if (!readEntries(in, tag))
                return;
        } else if (!in.skip(size - ObjectHeadSize)) {
            return;
        }
    }
}

void WalkWMAHeaderFile(const std::string& fileName, WMATagRec& tag) {
    velmora::InputFile file; // opens regular files only, without waiting on a pipe
    if (!velmora::InputFile::tryOpen(fileName, file))
        return;
    WalkWMAHeader([&](std::uint64_t offset, void* buffer,
                      std::size_t n) { return file.readAt(offset, buffer, n); },
                  tag);
}
