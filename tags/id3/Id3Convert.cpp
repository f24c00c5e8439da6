// Frames of other tag versions in version 2.3 form.
#include "tags/id3/Id3Convert.h"

#include "tags/id3/Id3Flags.h"
#include "tags/id3/Id3Text.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <utility>

namespace velmora::id3 {

namespace {

// Version 2.2 frames whose data has the same layout in 2.3.
constexpr std::pair<std::string_view, std::string_view> kV22Ids[] = {
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"ETC", "ETCO"},
    {"EQU", "EQUA"}, {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"},
    {"POP", "POPM"}, {"REV", "RVRB"}, {"RVA", "RVAD"}, {"SLT", "SYLT"}, {"STC", "SYTC"},
    {"TAL", "TALB"}, {"TBP", "TBPM"}, {"TCM", "TCOM"}, {"TCO", "TCON"}, {"TCR", "TCOP"},
    {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"}, {"TFT", "TFLT"}, {"TIM", "TIME"},
    {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"}, {"TOA", "TOPE"},
    {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TOT", "TOAL"}, {"TP1", "TPE1"},
    {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"}, {"TPB", "TPUB"},
    {"TRC", "TSRC"}, {"TRD", "TRDA"}, {"TRK", "TRCK"}, {"TSI", "TSIZ"}, {"TSS", "TSSE"},
    {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"}, {"TXT", "TEXT"}, {"TXX", "TXXX"},
    {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"}, {"WAF", "WOAF"}, {"WAR", "WOAR"},
    {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"}, {"WPB", "WPUB"}, {"WXX", "WXXX"},
};

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// A 2.2 picture names its image format in three letters; 2.3 uses a MIME type.
std::optional<Frame> pictureFromV22(std::string_view data) {
    if (data.size() < 5)
        return std::nullopt;
    std::string format = lower(data.substr(1, 3));
    std::string mime = format == "jpg" ? "image/jpeg" : format == "-->" ? "-->" : "image/" + format;
    std::string out;
    out += data[0];
    out += mime;
    out += '\0';
    out.append(data.substr(4));
    return Frame{"APIC", 0, out};
}

bool isTextFrame(std::string_view id) {
    return id.size() == 4 && id[0] == 'T' && id != "TXXX";
}

// Text frames of 2.4 may hold several values; 2.3 has one, so they are joined.
std::string joinValues(const std::vector<std::string>& values) {
    std::string out;
    for (const std::string& value : values) {
        if (!out.empty())
            out += '/';
        out += value;
    }
    return out;
}

// Re-encodes a 2.4 frame that carries text in UTF-16BE or UTF-8 (not allowed
// in 2.3), or several values in one text frame. Returns nothing when the frame
// has a text layout this program does not know, or an unknown encoding.
std::optional<std::string> reencodeV24(std::string_view id, std::string_view data) {
    const bool textBearing = isTextFrame(id) || id == "TXXX" || id == "COMM" || id == "USLT" ||
                             id == "APIC" || id == "WXXX" || id == "GEOB" || id == "IPLS" ||
                             id == "SYLT" || id == "USER" || id == "OWNE" || id == "COMR";
    if (!textBearing || data.empty())
        return std::string(data);
    const std::uint8_t enc = static_cast<std::uint8_t>(data[0]);
    if (!isKnownEncoding(enc))
        return std::nullopt;
    std::string_view rest = data.substr(1);
    if (isTextFrame(id) && id != "IPLS") {
        std::vector<std::string> values = decodeStrings(rest, enc);
        if (enc <= Utf16Bom && values.size() <= 1)
            return std::string(data);
        std::string text = joinValues(values);
        std::uint8_t out = encodingFor({text});
        return std::string(1, char(out)) + encodeString(text, out, false);
    }
    if (enc <= Utf16Bom)
        return std::string(data);
    std::size_t pos = 0;
    if (id == "TXXX" || id == "WXXX") {
        std::string description = decodeString(takeString(rest, pos, enc), enc);
        std::string value = id == "WXXX" ? std::string(rest.substr(pos))
                                         : joinValues(decodeStrings(rest.substr(pos), enc));
        std::uint8_t out = encodingFor({description, id == "TXXX" ? value : ""});
        return std::string(1, char(out)) + encodeString(description, out, true) +
               (id == "WXXX" ? value : encodeString(value, out, false));
    }
    if (id == "COMM" || id == "USLT") {
        if (rest.size() < 3)
            return std::nullopt;
        std::string_view language = rest.substr(0, 3);
        pos = 3;
        std::string description = decodeString(takeString(rest, pos, enc), enc);
        std::string text = decodeString(rest.substr(pos), enc);
        std::uint8_t out = encodingFor({description, text});
        return std::string(1, char(out)) + std::string(language) +
               encodeString(description, out, true) + encodeString(text, out, false);
    }
    if (id == "APIC") {
        std::string_view mime = takeString(rest, pos, Latin1);
        if (pos >= rest.size())
            return std::nullopt;
        const char type = rest[pos++];
        std::string description = decodeString(takeString(rest, pos, enc), enc);
        std::uint8_t out = encodingFor({description});
        return std::string(1, char(out)) + std::string(mime) + '\0' + type +
               encodeString(description, out, true) + std::string(rest.substr(pos));
    }
    if (id == "GEOB") {
        std::string_view mime = takeString(rest, pos, Latin1);
        std::string fileName = decodeString(takeString(rest, pos, enc), enc);
        std::string description = decodeString(takeString(rest, pos, enc), enc);
        std::uint8_t out = encodingFor({fileName, description});
        return std::string(1, char(out)) + std::string(mime) + '\0' +
               encodeString(fileName, out, true) + encodeString(description, out, true) +
               std::string(rest.substr(pos));
    }
    if (id == "IPLS") {
        std::vector<std::string> names = decodeStrings(rest, enc);
        std::string joined = joinValues(names);
        std::uint8_t out = encodingFor({joined});
        std::string result(1, char(out));
        for (const std::string& name : names)
            result += encodeString(name, out, true);
        return result;
    }
    return std::nullopt; // synchronised lyrics, terms of use, ownership, commercial
}

} // namespace

std::optional<Frame> convertFromV22(std::string_view id, std::string_view data) {
    if (id == "PIC")
        return pictureFromV22(data);
    auto it = std::find_if(std::begin(kV22Ids), std::end(kV22Ids),
                           [&](const auto& entry) { return entry.first == id; });
    if (it == std::end(kV22Ids))
        return std::nullopt;
    return Frame{std::string(it->second), 0, std::string(data)};
}

std::optional<Frame> convertFromV24(std::string_view id, std::uint8_t status, int groupId,
                                    std::string_view data) {
    // Seek and audio-seek-point frames hold positions that a rewrite invalidates.
    if (id == "SEEK" || id == "ASPI")
        return std::nullopt;
    std::string id23(id);
    if (id == "TIPL" || id == "TMCL")
        id23 = "IPLS";
    else if (id == "TDOR")
        id23 = "TORY";
    std::optional<std::string> converted = reencodeV24(id23, data);
    if (!converted)
        return std::nullopt;
    if (id23 == "TORY" && converted->size() > 5 && static_cast<std::uint8_t>((*converted)[0]) == 0)
        converted->resize(5); // the release year alone
    // The status bits keep their meaning and move up one place in 2.3.
    auto flags = static_cast<std::uint16_t>((status & 0x70) << 9);
    if (groupId >= 0) {
        flags |= kV23Grouped;
        converted->insert(converted->begin(), static_cast<char>(groupId));
    }
    return Frame{id23, flags, std::move(*converted)};
}

} // namespace velmora::id3
