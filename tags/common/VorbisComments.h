// The Vorbis comment list, shared by every format that stores one (Ogg Vorbis,
// FLAC, Opus): a vendor text and a counted list of length-prefixed comments,
// each "NAME=value" in UTF-8 (any bytes in practice).
//
//   scanComments    one parser for the list, over any source of bytes: a buffer
//                   in memory or the pages of a stream. The caller decides per
//                   comment whether its body is read or passed over unread.
//   parseComments   the list of a body held in memory, as views into it.
//   appendComments  the list rendered back (the caller adds the packet's magic
//                   or block header and, for Vorbis, the framing bit).
//   valuesFromComments / applyEdits
//                   the seven fields as the user sees them, and an edit of some
//                   of them applied to a list that keeps everything else.
//
// The byte layout: vendor length (32-bit little-endian), vendor, comment count,
// then per comment its length and its bytes. Sizes are never trusted: each is
// checked against what the source still holds.
//
// Plain C++, no Qt, no codec library.
#pragma once

#include "tags/common/TagFields.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::vorbiscomment {

// ---------------------------------------------------------------------------
// Parsing

// Where the list's bytes come from.
class CommentSource {
public:
    virtual ~CommentSource() = default;
    // Copies the next n bytes into `to`; false when the source ends first.
    virtual bool read(char* to, std::size_t n) = 0;
    // Passes over the next n bytes without looking at them; false as read.
    virtual bool skip(std::uint64_t n) = 0;
    // At least the number of bytes still to come (may be far more when the
    // source does not know its end yet). Lengths larger than this are damage.
    virtual std::uint64_t remaining() const = 0;
    // Whether the next n bytes can be there, asked before room for a large
    // comment is taken (so that allocations stay within the input's length).
    virtual bool holds(std::uint64_t n) { return n <= remaining(); }
};

// A list in memory.
class MemorySource : public CommentSource {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    bool read(char* to, std::size_t n) override;
    bool skip(std::uint64_t n) override;
    std::uint64_t remaining() const override { return bytes_.size() - position_; }
    std::size_t position() const { return position_; }

private:
    std::string_view bytes_;
    std::size_t position_ = 0;
};

// How many bytes of a comment the scanner reads before asking whether the
// rest is wanted: enough for every name the fields use and its "=".
constexpr std::size_t kHeadBytes = 16;

// Hard cap on the comment count (beyond the remaining() check).
constexpr std::uint32_t kMaxComments = 1u << 24;

// What the scanner hands over and asks.
class CommentReceiver {
public:
    virtual ~CommentReceiver() = default;
    // The vendor text of `length` bytes at `offset` (from the list's start).
    // Returns where its bytes go (room for `length`), or nullptr to pass over it.
    virtual char* vendor(std::uint64_t offset, std::uint32_t length) = 0;
    // The count as stored (already checked to be plausible); a hint only.
    virtual void count(std::uint32_t /*count*/) {}
    // Comment `index` of `length` bytes at `offset`; `head` is its first
    // min(length, kHeadBytes) bytes. Returns where the whole comment goes (room
    // for `length`; the scanner puts `head` there first), or nullptr to pass
    // over the rest unread.
    virtual char* comment(std::uint32_t index, std::uint64_t offset, std::uint32_t length,
                          std::string_view head) = 0;
};

// Reads one list from the source. False when it is damaged: a length or count
// runs past what the source holds. The source then stands right after the list.
bool scanComments(CommentSource& source, CommentReceiver& receiver);

// A list held in memory: views into the bytes parsed.
struct CommentList {
    std::string_view vendor;
    std::vector<std::string_view> comments; // each "NAME=value" as stored
};

// Parses the list at the start of `body`; `used` gets the bytes it takes (the
// framing bit or padding after it is the caller's). False when damaged.
bool parseComments(std::string_view body, CommentList& list, std::size_t& used);

// Appends the list as stored: vendor length, vendor, count, comments.
void appendComments(std::string& out, std::string_view vendor,
                    const std::vector<std::string_view>& comments);
// The stored size of such a list.
std::uint64_t renderedSize(std::string_view vendor, const std::vector<std::string_view>& comments);

// ---------------------------------------------------------------------------
// Names and the fields

// The name of a comment: the text before its first "=", when every byte of it
// lies within 0x20..0x7D; no name otherwise (no "=", or another byte).
std::optional<std::string_view> commentName(std::string_view comment);

// Names compared with the letters A..Z lowered, nothing else changed.
bool sameName(std::string_view a, std::string_view b);

// The names that hold a field. A field reads from its first name present in
// the file; the Comment field falls back to DESCRIPTION when there is no
// COMMENT. `writtenAs` is the name a new comment gets.
struct FieldNames {
    Field field;
    std::array<std::string_view, 2> names; // upper case; the second may be empty
    std::string_view writtenAs;
};
extern const std::array<FieldNames, FieldCount> kFieldNames;

// The field a comment name holds, with the index of the name in its entry
// (0 the main name, 1 the fallback), or nullopt.
struct NameMatch {
    Field field;
    int which;
};
std::optional<NameMatch> fieldOfName(std::string_view name);

// Whether a comment whose first bytes are `head` (see kHeadBytes) can belong
// to a field; a reader needs the bodies of only these.
bool mayHoldField(std::string_view head);

// What the user sees: per field, the value of the last comment of its name
// (the fallback name only when the main one is absent), made valid UTF-8 and
// trimmed of characters 0..32 at both ends. A field without a comment is empty.
TagValues valuesFromComments(const std::vector<std::string_view>& comments);

// A list after an edit: views into the old comments and into `added`, the new
// comments it owns. Moving keeps the views valid; copying is not allowed.
struct EditedComments {
    EditedComments() = default;
    EditedComments(EditedComments&&) = default;
    EditedComments& operator=(EditedComments&&) = default;
    EditedComments(const EditedComments&) = delete;
    EditedComments& operator=(const EditedComments&) = delete;

    std::vector<std::string_view> comments;
    std::vector<std::string> added;
};

// Applies the changed fields to a list. A changed field replaces every comment
// of the name it is read from by one comment at the first one's place, keeping
// that comment's name as stored (its case); its value is written as given. An
// empty value removes every comment of the field's names. A field with no
// comment yet gets "<writtenAs>=<value>" at the end. Every other comment keeps
// its bytes and its place.
EditedComments applyEdits(const std::vector<std::string_view>& comments, const TagValues& values,
                          FieldMask changed);

} // namespace velmora::vorbiscomment
