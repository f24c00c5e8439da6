#include "tags/mp4/Mp4Fragments.h"

namespace velmora::mp4 {

namespace {

constexpr std::uint32_t kBaseDataOffsetPresent = 0x000001;

void shift64(std::string& bytes, std::size_t at, std::uint64_t from, std::int64_t delta) {
    const std::uint64_t old = be64(bytes.data() + at);
    if (old >= from)
        setBe64(bytes, at, old + static_cast<std::uint64_t>(delta));
}

void shift32(std::string& bytes, std::size_t at, std::uint64_t from, std::int64_t delta) {
    const std::uint64_t old = be32(bytes.data() + at);
    if (old < from)
        return;
    const std::uint64_t moved = old + static_cast<std::uint64_t>(delta);
    if (moved > 0xFFFFFFFFu)
        throw ParseError("a fragment offset would pass 4 GiB");
    setBe32(bytes, at, std::uint32_t(moved));
}

void shiftTrackFragments(std::string& moof, std::uint64_t from, std::int64_t delta) {
    const MemorySource src(moof);
    const Atom whole = listAtoms(src, 0, moof.size()).front();
    for (const Atom& traf : listAtoms(src, whole.body(), whole.end())) {
        if (traf.type != fourcc("traf"))
            continue;
        for (const Atom& tfhd : listAtoms(src, traf.body(), traf.end())) {
            if (tfhd.type != fourcc("tfhd"))
                continue;
            if (tfhd.bodySize() < 8)
                throw ParseError("a track fragment header too small for its fields");
            const std::uint32_t flags = be32(moof.data() + tfhd.body()) & 0xFFFFFF;
            if (!(flags & kBaseDataOffsetPresent))
                continue;
            if (tfhd.bodySize() < 16)
                throw ParseError("a track fragment header too small for its base offset");
            shift64(moof, tfhd.body() + 8, from, delta);
        }
    }
}

void shiftRandomAccess(std::string& mfra, std::uint64_t from, std::int64_t delta) {
    const MemorySource src(mfra);
    const Atom whole = listAtoms(src, 0, mfra.size()).front();
    for (const Atom& tfra : listAtoms(src, whole.body(), whole.end())) {
        if (tfra.type != fourcc("tfra"))
            continue;
        if (tfra.bodySize() < 16)
            throw ParseError("a fragment index too small for its header");
        const char* body = mfra.data() + tfra.body();
        const bool wide = static_cast<std::uint8_t>(body[0]) == 1;
        const std::uint32_t sizes = be32(body + 8);
        const std::uint64_t count = be32(body + 12);
        const std::uint64_t timeAndOffset = wide ? 16 : 8;
        const std::uint64_t entry =
            timeAndOffset + ((sizes >> 4) & 3) + 1 + ((sizes >> 2) & 3) + 1 + (sizes & 3) + 1;
        if (count > (tfra.bodySize() - 16) / entry)
            throw ParseError("a fragment index with more entries than it holds");
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::size_t at = tfra.body() + 16 + i * entry + timeAndOffset / 2;
            if (wide)
                shift64(mfra, at, from, delta);
            else
                shift32(mfra, at, from, delta);
        }
    }
}

} // namespace

bool holdsFragmentOffsets(FourCC type) {
    return type == fourcc("moof") || type == fourcc("mfra");
}

std::string shiftFragmentOffsets(const ByteSource& src, const Atom& atom, std::uint64_t from,
                                 std::int64_t delta) {
    std::string bytes = src.bytes(atom.offset, atom.size);
    if (atom.type == fourcc("moof"))
        shiftTrackFragments(bytes, from, delta);
    else if (atom.type == fourcc("mfra"))
        shiftRandomAccess(bytes, from, delta);
    return bytes;
}

} // namespace velmora::mp4
