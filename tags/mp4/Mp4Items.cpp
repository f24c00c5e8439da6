#include "tags/mp4/Mp4Items.h"

#include <charconv>

namespace velmora::mp4 {

namespace {

constexpr std::uint32_t kTypeImplicit = 0; // binary, as trkn and gnre hold
constexpr std::uint32_t kTypeUtf8 = 1;
constexpr std::uint32_t kTypeUtf16 = 2;

// The largest value read for a shown item; longer ones are not tags a person typed.
constexpr std::uint64_t kMaxValue = 1u << 20;

struct DataValue {
    std::uint32_t type = 0;
    std::string bytes;
};

// The first `data` atom of an item.
std::optional<DataValue> firstData(const ByteSource& src, const Atom& item) {
    for (const Atom& child : listAtoms(src, item.body(), item.end())) {
        if (child.type != fourcc("data"))
            continue;
        if (child.bodySize() < 8)
            throw ParseError("a data atom too small for its header in '" + typeName(item.type) +
                             "'");
        unsigned char head[4];
        if (!src.read(child.body(), head, 4))
            throw ParseError("the file cannot be read");
        const std::uint64_t length = child.bodySize() - 8;
        if (length > kMaxValue)
            throw ParseError("a value of " + std::to_string(length) + " bytes in '" +
                             typeName(item.type) + "'");
        return DataValue{be32(head) & 0xFFFFFF, src.bytes(child.body() + 8, length)};
    }
    return std::nullopt;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | cp >> 6);
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | cp >> 12);
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | cp >> 18);
        out += char(0x80 | (cp >> 12 & 0x3F));
        out += char(0x80 | (cp >> 6 & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

std::string utf16beToUtf8(const std::string& in) {
    std::string out;
    for (std::size_t i = 0; i + 1 < in.size(); i += 2) {
        std::uint32_t unit = std::uint8_t(in[i]) << 8 | std::uint8_t(in[i + 1]);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < in.size()) {
            const std::uint32_t low = std::uint8_t(in[i + 2]) << 8 | std::uint8_t(in[i + 3]);
            if (low >= 0xDC00 && low < 0xE000) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        appendUtf8(out, unit);
    }
    return out;
}

std::string decodeText(const DataValue& data) {
    return data.type == kTypeUtf16 ? utf16beToUtf8(data.bytes) : data.bytes;
}

unsigned be16At(const std::string& s, std::size_t at) {
    return unsigned(std::uint8_t(s[at])) << 8 | std::uint8_t(s[at + 1]);
}

std::string decodeTrack(const DataValue& data) {
    if (data.bytes.size() < 4)
        return {};
    const unsigned number = be16At(data.bytes, 2);
    const unsigned total = data.bytes.size() >= 6 ? be16At(data.bytes, 4) : 0;
    if (number == 0 && total == 0)
        return {};
    std::string out = std::to_string(number);
    if (total != 0)
        out += "/" + std::to_string(total);
    return out;
}

std::string decodeGenreNumber(const DataValue& data) {
    return data.bytes.size() >= 2 ? genreName(be16At(data.bytes, 0)) : std::string();
}

std::string dataAtom(std::uint32_t type, std::string_view value) {
    std::string body;
    putBe32(body, type);
    putBe32(body, 0); // no locale
    body.append(value);
    return renderAtom(fourcc("data"), body);
}

// "n" or "n/total", numbers up to 65535.
bool parseTrack(const std::string& text, unsigned& number, unsigned& total) {
    const char* p = text.data();
    const char* end = p + text.size();
    auto take = [&](unsigned& to) {
        const auto [next, ec] = std::from_chars(p, end, to);
        if (ec != std::errc() || next == p || to > 0xFFFF)
            return false;
        p = next;
        return true;
    };
    total = 0;
    if (!take(number))
        return false;
    if (p != end && *p == '/') {
        ++p;
        if (!take(total))
            return false;
    }
    return p == end;
}

} // namespace

std::optional<Field> fieldOf(FourCC itemType) {
    switch (itemType) {
    case fourcc("\xa9nam"):
        return Field::Title;
    case fourcc("\xa9"
                "ART"):
        return Field::Artist;
    case fourcc("\xa9"
                "alb"):
        return Field::Album;
    case fourcc("\xa9"
                "day"):
        return Field::Year;
    case fourcc("\xa9gen"):
    case fourcc("gnre"):
        return Field::Genre;
    case fourcc("\xa9"
                "cmt"):
        return Field::Comment;
    case fourcc("trkn"):
        return Field::Track;
    default:
        return std::nullopt;
    }
}

TagValues decodeItems(const ByteSource& src, const std::vector<Atom>& items) {
    TagValues values;
    std::string genreFromNumber;
    bool seen[FieldCount] = {};
    for (const Atom& item : items) {
        const std::optional<Field> field = fieldOf(item.type);
        if (!field)
            continue;
        if (item.type == fourcc("gnre")) {
            if (genreFromNumber.empty())
                if (const auto data = firstData(src, item))
                    genreFromNumber = decodeGenreNumber(*data);
            continue;
        }
        const int index = static_cast<int>(*field);
        if (seen[index])
            continue; // the first of duplicated items counts
        const auto data = firstData(src, item);
        if (!data)
            continue;
        seen[index] = true;
        values.values[index] = *field == Field::Track ? decodeTrack(*data) : decodeText(*data);
    }
    if (!seen[static_cast<int>(Field::Genre)])
        values[Field::Genre] = genreFromNumber;
    return values;
}

std::string renderItem(Field field, const std::string& value) {
    switch (field) {
    case Field::Track: {
        unsigned number = 0, total = 0;
        if (!parseTrack(value, number, total))
            throw ParseError("the track \"" + value + "\" is not a number or number/total");
        std::string bytes(8, '\0');
        bytes[2] = char(number >> 8), bytes[3] = char(number);
        bytes[4] = char(total >> 8), bytes[5] = char(total);
        return renderAtom(fourcc("trkn"), dataAtom(kTypeImplicit, bytes));
    }
    case Field::Title:
        return renderAtom(fourcc("\xa9nam"), dataAtom(kTypeUtf8, value));
    case Field::Artist:
        return renderAtom(fourcc("\xa9"
                                 "ART"),
                          dataAtom(kTypeUtf8, value));
    case Field::Album:
        return renderAtom(fourcc("\xa9"
                                 "alb"),
                          dataAtom(kTypeUtf8, value));
    case Field::Year:
        return renderAtom(fourcc("\xa9"
                                 "day"),
                          dataAtom(kTypeUtf8, value));
    case Field::Genre:
        return renderAtom(fourcc("\xa9gen"), dataAtom(kTypeUtf8, value));
    case Field::Comment:
        return renderAtom(fourcc("\xa9"
                                 "cmt"),
                          dataAtom(kTypeUtf8, value));
    }
    return {};
}

} // namespace velmora::mp4
