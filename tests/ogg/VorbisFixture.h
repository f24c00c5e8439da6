// Real Ogg Vorbis streams made in the tests (libvorbisenc, a generated tone),
// and an independent look at Ogg data through libogg's own page and packet
// parsing, to check what the library writes.
#pragma once

#include "tests/common/TestFiles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fixture {

struct VorbisOptions {
    std::vector<std::string> comments; // raw comment bytes ("KEY=value"), any bytes
    double seconds = 0.3;
    long rate = 11025;
    int channels = 1;
    int serial = 4711;
    // false: the setup header shares its page with the first audio packets.
    bool headersOnOwnPages = true;
};

// A complete Ogg Vorbis stream.
std::string makeVorbis(const VorbisOptions& options = {});

// A METADATA_BLOCK_PICTURE comment holding a picture block with `size` bytes
// of image data, in base64.
std::string pictureComment(std::size_t size);

// A valid Ogg stream of another codec (an Opus-like first packet).
std::string makeOtherStream();

// An Ogg stream of the given packets (the first begins the stream), each
// flushed onto pages of its own; for building damaged headers.
std::string pageUp(const std::vector<std::string>& packets, int serial);

struct Page {
    std::uint32_t serial = 0;
    std::uint32_t sequence = 0;
    std::int64_t granule = 0;
    int flags = 0;
    std::string bytes; // the whole page as stored
};

// Every page, found by libogg (which skips damaged data).
std::vector<Page> pagesOf(const std::string& stream);

struct Packet {
    std::string bytes;
    std::int64_t granule = 0;
};

// The packets of one logical stream, reassembled by libogg.
std::vector<Packet> packetsOf(const std::string& stream, std::uint32_t serial);

// A comment header packet's comments and vendor, parsed here independently.
struct CommentHeader {
    std::string vendor;
    std::vector<std::string> comments;
};
CommentHeader parseCommentHeader(const std::string& packet);

// Temporary folders, whole-file reads and writes, and running tools.
using velmora::test::readFile;
using velmora::test::run;
using velmora::test::TempDir;
using velmora::test::writeFile;

} // namespace fixture
