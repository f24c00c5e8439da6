// ReadMP3Tag and WriteMP3Tag, the record interface: the read goes through the
// field reader; the write rebuilds the tag as version 2.3 with all seven frames.
#include "base/FileLayer.h"
#include "tags/id3/Id3Edit.h"
#include "tags/id3/Id3Tag.h"
#include "tags/id3/Mp3Tags.h"
#include "tags/id3/Unit2.h"

#include <algorithm>

using namespace velmora::id3;

namespace {

// The tag bytes at the start of the file, up to the length its header
// declares and never more than the file holds.
std::string readTagBytes(const velmora::InputFile& in) {
    std::string header = in.readRange(0, kHeaderSize);
    const std::uint64_t length = tagLength(header);
    if (length == 0)
        return header;
    return in.readRange(0, static_cast<std::size_t>(std::min(length, in.size())));
}

} // namespace

void ReadMP3Tag(const std::string& fileName) {
    ID3Tag = {};
    try {
        const velmora::TagValues v = velmora::mp3::readTags(fileName);
        using velmora::Field;
        ID3Tag = {v[Field::Title], v[Field::Artist],  v[Field::Album], v[Field::Year],
                  v[Field::Track], v[Field::Comment], v[Field::Genre]};
    } catch (...) {
        ID3Tag = {}; // the reader never raises: an unreadable file gives empty fields
    }
}

void WriteMP3Tag(const std::string& fileName, const ID3StructV2& tag) {
    WriteMP3Tag(fileName, tag, TrackSource::FromFile);
}

void WriteMP3Tag(const std::string& fileName, const ID3StructV2& tag, TrackSource track) {
    ID3StructV2 record = tag; // the caller may hand in the shared record itself
    velmora::InputFile in(fileName);
    const std::string oldBytes = readTagBytes(in);
    const ParsedTag old = parseTag(oldBytes);
    if (track == TrackSource::FromFile)
        record.Track = old.fields.Track;

    // The audio starts where the old tag ends. A tag whose size reaches past
    // the end of the file is damaged: everything after its last whole frame is
    // kept as it is, so no byte that might be audio is lost.
    const bool complete = old.present && old.declaredEnd <= in.size();
    const std::uint64_t audioStart = !old.present ? 0 : complete ? old.declaredEnd : old.parsedEnd;

    const std::string frames = renderFrames(record, old.kept);
    const std::uint64_t needed = kHeaderSize + frames.size();
    if (complete && needed <= audioStart) {
        // Fits in the old tag's space: one positioned write, the rest padding.
        // It touches only the tag's bytes, so the system may write them back
        // in its own time: an edit costs about as much as a read.
        const std::string bytes =
            assembleTag(frames, static_cast<std::size_t>(audioStart - needed));
        // Only the bytes that differ from the old tag (of the same length) are written.
        const std::size_t first = commonPrefix(bytes, oldBytes);
        const std::size_t last = bytes.size() - commonSuffix(bytes, oldBytes, first);
        if (last > first)
            velmora::writeInPlace(fileName, first, bytes.data() + first, last - first,
                                  velmora::InPlaceFlush::LeaveToSystem);
        return;
    }
    const std::uint64_t audioLength = in.size() - audioStart;
    velmora::ReplaceFile out(fileName);
    out.write(assembleTag(frames, paddingForGrowth(frames.size(), audioStart, audioLength)));
    out.copyFrom(in, audioStart, audioLength);
    out.commit();
}
