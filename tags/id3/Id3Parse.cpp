// Parsing a tag of version 2.2, 2.3 or 2.4 held in memory.
#include "base/Text.h"
#include "tags/id3/FrameIds.h"
#include "tags/id3/Id3Convert.h"
#include "tags/id3/Id3Flags.h"
#include "tags/id3/Id3Tag.h"
#include "tags/id3/Id3Text.h"

#include <algorithm>

namespace velmora::id3 {

namespace {

bool digitsAt(std::string_view text, std::size_t pos, std::size_t count) {
    return text.size() >= pos + count && std::all_of(text.begin() + pos, text.begin() + pos + count,
                                                     [](char c) { return c >= '0' && c <= '9'; });
}

struct Comment {
    std::string description;
    std::string text;
};

bool readComment(std::string_view content, Comment& out) {
    if (content.size() < 4 || !isKnownEncoding(byteAt(content, 0)))
        return false;
    const std::uint8_t enc = byteAt(content, 0);
    std::size_t pos = 4; // after the encoding byte and the language
    out.description = decodeString(takeString(content, pos, enc), enc);
    out.text = trimControl(decodeString(takeString(content, pos, enc), enc));
    return true;
}

// Sorts each frame into the record or the kept frames.
class Collector {
public:
    explicit Collector(ParsedTag& tag) : tag_(tag) {}

    // A frame whose content (data without flag additions) can be read, or not.
    // keep is what is written back when the frame is not one of the seven.
    void frame(std::string_view id, bool readable, std::string_view content, bool multipleValues,
               std::optional<Frame> keep) {
        const std::size_t slot = slotOf(id);
        if (slot == kCommentSlot) {
            Comment comment;
            if (readable && readComment(content, comment) && comment.description.empty()) {
                tag_.fields.Comment = comment.text; // the comment: a later one wins
                return;
            }
        } else if (slot != kNoSlot) {
            std::string value;
            if (readable && readTextFrame(content, multipleValues, value)) {
                tag_.fields.*kFields[slot] = value;
                haveYear_ = haveYear_ || kFields[slot] == &ID3StructV2::Year;
            }
            return; // rewritten from the record, so never kept
        } else if (id == "TDRC") {
            // The recording time of version 2.4 holds the year the record shows.
            if (readable)
                readTextFrame(content, false, recordingTime_);
            return;
        }
        if (keep)
            tag_.kept.push_back(std::move(*keep));
    }

    void finish() {
        if (haveYear_ || recordingTime_.empty())
            return;
        // "2021-03-04T10:20" is the year 2021 in the record; version 2.3 keeps
        // the day and month as TDAT "0403" and the time as TIME "1020".
        const std::string& time = recordingTime_;
        if (!digitsAt(time, 0, 4)) {
            tag_.fields.Year = time;
            return;
        }
        tag_.fields.Year = time.substr(0, 4);
        if (time.size() >= 10 && time[4] == '-' && time[7] == '-' && digitsAt(time, 5, 2) &&
            digitsAt(time, 8, 2)) {
            tag_.kept.push_back({"TDAT", 0, '\0' + time.substr(8, 2) + time.substr(5, 2)});
            if (time.size() >= 16 && time[10] == 'T' && time[13] == ':' && digitsAt(time, 11, 2) &&
                digitsAt(time, 14, 2))
                tag_.kept.push_back({"TIME", 0, '\0' + time.substr(11, 2) + time.substr(14, 2)});
        }
    }

private:
    ParsedTag& tag_;
    bool haveYear_ = false;
    std::string recordingTime_;
};

void readFrameV22(Collector& collector, std::string_view id, std::string_view data) {
    auto seven = std::find(kFrameIdsV22.begin(), kFrameIdsV22.end(), id);
    std::string_view id23 =
        seven == kFrameIdsV22.end() ? id : kFrameIds[std::size_t(seven - kFrameIdsV22.begin())];
    collector.frame(id23, true, data, false, convertFromV22(id, data));
}

void readFrameV23(Collector& collector, std::string_view id, std::uint16_t flags,
                  std::string_view data) {
    bool readable = !(flags & (kV23Compressed | kV23Encrypted));
    std::string_view content = data;
    if (readable && (flags & kV23Grouped)) {
        readable = !content.empty();
        content.remove_prefix(std::min<std::size_t>(1, content.size()));
    }
    std::optional<Frame> keep;
    if (!(flags & kV23TagAlterDiscard))
        keep = Frame{std::string(id), flags, std::string(data)};
    collector.frame(id, readable, content, false, std::move(keep));
}

void readFrameV24(Collector& collector, std::string_view id, std::uint16_t flags,
                  std::string_view data, bool tagUnsync) {
    const std::uint8_t status = static_cast<std::uint8_t>(flags >> 8);
    const std::uint8_t format = static_cast<std::uint8_t>(flags & 0xFF);
    std::string plain = (format & kV24Unsync) || tagUnsync ? removeUnsync(data) : std::string(data);
    std::string_view content = plain;
    int groupId = -1;
    std::size_t extra = ((format & kV24Grouped) ? 1 : 0) + ((format & kV24Encrypted) ? 1 : 0) +
                        ((format & kV24LengthIndicator) ? 4 : 0);
    if (content.size() < extra)
        return; // too short for its own flags: damaged, dropped
    if (format & kV24Grouped)
        groupId = byteAt(content, 0);
    content.remove_prefix(extra);
    // Compressed or encrypted frames can neither be read nor carried into 2.3 form.
    if (format & (kV24Compressed | kV24Encrypted))
        return;
    std::optional<Frame> keep;
    if (!(status & kV24TagAlterDiscard))
        keep = convertFromV24(id, status, groupId, content);
    collector.frame(id, true, content, true, std::move(keep));
}

// A version 2.4 frame size. Some writers stored plain 32-bit sizes in 2.4
// tags; when the 7-bit reading does not land on the next frame but the plain
// one does, the plain one is taken.
std::uint32_t frameSizeV24(std::string_view body, std::size_t pos) {
    std::string_view raw = body.substr(pos + 4, 4);
    const std::uint32_t plain = readBigEndian(raw);
    if (plain & 0x80808080u)
        return plain;
    const std::uint32_t syncsafe = readSyncsafe(raw);
    auto landsWell = [&](std::uint64_t size) {
        const std::uint64_t next = pos + 10 + size;
        if (next > body.size())
            return false;
        if (body.size() - next < 4)
            return true;
        return body[next] == '\0' || isFrameId(body.substr(next, 4));
    };
    if (syncsafe != plain && !landsWell(syncsafe) && landsWell(plain))
        return plain;
    return syncsafe;
}

} // namespace

std::uint32_t readBigEndian(std::string_view bytes) {
    std::uint32_t value = 0;
    for (char c : bytes)
        value = value << 8 | static_cast<std::uint8_t>(c);
    return value;
}

std::uint32_t readSyncsafe(std::string_view bytes) {
    std::uint32_t value = 0;
    for (char c : bytes)
        value = value << 7 | (static_cast<std::uint8_t>(c) & 0x7F);
    return value;
}

std::uint64_t tagLength(std::string_view header) {
    if (header.size() < kHeaderSize || header.substr(0, 3) != "ID3")
        return 0;
    const std::uint8_t major = byteAt(header, 3);
    if (major < 2 || major > 4 || byteAt(header, 4) == 0xFF)
        return 0;
    for (std::size_t i = 6; i < kHeaderSize; ++i)
        if (byteAt(header, i) & 0x80)
            return 0;
    std::uint64_t length = kHeaderSize + readSyncsafe(header.substr(6, 4));
    if (major == 4 && (byteAt(header, 5) & kTagFooter))
        length += kHeaderSize;
    return length;
}

ParsedTag parseTag(std::string_view bytes) {
    ParsedTag tag;
    tag.declaredEnd = tagLength(bytes);
    if (tag.declaredEnd == 0)
        return tag;
    tag.present = true;
    tag.version = byteAt(bytes, 3);
    tag.parsedEnd = kHeaderSize;
    const std::uint8_t flags = byteAt(bytes, 5);
    if (tag.version == 2 && (flags & kTagExtended))
        return tag; // a compressed 2.2 tag: no scheme was ever defined for it

    const std::size_t size = readSyncsafe(bytes.substr(6, 4));
    std::string_view body = bytes.substr(kHeaderSize, std::min(size, bytes.size() - kHeaderSize));
    // Before 2.4 unsynchronisation covers the whole tag body; in 2.4 each frame.
    const bool bodyUnsync = (flags & kTagUnsync) && tag.version < 4;
    std::string unsynced;
    if (bodyUnsync) {
        unsynced = removeUnsync(body);
        body = unsynced;
    }

    std::size_t pos = 0;
    if (tag.version > 2 && (flags & kTagExtended)) {
        if (body.size() < 4)
            return tag;
        const std::uint32_t extended =
            tag.version == 3 ? readBigEndian(body.substr(0, 4)) : readSyncsafe(body.substr(0, 4));
        // Version 2.3 counts the size field apart; 2.4 counts it in.
        const std::uint64_t skip = tag.version == 3 ? std::uint64_t(extended) + 4 : extended;
        if (skip < 4 || skip > body.size())
            return tag;
        pos = static_cast<std::size_t>(skip);
    }

    Collector collector(tag);
    const std::size_t idLength = tag.version == 2 ? 3 : 4;
    const std::size_t headerLength = tag.version == 2 ? 6 : 10;
    while (body.size() - pos >= headerLength) {
        std::string_view id = body.substr(pos, idLength);
        if (!isFrameId(id))
            break; // padding, or garbage where the next frame should be
        std::uint32_t dataSize = 0;
        std::uint16_t frameFlags = 0;
        if (tag.version == 2) {
            dataSize = readBigEndian(body.substr(pos + 3, 3));
        } else {
            dataSize =
                tag.version == 3 ? readBigEndian(body.substr(pos + 4, 4)) : frameSizeV24(body, pos);
            frameFlags = static_cast<std::uint16_t>(readBigEndian(body.substr(pos + 8, 2)));
        }
        if (dataSize > body.size() - pos - headerLength)
            break; // the frame runs past the tag: the frames before it count
        std::string_view data = body.substr(pos + headerLength, dataSize);
        if (tag.version == 2)
            readFrameV22(collector, id, data);
        else if (tag.version == 3)
            readFrameV23(collector, id, frameFlags, data);
        else
            readFrameV24(collector, id, frameFlags, data, flags & kTagUnsync);
        pos += headerLength + dataSize;
        if (!bodyUnsync)
            tag.parsedEnd = kHeaderSize + pos;
    }
    collector.finish();
    return tag;
}

} // namespace velmora::id3
