// Test fixtures for WMA files: a real wmav2 tone made by ffmpeg, ASF objects
// built byte by byte (independently of the SDK's own code), and readers that
// do not share our code (TagLib, ffprobe).
#pragma once

#include "tests/common/TestFiles.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace wmatest {

using velmora::test::readFile;
using velmora::test::TempDir;
using velmora::test::writeFile;

// Half a second of a 440 Hz tone encoded by ffmpeg as wmav2 in ASF, without
// metadata of its own (only ffmpeg's encoder setting attribute). Made once.
const std::string& toneWma();

// 16-byte GUID in stored form from its text "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX".
std::string guid(std::string_view text);
std::string le(std::uint64_t value, int width);
// UTF-16LE bytes of UTF-8 text, NUL-terminated unless terminated is false.
std::string utf16(std::string_view utf8, bool terminated = true);

// A whole object: head (GUID and size) and body.
std::string object(std::string_view guidText, std::string_view body);

struct Entry {
    std::string name; // UTF-8
    std::uint16_t type = 0;
    std::string value; // stored bytes
    std::uint16_t stream = 0;
    std::uint16_t language = 0;
};
Entry text(std::string name, std::string_view value);
Entry dword(std::string name, std::uint32_t value);

std::string contentDescription(std::string_view title, std::string_view author,
                               std::string_view copyright, std::string_view description,
                               std::string_view rating);
std::string extendedContent(const std::vector<Entry>& entries);
std::string metadata(const std::vector<Entry>& entries);
std::string metadataLibrary(const std::vector<Entry>& entries);

// A copy of an ASF file with objects put into its header and child objects
// into its Header Extension; objects of the same kinds already there are
// dropped. The header size and count and the File Properties file size follow.
std::string withHeader(std::string_view file, const std::vector<std::string>& objects,
                       const std::vector<std::string>& extensionObjects = {});
// Everything after the Header Object: the Data Object and any index.
std::string afterHeader(std::string_view file);
// The File Properties Object's file size field.
std::uint64_t declaredFileSize(std::string_view file);

// What TagLib reads: the six tags, the track and every attribute's values as text.
struct TagLibView {
    bool valid = false;
    std::string title, artist, album, comment, genre;
    unsigned year = 0, track = 0;
    std::map<std::string, std::vector<std::string>> attributes;
    std::vector<std::string> pictures; // picture data
};
TagLibView readWithTagLib(const std::string& path);

// The format tags ffprobe reports, keys lower-cased.
std::map<std::string, std::string> readWithFfprobe(const std::string& path);

} // namespace wmatest
