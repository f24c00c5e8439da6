// Writing a stream: new header pages in place of the old ones, then the rest
// of the input as it is. Only when the header pages change in number are the
// later pages of our stream renumbered (and their checksums recomputed).
#include "Editor.h"
#include "base/OggPage.h"

#include <cstring>
#include <ogg/ogg.h>

namespace vcedit {

using namespace velmora;

namespace {

void appendLe32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>(v >> (8 * i));
}

// Flushes every packet put into the stream onto pages.
void flushPages(ogg_stream_state& stream, std::vector<std::string>& pages) {
    ogg_page og;
    while (ogg_stream_flush(&stream, &og) != 0) {
        std::string page(reinterpret_cast<const char*>(og.header),
                         static_cast<std::size_t>(og.header_len));
        page.append(reinterpret_cast<const char*>(og.body), static_cast<std::size_t>(og.body_len));
        pages.push_back(std::move(page));
    }
}

ogg_packet packetOf(const void* data, std::size_t size, long number) {
    ogg_packet op{};
    op.packet = static_cast<unsigned char*>(const_cast<void*>(data)); // libogg copies it
    op.bytes = static_cast<long>(size);
    op.b_o_s = number == 0;
    op.granulepos = 0;
    op.packetno = number;
    return op;
}

} // namespace

bool Editor::emit(void* out, const void* data, std::size_t n) {
    return n == 0 || write_(data, 1, n, out) == n;
}

const char* Editor::buildCommentPacket(std::string& packet) const {
    const vorbis_comment* vc = state_->vc;
    if (!vc || vc->comments < 0 ||
        (vc->comments > 0 && (!vc->user_comments || !vc->comment_lengths)))
        return "The comment structure is invalid";
    const char* vendor = vc->vendor ? vc->vendor : vendor_.c_str();
    const std::size_t vendorSize = std::strlen(vendor);
    packet.assign("\x03vorbis", 7);
    appendLe32(packet, static_cast<std::uint32_t>(vendorSize));
    packet.append(vendor, vendorSize);
    appendLe32(packet, static_cast<std::uint32_t>(vc->comments));
    for (int i = 0; i < vc->comments; ++i) {
        const int length = vc->comment_lengths[i];
        if (length < 0 || (length > 0 && !vc->user_comments[i]))
            return "The comment structure is invalid";
        appendLe32(packet, static_cast<std::uint32_t>(length));
        packet.append(vc->user_comments[i] ? vc->user_comments[i] : "",
                      static_cast<std::size_t>(length));
    }
    packet += '\x01'; // framing bit
    return nullptr;
}

const char* Editor::writeHeaders(void* out, std::uint32_t& nextSequence) {
    std::string comment;
    if (const char* error = buildCommentPacket(comment))
        return error;

    ogg_stream_state stream;
    if (ogg_stream_init(&stream, static_cast<int>(serial_)) != 0)
        return "Out of memory";
    stream.pageno = static_cast<long>(firstSequence_);
    std::vector<std::string> identPages;
    std::vector<std::string> restPages;
    ogg_packet ident = packetOf(packets_[0].data(), packets_[0].size(), 0);
    ogg_packet commentPacket = packetOf(comment.data(), comment.size(), 1);
    ogg_packet setup = packetOf(packets_[2].data(), packets_[2].size(), 2);
    ogg_stream_packetin(&stream, &ident);
    flushPages(stream, identPages);
    ogg_stream_packetin(&stream, &commentPacket);
    ogg_stream_packetin(&stream, &setup);
    flushPages(stream, restPages);
    ogg_stream_clear(&stream);
    if (identPages.empty() || restPages.empty())
        return "Out of memory";

    nextSequence =
        firstSequence_ + static_cast<std::uint32_t>(identPages.size() + restPages.size());
    if (!remainder_.lacing.empty()) {
        restPages.push_back(buildPage(remainder_.endOfStream ? kEndOfStream : 0, remainder_.granule,
                                      serial_, nextSequence++, remainder_.lacing,
                                      remainder_.body.data(), remainder_.body.size()));
    } else if (endOfStreamSeen_) { // the stream ends with its headers
        std::string& last = restPages.back();
        auto* bytes = reinterpret_cast<unsigned char*>(last.data());
        bytes[5] |= kEndOfStream;
        sealPage(bytes, last.size());
    }

    for (const HeaderPage& entry : headerPages_) {
        if (!entry.ours && !emit(out, entry.bytes.data(), entry.bytes.size()))
            return "Cannot write the output stream";
        if (entry.firstOfOurs)
            for (const std::string& page : identPages)
                if (!emit(out, page.data(), page.size()))
                    return "Cannot write the output stream";
        if (entry.lastOfOurs)
            for (const std::string& page : restPages)
                if (!emit(out, page.data(), page.size()))
                    return "Cannot write the output stream";
    }
    return nullptr;
}

const char* Editor::copyRest(void* out, std::uint32_t sequenceShift) {
    static const char* const writeError = "Cannot write the output stream";
    input_->setChunkSize(256 * 1024);
    bool renumber = sequenceShift != 0 && !endOfStreamSeen_;
    while (renumber) {
        std::size_t needed = 0;
        std::size_t size = 0;
        PageScan scan = PageScan::NeedMore;
        input_->ensure(kPageHeaderSize);
        while (input_->size() > 0 &&
               (scan = scanPage(input_->data(), input_->size(), needed, size)) ==
                   PageScan::NeedMore &&
               input_->ensure(needed)) {
        }
        if (input_->size() == 0 || scan == PageScan::NeedMore)
            break; // the input ends, perhaps within a page: copied as it is below
        unsigned char* data = input_->data();
        if (scan == PageScan::NotPage) {
            // Bytes that are not a page: copy them up to the next capture pattern.
            const void* next = memmem(data + 1, input_->size() - 1, "OggS", 4);
            // Without one, the last 3 bytes stay: they may begin a pattern
            // that the next read completes.
            const std::size_t available = input_->size();
            std::size_t skip =
                next ? static_cast<std::size_t>(static_cast<const unsigned char*>(next) - data)
                     : (available > 3 ? available - 3 : available);
            if (!emit(out, data, skip))
                return writeError;
            input_->consume(skip);
            continue;
        }
        if (pageSerial(data) == serial_) {
            renumberPage(data, size, pageSequence(data) + sequenceShift);
            if (pageFlags(data) & kEndOfStream)
                renumber = false; // a later chained stream may reuse the number
        }
        if (!emit(out, data, size))
            return writeError;
        input_->consume(size);
    }
    // Everything else is copied as it is.
    do {
        if (!emit(out, input_->data(), input_->size()))
            return writeError;
        input_->consume(input_->size());
    } while (input_->readMore());
    return nullptr;
}

const char* Editor::write(void* out) {
    if (readOnly_)
        return "This stream was opened for reading its comments only";
    if (!opened_)
        return "No Vorbis stream has been opened";
    if (written_)
        return "This stream has already been written";
    if (!write_)
        return "No write function was given";
    written_ = true;
    if (const char* error = checkBeforeRewrite())
        return error;
    std::uint32_t nextSequence = 0;
    if (const char* error = writeHeaders(out, nextSequence))
        return error;
    return copyRest(out, nextSequence - nextSequence_);
}

} // namespace vcedit
