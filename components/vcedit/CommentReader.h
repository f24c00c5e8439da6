// The read path for comments only: walks the pages of a stream through a
// PageWindow up to the end of the first Vorbis stream's comment header, and
// offers that header's bytes as a comment source, passing over pages of other
// streams and the bytes of comments nobody asked for.
#pragma once

#include "PageWindow.h"
#include "base/VorbisCommentList.h"

#include <cstdint>

namespace vcedit {

class CommentReader : public velmora::vorbiscomment::CommentSource {
public:
    explicit CommentReader(PageWindow& window) : window_(window) {}

    // Finds the first Vorbis stream and checks its identification header.
    // nullptr on success, else the error text.
    const char* readIdentification();
    // Positions at the start of the comment header's list (after its packet
    // type and "vorbis"). nullptr on success, else the error text.
    const char* beginComments();
    // After the list: checks the framing bit and that the page on which the
    // comment header ends is whole. nullptr on success, else the error text.
    const char* endComments();
    // Why the last read or skip failed, when it was not the packet's end.
    const char* pageError() const { return pageError_; }

    bool read(char* to, std::size_t n) override;
    bool skip(std::uint64_t n) override;
    std::uint64_t remaining() const override;
    bool holds(std::uint64_t n) override;

private:
    const char* nextPage(std::size_t want);
    const char* nextPageOfOurs(std::size_t want);
    void startRun();
    bool advance(std::size_t want); // to the next page of the packet
    std::uint64_t leap(std::uint64_t n);

    PageWindow& window_;
    bool haveSerial_ = false;
    std::uint32_t serial_ = 0;
    std::uint32_t nextSequence_ = 0;
    std::uint64_t headerBytes_ = 0;
    // The current page: its header fields and lacing values.
    std::uint32_t pageSerial_ = 0;
    std::uint32_t pageSequence_ = 0;
    unsigned char pageFlags_ = 0;
    std::size_t segments_ = 0;
    unsigned char lacing_[255];
    std::size_t segment_ = 0;       // the next segment not yet in a run
    std::uint64_t bodyLeft_ = 0;    // bytes of the page body not yet taken
    std::uint64_t runLeft_ = 0;     // bytes of the packet left on this page
    bool packetEndsHere_ = false;   // the run ends with a segment below 255
    std::uint64_t packetBytes_ = 0; // bytes of the comment packet taken so far
    const char* pageError_ = nullptr;
    bool leapFailed_ = false; // this comment's pages are not all of one size
};

} // namespace vcedit
