// The cover part of the FLAC unit: PICTURE blocks.
#include "tags/flac/FlacTags.h"

#include "tags/flac/FlacBlocks.h"
#include "tags/opus/FileWindow.h"

namespace velmora::flac {

namespace {

[[noreturn]] void raise(bool writing, const std::string& path, const std::string& reason) {
    throw TagError("Cannot " + std::string(writing ? "write" : "read") + " the cover of \"" +
                   expandPath(path) + "\": " + reason + ".");
}

Layout layoutOf(FileWindow& window, bool writing) {
    try {
        return readLayout(window.reader(), window.file().size());
    } catch (const FormatError& e) {
        raise(writing, window.file().path(), e.what());
    }
}

std::optional<std::uint8_t> pictureType(FileWindow& window, const Block& block) {
    return pictureblock::typeOf(
        window.range(block.bodyOffset(), std::min<std::uint32_t>(4, block.length)));
}

} // namespace

std::optional<Picture> readFrontCover(const std::string& path) {
    const InputFile file(path);
    FileWindow window(file);
    const Layout layout = layoutOf(window, false);
    const Block* chosen = nullptr;
    for (const Block& block : layout.blocks) {
        if (block.type != kPicture)
            continue;
        if (pictureType(window, block) == kFrontCover) {
            chosen = &block;
            break;
        }
        if (!chosen)
            chosen = &block;
    }
    if (!chosen)
        return std::nullopt;
    const std::string body = window.range(chosen->bodyOffset(), chosen->length);
    if (body.size() != chosen->length)
        raise(false, path, "The file cannot be read");
    std::optional<Picture> picture = pictureblock::parse(body);
    if (!picture)
        raise(false, path, "The FLAC picture block is damaged");
    return picture;
}

void writeFrontCover(const std::string& path, const Picture* cover) {
    const InputFile file(path);
    FileWindow window(file);
    const Layout layout = layoutOf(window, true);
    const std::string newBody = cover ? pictureblock::render(*cover) : std::string();
    if (newBody.size() > kMaxBlockLength)
        raise(true, path, "The picture is too large for a FLAC picture block");

    // The blocks of the new file: an index into the old ones, or -1 for the new picture.
    std::vector<int> order;
    bool placed = false, removed = false;
    for (std::size_t i = 0; i < layout.blocks.size(); ++i) {
        const Block& block = layout.blocks[i];
        if (block.type == kPicture && pictureType(window, block) == kFrontCover) {
            removed = true;
            if (cover && !placed) {
                order.push_back(-1);
                placed = true;
            }
            continue;
        }
        if (cover && !placed && block.type == kPadding && i > 0) {
            order.push_back(-1);
            placed = true;
        }
        order.push_back(static_cast<int>(i));
    }
    if (cover && !placed)
        order.push_back(-1);
    if (!cover && !removed)
        return; // no front cover to remove

    ReplaceFile out(file);
    out.copyFrom(file, 0, layout.streamOffset + 4); // leading ID3v2 tags and "fLaC"
    for (std::size_t i = 0; i < order.size(); ++i) {
        const bool last = i + 1 == order.size();
        if (order[i] < 0) {
            out.write(
                renderBlockHeader(kPicture, last, static_cast<std::uint32_t>(newBody.size())));
            out.write(newBody);
            continue;
        }
        const Block& block = layout.blocks[static_cast<std::size_t>(order[i])];
        out.write(renderBlockHeader(block.type, last, block.length));
        out.copyFrom(file, block.bodyOffset(), block.length);
    }
    out.copyFrom(file, layout.audioOffset, file.size() - layout.audioOffset);
    out.commit();
}

} // namespace velmora::flac
