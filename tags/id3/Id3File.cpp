// ReadMP3Tag and WriteMP3Tag: the byte-level tag on top of the file layer.
#include "base/FileLayer.h"
#include "tags/id3/Id3Tag.h"
#include "tags/id3/Unit2.h"

#include <algorithm>
#include <cstring>

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

// Room left behind a tag that had to grow, so the next edits fit in place:
// 1 KiB plus a thousandth of the audio, at most 64 KiB more. It is rounded up
// so that the audio keeps its place within a 4 KiB page: copied page by page,
// every page then lands on exactly one page of the new file.
std::size_t paddingForGrowth(std::size_t frameBytes, std::uint64_t oldAudioStart,
                             std::uint64_t audioLength) {
    constexpr std::uint64_t kPage = 4096;
    const std::uint64_t least = 1024 + std::min<std::uint64_t>(audioLength / 1024, 65536);
    const std::uint64_t newAudioStart = kHeaderSize + frameBytes + least;
    const std::uint64_t shift = (oldAudioStart % kPage + kPage - newAudioStart % kPage) % kPage;
    return static_cast<std::size_t>(least + shift);
}

// The length of the common start of two byte strings, compared in blocks.
std::size_t commonPrefix(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    constexpr std::size_t kBlock = 64;
    std::size_t i = 0;
    while (i + kBlock <= n && std::memcmp(a.data() + i, b.data() + i, kBlock) == 0)
        i += kBlock;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

// The length of the common end of two strings of equal length, not reaching
// into the first skip bytes.
std::size_t commonSuffix(std::string_view a, std::string_view b, std::size_t skip) {
    const std::size_t n = std::min(a.size(), b.size()) - skip;
    constexpr std::size_t kBlock = 64;
    std::size_t i = 0;
    while (i + kBlock <= n && std::memcmp(a.data() + a.size() - i - kBlock,
                                          b.data() + b.size() - i - kBlock, kBlock) == 0)
        i += kBlock;
    while (i < n && a[a.size() - i - 1] == b[b.size() - i - 1])
        ++i;
    return i;
}

} // namespace

void ReadMP3Tag(const std::string& fileName) {
    ID3Tag = {};
    try {
        velmora::InputFile in;
        if (velmora::InputFile::tryOpen(fileName, in))
            ID3Tag = parseTag(readTagBytes(in)).fields;
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
