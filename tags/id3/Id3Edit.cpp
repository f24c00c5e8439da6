#include "tags/id3/Id3Edit.h"

#include "base/FileLayer.h"
#include "base/Text.h"
#include "tags/id3/Id3Convert.h"
#include "tags/id3/Id3Tag.h"
#include "tags/id3/Id3Text.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace velmora::id3 {

namespace {

// The order in which fields without a frame are added.
constexpr std::array<Field, FieldCount> kAddOrder = {Field::Title,  Field::Artist, Field::Album,
                                                     Field::Track,  Field::Year,   Field::Genre,
                                                     Field::Comment};

void appendFrameHeader(std::string& out, std::string_view id, std::size_t size, int version) {
    if (size > kMaxTagSize)
        throw TagError("The tag is too large to be written.");
    out.append(id);
    if (version == 4)
        appendSyncsafe(out, static_cast<std::uint32_t>(size));
    else
        appendBigEndian(out, static_cast<std::uint32_t>(size));
    out.append(2, '\0');
}

std::string frameBytes(std::string_view id, std::uint16_t flags, std::string_view data) {
    std::string out;
    appendFrameHeader(out, id, data.size(), 3);
    out[8] = static_cast<char>(flags >> 8);
    out[9] = static_cast<char>(flags & 0xFF);
    out.append(data);
    return out;
}

bool showsField(const TagScan& scan, std::size_t index) {
    const FrameRef& frame = scan.frames[index];
    return frame.hasField &&
           (frame.field != Field::Comment || static_cast<int>(index) == scan.shownComment);
}

// The frames a rebuilt tag puts last: those of the seven fields, and every
// comment, so the comments keep their order and the same one stays shown.
bool goesLast(const TagScan& scan, std::size_t index) {
    return scan.frames[index].hasField;
}

class Planner {
public:
    Planner(const TagScan& scan, TagSource& source, int version, const TagValues& values,
            FieldMask changed)
        : scan_(scan), source_(source), version_(version), values_(values), changed_(changed) {}

    std::vector<Piece> plan(FrameOrder order) {
        const std::size_t n = scan_.frames.size();
        if (order == FrameOrder::CarriedFirst) {
            for (std::size_t i = 0; i < n; ++i)
                if (!goesLast(scan_, i))
                    carry(i);
        }
        for (std::size_t i = 0; i < n; ++i) {
            const bool shown = showsField(scan_, i);
            if (order == FrameOrder::CarriedFirst && !goesLast(scan_, i))
                continue;
            const Field field = scan_.frames[i].field;
            if (shown && changed_.has(field)) {
                if (!placed(field)) {
                    place(field, languageOf(i));
                }
                continue; // every other frame of an edited field goes
            }
            carry(i);
        }
        for (Field field : kAddOrder)
            if (changed_.has(field) && !placed(field))
                place(field, "eng");
        return std::move(pieces_);
    }

private:
    bool placed(Field f) const { return placed_[static_cast<std::size_t>(f)]; }

    std::string_view languageOf(std::size_t index) const {
        if (static_cast<int>(index) == scan_.shownComment)
            return {scan_.commentLanguage, 3};
        return "eng";
    }

    void place(Field field, std::string_view language) {
        placed_[static_cast<std::size_t>(field)] = true;
        if (!values_[field].empty())
            pieces_.push_back({false, 0, 0, fieldFrame(field, values_[field], version_, language)});
    }

    void carry(std::size_t index) {
        const FrameRef& frame = scan_.frames[index];
        if (!scan_.plain.empty() || scan_.version == 2) {
            std::string_view data =
                scan_.plain.empty() ? source_.bytes(frame.offset + frame.headerSize, frame.dataSize)
                                    : std::string_view(scan_.plain)
                                          .substr(frame.offset + frame.headerSize, frame.dataSize);
            if (scan_.version != 2) {
                pieces_.push_back({false, 0, 0, frameBytes(frame.name(), frame.flags, data)});
            } else if (auto converted = convertFromV22(frame.name(), data)) {
                pieces_.push_back(
                    {false, 0, 0, frameBytes(converted->id, converted->flags, converted->data)});
            }
            return; // a 2.2 frame 2.3 has no place for is dropped
        }
        if (!pieces_.empty() && pieces_.back().carried &&
            pieces_.back().from + pieces_.back().length == frame.offset) {
            pieces_.back().length += frame.size(); // one run of neighbouring frames
            return;
        }
        pieces_.push_back({true, frame.offset, frame.size(), {}});
    }

    const TagScan& scan_;
    TagSource& source_;
    int version_;
    const TagValues& values_;
    FieldMask changed_;
    std::array<bool, FieldCount> placed_{};
    std::vector<Piece> pieces_;
};

} // namespace

std::string fieldFrame(Field field, std::string_view value, int version,
                       std::string_view language) {
    const std::uint8_t enc = isAscii(value) ? Latin1 : version == 4 ? Utf8 : Utf16Bom;
    std::string data(1, static_cast<char>(enc));
    if (field == Field::Comment) {
        data.append(language.substr(0, 3));
        data += encodeString("", enc, true);
    }
    data += enc == Utf8 ? std::string(value) : encodeString(value, enc, false);
    std::string out;
    appendFrameHeader(out, frameIdFor(field, version), data.size(), version);
    return out + data;
}

std::vector<Piece> planFrames(const TagScan& scan, TagSource& source, int version,
                              const TagValues& values, FieldMask changed, FrameOrder order) {
    return Planner(scan, source, version, values, changed).plan(order);
}

std::size_t paddingForGrowth(std::size_t frameBytes, std::uint64_t oldAudioStart,
                             std::uint64_t audioLength) {
    constexpr std::uint64_t kPage = 4096;
    const std::uint64_t least = 1024 + std::min<std::uint64_t>(audioLength / 1024, 65536);
    const std::uint64_t newAudioStart = kHeaderSize + frameBytes + least;
    const std::uint64_t shift = (oldAudioStart % kPage + kPage - newAudioStart % kPage) % kPage;
    return static_cast<std::size_t>(least + shift);
}

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

} // namespace velmora::id3
