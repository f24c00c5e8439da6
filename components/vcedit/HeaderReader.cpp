// Opening a stream: reads pages through the read callback until the three
// Vorbis headers of the first Vorbis stream are complete, and remembers where
// they lay so that the writer can put new header pages in their place.
#include "CommentCollector.h"
#include "Editor.h"
#include "base/OggPage.h"

#include <algorithm>
#include <cstring>

namespace vcedit {

using namespace velmora;

const char* Editor::open(vcedit_read_func read, void* in, vcedit_write_func write) {
    if (opened_ || input_ || readOnly_)
        return "This editing state has already opened a stream";
    if (!read)
        return "No read function was given";
    input_ = std::make_unique<InputBuffer>(read, in);
    write_ = write;
    vorbis_info_init(&info_);
    infoReady_ = true;
    if (const char* error = readHeaders())
        return error;
    opened_ = true;
    return nullptr;
}

const char* Editor::readHeaders() {
    std::size_t headerBytes = 0;
    bool anyPage = false;
    while (packets_.size() < 3) {
        const char* truncated = !anyPage      ? "The input is not an Ogg bitstream (too short)"
                                : haveSerial_ ? "The input ends within the Vorbis headers"
                                              : "The input holds no Vorbis stream";
        if (!input_->ensure(kPageHeaderSize) && input_->size() == 0)
            return truncated;
        std::size_t needed = 0;
        std::size_t size = 0;
        PageScan scan;
        while ((scan = scanPage(input_->data(), input_->size(), needed, size)) ==
               PageScan::NeedMore) {
            if (!input_->ensure(needed))
                return truncated;
        }
        if (scan == PageScan::NotPage)
            return anyPage ? "Damaged data between the pages of the Vorbis headers"
                           : "The input is not an Ogg bitstream";
        anyPage = true;
        headerBytes += size;
        if (headerBytes > kMaxHeaderBytes)
            return "The Vorbis headers are too large (over 64 MiB)";
        const unsigned char* page = input_->data();

        if (!haveSerial_) {
            if (!(pageFlags(page) & kBeginOfStream))
                return "The input holds no Vorbis stream (not an Ogg Vorbis file)";
            std::size_t bodySize = size - pageHeaderSize(page);
            const unsigned char* body = page + pageHeaderSize(page);
            if (bodySize >= 7 && std::memcmp(body, "\x01vorbis", 7) == 0) {
                haveSerial_ = true;
                serial_ = pageSerial(page);
            }
        }
        HeaderPage entry;
        entry.bytes.assign(reinterpret_cast<const char*>(page), size);
        if (haveSerial_ && pageSerial(page) == serial_) {
            if (const char* error = takeOurPage(page, size, entry))
                return error;
        }
        headerPages_.push_back(std::move(entry));
        input_->consume(size);
    }
    return nullptr;
}

const char* Editor::takeOurPage(const unsigned char* page, std::size_t size, HeaderPage& entry) {
    entry.ours = true;
    std::uint32_t sequence = pageSequence(page);
    if (!seenOurPage_) {
        seenOurPage_ = true;
        entry.firstOfOurs = true;
        firstSequence_ = sequence;
    } else if (sequence != nextSequence_) {
        return "A page of the Vorbis headers is missing (page numbers skip)";
    }
    nextSequence_ = sequence + 1;

    const unsigned char flags = pageFlags(page);
    if (bool(flags & kContinued) != !partial_.empty())
        return "The Vorbis headers are damaged (a packet is broken across pages)";

    const std::size_t segments = pageSegments(page);
    const unsigned char* lacing = pageLacing(page);
    const unsigned char* body = page + pageHeaderSize(page);
    const std::size_t bodySize = size - pageHeaderSize(page);
    std::size_t offset = 0;
    for (std::size_t i = 0; i < segments; ++i) {
        partial_.insert(partial_.end(), body + offset, body + offset + lacing[i]);
        offset += lacing[i];
        if (lacing[i] == 255)
            continue;
        packets_.push_back(std::move(partial_));
        partial_.clear();
        if (const char* error = takePacket(packets_.back()))
            return error;
        if (packets_.size() == 3) {
            // The setup header ends here; what follows on this page is audio.
            entry.lastOfOurs = true;
            remainder_.lacing.assign(lacing + i + 1, lacing + segments);
            remainder_.body.assign(body + offset, body + bodySize);
            bool audioPacketEnds = std::any_of(remainder_.lacing.begin(), remainder_.lacing.end(),
                                               [](unsigned char v) { return v < 255; });
            remainder_.granule = audioPacketEnds ? pageGranule(page) : -1;
            remainder_.endOfStream = flags & kEndOfStream;
            break;
        }
    }
    if (flags & kEndOfStream) {
        endOfStreamSeen_ = true;
        if (packets_.size() < 3)
            return "The Vorbis stream ends within its headers";
    }
    return nullptr;
}

const char* Editor::takePacket(std::vector<unsigned char>& packet) {
    const long index = static_cast<long>(packets_.size()) - 1;
    static const unsigned char types[3] = {1, 3, 5};
    if (packet.size() < 7 || packet[0] != types[index] || std::memcmp(&packet[1], "vorbis", 6))
        return index == 0   ? "Not a Vorbis stream (no identification header)"
               : index == 1 ? "The second Vorbis header is not a comment header"
                            : "The third Vorbis header is not a setup header";
    if (index == 2)
        return nullptr; // copied as it is; its codebooks are not needed here
    if (index == 1)
        return takeComments(packet);
    ogg_packet op{};
    op.packet = packet.data();
    op.bytes = static_cast<long>(packet.size());
    op.b_o_s = index == 0;
    op.packetno = index;
    if (vorbis_synthesis_headerin(&info_, state_->vc, &op) != 0)
        return "The Vorbis identification header is damaged";
    return nullptr;
}

// The comment header, parsed by the same list parser as a read that wants
// only some comments; here every comment and the vendor are taken.
const char* Editor::takeComments(const std::vector<unsigned char>& packet) {
    using namespace velmora::vorbiscomment;
    const std::string_view list(reinterpret_cast<const char*>(packet.data()) + 7,
                                packet.size() - 7);
    MemorySource source(list);
    CommentCollector collector(nullptr, nullptr, true);
    if (!scanComments(source, collector) || source.remaining() == 0 ||
        !(list[source.position()] & 1)) // the framing bit
        return "The Vorbis comment header is damaged";
    if (!collector.moveInto(*state_->vc))
        return "Out of memory";
    vendor_ = state_->vc->vendor ? state_->vc->vendor : "";
    return nullptr;
}

// Reading comments does not need the page checksums, and checking them costs
// as much as the rest of a read. A rewrite gives the header pages new
// checksums, though, so it first makes sure that it does not hide damage.
const char* Editor::checkBeforeRewrite() const {
    for (const HeaderPage& entry : headerPages_)
        if (!pageChecksumValid(reinterpret_cast<const unsigned char*>(entry.bytes.data()),
                               entry.bytes.size()))
            return "A page of the Vorbis headers is damaged (checksum mismatch)";
    return nullptr;
}

} // namespace vcedit
