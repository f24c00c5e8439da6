// Reading and writing the tags of an MP3 file: the ID3v2 tag at its start and
// an ID3v1 trailer at its end.
#include "tags/id3/Mp3Tags.h"

#include "tags/id3/Id3Edit.h"
#include "tags/id3/Id3Flags.h"
#include "tags/id3/Id3Picture.h"
#include "tags/id3/Id3Scan.h"
#include "tags/id3/Id3Source.h"
#include "tags/id3/Id3Tag.h"
#include "tags/id3/Id3v1.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace velmora::mp3 {

using namespace velmora::id3;

namespace {

// The ID3v1 trailer, when the file ends with one behind the audio.
std::string trailerOf(const InputFile& in, std::uint64_t audioStart) {
    if (in.size() < audioStart + kV1Size)
        return {};
    char last[kV1Size];
    readExactly(in, in.size() - kV1Size, last, kV1Size);
    const std::string_view bytes(last, kV1Size);
    return isV1Trailer(bytes) ? std::string(bytes) : std::string();
}

void copyExactly(TagSource& source, std::uint64_t offset, char* out, std::size_t n) {
    const std::string_view bytes = source.bytes(offset, n);
    if (bytes.size() != n)
        throw TagError("The tag changed while it was written.");
    std::memcpy(out, bytes.data(), n);
}

// Overwrites the bytes of [offset, offset + size) that differ between old and new.
// With `read`, the write first checks that the file is still the one read.
void writeDifference(const std::string& path, const InputFile* read, std::uint64_t offset,
                     std::string_view oldBytes, std::string_view newBytes) {
    const std::size_t first = commonPrefix(newBytes, oldBytes);
    if (first == newBytes.size())
        return;
    const std::size_t last = newBytes.size() - commonSuffix(newBytes, oldBytes, first);
    if (read)
        writeInPlace(*read, offset + first, newBytes.data() + first, last - first,
                     InPlaceFlush::LeaveToSystem);
    else
        writeInPlace(path, offset + first, newBytes.data() + first, last - first,
                     InPlaceFlush::LeaveToSystem);
}

// The frames of an edit that fits the old tag's room, written over the bytes
// that differ. False when it does not fit or would rewrite too much.
bool writeInTagRoom(const InputFile& in, TagSource& source, const TagScan& scan,
                    const std::vector<Piece>& pieces) {
    // Where each piece lands; a frame carried to where it already is needs no writing.
    std::vector<std::uint64_t> at(pieces.size());
    std::uint64_t used = scan.framesStart;
    std::uint64_t start = UINT64_MAX;
    std::uint64_t end = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        at[i] = used;
        used += pieces[i].size();
        if (!pieces[i].carried || pieces[i].from != at[i]) {
            start = std::min(start, at[i]);
            end = used;
        }
    }
    if (used > scan.bodyEnd)
        return false;
    if (used != scan.framesEnd) { // the padding starts elsewhere
        start = std::min({start, used, scan.framesEnd});
        end = std::max({end, used, scan.framesEnd});
    }
    if (start >= end)
        return true; // the same frames in the same places
    if (end - start > kMaxInPlaceSpan)
        return false;
    const auto span = static_cast<std::size_t>(end - start);
    char* fresh = scratchMemory(1, span);
    std::memset(fresh, 0, span); // what no frame covers is padding
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const std::uint64_t from = std::max(at[i], start);
        const std::uint64_t to = std::min(at[i] + pieces[i].size(), end);
        if (from >= to)
            continue;
        char* out = fresh + (from - start);
        const std::uint64_t skip = from - at[i];
        if (pieces[i].carried)
            copyExactly(source, pieces[i].from + skip, out, static_cast<std::size_t>(to - from));
        else
            std::memcpy(out, pieces[i].bytes.data() + skip, static_cast<std::size_t>(to - from));
    }
    // The old bytes usually lie in what the frame walk read already.
    const std::string_view old = source.bytes(start, span);
    if (old.size() != span)
        return false;
    writeDifference(in.path(), &in, start, old, {fresh, span});
    return true;
}

// A new file: the tag, the audio as it was, the trailer.
void replaceWithTag(const InputFile& in, const TagScan& scan, int version,
                    const std::vector<Piece>& pieces, std::uint64_t audioStart,
                    std::uint64_t audioEnd, const std::string& trailer) {
    std::uint64_t frames = 0;
    for (const Piece& piece : pieces)
        frames += piece.size();
    const std::size_t padding =
        paddingForGrowth(static_cast<std::size_t>(frames), audioStart, audioEnd - audioStart);
    if (frames + padding > kMaxTagSize)
        throw TagError("The tag is too large to be written.");
    std::uint8_t flags = 0;
    if (scan.present && scan.plain.empty() && scan.version == version)
        flags = scan.flags & (version == 4 ? (kTagUnsync | kTagExperimental) : kTagExperimental);
    std::string header("ID3", 3);
    header += static_cast<char>(version);
    header += '\0';
    header += static_cast<char>(flags);
    appendSyncsafe(header, static_cast<std::uint32_t>(frames + padding));

    ReplaceFile out(in);
    out.write(header);
    for (const Piece& piece : pieces) {
        if (piece.carried)
            out.copyFrom(in, piece.from, piece.length);
        else
            out.write(piece.bytes);
    }
    static const char zeros[4096] = {};
    for (std::size_t left = padding; left > 0;) {
        const std::size_t n = std::min(left, sizeof zeros);
        out.write(zeros, n);
        left -= n;
    }
    out.copyFrom(in, audioStart, audioEnd - audioStart);
    out.write(trailer);
    out.commit();
}

void writeChanges(const std::string& path, const TagValues& values, FieldMask changed) {
    InputFile in(path);
    FileSource source(in);
    const TagScan scan = scanTag(source, true);
    // The audio starts where the tag ends. A tag whose size reaches past the
    // end of the file is damaged: everything after its last whole frame is
    // kept as it is, so no byte that might be audio is lost.
    const std::uint64_t audioStart = !scan.present        ? 0
                                     : scan.complete      ? scan.declaredEnd
                                     : scan.plain.empty() ? scan.framesEnd
                                                          : kHeaderSize;
    const std::string trailer = trailerOf(in, audioStart);
    const std::uint64_t audioEnd = in.size() - trailer.size();

    TagValues merged = values;
    FieldMask mask = changed;
    if (!scan.present) {
        // A new tag holds every value the file shows, from its trailer if it has one.
        const TagValues shown = trailer.empty() ? TagValues{} : readV1(trailer);
        for (int i = 0; i < FieldCount; ++i) {
            const auto f = static_cast<Field>(i);
            if (!changed.has(f))
                merged[f] = shown[f];
            mask.set(f, changed.has(f) || !merged[f].empty());
        }
    }
    const int version = scan.present && scan.version == 4 ? 4 : 3;
    const bool roomUsable = scan.present && scan.complete && scan.plain.empty() &&
                            scan.version >= 3 && scan.framesStart == kHeaderSize &&
                            !(scan.version == 4 && (scan.flags & kTagFooter));
    if (roomUsable &&
        writeInTagRoom(in, source, scan,
                       planFrames(scan, source, version, merged, mask, FrameOrder::KeepPlaces))) {
        if (!trailer.empty())
            writeDifference(path, nullptr, audioEnd, trailer, updatedV1(trailer, merged, changed));
        return;
    }
    // The tag is rebuilt: frames it carries first, so later edits of the
    // fields touch only its end.
    const std::vector<Piece> pieces =
        planFrames(scan, source, version, merged, mask, FrameOrder::CarriedFirst);
    replaceWithTag(in, scan, version, pieces, audioStart, audioEnd,
                   trailer.empty() ? trailer : updatedV1(trailer, merged, changed));
}

} // namespace

TagValues readTags(const std::string& path) {
    InputFile in(path);
    FileSource source(in);
    const TagScan scan = scanTag(source, false);
    if (scan.present)
        return scan.values;
    const std::string trailer = trailerOf(in, 0);
    return trailer.empty() ? TagValues{} : readV1(trailer);
}

void writeTags(const std::string& path, const TagValues& values, FieldMask changed) {
    if (changed.empty())
        return;
    try {
        writeChanges(path, values, changed);
    } catch (const FileError&) {
        throw;
    } catch (const TagError& e) {
        throw TagError("Cannot write file \"" + expandPath(path) + "\". " + e.what());
    }
}

namespace {

[[noreturn]] void raiseCover(bool writing, const std::string& path, const std::string& reason) {
    throw TagError("Cannot " + std::string(writing ? "write" : "read") + " the cover of \"" +
                   expandPath(path) + "\": " + reason + ".");
}

// A frame's data, whole or its first `limit` bytes, with what its flags add
// removed; false when it cannot be read (compressed, encrypted). content views
// the source's buffer or temp, valid until the source reads again: a large
// picture is not copied on its way to the caller.
bool apicContent(TagSource& source, const TagScan& scan, const FrameRef& frame, std::size_t limit,
                 std::string& temp, std::string_view& content) {
    const std::size_t n = std::min<std::size_t>(frame.dataSize, limit);
    std::string_view data =
        scan.plain.empty()
            ? source.bytes(frame.offset + frame.headerSize, n)
            : std::string_view(scan.plain).substr(frame.offset + frame.headerSize, n);
    return readFrameContent(scan.version, frame.flags, scan.flags & kTagUnsync, data, temp,
                            content);
}

// The picture type of an APIC frame, from its first bytes.
std::optional<std::uint8_t> apicTypeOf(TagSource& source, const TagScan& scan,
                                       const FrameRef& frame) {
    std::string temp;
    std::string_view head;
    if (frame.name() != "APIC" || !apicContent(source, scan, frame, 512, temp, head))
        return std::nullopt;
    return apicType(head);
}

// An APIC frame stored as it is (no flags, no unsynchronisation): its head
// is parsed from its first bytes and the image read from the file straight
// into the picture, so a large cover is held once, not also in the read
// buffer. nullopt when the frame is not stored so or its head is longer.
std::optional<Picture> plainApic(const InputFile& in, TagSource& source, const TagScan& scan,
                                 const FrameRef& frame) {
    constexpr std::size_t headLimit = 512;
    if (frame.flags != 0 || (scan.flags & kTagUnsync) || !scan.plain.empty() ||
        frame.dataSize <= headLimit || frame.offset + frame.headerSize + frame.dataSize > in.size())
        return std::nullopt;
    std::string temp;
    std::string_view head;
    if (!apicContent(source, scan, frame, headLimit, temp, head))
        return std::nullopt;
    std::optional<Picture> picture = parseApic(head);
    if (!picture || !picture->data || picture->data->empty())
        return std::nullopt; // the head did not end within its first bytes
    const std::size_t headSize = head.size() - picture->data->size();
    auto image = std::make_shared<std::string>(frame.dataSize - headSize, '\0');
    readExactly(in, frame.offset + frame.headerSize + headSize, image->data(), image->size());
    picture->data = std::move(image);
    return picture;
}

} // namespace

std::optional<Picture> readFrontCover(const std::string& path) {
    InputFile in(path);
    FileSource source(in);
    const TagScan scan = scanTag(source, true);
    if (!scan.present || scan.version < 3)
        return std::nullopt;
    const FrameRef* chosen = nullptr;
    for (const FrameRef& frame : scan.frames) {
        const auto type = apicTypeOf(source, scan, frame);
        if (!type)
            continue;
        if (*type == kFrontCover) {
            chosen = &frame;
            break;
        }
        if (!chosen)
            chosen = &frame;
    }
    if (!chosen)
        return std::nullopt;
    std::optional<Picture> picture = plainApic(in, source, scan, *chosen);
    std::string temp;
    std::string_view content;
    if (!picture && apicContent(source, scan, *chosen, chosen->dataSize, temp, content))
        picture = parseApic(content);
    if (!picture)
        raiseCover(false, path, "The picture frame is damaged");
    return picture;
}

void writeFrontCover(const std::string& path, const Picture* cover) {
    InputFile in(path);
    FileSource source(in);
    const TagScan scan = scanTag(source, true);
    if (scan.present && (scan.version < 3 || !scan.plain.empty()))
        raiseCover(true, path,
                   "Velmora writes covers into ID3v2.3 and ID3v2.4 tags that are not "
                   "unsynchronised as a whole");
    const std::uint64_t audioStart = !scan.present   ? 0
                                     : scan.complete ? scan.declaredEnd
                                                     : scan.framesEnd;
    const std::string trailer = trailerOf(in, audioStart);
    const std::uint64_t audioEnd = in.size() - trailer.size();
    const int version = scan.present && scan.version == 4 ? 4 : 3;
    const bool unsync = version == 4 && (scan.flags & kTagUnsync);

    std::vector<Piece> pieces;
    if (!scan.present) {
        if (!cover)
            return;
        // A new tag shows what the trailer shows, so the values stay as they were.
        const TagValues shown = trailer.empty() ? TagValues{} : readV1(trailer);
        FieldMask mask;
        for (int i = 0; i < FieldCount; ++i)
            mask.set(static_cast<Field>(i), !shown[static_cast<Field>(i)].empty());
        pieces = planFrames(scan, source, version, shown, mask, FrameOrder::KeepPlaces);
        pieces.push_back({false, 0, 0, apicFrame(*cover, version)});
    } else {
        bool placed = false, removed = false;
        for (const FrameRef& frame : scan.frames) {
            if (apicTypeOf(source, scan, frame) == kFrontCover) {
                removed = true;
                if (cover && !placed)
                    pieces.push_back({false, 0, 0, apicFrame(*cover, version, unsync)});
                placed = true;
                continue;
            }
            if (!pieces.empty() && pieces.back().carried &&
                pieces.back().from + pieces.back().length == frame.offset)
                pieces.back().length += frame.size();
            else
                pieces.push_back({true, frame.offset, frame.size(), {}});
        }
        if (!cover && !removed)
            return;
        if (cover && !placed)
            pieces.push_back({false, 0, 0, apicFrame(*cover, version, unsync)});
    }
    const bool roomUsable = scan.present && scan.complete && scan.framesStart == kHeaderSize &&
                            !(scan.version == 4 && (scan.flags & kTagFooter));
    if (roomUsable && writeInTagRoom(in, source, scan, pieces))
        return;
    replaceWithTag(in, scan, version, pieces, audioStart, audioEnd, trailer);
}

} // namespace velmora::mp3
