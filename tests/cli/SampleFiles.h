// Audio files made by other programs for the core's and the command line's
// tests (ffmpeg encodes, mutagen's mid3v2 and vorbiscomment tag), and what an
// independent reader (mutagen) sees in a file.
#pragma once

#include "tags/common/TagFields.h"

#include <ostream>
#include <string>
#include <vector>

namespace velmora {
// How GoogleTest shows a value set.
void PrintTo(const TagValues& values, std::ostream* out);
} // namespace velmora

namespace velmora::test {

// Makes tagged.mp3, tagged.ogg, tagged.wma (each holding sampleValues(ext))
// and plain.wav in folder. Returns false when a tool failed.
bool makeSampleFiles(const std::string& folder);
// The values the reader shows for tagged.<ext> (the WMA sample has no track
// number).
TagValues sampleValues(const std::string& ext);

// Every tag value of the file as mutagen reads it, as "KEY<TAB>VALUE" lines,
// stably sorted by key (the order of one key's values is kept).
std::vector<std::string> tagDump(const std::string& path);
// The lines of dump whose key is not key (compared without regard to case).
std::vector<std::string> withoutKey(const std::vector<std::string>& dump, const std::string& key);
// The values of key in dump.
std::vector<std::string> valuesOf(const std::vector<std::string>& dump, const std::string& key);

// text in single quotes for the shell.
std::string shellQuote(const std::string& text);

} // namespace velmora::test
