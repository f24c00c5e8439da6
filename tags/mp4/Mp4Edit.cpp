#include "tags/mp4/Mp4Edit.h"

#include "tags/mp4/Mp4Fragments.h"
#include "tags/mp4/Mp4Items.h"

#include <algorithm>

namespace velmora::mp4 {

namespace {

// Unchanged bytes closer than this between two changes are rewritten with
// them, so the edit stays one write.
constexpr std::uint64_t kMergeGap = 64 * 1024;

void add(Pieces& out, Piece piece) {
    if (piece.size() == 0)
        return;
    if (piece.fromFile && !out.empty() && out.back().fromFile &&
        out.back().offset + out.back().length == piece.offset) {
        out.back().length += piece.length;
        return;
    }
    if (!piece.fromFile && !out.empty() && !out.back().fromFile) {
        out.back().bytes += piece.bytes;
        return;
    }
    out.push_back(std::move(piece));
}

void add(Pieces& out, const Pieces& more) {
    for (const Piece& p : more)
        add(out, p);
}

std::string header(FourCC type, std::uint64_t bodySize, bool large) {
    std::string out;
    if (large || bodySize + 8 > 0xFFFFFFFFu) {
        putBe32(out, 1);
        putBe32(out, type);
        putBe64(out, bodySize + 16);
    } else {
        putBe32(out, std::uint32_t(bodySize + 8));
        putBe32(out, type);
    }
    return out;
}

// A container around new content, keeping the form of its old header.
Pieces wrap(FourCC type, const Pieces& body, bool large = false) {
    Pieces out;
    add(out, Piece::text(header(type, totalSize(body), large)));
    add(out, body);
    return out;
}

Pieces paddedIlst(const Pieces& items) {
    Pieces out = wrap(fourcc("ilst"), items);
    add(out, Piece::text(header(fourcc("free"), kRebuildPadding - 8, false) +
                         std::string(kRebuildPadding - 8, '\0')));
    return out;
}

std::string newHandler() {
    std::string body(4 + 4, '\0'); // version and flags, pre-defined
    body += "mdirappl";
    body.append(8 + 1, '\0'); // reserved, empty name
    return renderAtom(fourcc("hdlr"), body);
}

Pieces newMeta(const Pieces& items) {
    Pieces body;
    add(body, Piece::text(std::string(4, '\0') + newHandler()));
    add(body, paddedIlst(items));
    return wrap(fourcc("meta"), body);
}

// The bytes of a container after its last child (a user data list's zero terminator).
Piece trailing(const Atom& container, const std::vector<Atom>& children, std::uint64_t start) {
    const std::uint64_t last = children.empty() ? start : children.back().end();
    return Piece::copy(last, container.end() - last);
}

Pieces rebuiltMeta(const TagLayout& layout, const Pieces& items) {
    const Atom& meta = *layout.meta;
    Pieces body;
    add(body, Piece::copy(meta.body(), layout.metaPrefix));
    if (!findAtom(layout.metaChildren, fourcc("hdlr")))
        add(body, Piece::text(newHandler()));
    for (const Atom& child : layout.metaChildren) {
        if (layout.ilst && child.offset == layout.ilst->offset)
            add(body, paddedIlst(items));
        else if (!(layout.freeAfterIlst && child.offset == layout.freeAfterIlst->offset))
            add(body, Piece::copy(child.offset, child.size));
    }
    if (!layout.ilst)
        add(body, paddedIlst(items));
    add(body, trailing(meta, layout.metaChildren, meta.body() + layout.metaPrefix));
    return wrap(fourcc("meta"), body, meta.header == 16);
}

Pieces rebuiltUdta(const TagLayout& layout, const Pieces& items) {
    if (!layout.udta)
        return wrap(fourcc("udta"), newMeta(items));
    Pieces body;
    for (const Atom& child : layout.udtaChildren) {
        if (layout.meta && child.offset == layout.meta->offset)
            add(body, rebuiltMeta(layout, items));
        else
            add(body, Piece::copy(child.offset, child.size));
    }
    if (!layout.meta)
        add(body, newMeta(items));
    add(body, trailing(*layout.udta, layout.udtaChildren, layout.udta->body()));
    return wrap(fourcc("udta"), body, layout.udta->header == 16);
}

// Moves the chunk offsets of a track that point at or past `from` by `delta`.
void shiftChunkOffsets(std::string& trak, std::uint64_t from, std::int64_t delta) {
    const MemorySource src(trak);
    const auto childrenOf = [&](const Atom* a) {
        return a ? listAtoms(src, a->body(), a->end()) : std::vector<Atom>{};
    };
    const std::vector<Atom> top = listAtoms(src, 0, trak.size());
    const std::vector<Atom> trakChildren = childrenOf(top.empty() ? nullptr : &top.front());
    const std::vector<Atom> mdia = childrenOf(findAtom(trakChildren, fourcc("mdia")));
    const std::vector<Atom> minf = childrenOf(findAtom(mdia, fourcc("minf")));
    const std::vector<Atom> stbl = childrenOf(findAtom(minf, fourcc("stbl")));
    for (const Atom& table : stbl) {
        const bool wide = table.type == fourcc("co64");
        if (table.type != fourcc("stco") && !wide)
            continue;
        if (table.bodySize() < 8)
            throw ParseError("a chunk offset table too small for its header");
        const std::uint64_t count = be32(trak.data() + table.body() + 4);
        const std::uint64_t width = wide ? 8 : 4;
        if (count > (table.bodySize() - 8) / width)
            throw ParseError("a chunk offset table with more entries than it holds");
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::size_t at = table.body() + 8 + i * width;
            const std::uint64_t old = wide ? be64(trak.data() + at) : be32(trak.data() + at);
            if (old < from)
                continue;
            const std::uint64_t moved = old + static_cast<std::uint64_t>(delta);
            if (wide) {
                setBe64(trak, at, moved);
            } else {
                if (moved > 0xFFFFFFFFu)
                    throw ParseError("the chunk offsets would pass 4 GiB");
                setBe32(trak, at, std::uint32_t(moved));
            }
        }
    }
}

// A piece of the rewritten region and whether it differs from the bytes there.
struct RegionPiece {
    Piece piece;
    bool changed;
};

// The in-place overwrites that write the changed pieces of a region starting
// at `start`; unchanged bytes between two close changes are rewritten with them.
std::vector<Patch> patchesFor(std::uint64_t start, const std::vector<RegionPiece>& region) {
    std::vector<Patch> patches;
    std::uint64_t at = start;
    for (const RegionPiece& part : region) {
        if (part.changed) {
            if (patches.empty()) {
                patches.push_back(Patch{at, {}});
            } else {
                Patch& last = patches.back();
                const std::uint64_t lastEnd = last.offset + totalSize(last.pieces);
                if (at - lastEnd < kMergeGap)
                    add(last.pieces, Piece::copy(lastEnd, at - lastEnd));
                else
                    patches.push_back(Patch{at, {}});
            }
            add(patches.back().pieces, part.piece);
        }
        at += part.piece.size();
    }
    return patches;
}

// The new ilst in the space of the old one and the free atom after it; what
// is left becomes a free atom.
std::optional<EditPlan> planInPlace(const TagLayout& layout, const Pieces& items) {
    if (!layout.ilst)
        return std::nullopt;
    const Atom& ilst = *layout.ilst;
    const std::optional<Atom>& free = layout.freeAfterIlst;
    const std::uint64_t room = ilst.size + (free ? free->size : 0);
    const std::uint64_t used = 8 + totalSize(items);
    const std::uint64_t left = room - std::min(room, used);
    if (used > room || (left != 0 && left < 8) || left > 0xFFFFFFFFu)
        return std::nullopt;

    std::vector<RegionPiece> region;
    region.push_back({Piece::text(header(fourcc("ilst"), used - 8, false)),
                      used != ilst.size || ilst.header != 8});
    std::uint64_t at = ilst.offset + 8;
    for (const Piece& item : items) {
        region.push_back({item, !item.fromFile || item.offset != at});
        at += item.size();
    }
    if (left != 0) {
        const bool same = free && free->offset == at && free->size == left && free->header == 8;
        region.push_back({Piece::text(header(fourcc("free"), left - 8, false)), !same});
    }
    EditPlan plan;
    plan.inPlace = true;
    plan.patches = patchesFor(ilst.offset, region);
    return plan;
}

} // namespace

std::uint64_t totalSize(const Pieces& pieces) {
    std::uint64_t n = 0;
    for (const Piece& p : pieces)
        n += p.size();
    return n;
}

Pieces editItems(const TagLayout& layout, const TagValues& values, FieldMask changed) {
    Pieces out;
    bool placed[FieldCount] = {};
    const auto place = [&](Field field) {
        const int index = static_cast<int>(field);
        if (placed[index])
            return;
        placed[index] = true;
        if (!values[field].empty())
            add(out, Piece::text(renderItem(field, values[field])));
    };
    for (const Atom& item : layout.items) {
        const std::optional<Field> field = fieldOf(item.type);
        if (field && changed.has(*field))
            place(*field); // the old item goes; the new one takes its place
        else
            add(out, Piece::copy(item.offset, item.size));
    }
    for (int i = 0; i < FieldCount; ++i)
        if (changed.has(static_cast<Field>(i)))
            place(static_cast<Field>(i));
    return out;
}

EditPlan planEdit(const ByteSource& src, const TagLayout& layout, const TagValues& values,
                  FieldMask changed) {
    return planItemsEdit(src, layout, editItems(layout, values, changed));
}

EditPlan planItemsEdit(const ByteSource& src, const TagLayout& layout, const Pieces& items) {
    if (auto plan = planInPlace(layout, items))
        return std::move(*plan);
    // The new movie atom: the user data rebuilt, everything else copied, the
    // tracks' chunk offsets (and the fragments' offsets) moved by the change
    // in size where the media data follows the movie atom.
    const Atom& moov = layout.moov;
    const Pieces udta = rebuiltUdta(layout, items);
    std::uint64_t otherSize = 0;
    for (const Atom& child : layout.moovChildren)
        if (!(layout.udta && child.offset == layout.udta->offset))
            otherSize += child.size;
    const std::uint64_t trailer =
        moov.end() - (layout.moovChildren.empty() ? moov.body() : layout.moovChildren.back().end());
    const std::uint64_t newBody = otherSize + totalSize(udta) + trailer;
    const std::uint64_t newSize =
        newBody + (moov.header == 16 || newBody + 8 > 0xFFFFFFFFu ? 16 : 8);
    const auto delta = static_cast<std::int64_t>(newSize - moov.size);
    const bool dataFollows = moov.end() < src.size();

    Pieces body;
    for (const Atom& child : layout.moovChildren) {
        if (layout.udta && child.offset == layout.udta->offset) {
            add(body, udta);
        } else if (child.type == fourcc("trak") && delta != 0 && dataFollows) {
            std::string trak = src.bytes(child.offset, child.size);
            shiftChunkOffsets(trak, moov.end(), delta);
            add(body, Piece::text(std::move(trak)));
        } else {
            add(body, Piece::copy(child.offset, child.size));
        }
    }
    if (!layout.udta)
        add(body, udta);
    add(body, trailing(moov, layout.moovChildren, moov.body()));

    EditPlan plan;
    for (const Atom& atom : layout.top) {
        if (atom.offset == moov.offset)
            add(plan.file, wrap(fourcc("moov"), body, moov.header == 16));
        else if (delta != 0 && atom.offset > moov.offset && holdsFragmentOffsets(atom.type))
            add(plan.file, Piece::text(shiftFragmentOffsets(src, atom, moov.end(), delta)));
        else
            add(plan.file, Piece::copy(atom.offset, atom.size));
    }
    return plan;
}

} // namespace velmora::mp4
