// The editor behind an editing state: what it keeps between opening a stream
// and writing it.
#pragma once

#include "InputBuffer.h"
#include "vcedit.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vcedit {

// The headers may not take more than this (a comment header with large
// embedded pictures stays far below); damaged input cannot make us buffer more.
constexpr std::size_t kMaxHeaderBytes = 64u * 1024 * 1024;

// One page met while reading the headers, in input order. Pages of other
// streams are copied as they are; pages of our stream mark where the new
// header pages go.
struct HeaderPage {
    std::string bytes; // the page as read
    bool ours = false;
    bool firstOfOurs = false; // the identification header goes here
    bool lastOfOurs = false;  // the comment and setup headers (and the rest of the page) go here
};

// The audio segments that followed the setup header on its page.
struct PageRemainder {
    std::vector<unsigned char> lacing;
    std::vector<unsigned char> body;
    std::int64_t granule = -1;
    bool endOfStream = false;
};

class Editor {
public:
    Editor(vcedit_state* state);
    ~Editor();
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    // Each returns nullptr on success or a static error text.
    const char* open(vcedit_read_func read, void* in, vcedit_write_func write);
    // Reads only as far as the comments, taking those `want` accepts.
    const char* openForReading(vcedit_read_func read, vcedit_seek_func seek, void* in,
                               vcedit_want_func want, void* context);
    const char* write(void* out);

private:
    const char* readHeaders();
    const char* takeOurPage(const unsigned char* page, std::size_t size, HeaderPage& entry);
    const char* takePacket(std::vector<unsigned char>& packet);
    const char* takeComments(const std::vector<unsigned char>& packet);
    const char* checkBeforeRewrite() const;
    const char* buildCommentPacket(std::string& packet) const;
    const char* writeHeaders(void* out, std::uint32_t& nextSequence);
    const char* copyRest(void* out, std::uint32_t sequenceShift);
    bool emit(void* out, const void* data, std::size_t n);

    vcedit_state* state_;
    std::unique_ptr<InputBuffer> input_;
    vcedit_write_func write_ = nullptr;
    bool opened_ = false;
    bool readOnly_ = false; // opened for reading the comments only
    bool written_ = false;

    vorbis_info info_; // set up by a full open only
    bool infoReady_ = false;
    std::uint32_t serial_ = 0;
    bool haveSerial_ = false;
    bool seenOurPage_ = false;
    std::uint32_t firstSequence_ = 0;
    std::uint32_t nextSequence_ = 0; // expected next page number of our stream
    std::vector<unsigned char> partial_;
    std::vector<std::vector<unsigned char>> packets_; // identification, comment, setup
    std::string vendor_;
    std::vector<HeaderPage> headerPages_;
    PageRemainder remainder_;
    bool endOfStreamSeen_ = false;
};

} // namespace vcedit
