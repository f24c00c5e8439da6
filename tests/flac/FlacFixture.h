// FLAC files made by other programs for the tests: audio by ffmpeg and flac,
// tags and pictures by metaflac, other blocks and a leading ID3v2 tag by
// python3-mutagen. And what independent readers see in a file afterwards.
#pragma once

#include "tests/common/TestFiles.h"

#include <string>
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
    bool commentsLast = false;
    bool noCommentBlock = false; // metaflac --remove --block-type=VORBIS_COMMENT         //
                                 // comments after every other block, no padding after
    double seconds = 2;
};

// Makes `name` in dir by the recipe; returns its path. Fails the test (throws)
// when a tool is missing or fails.
std::string makeFlac(const TempDir& dir, const std::string& name, const FlacRecipe& recipe);

// A JPEG of about 500 KiB made by ffmpeg (cached per folder).
std::string makeCover(const TempDir& dir);

// What python3-mutagen sees: see describe_flac.py.
std::vector<std::string> describeFlac(const std::string& path);
// The comments metaflac exports, KEY=value lines in file order.
std::vector<std::string> metaflacTags(const std::string& path);
// The compressed audio frames' digest, as ffmpeg copies them.
std::string audioDigest(const std::string& path);
// flac -t passes (frame CRCs and the stream's MD5 signature).
bool flacTestPasses(const std::string& path);

// Runs a command and fails when it fails; returns its output.
std::string mustRun(const std::string& command);

} // namespace velmora::test
