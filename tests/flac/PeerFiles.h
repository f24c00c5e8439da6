// Files made by other programs for the FLAC and Opus tests (audio by ffmpeg,
// flac and opusenc; tags and pictures by metaflac and opusenc; other blocks
// and a leading ID3v2 tag by python3-mutagen), and the check every write must
// pass, judged by independent readers (mutagen, TagLib, ffmpeg).
#pragma once

#include "tags/common/FormatUnit.h"
#include "tests/common/TestFiles.h"

#include <string>
#include <utility>
#include <vector>

namespace velmora::test {

struct FlacRecipe {
    std::vector<std::string> comments; // KEY=value, through metaflac --set-tag
    bool seekTable = true;             // flac -S
    int padding = 4096;                // flac --padding (-1: none)
    bool picture = false;              // a ~500 KiB front cover (metaflac)
    bool cueSheet = false;             // metaflac --import-cuesheet-from
    bool application = false;          // an APPLICATION block (mutagen)
    bool id3 = false;                  // a leading ID3v2 tag (mutagen)
    bool commentsLast = false;         // comments after every other block, no padding
    bool noCommentBlock = false;       // metaflac --remove --block-type=VORBIS_COMMENT
    bool tagLibLast = false;           // TagLib sets ALBUM=By TagLib and saves, last
    double seconds = 2;
};

std::string makeFlac(const TempDir& dir, const std::string& name, const FlacRecipe& recipe);
// A sine of `seconds` as WAV, by ffmpeg.
std::string makeWav(const TempDir& dir, double seconds);
// A JPEG of about 500 KiB, by ffmpeg (made once per folder).
std::string makeCover(const TempDir& dir);

// Runs a shell command, throwing with its output when it fails.
std::string mustRun(const std::string& command);
std::string quote(const std::string& text);

// flac -t passes (frame CRCs and the stream's MD5 signature).
bool flacTestPasses(const std::string& path);
// opusinfo finds nothing wrong (checked); its lines that name stream serials.
std::vector<std::string> opusinfoSerials(const std::string& path);

// An edit and the comments the file must hold afterwards, as stored, in order;
// "kept NAME" stands for that comment as it was (for long values).
struct Edit {
    std::vector<std::pair<Field, std::string>> fields;
    std::vector<std::string> commentsAfter;
};

// Reads the file, applies the edit through the unit and checks: the comments
// are as given (mutagen) and TagLib reads them; everything else mutagen sees
// (blocks, pictures, a leading ID3v2 tag, the vendor) is unchanged; the audio
// packets and their timing are the same (ffmpeg); the unit reads back the
// values written.
void expectEditKeepsTheRest(const std::string& path, ReadTagsFunction read, WriteTagsFunction write,
                            const Edit& edit);

} // namespace velmora::test
