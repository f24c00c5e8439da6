#include "tags/mp4/Mp4Tags.h"

#include "tags/mp4/Mp4Covers.h"
#include "tags/mp4/Mp4Edit.h"
#include "tags/mp4/Mp4FileSource.h"
#include "tags/mp4/Mp4Items.h"

#include <algorithm>

namespace velmora::mp4 {

namespace {

// Bytes copied between two progress reports.
constexpr std::uint64_t kProgressStep = 8u << 20;

[[noreturn]] void raise(const std::string& path, const std::string& what, const std::string& why) {
    throw TagError("Cannot " + what + " the tag of \"" + expandPath(path) + "\": " + why + ".");
}

std::string assemble(const InputFile& in, const Pieces& pieces) {
    std::string out;
    out.reserve(static_cast<std::size_t>(totalSize(pieces)));
    const FileSource src(in);
    for (const Piece& p : pieces)
        out += p.fromFile ? src.bytes(p.offset, p.length) : p.bytes;
    return out;
}

void writePatches(const InputFile& in, const std::vector<Patch>& patches) {
    // Every patch is read before anything is written: a patch may move bytes
    // that another one overwrites.
    std::vector<std::string> bytes;
    for (const Patch& patch : patches)
        bytes.push_back(assemble(in, patch.pieces));
    for (std::size_t i = 0; i < patches.size(); ++i)
        writeInPlace(in.path(), patches[i].offset, bytes[i].data(), bytes[i].size(),
                     InPlaceFlush::LeaveToSystem);
}

void rebuild(const InputFile& in, const Pieces& pieces, const Progress& progress) {
    ReplaceFile out(in.path());
    const std::uint64_t total = totalSize(pieces);
    std::uint64_t done = 0;
    for (const Piece& p : pieces) {
        if (!p.fromFile) {
            out.write(p.bytes);
            done += p.bytes.size();
            continue;
        }
        for (std::uint64_t at = 0; at < p.length;) {
            const std::uint64_t n = std::min(kProgressStep, p.length - at);
            out.copyFrom(in, p.offset + at, n);
            at += n;
            done += n;
            if (progress)
                progress(done, total);
        }
    }
    out.commit();
    if (progress)
        progress(total, total);
}

} // namespace

TagValues readTags(const std::string& path) {
    const InputFile in(path);
    const FileSource src(in);
    try {
        const TagLayout layout = locateTag(src, Scan::ForRead);
        return decodeItems(src, layout.items);
    } catch (const ParseError& e) {
        raise(path, "read", e.what());
    }
}

void writeTags(const std::string& path, const TagValues& values, FieldMask changed) {
    writeTags(path, values, changed, Progress());
}

void writeTags(const std::string& path, const TagValues& values, FieldMask changed,
               const Progress& progress) {
    if (changed.empty())
        return;
    const InputFile in(path);
    EditPlan plan;
    try {
        const FileSource src(in);
        const TagLayout layout = locateTag(src, Scan::ForWrite);
        plan = planEdit(src, layout, values, changed);
        if (plan.inPlace)
            writePatches(in, plan.patches);
    } catch (const ParseError& e) {
        raise(path, "write", e.what());
    }
    if (!plan.inPlace)
        rebuild(in, plan.file, progress);
}

std::optional<Picture> readFrontCover(const std::string& path) {
    const InputFile in(path);
    const FileSource src(in);
    try {
        const TagLayout layout = locateTag(src, Scan::ForRead);
        return frontCoverOf(src, layout.items);
    } catch (const ParseError& e) {
        raise(path, "read", e.what());
    }
}

void writeFrontCover(const std::string& path, const Picture* cover) {
    const InputFile in(path);
    EditPlan plan;
    try {
        const FileSource src(in);
        const TagLayout layout = locateTag(src, Scan::ForWrite);
        const std::optional<Pieces> items = itemsWithFrontCover(src, layout.items, cover);
        if (!items)
            return; // no cover to remove
        plan = planItemsEdit(src, layout, *items);
        if (plan.inPlace)
            writePatches(in, plan.patches);
    } catch (const ParseError& e) {
        raise(path, "write", e.what());
    }
    if (!plan.inPlace)
        rebuild(in, plan.file, Progress());
}

bool looksLikeMp4(const void* head, std::size_t n) {
    const auto* b = static_cast<const unsigned char*>(head);
    return n >= 8 && be32(b + 4) == fourcc("ftyp") && be32(b) >= 8;
}

} // namespace velmora::mp4
