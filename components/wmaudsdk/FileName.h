// File names across the SDK's UTF-16 interface. Linux file names are bytes and
// need not be UTF-8: a byte that is not part of valid UTF-8 travels as the
// lone low surrogate U+DC80..U+DCFF and comes back as the same byte, so every
// name reaches the file it names.
#pragma once

#include "base/Text.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace wmaudsdk {

inline std::u16string fileNameToUtf16(std::string_view name) {
    std::u16string out;
    out.reserve(name.size());
    std::size_t i = 0;
    while (i < name.size()) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x80) {
            out += static_cast<char16_t>(c);
            ++i;
            continue;
        }
        int extra = -1; // continuation bytes, C0, C1 and F5..FF start nothing
        if (c < 0x80)
            extra = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            extra = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            extra = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            extra = 3;
        std::uint32_t cp = extra <= 0 ? c : c & (0x7F >> (extra + 1));
        bool valid = extra >= 0 && name.size() - i > static_cast<std::size_t>(extra);
        for (int k = 1; valid && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(name[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not valid.
        valid = valid && !(extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) &&
                !(extra == 3 && (cp < 0x10000 || cp > 0x10FFFF));
        if (!valid) {
            out += static_cast<char16_t>(0xDC00 + c);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

inline std::string fileNameFromUtf16(std::u16string_view name) {
    std::string out;
    out.reserve(name.size());
    auto put = [&](std::uint32_t cp) { velmora::appendUtf8(out, cp); };
    for (std::size_t i = 0; i < name.size(); ++i) {
        const std::uint32_t unit = name[i];
        if (unit < 0x80)
            out += static_cast<char>(unit);
        else if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < name.size() && name[i + 1] >= 0xDC00 &&
                 name[i + 1] < 0xE000) {
            put(0x10000 + ((unit - 0xD800) << 10) + (name[i + 1] - 0xDC00u));
            ++i;
        } else if (unit >= 0xDC80 && unit <= 0xDCFF) {
            out += static_cast<char>(unit - 0xDC00); // a byte that was not UTF-8
        } else if (unit >= 0xD800 && unit < 0xE000) {
            put(0xFFFD);
        } else {
            put(unit);
        }
    }
    return out;
}

} // namespace wmaudsdk
