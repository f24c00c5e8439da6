#include "tags/opus/OggHeaderPages.h"

#include "base/OggPage.h"

#include <cstring>

namespace velmora::opus {

namespace {

struct RawPage {
    std::string bytes;
    const unsigned char* data() const {
        return reinterpret_cast<const unsigned char*>(bytes.data());
    }
};

// Reads the page at `at` whole; false at a clean end of the bytes.
bool readPage(const ReadAt& read, std::uint64_t size, std::uint64_t at, RawPage& page) {
    const bool first = at == 0;
    if (at == size && !first)
        return false;
    auto fail = [first](const char* reason) -> FormatError {
        return FormatError(first ? "The file is not an Ogg file" : reason);
    };
    unsigned char head[kPageHeaderSize + 255];
    if (size - at < kPageHeaderSize || read(at, head, kPageHeaderSize) != kPageHeaderSize)
        throw fail("The Ogg stream ends inside a page");
    std::size_t needed = 0;
    std::size_t pageSize = 0;
    if (scanPage(head, kPageHeaderSize, needed, pageSize) == PageScan::NotPage)
        throw fail("The Ogg stream is damaged: a page is missing");
    const std::size_t lacing = pageSegments(head);
    if (size - at < kPageHeaderSize + lacing ||
        read(at + kPageHeaderSize, head + kPageHeaderSize, lacing) != lacing)
        throw fail("The Ogg stream ends inside a page");
    std::size_t body = 0;
    for (std::size_t i = 0; i < lacing; ++i)
        body += head[kPageHeaderSize + i];
    const std::size_t header = kPageHeaderSize + lacing;
    if (size - at < header + body)
        throw fail("The Ogg stream ends inside a page");
    page.bytes.assign(reinterpret_cast<const char*>(head), header);
    page.bytes.resize(header + body);
    if (read(at + header, page.bytes.data() + header, body) != body)
        throw fail("The file cannot be read");
    return true;
}

} // namespace

bool firstPacketStartsWith(const ReadAt& read, std::uint64_t size, const std::string& magic) {
    unsigned char head[kPageHeaderSize + 255];
    if (size < kPageHeaderSize || read(0, head, kPageHeaderSize) != kPageHeaderSize)
        return false;
    std::size_t needed = 0;
    std::size_t pageSize = 0;
    if (scanPage(head, kPageHeaderSize, needed, pageSize) == PageScan::NotPage ||
        !(pageFlags(head) & kBeginOfStream))
        return false;
    const std::size_t header = pageHeaderSize(head);
    std::string start(magic.size(), '\0');
    return size >= header + magic.size() &&
           read(header, start.data(), start.size()) == start.size() && start == magic;
}

HeaderPages readHeaderPages(const ReadAt& read, std::uint64_t size, std::uint64_t maxPacket,
                            bool checkChecksums) {
    HeaderPages pages;
    std::string* packets[2] = {&pages.identification, &pages.comments};
    int current = 0;
    bool commentStartsPage = false;
    std::uint64_t at = 0;
    RawPage page;
    while (current < 2) {
        if (!readPage(read, size, at, page))
            throw FormatError("The Ogg stream ends before its header packets do");
        const unsigned char* p = page.data();
        const PageRange range{at, page.bytes.size()};
        at += page.bytes.size();
        if (range.offset == 0) {
            if (!(pageFlags(p) & kBeginOfStream))
                throw FormatError("The Ogg stream does not begin with a stream's first page");
            pages.serial = pageSerial(p);
        } else if (pageSerial(p) != pages.serial) {
            if (!pages.commentPages.empty())
                pages.otherPages.push_back(range);
            continue;
        }
        if (checkChecksums && !pageChecksumValid(p, page.bytes.size()))
            pages.checksumsValid = false;
        const unsigned char* body = p + pageHeaderSize(p);
        bool carriesComments = false;
        bool startsWithComments = false;
        bool endsWithComments = false;
        for (std::size_t i = 0; i < pageSegments(p) && current < 2; ++i) {
            const unsigned char lace = pageLacing(p)[i];
            if (current == 1 && !carriesComments) {
                carriesComments = true;
                startsWithComments = i == 0 && pages.comments.empty();
            }
            if (packets[current]->size() + lace > maxPacket)
                throw FormatError("An Ogg header packet is larger than the file allows");
            packets[current]->append(reinterpret_cast<const char*>(body), lace);
            body += lace;
            if (lace < 255) {
                ++current;
                endsWithComments = current == 2 && i + 1 == pageSegments(p);
            }
        }
        if (carriesComments) {
            if (pages.commentPages.empty()) {
                commentStartsPage = startsWithComments;
                pages.commentSequence = pageSequence(p);
            }
            pages.commentPages.push_back(range);
        }
        if (current == 2)
            pages.commentPagesOwnPacket = commentStartsPage && endsWithComments;
    }
    return pages;
}

std::vector<std::string> paginate(const std::string& packet, std::uint32_t serial,
                                  std::uint32_t sequence) {
    std::vector<std::string> pages;
    const auto* data = reinterpret_cast<const unsigned char*>(packet.data());
    const std::size_t segments = packet.size() / 255 + 1; // the last one is shorter than 255
    std::size_t segment = 0;
    std::size_t offset = 0;
    while (segment < segments) {
        const std::size_t count = std::min<std::size_t>(255, segments - segment);
        std::vector<unsigned char> lacing(count, 255);
        const bool ends = segment + count == segments;
        if (ends)
            lacing.back() = static_cast<unsigned char>(packet.size() % 255);
        std::size_t bodySize = 0;
        for (unsigned char lace : lacing)
            bodySize += lace;
        const unsigned char flags = segment == 0 ? 0 : kContinued;
        std::string page(kPageHeaderSize, '\0');
        page.replace(0, 4, "OggS");
        page[5] = static_cast<char>(flags);
        const std::uint64_t granule = ends ? 0 : ~std::uint64_t(0);
        for (int i = 0; i < 8; ++i)
            page[6 + i] = static_cast<char>(granule >> (8 * i));
        for (int i = 0; i < 4; ++i) {
            page[14 + i] = static_cast<char>(serial >> (8 * i));
            page[18 + i] = static_cast<char>(sequence >> (8 * i));
        }
        page[26] = static_cast<char>(count);
        page.append(reinterpret_cast<const char*>(lacing.data()), lacing.size());
        page.append(reinterpret_cast<const char*>(data + offset), bodySize);
        sealPage(reinterpret_cast<unsigned char*>(page.data()), page.size());
        pages.push_back(std::move(page));
        ++sequence;
        offset += bodySize;
        segment += count;
    }
    return pages;
}

} // namespace velmora::opus

namespace velmora::opus {

namespace {

// The Ogg checksum is a CRC without initial value or final inversion, so it is
// linear: changing the sequence number changes the checksum by the checksum of
// a page of zeros that holds only the change. That costs a few operations per
// page instead of a pass over its bytes, and a damaged page stays exactly as
// damaged as it was.
constexpr std::uint32_t kPolynomial = 0x04c11db7u;

// a * b modulo the polynomial, bit 31 the highest power.
std::uint32_t multiply(std::uint32_t a, std::uint32_t b) {
    std::uint32_t r = 0;
    for (int i = 31; i >= 0; --i) {
        r = (r & 0x80000000u) ? (r << 1) ^ kPolynomial : r << 1;
        if ((b >> i) & 1)
            r ^= a;
    }
    return r;
}

// x to the power n, modulo the polynomial.
std::uint32_t powerOfX(std::uint64_t n) {
    std::uint32_t result = 1;
    std::uint32_t square = 2; // x
    for (; n; n >>= 1) {
        if (n & 1)
            result = multiply(result, square);
        square = multiply(square, square);
    }
    return result;
}

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

void putLe32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

void setSequence(unsigned char* page, std::size_t size, std::uint32_t sequence) {
    const std::uint32_t change = le32(page + 18) ^ sequence;
    // The changed bytes as a message, in page order, then the zeros after them.
    const std::uint32_t message = (change & 0xFF) << 24 | ((change >> 8) & 0xFF) << 16 |
                                  ((change >> 16) & 0xFF) << 8 | change >> 24;
    const std::uint32_t crcChange =
        multiply(multiply(message, kPolynomial), powerOfX(8 * std::uint64_t(size - 22)));
    putLe32(page + 18, sequence);
    putLe32(page + 22, le32(page + 22) ^ crcChange);
}

} // namespace

std::size_t PageRenumberer::process(unsigned char* data, std::size_t size, bool atEnd) {
    std::size_t at = 0;
    while (at < size) {
        std::size_t needed = 0;
        std::size_t pageSize = 0;
        switch (scanPage(data + at, size - at, needed, pageSize)) {
        case PageScan::Page:
            if (!ended_ && pageSerial(data + at) == serial_) {
                setSequence(data + at, pageSize, pageSequence(data + at) + shift_);
                ended_ = (pageFlags(data + at) & kEndOfStream) != 0;
            }
            at += pageSize;
            break;
        case PageScan::NeedMore:
            return atEnd ? size : at;
        case PageScan::NotPage: {
            // Bytes that are no page are passed on up to the next capture pattern.
            const void* next =
                size - at > 1 ? memmem(data + at + 1, size - at - 1, "OggS", 4) : nullptr;
            if (next) {
                at = static_cast<std::size_t>(static_cast<const unsigned char*>(next) - data);
            } else if (atEnd) {
                at = size;
            } else {
                // Keep the last three bytes: a capture pattern may start there.
                const std::size_t keep = std::min<std::size_t>(3, size - at - 1);
                return size - keep;
            }
            break;
        }
        }
    }
    return at;
}

} // namespace velmora::opus
