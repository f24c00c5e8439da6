#include "tags/mp4/Mp4Covers.h"

namespace velmora::mp4 {

namespace {

constexpr std::uint32_t kJpegType = 13;
constexpr std::uint32_t kPngType = 14;
// A data atom's header, type and locale come before the image.
constexpr std::uint64_t kDataPrefix = 8;

// The data atoms of a `covr` item.
std::vector<Atom> imagesOf(const ByteSource& src, const Atom& covr) {
    std::vector<Atom> images;
    for (const Atom& atom : listAtoms(src, covr.body(), covr.end()))
        if (atom.type == fourcc("data"))
            images.push_back(atom);
    return images;
}

std::string renderImage(const Picture& cover) {
    std::string body;
    putBe32(body, cover.mime == "image/png" ? kPngType : kJpegType);
    putBe32(body, 0); // locale
    if (cover.data)
        body += *cover.data;
    return renderAtom(fourcc("data"), body);
}

} // namespace

std::optional<Picture> frontCoverOf(const ByteSource& src, const std::vector<Atom>& items) {
    const Atom* covr = findAtom(items, fourcc("covr"));
    if (!covr)
        return std::nullopt;
    const std::vector<Atom> images = imagesOf(src, *covr);
    if (images.empty())
        return std::nullopt;
    const Atom& image = images.front();
    if (image.bodySize() < kDataPrefix)
        throw ParseError("The cover item is damaged");
    const std::string prefix = src.bytes(image.body(), 4);
    const std::uint32_t type = be32(prefix.data()) & 0xFFFFFF;
    auto data = std::make_shared<const std::string>(
        src.bytes(image.body() + kDataPrefix, image.bodySize() - kDataPrefix));
    std::string mime(imageMimeOf(*data));
    if (mime.empty())
        mime = type == kPngType ? "image/png" : type == kJpegType ? "image/jpeg" : "image/bmp";
    return Picture{std::move(mime), kFrontCover, {}, std::move(data)};
}

std::optional<Pieces> itemsWithFrontCover(const ByteSource& src, const std::vector<Atom>& items,
                                          const Picture* cover) {
    Pieces out;
    bool done = false;
    for (const Atom& item : items) {
        if (done || item.type != fourcc("covr")) {
            out.push_back(Piece::copy(item.offset, item.size));
            continue;
        }
        done = true;
        const std::vector<Atom> images = imagesOf(src, item);
        if (!cover && images.empty())
            return std::nullopt;
        // The item anew: the new image first, the other children as they were.
        std::string body = cover ? renderImage(*cover) : std::string();
        bool first = true;
        for (const Atom& child : listAtoms(src, item.body(), item.end())) {
            if (first && child.type == fourcc("data")) {
                first = false;
                continue;
            }
            body += src.bytes(child.offset, child.size);
        }
        if (!cover && body.empty())
            continue; // the item held only the removed image
        out.push_back(Piece::text(renderAtom(fourcc("covr"), body)));
    }
    if (!done) {
        if (!cover)
            return std::nullopt;
        out.push_back(Piece::text(renderAtom(fourcc("covr"), renderImage(*cover))));
    }
    return out;
}

} // namespace velmora::mp4
