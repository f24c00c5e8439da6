#include "tests/id3/Id3Bytes.h"

#include "tests/common/TestFiles.h"

namespace velmora::test {

namespace {

void appendNumber(std::string& out, std::uint32_t value, int bytes, int bitsPerByte) {
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((value >> (i * bitsPerByte)) & ((1u << bitsPerByte) - 1));
}

} // namespace

std::string frame23(std::string_view id, std::string_view data, std::uint16_t flags) {
    std::string out(id);
    appendNumber(out, static_cast<std::uint32_t>(data.size()), 4, 8);
    appendNumber(out, flags, 2, 8);
    return out.append(data);
}

std::string frame24(std::string_view id, std::string_view data, std::uint16_t flags) {
    std::string out(id);
    appendNumber(out, static_cast<std::uint32_t>(data.size()), 4, 7);
    appendNumber(out, flags, 2, 8);
    return out.append(data);
}

std::string frame22(std::string_view id, std::string_view data) {
    std::string out(id);
    appendNumber(out, static_cast<std::uint32_t>(data.size()), 3, 8);
    return out.append(data);
}

std::string tagOf(int version, std::string_view body, std::uint8_t flags) {
    std::string out = "ID3"s + static_cast<char>(version) + '\0' + static_cast<char>(flags);
    appendNumber(out, static_cast<std::uint32_t>(body.size()), 4, 7);
    return out.append(body);
}

std::string unsynchronise(std::string_view data) {
    std::string out;
    for (std::size_t i = 0; i < data.size(); ++i) {
        out += data[i];
        if (data[i] == '\xFF' && (i + 1 == data.size() || data[i + 1] == '\0' ||
                                  (static_cast<unsigned char>(data[i + 1]) & 0xE0) == 0xE0))
            out += '\0';
    }
    return out;
}

std::string mpegAudio(int frames, std::uint32_t seed) {
    const std::size_t frameLength = 417; // 144 * 128000 / 44100
    std::string out;
    for (int i = 0; i < frames; ++i) {
        out += "\xFF\xFB\x90\x00"s;
        out += randomBytes(frameLength - 4, seed + static_cast<std::uint32_t>(i));
    }
    return out;
}

} // namespace velmora::test
