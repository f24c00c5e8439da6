#include "tags/mp4/Mp4Atoms.h"

#include <cstring>

namespace velmora::mp4 {

std::string ByteSource::bytes(std::uint64_t offset, std::uint64_t n) const {
    if (offset > size() || n > size() - offset)
        throw ParseError("data reaches past the end of the file");
    std::string out(static_cast<std::size_t>(n), '\0');
    if (n != 0 && !read(offset, out.data(), out.size()))
        throw ParseError("the file cannot be read");
    return out;
}

bool MemorySource::read(std::uint64_t offset, void* buffer, std::size_t n) const {
    if (offset > bytes_.size() || n > bytes_.size() - offset)
        return false;
    std::memcpy(buffer, bytes_.data() + offset, n);
    return true;
}

std::string typeName(FourCC type) {
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = static_cast<unsigned char>(type >> shift);
        if (c == 0xA9)
            out += "(c)";
        else
            out += (c >= 32 && c < 127) ? static_cast<char>(c) : '?';
    }
    return out;
}

std::vector<Atom> listAtoms(const ByteSource& src, std::uint64_t begin, std::uint64_t end,
                            ListOptions options) {
    std::vector<Atom> atoms;
    std::uint64_t at = begin;
    while (at < end) {
        const auto fail = [&](const std::string& why) -> std::vector<Atom> {
            if (options.topLevel && options.lenient)
                return atoms;
            throw ParseError(why + " at offset " + std::to_string(at));
        };
        if (end - at < 8) {
            // A user data list may end with four zero bytes.
            unsigned char tail[4];
            if (!options.topLevel && end - at == 4 && src.read(at, tail, 4) && be32(tail) == 0)
                break;
            return fail("a partial atom header");
        }
        if (atoms.size() >= kMaxChildren)
            return fail("too many atoms in one container");
        unsigned char head[16];
        if (!src.read(at, head, 8))
            return fail("a header past the end of the file");
        Atom atom;
        atom.offset = at;
        atom.type = be32(head + 4);
        atom.size = be32(head);
        if (atom.size == 1) {
            if (end - at < 16 || !src.read(at + 8, head + 8, 8))
                return fail("a partial 64-bit atom header");
            atom.header = 16;
            atom.size = be64(head + 8);
        } else if (atom.size == 0) {
            if (!options.topLevel)
                return fail("an atom of size zero");
            atom.size = end - at; // the last atom of the file runs to its end
        }
        if (atom.size < atom.header)
            return fail("an atom smaller than its header");
        if (atom.size > end - at)
            return fail("atom '" + typeName(atom.type) + "' reaching past its container");
        atoms.push_back(atom);
        at = atom.end();
        if (options.stopAfter != 0 && atom.type == options.stopAfter)
            break;
    }
    return atoms;
}

const Atom* findAtom(const std::vector<Atom>& atoms, FourCC type) {
    for (const Atom& a : atoms)
        if (a.type == type)
            return &a;
    return nullptr;
}

void putBe32(std::string& out, std::uint32_t v) {
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    out.append(b, 4);
}

void putBe64(std::string& out, std::uint64_t v) {
    putBe32(out, std::uint32_t(v >> 32));
    putBe32(out, std::uint32_t(v));
}

void setBe32(std::string& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = char(v >> (24 - 8 * i));
}

void setBe64(std::string& out, std::size_t at, std::uint64_t v) {
    setBe32(out, at, std::uint32_t(v >> 32));
    setBe32(out, at + 4, std::uint32_t(v));
}

std::string renderAtom(FourCC type, std::string_view body) {
    std::string out;
    const std::uint64_t size = body.size() + 8;
    if (size > 0xFFFFFFFFu) {
        putBe32(out, 1);
        putBe32(out, type);
        putBe64(out, size + 8);
    } else {
        putBe32(out, std::uint32_t(size));
        putBe32(out, type);
    }
    out.append(body);
    return out;
}

} // namespace velmora::mp4
