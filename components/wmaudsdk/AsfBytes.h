// Little-endian fields and GUIDs as ASF stores them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace wmaudsdk {

// A GUID in its stored form: the first three groups little-endian.
struct Guid {
    std::array<std::uint8_t, 16> bytes{};

    static constexpr Guid make(std::uint32_t d1, std::uint16_t d2, std::uint16_t d3,
                               std::array<std::uint8_t, 8> d4) {
        Guid g;
        for (int i = 0; i < 4; ++i)
            g.bytes[i] = static_cast<std::uint8_t>(d1 >> (8 * i));
        for (int i = 0; i < 2; ++i) {
            g.bytes[4 + i] = static_cast<std::uint8_t>(d2 >> (8 * i));
            g.bytes[6 + i] = static_cast<std::uint8_t>(d3 >> (8 * i));
        }
        for (int i = 0; i < 8; ++i)
            g.bytes[8 + i] = d4[i];
        return g;
    }
    static Guid from(std::string_view stored) {
        Guid g;
        for (std::size_t i = 0; i < 16 && i < stored.size(); ++i)
            g.bytes[i] = static_cast<std::uint8_t>(stored[i]);
        return g;
    }
    std::string_view view() const {
        return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
    }
    bool operator==(const Guid&) const = default;
};

namespace asf {
constexpr Guid Header =
    Guid::make(0x75B22630, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C});
constexpr Guid FileProperties =
    Guid::make(0x8CABDCA1, 0xA947, 0x11CF, {0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65});
constexpr Guid ContentDescription =
    Guid::make(0x75B22633, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C});
constexpr Guid ExtendedContentDescription =
    Guid::make(0xD2D0A440, 0xE307, 0x11D2, {0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50});
constexpr Guid HeaderExtension =
    Guid::make(0x5FBF03B5, 0xA92E, 0x11CF, {0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65});
constexpr Guid HeaderExtensionReserved =
    Guid::make(0xABD3D211, 0xA9BA, 0x11CF, {0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65});
constexpr Guid Metadata =
    Guid::make(0xC5F8CBEA, 0x5BAF, 0x4877, {0x84, 0x67, 0xAA, 0x8C, 0x44, 0xFA, 0x4C, 0xCA});
constexpr Guid MetadataLibrary =
    Guid::make(0x44231C94, 0x9498, 0x49D1, {0xA1, 0x41, 0x1D, 0x13, 0x4E, 0x45, 0x70, 0x54});
constexpr Guid Data =
    Guid::make(0x75B22636, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C});
constexpr Guid Padding =
    Guid::make(0x1806D474, 0xCADF, 0x4509, {0xA4, 0xBA, 0x9A, 0xAB, 0xCB, 0x96, 0xAA, 0xE8});
} // namespace asf

// The size of an object head: GUID and 64-bit size (which counts the head).
constexpr std::size_t ObjectHeadSize = 24;

inline std::uint64_t readLE(std::string_view bytes, std::size_t at, int width) {
    std::uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
}
inline std::uint16_t readU16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(readLE(b, at, 2));
}
inline std::uint32_t readU32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(readLE(b, at, 4));
}
inline std::uint64_t readU64(std::string_view b, std::size_t at) {
    return readLE(b, at, 8);
}

inline void appendLE(std::string& out, std::uint64_t v, int width) {
    for (int i = 0; i < width; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void writeLE(std::string& out, std::size_t at, std::uint64_t v, int width) {
    for (int i = 0; i < width; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// UTF-16LE bytes up to the first NUL unit (an odd trailing byte is dropped).
inline std::u16string decodeUtf16Le(std::string_view bytes) {
    std::u16string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char16_t unit = static_cast<char16_t>(readU16(bytes, i));
        if (unit == 0)
            break;
        out += unit;
    }
    return out;
}
// UTF-16LE bytes of text, with a NUL unit when terminated is set.
inline std::string encodeUtf16Le(std::u16string_view text, bool terminated) {
    std::string out;
    out.reserve(text.size() * 2 + 2);
    for (char16_t unit : text)
        appendLE(out, unit, 2);
    if (terminated)
        appendLE(out, 0, 2);
    return out;
}

} // namespace wmaudsdk
