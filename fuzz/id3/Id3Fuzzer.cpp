// Feeds arbitrary bytes to the tag parser, then renders what it found and
// parses that again: the second reading must give the same record and frames.
#include "tags/id3/Id3Tag.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora::id3;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ParsedTag first = parseTag(bytes);
    if (!first.present)
        return 0;
    const ParsedTag second = parseTag(assembleTag(renderFrames(first.fields, first.kept), 16));
    const ID3StructV2& a = first.fields;
    const ID3StructV2& b = second.fields;
    if (second.kept != first.kept || a.Title != b.Title || a.Artist != b.Artist ||
        a.Album != b.Album || a.Year != b.Year || a.Track != b.Track || a.Comment != b.Comment ||
        a.Genre != b.Genre)
        std::abort();
    return 0;
}
