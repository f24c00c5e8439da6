// Feeds arbitrary bytes to the tag parsers.
// - The record parser: renders what it found and parses that again; the second
//   reading must give the same record and frames.
// - The frame walk: a walk that stops once the seven values are found shows
//   the same values as a whole walk; every frame lies inside the tag; an edit
//   plan carries only frames of the tag.
// - The ID3v1 trailer in the last 128 bytes: read, and updated with its own values.
#include "tags/id3/Id3Edit.h"
#include "tags/id3/Id3Scan.h"
#include "tags/id3/Id3Tag.h"
#include "tags/id3/Id3v1.h"

#include <cstdlib>

namespace {

using namespace velmora;
using namespace velmora::id3;

void checkRecordParser(std::string_view bytes) {
    const ParsedTag first = parseTag(bytes);
    if (!first.present)
        return;
    const ParsedTag second = parseTag(assembleTag(renderFrames(first.fields, first.kept), 16));
    const ID3StructV2& a = first.fields;
    const ID3StructV2& b = second.fields;
    if (second.kept != first.kept || a.Title != b.Title || a.Artist != b.Artist ||
        a.Album != b.Album || a.Year != b.Year || a.Track != b.Track || a.Comment != b.Comment ||
        a.Genre != b.Genre)
        std::abort();
}

void checkFrameWalk(std::string_view bytes) {
    MemorySource partialSource(bytes);
    const TagScan partial = scanTag(partialSource, false);
    MemorySource source(bytes);
    const TagScan whole = scanTag(source, true);
    if (partial.values != whole.values || partial.present != whole.present)
        std::abort();
    const std::uint64_t limit = whole.plain.empty() ? bytes.size() : whole.plain.size();
    for (const FrameRef& frame : whole.frames)
        if (frame.offset < whole.framesStart || frame.end() > whole.bodyEnd || frame.end() > limit)
            std::abort();
    if (!whole.present || bytes.empty())
        return;
    TagValues values;
    values[Field::Title] = "t";
    values[Field::Comment] = "\xC3\xA9";
    FieldMask changed;
    for (int i = 0; i < FieldCount; ++i)
        changed.set(static_cast<Field>(i), (static_cast<std::uint8_t>(bytes.back()) >> i) & 1);
    for (FrameOrder order : {FrameOrder::KeepPlaces, FrameOrder::CarriedFirst}) {
        try {
            for (const Piece& piece :
                 planFrames(whole, source, whole.version == 4 ? 4 : 3, values, changed, order))
                if (piece.carried &&
                    (piece.from < whole.framesStart || piece.from + piece.length > whole.framesEnd))
                    std::abort();
        } catch (const TagError&) {
            // a frame too large for a version 2.3 size: refused, as the writer does
        }
    }
}

void checkTrailer(std::string_view bytes) {
    if (bytes.size() < kV1Size)
        return;
    const std::string_view trailer = bytes.substr(bytes.size() - kV1Size);
    if (!isV1Trailer(trailer))
        return;
    const TagValues shown = readV1(trailer);
    const std::string rewritten = updatedV1(trailer, shown, FieldMask::all());
    if (rewritten.size() != kV1Size || readV1(rewritten).values[0] != shown.values[0])
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    checkRecordParser(bytes);
    checkFrameWalk(bytes);
    checkTrailer(bytes);
    return 0;
}
