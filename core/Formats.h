// The one table of the audio formats Velmora knows: which format a file is,
// and that format's tag reader and writer. Adding a format is one row in
// Formats.cpp plus its tag unit.
#pragma once

#include "tags/common/Covers.h"
#include "tags/common/FormatUnit.h"

#include <span>
#include <string>
#include <string_view>

namespace velmora::core {

struct Format {
    // Shown to the user and in the command line's output ("MP3", "Ogg Vorbis").
    std::string_view name;
    // The file name endings of this format, lower case, dot included, separated
    // by spaces (".mp3", ".m4a .mp4").
    std::string_view extensions;
    // Null for a format listed without tags (WAV).
    ReadTagsFunction readTags;
    // Null for a format whose tags are shown but not written (Ogg FLAC).
    WriteTagsFunction writeTags;
    // For extensions that several formats share (".ogg"): whether the file's
    // content is of this format. Null: the extension alone decides.
    bool (*claims)(const InputFile& file) = nullptr;
    // The front cover's reader and writer; null for a format without covers.
    ReadFrontCoverFunction readFrontCover = nullptr;
    WriteFrontCoverFunction writeFrontCover = nullptr;

    bool hasTags() const { return readTags != nullptr && writeTags != nullptr; }
    bool hasCovers() const { return readFrontCover != nullptr && writeFrontCover != nullptr; }
};

// Every row of the table.
std::span<const Format> allFormats();

// The format of a file, or null when Velmora does not know it. The name's
// extension (compared without regard to ASCII case) picks the rows; of rows
// that share an extension, the first whose content check accepts the file
// wins, and a row without a check takes what the others left.
const Format* formatOf(std::string_view path);
// The same in another table (tests use one of their own).
const Format* formatOf(std::string_view path, std::span<const Format> table);

// True when the file's format has a tag reader (and so is taken by a folder scan).
bool hasTagReader(std::string_view path);

// Loads the run-time libraries some formats need (the WMA SDK) for as long as
// it lives; a program makes one at start. Without it those formats can still
// be read, but not written.
class FormatLibraries {
public:
    FormatLibraries();
    ~FormatLibraries();
    FormatLibraries(const FormatLibraries&) = delete;
    FormatLibraries& operator=(const FormatLibraries&) = delete;
};

} // namespace velmora::core
