#include "tags/opus/CommentPacketReader.h"

#include "base/OggPage.h"

#include <algorithm>

namespace velmora::opus {

CommentPacketReader::CommentPacketReader(ReadAt read, std::uint64_t size)
    : read_(std::move(read)), size_(size) {
    if (!nextPage())
        throw FormatError("The file is not an Ogg file");
    // The first packet, whole.
    for (;;) {
        if (segment_ == segments_) {
            if (!nextPage())
                throw FormatError("The Ogg stream ends before its header packets do");
            continue;
        }
        const unsigned char lace = lacing_[segment_++];
        const std::size_t old = first_.size();
        first_.resize(old + lace);
        if (read_(at_, first_.data() + old, lace) != lace)
            throw FormatError("The Ogg stream ends inside a page");
        at_ += lace;
        if (lace < 255)
            return;
    }
}

bool CommentPacketReader::nextPage() {
    for (;;) {
        const std::uint64_t at = nextPageAt_;
        unsigned char head[kPageHeaderSize];
        if (at == size_ && at > 0)
            return false;
        if (size_ - at < kPageHeaderSize || read_(at, head, kPageHeaderSize) != kPageHeaderSize) {
            if (at == 0)
                throw FormatError("The file is not an Ogg file");
            throw FormatError("The Ogg stream ends inside a page");
        }
        std::size_t needed = 0;
        std::size_t pageSize = 0;
        if (scanPage(head, kPageHeaderSize, needed, pageSize) == PageScan::NotPage)
            throw FormatError(at == 0 ? "The file is not an Ogg file"
                                      : "The Ogg stream is damaged: a page is missing");
        const std::size_t count = pageSegments(head);
        if (size_ - at - kPageHeaderSize < count ||
            read_(at + kPageHeaderSize, lacing_, count) != count)
            throw FormatError("The Ogg stream ends inside a page");
        std::uint64_t body = 0;
        for (std::size_t i = 0; i < count; ++i)
            body += lacing_[i];
        const std::uint64_t header = kPageHeaderSize + count;
        if (size_ - at < header + body)
            throw FormatError("The Ogg stream ends inside a page");
        nextPageAt_ = at + header + body;
        if (at == 0) {
            if (!(pageFlags(head) & kBeginOfStream))
                throw FormatError("The Ogg stream does not begin with a stream's first page");
            serial_ = pageSerial(head);
        } else if (pageSerial(head) != serial_) {
            continue; // a page of another stream
        }
        segments_ = count;
        segment_ = 0;
        inSegment_ = 0;
        at_ = at + header;
        return true;
    }
}

bool CommentPacketReader::advance(char* to, std::uint64_t n) {
    while (n > 0) {
        if (ended_)
            return false;
        if (segment_ == segments_) {
            if (!nextPage())
                return false;
            continue;
        }
        // The packet's bytes in this page are contiguous: take as many
        // segments at once as the request and the packet allow.
        std::uint64_t contiguous = lacing_[segment_] - inSegment_;
        for (std::size_t s = segment_; lacing_[s] == 255 && s + 1 < segments_; ++s)
            contiguous += lacing_[s + 1];
        const std::uint64_t take = std::min(n, contiguous);
        if (to) {
            const auto bytes = static_cast<std::size_t>(take);
            if (read_(at_, to, bytes) != bytes)
                return false;
            to += bytes;
        }
        at_ += take;
        n -= take;
        // Step over the segments consumed.
        std::uint64_t left = take;
        while (segment_ < segments_) {
            const std::size_t rest = lacing_[segment_] - inSegment_;
            if (left < rest) {
                inSegment_ += static_cast<std::size_t>(left);
                break;
            }
            left -= rest;
            const bool last = lacing_[segment_] < 255;
            ++segment_;
            inSegment_ = 0;
            if (last) {
                ended_ = true;
                break;
            }
            if (left == 0)
                break;
        }
    }
    return true;
}

} // namespace velmora::opus
