#include "tags/flac/OggFlacTags.h"

#include "tags/common/VorbisComments.h"
#include "tags/flac/FlacBlocks.h"
#include "tags/opus/OggHeaderPages.h"

namespace velmora::flac {

namespace {

const std::string kMagic("\x7F"
                         "FLAC",
                         5);

opus::ReadAt readerOf(const InputFile& file) {
    return [&file](std::uint64_t offset, void* out, std::size_t n) {
        return file.readAt(offset, out, n);
    };
}

[[noreturn]] void raiseRead(const std::string& path, const std::string& reason) {
    throw TagError("Cannot read the tags of \"" + expandPath(path) + "\": " + reason + ".");
}

} // namespace

bool looksLikeOggFlac(const InputFile& file) {
    return opus::firstPacketStartsWith(readerOf(file), file.size(), kMagic);
}

TagValues readOggFlacTags(const std::string& path) {
    const InputFile file(path);
    opus::HeaderPages pages;
    try {
        pages = opus::readHeaderPages(readerOf(file), file.size(), file.size(), false);
    } catch (const opus::FormatError& e) {
        raiseRead(path, e.what());
    }
    if (pages.identification.compare(0, kMagic.size(), kMagic) != 0)
        raiseRead(path, "The file is not an Ogg FLAC file");
    // The comment block, when present, is the second packet.
    const std::string& packet = pages.comments;
    if (packet.size() < kBlockHeaderSize || (packet[0] & 0x7F) != kVorbisComment)
        return {};
    vorbiscomment::CommentList list;
    std::size_t used = 0;
    if (!vorbiscomment::parseComments(std::string_view(packet).substr(kBlockHeaderSize), list,
                                      used))
        raiseRead(path, "The FLAC comment block is damaged");
    return vorbiscomment::valuesFromComments(list.comments);
}

} // namespace velmora::flac
