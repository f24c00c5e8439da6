#include "tags/mp4/Mp4Layout.h"

namespace velmora::mp4 {

namespace {

// Whether meta's children start right after its header (old QuickTime form)
// rather than after a version and flags word.
std::uint32_t metaPrefixOf(const ByteSource& src, const Atom& meta) {
    unsigned char head[8];
    if (meta.bodySize() >= 8 && src.read(meta.body(), head, 8) && be32(head + 4) == fourcc("hdlr"))
        return 0;
    return 4;
}

// The handler type a meta atom declares (0 when it has no hdlr).
FourCC handlerOf(const ByteSource& src, const std::vector<Atom>& children) {
    const Atom* hdlr = findAtom(children, fourcc("hdlr"));
    unsigned char type[4];
    if (!hdlr || hdlr->bodySize() < 12 || !src.read(hdlr->body() + 8, type, 4))
        return 0;
    return be32(type);
}

} // namespace

TagLayout locateTag(const ByteSource& src, Scan scan) {
    TagLayout layout;
    ListOptions top;
    top.topLevel = true;
    top.lenient = scan == Scan::ForRead;
    top.stopAfter = scan == Scan::ForRead ? fourcc("moov") : 0;
    layout.top = listAtoms(src, 0, src.size(), top);
    if (layout.top.empty() ||
        (layout.top.front().type != fourcc("ftyp") && layout.top.front().type != fourcc("moov") &&
         layout.top.front().type != fourcc("free") && layout.top.front().type != fourcc("mdat")))
        throw ParseError("it is not an MP4 file");
    const Atom* moov = findAtom(layout.top, fourcc("moov"));
    if (!moov)
        throw ParseError("it has no movie atom ('moov')");
    layout.moov = *moov;
    layout.moovChildren = listAtoms(src, moov->body(), moov->end());
    layout.fragmented = findAtom(layout.moovChildren, fourcc("mvex")) != nullptr ||
                        findAtom(layout.top, fourcc("moof")) != nullptr;

    const Atom* udta = findAtom(layout.moovChildren, fourcc("udta"));
    if (!udta)
        return layout;
    layout.udta = *udta;
    layout.udtaChildren = listAtoms(src, udta->body(), udta->end());

    // The iTunes tag is the meta atom whose handler is 'mdir'; a meta atom
    // without a handler is taken when there is no such one.
    for (const Atom& child : layout.udtaChildren) {
        if (child.type != fourcc("meta"))
            continue;
        const std::uint32_t prefix = metaPrefixOf(src, child);
        if (child.bodySize() < prefix)
            throw ParseError("a meta atom too small for its header");
        std::vector<Atom> children = listAtoms(src, child.body() + prefix, child.end());
        const FourCC handler = handlerOf(src, children);
        if (handler != fourcc("mdir") && (handler != 0 || layout.meta))
            continue;
        layout.meta = child;
        layout.metaPrefix = prefix;
        layout.metaChildren = std::move(children);
        if (handler == fourcc("mdir"))
            break;
    }
    if (!layout.meta)
        return layout;
    for (std::size_t i = 0; i < layout.metaChildren.size(); ++i) {
        if (layout.metaChildren[i].type != fourcc("ilst"))
            continue;
        layout.ilst = layout.metaChildren[i];
        if (i + 1 < layout.metaChildren.size() && layout.metaChildren[i + 1].type == fourcc("free"))
            layout.freeAfterIlst = layout.metaChildren[i + 1];
        layout.items = listAtoms(src, layout.ilst->body(), layout.ilst->end());
        break;
    }
    return layout;
}

} // namespace velmora::mp4
