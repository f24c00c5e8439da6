// Feeds arbitrary bytes to the Ogg header page reader and the OpusTags parser,
// then paginates a new comment packet, renumbers the pages after it and checks
// that the result reads again with the comments written.
#include "fuzz/common/FuzzHarness.h"
#include "tags/opus/CommentPacketReader.h"
#include "tags/opus/FieldComments.h"
#include "tags/opus/OggHeaderPages.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

using namespace velmora;
using fuzz::memoryReader;
namespace vc = velmora::vorbiscomment;

namespace {

// The comment packet read on demand, as the reader does: its values, or
// nothing when it is damaged.
std::optional<TagValues> valuesReadOnDemand(const std::string& bytes) {
    struct Source : vc::CommentSource {
        opus::CommentPacketReader& reader;
        explicit Source(opus::CommentPacketReader& r) : reader(r) {}
        bool read(char* to, std::size_t n) override { return reader.read(to, n); }
        bool skip(std::uint64_t n) override { return reader.skip(n); }
        std::uint64_t remaining() const override { return reader.remainingBound(); }
    };
    try {
        opus::CommentPacketReader reader(memoryReader(bytes), bytes.size());
        char magic[8];
        if (!reader.read(magic, 8))
            return std::nullopt;
        Source source(reader);
        FieldComments comments;
        if (!vc::scanComments(source, comments))
            return std::nullopt;
        return vc::valuesFromComments(comments.views());
    } catch (const opus::FormatError&) {
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    opus::firstPacketStartsWith(memoryReader(bytes), bytes.size(), "OpusHead");
    if (!bytes.empty() && (bytes.back() & 1))
        fuzz::sealEveryPage(bytes);
    const std::optional<TagValues> onDemand = valuesReadOnDemand(bytes);
    opus::HeaderPages pages;
    try {
        pages = opus::readHeaderPages(memoryReader(bytes), bytes.size(), bytes.size(), true);
    } catch (const opus::FormatError&) {
        return 0;
    }
    vc::CommentList list;
    std::size_t used = 0;
    // Both readers see the same values when both can read the packet.
    if (pages.comments.size() >= 8 &&
        vc::parseComments(std::string_view(pages.comments).substr(8), list, used) && onDemand &&
        *onDemand != vc::valuesFromComments(list.comments))
        std::abort();
    if (pages.comments.size() < 8 ||
        !vc::parseComments(std::string_view(pages.comments).substr(8), list, used) ||
        !pages.checksumsValid || !pages.commentPagesOwnPacket)
        return 0;
    const std::string packet = "OpusTags" + fuzz::editedComments(list, size * 131 % 70000);

    const auto newPages = opus::paginate(packet, pages.serial, pages.commentSequence);
    const opus::PageRange& first = pages.commentPages.front();
    const opus::PageRange& last = pages.commentPages.back();
    std::string result = bytes.substr(0, first.offset);
    for (const std::string& page : newPages)
        result += page;
    for (const opus::PageRange& other : pages.otherPages)
        result += bytes.substr(other.offset, other.size);
    std::string rest = bytes.substr(last.offset + last.size);
    opus::PageRenumberer renumberer(pages.serial,
                                    std::uint32_t(newPages.size() - pages.commentPages.size()));
    // In two chunks, as the file layer may see them.
    auto* restData = reinterpret_cast<unsigned char*>(rest.data());
    const std::size_t done = renumberer.process(restData, rest.size() / 2, false);
    if (renumberer.process(restData + done, rest.size() - done, true) != rest.size() - done)
        std::abort();
    result += rest;

    const opus::HeaderPages again =
        opus::readHeaderPages(memoryReader(result), result.size(), result.size(), true);
    if (again.comments != packet || !again.checksumsValid ||
        !fuzz::holdsEditedGenre(std::string_view(again.comments).substr(8)))
        std::abort();
    return 0;
}
