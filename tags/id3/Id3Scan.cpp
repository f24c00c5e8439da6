// The frame walk over a tag of version 2.2, 2.3 or 2.4.
#include "tags/id3/Id3Scan.h"

#include "base/Text.h"
#include "tags/id3/Id3Flags.h"
#include "tags/id3/Id3Tag.h"
#include "tags/id3/Id3Text.h"

#include <algorithm>
#include <array>

namespace velmora::id3 {

namespace {

struct FieldId {
    std::string_view id;
    Field field;
};

constexpr std::array<FieldId, 8> kFieldIds = {{{"TIT2", Field::Title},
                                               {"TPE1", Field::Artist},
                                               {"TALB", Field::Album},
                                               {"TYER", Field::Year},
                                               {"TDRC", Field::Year},
                                               {"TCON", Field::Genre},
                                               {"COMM", Field::Comment},
                                               {"TRCK", Field::Track}}};

constexpr std::array<FieldId, 7> kFieldIdsV22 = {{{"TT2", Field::Title},
                                                  {"TP1", Field::Artist},
                                                  {"TAL", Field::Album},
                                                  {"TYE", Field::Year},
                                                  {"TCO", Field::Genre},
                                                  {"COM", Field::Comment},
                                                  {"TRK", Field::Track}}};

bool fieldOf(std::string_view id, int version, Field& out) {
    auto match = [&](const auto& table) {
        for (const FieldId& entry : table)
            if (entry.id == id) {
                out = entry.field;
                return true;
            }
        return false;
    };
    return version == 2 ? match(kFieldIdsV22) : match(kFieldIds);
}

// A version 2.4 frame size. Some writers stored plain 32-bit sizes in 2.4
// tags; when the 7-bit reading does not land on the next frame but the plain
// one does, the plain one is taken.
std::uint32_t frameSizeV24(TagSource& source, std::string_view raw, std::uint64_t pos,
                           std::uint64_t bodyEnd) {
    const std::uint32_t plain = readBigEndian(raw);
    if (plain & 0x80808080u)
        return plain;
    const std::uint32_t syncsafe = readSyncsafe(raw);
    if (syncsafe == plain)
        return plain;
    auto landsWell = [&](std::uint64_t size) {
        const std::uint64_t next = pos + 10 + size;
        if (next > bodyEnd)
            return false;
        if (bodyEnd - next < 4)
            return true;
        std::string_view head = source.bytes(next, 4);
        return head.size() == 4 && (head[0] == '\0' || isFrameId(head));
    };
    if (!landsWell(syncsafe) && landsWell(plain))
        return plain;
    return syncsafe;
}

// The content of a frame (its data without what its flags add), or false when
// it cannot be read (compressed, encrypted, damaged).
bool frameContent(int version, std::uint16_t flags, bool tagUnsync, std::string_view data,
                  std::string& temp, std::string_view& out) {
    out = data;
    if (version == 3) {
        if (flags & (kV23Compressed | kV23Encrypted))
            return false;
        if (flags & kV23Grouped) {
            if (out.empty())
                return false;
            out.remove_prefix(1);
        }
    } else if (version == 4) {
        const auto format = static_cast<std::uint8_t>(flags & 0xFF);
        if (format & (kV24Compressed | kV24Encrypted))
            return false;
        if ((format & kV24Unsync) || tagUnsync) {
            temp = removeUnsync(data);
            out = temp;
        }
        const std::size_t extra =
            ((format & kV24Grouped) ? 1 : 0) + ((format & kV24LengthIndicator) ? 4 : 0);
        if (out.size() < extra)
            return false;
        out.remove_prefix(extra);
    }
    return true;
}

// The year of a recording time ("2021-03-04T10:20" is 2021).
std::string yearOf(const std::string& time) {
    if (time.size() > 4 &&
        std::all_of(time.begin(), time.begin() + 4, [](char c) { return c >= '0' && c <= '9'; }))
        return time.substr(0, 4);
    return time;
}

class Walk {
public:
    Walk(TagSource& source, TagScan& scan, bool whole)
        : source_(source), scan_(scan), whole_(whole) {}

    void run(std::uint64_t pos) {
        const int version = scan_.version;
        const std::size_t idLength = version == 2 ? 3 : 4;
        const std::size_t headerLength = version == 2 ? 6 : 10;
        const std::uint64_t bodyEnd = scan_.bodyEnd;
        scan_.framesEnd = pos;
        while (bodyEnd - pos >= headerLength) {
            std::string_view head = source_.bytes(pos, headerLength);
            if (head.size() < headerLength || !isFrameId(head.substr(0, idLength)))
                break; // padding, or garbage where the next frame should be
            FrameRef frame;
            std::copy_n(head.data(), idLength, frame.id);
            frame.idLength = static_cast<std::uint8_t>(idLength);
            frame.headerSize = static_cast<std::uint8_t>(headerLength);
            frame.offset = pos;
            if (version == 2) {
                frame.dataSize = readBigEndian(head.substr(3, 3));
            } else {
                frame.flags = static_cast<std::uint16_t>(readBigEndian(head.substr(8, 2)));
                const std::string raw(head.substr(4, 4)); // the view ends at the next read
                frame.dataSize =
                    version == 3 ? readBigEndian(raw) : frameSizeV24(source_, raw, pos, bodyEnd);
            }
            if (frame.dataSize > bodyEnd - pos - headerLength)
                break; // the frame runs past the tag: the frames before it count
            frame.hasField = fieldOf(frame.name(), version, frame.field);
            if (frame.hasField && !found(frame.field))
                read(frame, static_cast<int>(scan_.frames.size()));
            if (whole_) // a read needs the values only
                scan_.frames.push_back(frame);
            pos = frame.end();
            scan_.framesEnd = pos;
            if (!whole_ && foundCount_ == FieldCount)
                break;
        }
    }

private:
    bool found(Field f) const { return found_[static_cast<std::size_t>(f)]; }

    void take(Field f, std::string value) {
        scan_.values[f] = std::move(value);
        found_[static_cast<std::size_t>(f)] = true;
        ++foundCount_;
    }

    void read(const FrameRef& frame, int index) {
        std::string_view data = source_.bytes(frame.offset + frame.headerSize, frame.dataSize);
        if (data.size() != frame.dataSize)
            return;
        std::string temp;
        std::string_view content;
        if (!frameContent(scan_.version, frame.flags, scan_.flags & kTagUnsync, data, temp,
                          content))
            return;
        if (frame.field == Field::Comment) {
            // The comment shown is the first one without a description.
            if (content.size() < 4 || !isKnownEncoding(byteAt(content, 0)))
                return;
            const std::uint8_t enc = byteAt(content, 0);
            std::size_t pos = 4;
            if (!decodeString(takeString(content, pos, enc), enc).empty())
                return;
            std::copy_n(content.data() + 1, 3, scan_.commentLanguage);
            scan_.shownComment = index;
            take(Field::Comment, trimControl(decodeString(content.substr(pos), enc)));
            return;
        }
        std::string value;
        if (!readTextFrame(content, scan_.version == 4, value))
            return;
        if (frame.name() == "TDRC")
            value = yearOf(value);
        take(frame.field, std::move(value));
    }

    TagSource& source_;
    TagScan& scan_;
    bool whole_;
    std::array<bool, FieldCount> found_{};
    int foundCount_ = 0;
};

} // namespace

std::string_view frameIdFor(Field field, int version) {
    if (field == Field::Year)
        return version == 4 ? "TDRC" : "TYER";
    for (const FieldId& entry : kFieldIds)
        if (entry.field == field)
            return entry.id;
    return {};
}

TagScan scanTag(TagSource& source, bool whole) {
    TagScan scan;
    const std::string header(source.bytes(0, kHeaderSize));
    scan.declaredEnd = tagLength(header);
    if (scan.declaredEnd == 0)
        return scan;
    scan.present = true;
    scan.version = byteAt(header, 3);
    scan.flags = byteAt(header, 5);
    scan.complete = scan.declaredEnd <= source.size();
    scan.framesStart = scan.framesEnd = kHeaderSize;
    const std::uint64_t size = readSyncsafe(std::string_view(header).substr(6, 4));
    scan.bodyEnd = std::min<std::uint64_t>(kHeaderSize + size, source.size());
    if (scan.version == 2 && (scan.flags & kTagExtended))
        return scan; // a compressed 2.2 tag: no scheme was ever defined for it

    // Before 2.4 unsynchronisation covers the whole tag body; in 2.4 each frame.
    TagSource* frames = &source;
    MemorySource plainSource({});
    if ((scan.flags & kTagUnsync) && scan.version < 4) {
        std::string_view body =
            source.bytes(kHeaderSize, static_cast<std::size_t>(scan.bodyEnd - kHeaderSize));
        scan.plain = header + removeUnsync(body);
        scan.bodyEnd = scan.plain.size();
        plainSource = MemorySource(scan.plain);
        frames = &plainSource;
    }

    std::uint64_t pos = kHeaderSize;
    if (scan.version > 2 && (scan.flags & kTagExtended)) {
        const std::string sizeBytes(frames->bytes(pos, 4));
        if (sizeBytes.size() < 4)
            return scan;
        const std::uint32_t extended =
            scan.version == 3 ? readBigEndian(sizeBytes) : readSyncsafe(sizeBytes);
        // Version 2.3 counts the size field apart; 2.4 counts it in.
        const std::uint64_t skip = scan.version == 3 ? std::uint64_t(extended) + 4 : extended;
        if (skip < 4 || skip > scan.bodyEnd - pos)
            return scan;
        pos += skip;
    }
    scan.framesStart = pos;
    Walk(*frames, scan, whole).run(pos);
    return scan;
}

bool readFrameContent(int version, std::uint16_t flags, bool tagUnsync, std::string_view data,
                      std::string& temp, std::string_view& out) {
    return frameContent(version, flags, tagUnsync, data, temp, out);
}

} // namespace velmora::id3
