// The byte-level ID3 tag: parsing a tag held in memory into the record plus the
// frames the record does not model, and rendering them back as version 2.3.
// No file access here, so all of it can be tested on byte literals and fuzzed.
#pragma once

#include "tags/id3/Unit2.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::id3 {

inline constexpr std::size_t kHeaderSize = 10;
// The tag size is four 7-bit digits.
inline constexpr std::uint32_t kMaxTagSize = (1u << 28) - 1;

// A frame carried through unchanged, already in version 2.3 form.
struct Frame {
    std::string id;          // four characters
    std::uint16_t flags = 0; // version 2.3 frame flags
    std::string data;        // the frame's data as it is written
    bool operator==(const Frame&) const = default;
};

struct ParsedTag {
    bool present = false;          // the bytes start with a real tag header
    int version = 0;               // major version: 2, 3 or 4
    std::uint64_t declaredEnd = 0; // where the header says the tag ends (the audio starts)
    std::uint64_t parsedEnd = 0;   // where the frame walk stopped, in the input bytes
    ID3StructV2 fields;            // the seven values, trimmed
    std::vector<Frame> kept;       // every other frame, in file order
};

// Length of the whole tag (header, body and footer) from its first 10 bytes;
// 0 when they are not the header of a real tag.
std::uint64_t tagLength(std::string_view header);

// Parses the tag at the start of bytes (which may be cut short: what was read
// before the damage counts). Never throws on any input.
ParsedTag parseTag(std::string_view bytes);

// The frames of a version 2.3 tag: the seven fields in order, then the kept frames.
std::string renderFrames(const ID3StructV2& fields, const std::vector<Frame>& kept);

// The tag header followed by frames and padding zero bytes. Throws
// velmora::TagError when the tag would be larger than a tag can say.
std::string assembleTag(std::string_view frames, std::size_t padding);

// Reads and writes numbers of the tag layout.
std::uint32_t readBigEndian(std::string_view bytes);
std::uint32_t readSyncsafe(std::string_view bytes);
void appendBigEndian(std::string& out, std::uint32_t value);
void appendSyncsafe(std::string& out, std::uint32_t value);

} // namespace velmora::id3
