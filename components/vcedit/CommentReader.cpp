#include "CommentReader.h"

#include "CommentCollector.h"
#include "Editor.h"
#include "base/OggPage.h"

#include <algorithm>
#include <cstring>

namespace vcedit {

using namespace velmora;

namespace {

// The first read takes the first page and the start of the comments (most
// comment headers fit); later reads take a little more ahead.
constexpr std::size_t kFirstRead = 2048;
constexpr std::size_t kReadAhead = 4096;
constexpr std::size_t kHeaderOnly = kPageHeaderSize + 255;
constexpr std::size_t kSmallRead = 256; // reads up to this go through the window

const char* const kEndsWithin = "The input ends within the Vorbis headers";

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

} // namespace

const char* CommentReader::nextPage(std::size_t want) {
    const char* truncated = headerBytes_ == 0 ? "The input is not an Ogg bitstream (too short)"
                            : haveSerial_     ? kEndsWithin
                                              : "The input holds no Vorbis stream";
    window_.ensure(kPageHeaderSize, want); // a short input is looked at below
    const unsigned char* p = window_.data();
    const std::size_t held = window_.size();
    if (held == 0)
        return truncated;
    if (std::memcmp(p, "OggS", std::min<std::size_t>(held, 4)) != 0 || (held >= 5 && p[4] != 0))
        return headerBytes_ == 0 ? "The input is not an Ogg bitstream"
                                 : "Damaged data between the pages of the Vorbis headers";
    if (held < kPageHeaderSize || !window_.ensure(kPageHeaderSize + p[26], want))
        return truncated;
    p = window_.data();
    pageFlags_ = p[5];
    pageSerial_ = le32(p + 14);
    pageSequence_ = le32(p + 18);
    segments_ = p[26];
    std::memcpy(lacing_, p + kPageHeaderSize, segments_);
    bodyLeft_ = 0;
    for (std::size_t i = 0; i < segments_; ++i)
        bodyLeft_ += lacing_[i];
    segment_ = 0;
    window_.consume(kPageHeaderSize + segments_);
    headerBytes_ += kPageHeaderSize + segments_ + bodyLeft_;
    if (headerBytes_ > kMaxHeaderBytes)
        return "The Vorbis headers are too large (over 64 MiB)";
    return nullptr;
}

const char* CommentReader::nextPageOfOurs(std::size_t want) {
    for (;;) {
        if (const char* error = nextPage(want))
            return error;
        if (pageSerial_ == serial_)
            break;
        if (!window_.pass(bodyLeft_)) // a page of another stream
            return kEndsWithin;
    }
    if (pageSequence_ != nextSequence_)
        return "A page of the Vorbis headers is missing (page numbers skip)";
    nextSequence_ = pageSequence_ + 1;
    return nullptr;
}

void CommentReader::startRun() {
    runLeft_ = 0;
    packetEndsHere_ = false;
    while (segment_ < segments_) {
        const unsigned value = lacing_[segment_++];
        runLeft_ += value;
        if (value < 255) {
            packetEndsHere_ = true;
            break;
        }
    }
}

namespace {

// The identification header as libvorbis checks it: version 0, channels and
// rate set, block sizes 64..8192 with the short not above the long, framing bit.
bool identificationValid(const unsigned char* p, std::size_t size) {
    if (size < 30 || le32(p + 7) != 0 || p[11] == 0 || le32(p + 12) == 0)
        return false;
    const unsigned shortBlock = p[28] & 15, longBlock = p[28] >> 4;
    return shortBlock >= 6 && longBlock <= 13 && shortBlock <= longBlock && (p[29] & 1);
}

} // namespace

const char* CommentReader::readIdentification() {
    for (;;) {
        if (const char* error = nextPage(kFirstRead))
            return error;
        if (!haveSerial_) {
            if (!(pageFlags_ & kBeginOfStream))
                return "The input holds no Vorbis stream (not an Ogg Vorbis file)";
            if (bodyLeft_ >= 7 && window_.ensure(7, kFirstRead) &&
                std::memcmp(window_.data(), "\x01vorbis", 7) == 0) {
                haveSerial_ = true;
                serial_ = pageSerial_;
                nextSequence_ = pageSequence_ + 1;
                break;
            }
        }
        if (!window_.pass(bodyLeft_))
            return haveSerial_ ? kEndsWithin : "The input holds no Vorbis stream";
    }
    startRun();
    if (!packetEndsHere_ || runLeft_ > kFirstRead || !window_.ensure(runLeft_, kFirstRead))
        return "The Vorbis identification header is damaged";
    if (!identificationValid(window_.data(), runLeft_))
        return "The Vorbis identification header is damaged";
    window_.consume(runLeft_);
    bodyLeft_ -= runLeft_;
    runLeft_ = 0;
    return nullptr;
}

const char* CommentReader::beginComments() {
    if (segment_ >= segments_) { // the comment header begins on a page of its own
        if (pageFlags_ & kEndOfStream)
            return "The Vorbis stream ends within its headers";
        if (!window_.pass(bodyLeft_))
            return kEndsWithin;
        if (const char* error = nextPageOfOurs(kReadAhead))
            return error;
        if (pageFlags_ & kContinued)
            return "The Vorbis headers are damaged (a packet is broken across pages)";
    }
    startRun();
    char magic[7];
    if (!read(magic, sizeof magic))
        return pageError_ ? pageError_ : "The second Vorbis header is not a comment header";
    if (std::memcmp(magic, "\x03vorbis", 7) != 0)
        return "The second Vorbis header is not a comment header";
    return nullptr;
}

bool CommentReader::advance(std::size_t want) {
    if (pageFlags_ & kEndOfStream) {
        pageError_ = "The Vorbis stream ends within its headers";
        return false;
    }
    if (const char* error = nextPageOfOurs(want)) {
        pageError_ = error;
        return false;
    }
    if (!(pageFlags_ & kContinued)) {
        pageError_ = "The Vorbis headers are damaged (a packet is broken across pages)";
        return false;
    }
    startRun();
    return true;
}

bool CommentReader::read(char* to, std::size_t n) {
    while (n > 0) {
        if (runLeft_ == 0) {
            if (packetEndsHere_ || !advance(kReadAhead))
                return false;
            continue;
        }
        const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(n, runLeft_));
        if (take <= kSmallRead) {
            if (!window_.ensure(take, kReadAhead)) {
                pageError_ = kEndsWithin;
                return false;
            }
            std::memcpy(to, window_.data(), take);
            window_.consume(take);
        } else if (!window_.copy(to, take)) {
            pageError_ = kEndsWithin;
            return false;
        }
        to += take;
        n -= take;
        runLeft_ -= take;
        bodyLeft_ -= take;
        packetBytes_ += take;
    }
    return true;
}

// A comment over many pages: pages of one size carry the same number of
// packet bytes, so the page on which the comment ends lies at a known offset.
// When the page found there is the one expected (our stream, the page number
// that many pages on, continuing the packet), the pages between are passed
// over unread. Returns the packet bytes passed over (0 when not taken).
std::uint64_t CommentReader::leap(std::uint64_t n) {
    if (!window_.canSeek() || runLeft_ != 0 || packetEndsHere_ || segments_ == 0)
        return 0;
    for (std::size_t i = 0; i < segments_; ++i)
        if (lacing_[i] != 255)
            return 0;
    const std::uint64_t perPage = 255 * std::uint64_t(segments_);
    const std::uint64_t pageSize = kPageHeaderSize + segments_ + perPage;
    const std::uint64_t here = window_.position();
    // The page where n ends is read; the last page of a packet may be larger
    // than the others, so one page less is tried too.
    const std::uint64_t most = (n - 1) / perPage;
    for (std::uint64_t pages = most; pages >= 2 && pages + 1 >= most; --pages) {
        const std::uint32_t expected = nextSequence_ + static_cast<std::uint32_t>(pages);
        if (headerBytes_ + pages * pageSize > kMaxHeaderBytes ||
            !window_.moveTo(here + pages * pageSize) ||
            !window_.ensure(kPageHeaderSize, kHeaderOnly))
            continue;
        const unsigned char* p = window_.data();
        if (std::memcmp(p, "OggS", 5) == 0 && // the capture pattern and version 0
            le32(p + 14) == serial_ && le32(p + 18) == expected && (p[5] & kContinued)) {
            nextSequence_ = expected;
            headerBytes_ += pages * pageSize;
            packetBytes_ += pages * perPage;
            return pages * perPage;
        }
    }
    window_.moveTo(here); // not as expected: page by page
    leapFailed_ = true;
    return 0;
}

bool CommentReader::skip(std::uint64_t n) {
    leapFailed_ = false;
    while (n > 0) {
        if (runLeft_ == 0) {
            if (packetEndsHere_)
                return false;
            if (!leapFailed_)
                n -= leap(n);
            // Still more than a page to pass: only the next page's header is needed.
            if (!advance(n > 255 * 255 ? kHeaderOnly : kReadAhead))
                return false;
            continue;
        }
        const std::uint64_t take = std::min(n, runLeft_);
        if (!window_.pass(take)) {
            pageError_ = kEndsWithin;
            return false;
        }
        n -= take;
        runLeft_ -= take;
        bodyLeft_ -= take;
        packetBytes_ += take;
    }
    return true;
}

std::uint64_t CommentReader::remaining() const {
    if (packetEndsHere_)
        return runLeft_;
    return std::max<std::uint64_t>(
        runLeft_, kMaxHeaderBytes - std::min<std::uint64_t>(packetBytes_, kMaxHeaderBytes));
}

// The packet's bytes lie at or after their offset in the input, so an input
// shorter than that cannot hold them.
bool CommentReader::holds(std::uint64_t n) {
    if (n <= runLeft_ || !window_.canSeek())
        return n <= remaining();
    const std::uint64_t here = window_.position();
    const bool there = window_.moveTo(here + n);
    if (!window_.moveTo(here) || !there) {
        pageError_ = kEndsWithin;
        return false;
    }
    return true;
}

const char* CommentReader::endComments() {
    char framing = 0;
    if (!read(&framing, 1) || !(framing & 1))
        return pageError_ ? pageError_ : "The Vorbis comment header is damaged";
    if ((pageFlags_ & kEndOfStream) && packetEndsHere_ && segment_ >= segments_)
        return "The Vorbis stream ends within its headers"; // no setup header follows
    // The page on which the header ends must be whole.
    if (!window_.pass(bodyLeft_))
        return kEndsWithin;
    return nullptr;
}

} // namespace vcedit

namespace vcedit {

// ---------------------------------------------------------------------------

const char* Editor::openForReading(vcedit_read_func read, vcedit_seek_func seek, void* in,
                                   vcedit_want_func want, void* context) {
    if (opened_ || input_ || readOnly_)
        return "This editing state has already opened a stream";
    if (!read)
        return "No read function was given";
    readOnly_ = true;
    PageWindow window(read, seek, in);
    CommentReader reader(window);
    if (const char* error = reader.readIdentification())
        return error;
    if (const char* error = reader.beginComments())
        return error;
    CommentCollector collector(want, context, false);
    if (!velmora::vorbiscomment::scanComments(reader, collector))
        return reader.pageError() ? reader.pageError() : "The Vorbis comment header is damaged";
    if (const char* error = reader.endComments())
        return error;
    if (!collector.moveInto(*state_->vc))
        return "Out of memory";
    opened_ = true;
    return nullptr;
}

} // namespace vcedit
