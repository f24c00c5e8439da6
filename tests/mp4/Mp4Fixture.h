// Sample M4A files made and tagged by other programs (ffmpeg, python3-mutagen,
// TagLib), and independent readings of them, for the MP4 unit's tests and
// benchmark.
#pragma once

#include "tags/common/TagFields.h"
#include "tests/common/TestFiles.h"

#include <map>
#include <string>

namespace velmora::mp4test {

// Where ffmpeg puts the movie atom.
enum class Layout {
    MoovLast,   // after the media data (ffmpeg's default)
    MoovFirst,  // before it (-movflags +faststart)
    Fragmented, // an empty movie atom and movie fragments (frag_keyframe+empty_moov)
};

enum class Tagger {
    None,        // only ffmpeg's encoder item
    Ffmpeg,      // -metadata and an attached picture
    Mutagen,     // python3-mutagen, with freeform items and a cover
    MutagenGnre, // as Mutagen, with the genre as a numbered `gnre` item
    TagLib,      // TagLib's MP4 API, with freeform items and a cover
    NoUserData,  // ffmpeg's file with moov/udta cut out (moov after the media data only)
};

const char* layoutName(Layout layout);
const char* taggerName(Tagger tagger);

// The values every tagger stores.
TagValues taggedValues();

// A file of `seconds` of AAC audio in `layout`, tagged by `tagger`, at `path`.
// The audio and the cover (a JPEG of about 500 KiB) are made once per run.
void makeSample(const std::string& path, Layout layout, Tagger tagger, int seconds = 2);

// The seven fields as TagLib reads them (the track as "n/total" or "n").
TagValues readWithTagLib(const std::string& path);

// Every ilst item as python3-mutagen's atom parser finds it: its name (with a
// number for repeated names, freeform items by their mean and name) and the
// item's bytes.
std::map<std::string, std::string> ilstItems(const std::string& path);

// The top-level atoms other than `moov`, by name and position in the file
// order ("0 ftyp"), with their bytes.
std::map<std::string, std::string> atomsBesideMoov(const std::string& path);

// The MD5 of the decoded audio (ffmpeg -f md5).
std::string decodedAudioMd5(const std::string& path);

} // namespace velmora::mp4test
