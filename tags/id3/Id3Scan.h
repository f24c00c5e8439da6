// The frame walk of a tag: where each frame lies, which field it holds, and
// the shown values. Only the frames of the seven fields are read; every other
// frame is passed by its size, its body never read.
#pragma once

#include "tags/common/TagFields.h"
#include "tags/id3/Id3Source.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::id3 {

// A frame of the tag, by position.
struct FrameRef {
    char id[4] = {};
    std::uint8_t idLength = 4;    // 3 in version 2.2
    std::uint8_t headerSize = 10; // 6 in version 2.2
    std::uint16_t flags = 0;
    bool hasField = false; // one of the frames of the seven fields
    Field field = Field::Title;
    std::uint64_t offset = 0; // of its header
    std::uint32_t dataSize = 0;

    std::string_view name() const { return {id, idLength}; }
    std::uint64_t size() const { return headerSize + std::uint64_t(dataSize); }
    std::uint64_t end() const { return offset + size(); }
};

struct TagScan {
    bool present = false; // the source starts with a real tag header
    int version = 0;      // 2, 3 or 4
    std::uint8_t flags = 0;
    std::uint64_t declaredEnd = 0; // where the header says the tag ends: the audio starts
    bool complete = false;         // the declared end lies within the source
    std::uint64_t framesStart = 0; // after the header and an extended header
    std::uint64_t bodyEnd = 0;     // where frames and padding end (before a footer)
    std::uint64_t framesEnd = 0;   // end of the last whole frame
    // A tag of version 2.2 or 2.3 unsynchronised as a whole is read whole: this
    // holds it with the unsynchronisation undone, and frame offsets refer to it.
    std::string plain;
    std::vector<FrameRef> frames;
    int shownComment = -1; // index of the comment frame shown, or -1
    char commentLanguage[3] = {'e', 'n', 'g'};
    TagValues values; // the values shown, trimmed
};

// The frame id the field is stored under in a tag of this version.
std::string_view frameIdFor(Field field, int version);

// Walks the tag at the start of source. whole: walk every frame and list them
// (to write); otherwise only the values are kept and the walk ends once all
// seven are found. Raises only what the
// source raises (a read the system fails); damage ends the walk quietly.
TagScan scanTag(TagSource& source, bool whole);

// The content of a frame's data without what its flags add (grouping byte,
// data length, unsynchronisation; temp holds undone bytes), or false when it
// cannot be read (compressed, encrypted, damaged).
bool readFrameContent(int version, std::uint16_t flags, bool tagUnsync, std::string_view data,
                      std::string& temp, std::string_view& out);

} // namespace velmora::id3
