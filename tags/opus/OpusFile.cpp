// The file part of the Opus unit: reading the header pages and writing the
// new file.
#include "tags/opus/OpusTags.h"

#include "tags/common/CoverComments.h"
#include "tags/common/VorbisComments.h"
#include "tags/opus/CommentPacketReader.h"
#include "tags/opus/FieldComments.h"
#include "tags/opus/FileWindow.h"
#include "tags/opus/OggHeaderPages.h"

#include <cstring>
#include <functional>

namespace velmora::opus {

namespace vc = velmora::vorbiscomment;

namespace {

const std::string kIdentification = "OpusHead";
const std::string kCommentMagic = "OpusTags";

ReadAt readerOf(const InputFile& file) {
    return [&file](std::uint64_t offset, void* out, std::size_t n) {
        return file.readAt(offset, out, n);
    };
}

[[noreturn]] void raise(bool writing, const std::string& path, const std::string& reason) {
    throw TagError("Cannot " + std::string(writing ? "write" : "read") + " the tags of \"" +
                   expandPath(path) + "\": " + reason + ".");
}

// The header pages of an Opus file, or the reason why there are none.
HeaderPages headersOf(const InputFile& file, bool writing) {
    HeaderPages pages;
    try {
        pages = readHeaderPages(readerOf(file), file.size(), file.size(), writing);
    } catch (const FormatError& e) {
        raise(writing, file.path(), e.what());
    }
    if (pages.identification.compare(0, kIdentification.size(), kIdentification) != 0)
        raise(writing, file.path(), "The file is not an Opus file");
    if (pages.comments.compare(0, kCommentMagic.size(), kCommentMagic) != 0)
        raise(writing, file.path(), "The Opus comment header is missing");
    return pages;
}

// Copies the pages after the replaced ones, renumbering this stream's pages.
void copyRenumbered(const InputFile& file, std::uint64_t from, std::uint32_t serial,
                    std::uint32_t shift, ReplaceFile& out) {
    constexpr std::size_t kChunk = 1 << 20;
    PageRenumberer renumberer(serial, shift);
    std::string buffer;
    std::size_t kept = 0;
    std::uint64_t at = from;
    for (;;) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, file.size() - at));
        buffer.resize(kept + want);
        if (file.readAt(at, buffer.data() + kept, want) != want)
            raise(true, file.path(), "The file cannot be read");
        at += want;
        const bool atEnd = at == file.size();
        auto* data = reinterpret_cast<unsigned char*>(buffer.data());
        const std::size_t done = renumberer.process(data, buffer.size(), atEnd);
        out.write(buffer.data(), done);
        kept = buffer.size() - done;
        std::memmove(buffer.data(), buffer.data() + done, kept);
        if (atEnd)
            return;
    }
}

} // namespace

bool looksLikeOpus(const InputFile& file) {
    return firstPacketStartsWith(readerOf(file), file.size(), kIdentification);
}

namespace {

// The comment packet as a source for the shared scanner.
class PacketSource : public vc::CommentSource {
public:
    explicit PacketSource(CommentPacketReader& reader) : reader_(reader) {}
    bool read(char* to, std::size_t n) override { return reader_.read(to, n); }
    bool skip(std::uint64_t n) override { return reader_.skip(n); }
    std::uint64_t remaining() const override { return reader_.remainingBound(); }

private:
    CommentPacketReader& reader_;
};

} // namespace

// Reads the page headers and the comments that hold a field; a cover picture
// among the comments is passed over unread.
TagValues readTags(const std::string& path) {
    const InputFile file(path);
    FileWindow window(file);
    try {
        CommentPacketReader reader(window.reader(), file.size());
        if (reader.firstPacket().compare(0, kIdentification.size(), kIdentification) != 0)
            raise(false, path, "The file is not an Opus file");
        std::string magic(kCommentMagic.size(), '\0');
        if (!reader.read(magic.data(), magic.size()) || magic != kCommentMagic)
            raise(false, path, "The Opus comment header is missing");
        PacketSource source(reader);
        FieldComments comments;
        if (!vc::scanComments(source, comments))
            raise(false, path, "The Opus comment header is damaged");
        return vc::valuesFromComments(comments.views());
    } catch (const FormatError& e) {
        raise(false, path, e.what());
    }
}

namespace {

// Replaces the comment packet by one whose list `edit` makes from the old
// list; a packet equal to the old one leaves the file untouched.
using ListEdit = std::function<vc::EditedComments(const std::vector<std::string_view>&)>;

void rewriteComments(const std::string& path, const ListEdit& edit) {
    const InputFile file(path);
    const HeaderPages pages = headersOf(file, true);
    if (!pages.checksumsValid)
        raise(true, path, "The Opus header pages are damaged (wrong checksums)");
    if (!pages.commentPagesOwnPacket)
        raise(true, path, "The Opus comment header shares its pages with other packets");

    const std::string_view body = std::string_view(pages.comments).substr(kCommentMagic.size());
    vc::CommentList list;
    std::size_t used = 0;
    if (!vc::parseComments(body, list, used))
        raise(true, path, "The Opus comment header is damaged");
    const vc::EditedComments edited = edit(list.comments);
    std::string packet = kCommentMagic;
    vc::appendComments(packet, list.vendor, edited.comments);
    packet.append(body.substr(used)); // binary data after the comments stays
    if (packet == pages.comments)
        return;

    const std::vector<std::string> newPages = paginate(packet, pages.serial, pages.commentSequence);
    const PageRange& first = pages.commentPages.front();
    const PageRange& last = pages.commentPages.back();
    const std::uint64_t rest = last.offset + last.size;
    const auto shift = static_cast<std::uint32_t>(newPages.size() - pages.commentPages.size());

    ReplaceFile out(file);
    out.copyFrom(file, 0, first.offset);
    for (const std::string& page : newPages)
        out.write(page);
    for (const PageRange& other : pages.otherPages)
        out.copyFrom(file, other.offset, other.size);
    if (shift == 0)
        out.copyFrom(file, rest, file.size() - rest);
    else
        copyRenumbered(file, rest, pages.serial, shift, out);
    out.commit();
}

} // namespace

void writeTags(const std::string& path, const TagValues& values, FieldMask changed) {
    if (changed.empty())
        return;
    rewriteComments(path, [&](const std::vector<std::string_view>& comments) {
        return vc::applyEdits(comments, values, changed);
    });
}

std::optional<Picture> readFrontCover(const std::string& path) {
    const InputFile file(path);
    const HeaderPages pages = headersOf(file, false);
    const std::string_view body = std::string_view(pages.comments).substr(kCommentMagic.size());
    vc::CommentList list;
    std::size_t used = 0;
    bool damaged = false;
    std::optional<Picture> cover;
    if (vc::parseComments(body, list, used))
        cover = vc::frontCoverOf(list.comments, damaged);
    else
        damaged = true;
    if (damaged)
        raise(false, path, "The Opus comment header is damaged");
    return cover;
}

void writeFrontCover(const std::string& path, const Picture* cover) {
    rewriteComments(path, [&](const std::vector<std::string_view>& comments) {
        return vc::withFrontCover(comments, cover);
    });
}

} // namespace velmora::opus
