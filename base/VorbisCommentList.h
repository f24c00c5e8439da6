// The Vorbis comment list as bytes, shared by every format that stores one (Ogg
// Vorbis, FLAC, Opus) and by the comment editing library: a vendor text and a
// counted list of length-prefixed comments, each "NAME=value" (any bytes in
// practice).
//
//   scanComments    one parser for the list, over any source of bytes: a buffer
//                   in memory or the pages of a stream. The caller decides per
//                   comment whether its body is read or passed over unread.
//   parseComments   the list of a body held in memory, as views into it.
//   appendComments  the list rendered back (the caller adds the packet's magic
//                   or block header and, for Vorbis, the framing bit).
//
// The byte layout: vendor length (32-bit little-endian), vendor, comment count,
// then per comment its length and its bytes. Sizes are never trusted: each is
// checked against what the source still holds.
//
// What the comments mean to the tag fields is in tags/common/VorbisComments.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::vorbiscomment {

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

} // namespace velmora::vorbiscomment
