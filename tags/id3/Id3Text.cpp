#include "tags/id3/Id3Text.h"

#include "base/Text.h"

namespace velmora::id3 {

namespace {

bool isWide(std::uint8_t enc) {
    return enc == Utf16Bom || enc == Utf16Be;
}

} // namespace

std::string_view takeString(std::string_view data, std::size_t& pos, std::uint8_t enc) {
    if (pos >= data.size()) {
        pos = data.size();
        return {};
    }
    const std::size_t start = pos;
    if (isWide(enc)) {
        for (std::size_t i = start; i + 1 < data.size(); i += 2) {
            if (data[i] == '\0' && data[i + 1] == '\0') {
                pos = i + 2;
                return data.substr(start, i - start);
            }
        }
    } else {
        std::size_t zero = data.find('\0', start);
        if (zero != std::string_view::npos) {
            pos = zero + 1;
            return data.substr(start, zero - start);
        }
    }
    pos = data.size();
    return data.substr(start);
}

std::string decodeString(std::string_view raw, std::uint8_t enc) {
    switch (enc) {
    case Latin1:
        return latin1ToUtf8(raw);
    case Utf16Bom:
        return utf16WithBomToUtf8(raw);
    case Utf16Be:
        return utf16BytesToUtf8(raw, true);
    default:
        return toValidUtf8(raw);
    }
}

std::vector<std::string> decodeStrings(std::string_view data, std::uint8_t enc) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < data.size())
        out.push_back(decodeString(takeString(data, pos, enc), enc));
    while (!out.empty() && out.back().empty())
        out.pop_back();
    return out;
}

bool readTextFrame(std::string_view content, bool several, std::string& out) {
    if (content.empty() || !isKnownEncoding(static_cast<std::uint8_t>(content[0])))
        return false;
    const std::uint8_t enc = static_cast<std::uint8_t>(content[0]);
    std::string_view rest = content.substr(1);
    std::size_t pos = 0;
    std::string text;
    while (pos < rest.size()) {
        std::string value = decodeString(takeString(rest, pos, enc), enc);
        if (value.empty())
            continue;
        if (!text.empty())
            text += '/';
        text += value;
        if (!several)
            break;
    }
    out = trimControl(text);
    return true;
}

std::uint8_t encodingFor(std::initializer_list<std::string_view> texts) {
    for (std::string_view text : texts)
        if (!isAscii(text))
            return Utf16Bom;
    return Latin1;
}

std::string encodeString(std::string_view utf8, std::uint8_t enc, bool terminate) {
    std::string out;
    if (enc == Utf16Bom) {
        out = "\xFF\xFE" + utf8ToUtf16LeBytes(utf8);
        if (terminate)
            out.append(2, '\0');
    } else {
        out.assign(utf8);
        if (terminate)
            out += '\0';
    }
    return out;
}

std::string removeUnsync(std::string_view data) {
    std::string out;
    out.reserve(data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        out += data[i];
        if (data[i] == '\xFF' && i + 1 < data.size() && data[i + 1] == '\0')
            ++i;
    }
    return out;
}

} // namespace velmora::id3
