#include "VorbisFixture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ogg/ogg.h>
#include <stdexcept>
#include <vorbis/vorbisenc.h>

namespace fixture {

namespace {

void appendPage(std::string& out, const ogg_page& og) {
    out.append(reinterpret_cast<const char*>(og.header), static_cast<std::size_t>(og.header_len));
    out.append(reinterpret_cast<const char*>(og.body), static_cast<std::size_t>(og.body_len));
}

std::uint32_t le32(const std::string& s, std::size_t at) {
    if (at + 4 > s.size())
        throw std::runtime_error("comment header too short");
    return std::uint32_t(static_cast<unsigned char>(s[at])) |
           std::uint32_t(static_cast<unsigned char>(s[at + 1])) << 8 |
           std::uint32_t(static_cast<unsigned char>(s[at + 2])) << 16 |
           std::uint32_t(static_cast<unsigned char>(s[at + 3])) << 24;
}

} // namespace

std::string makeVorbis(const VorbisOptions& options) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, options.channels, options.rate, 0.0f) != 0)
        throw std::runtime_error("vorbis_encode_init_vbr failed");
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, options.serial);

    // The comment structure points at the caller's bytes, so any byte (NUL
    // included) can be stored; libvorbis only reads it.
    std::vector<char*> texts;
    std::vector<int> lengths;
    for (const std::string& c : options.comments) {
        texts.push_back(const_cast<char*>(c.data()));
        lengths.push_back(static_cast<int>(c.size()));
    }
    vorbis_comment vc{};
    vc.user_comments = texts.empty() ? nullptr : texts.data();
    vc.comment_lengths = lengths.empty() ? nullptr : lengths.data();
    vc.comments = static_cast<int>(texts.size());

    std::string out;
    ogg_packet header, comment, setup;
    vorbis_analysis_headerout(&vd, &vc, &header, &comment, &setup);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comment);
    ogg_stream_packetin(&os, &setup);
    ogg_page og;
    if (options.headersOnOwnPages) {
        while (ogg_stream_flush(&os, &og))
            appendPage(out, og);
    }

    const long total = static_cast<long>(options.seconds * options.rate);
    long done = 0;
    bool finished = false;
    while (!finished) {
        const long chunk = std::min<long>(1024, total - done);
        if (chunk > 0) {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(chunk));
            for (long i = 0; i < chunk; ++i) {
                const double t = double(done + i) / options.rate;
                for (int c = 0; c < options.channels; ++c)
                    buffer[c][i] =
                        static_cast<float>(0.4 * std::sin(2 * M_PI * (440 + 110 * c) * t));
            }
            vorbis_analysis_wrote(&vd, static_cast<int>(chunk));
            done += chunk;
        } else {
            vorbis_analysis_wrote(&vd, 0);
            finished = true;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og))
                    appendPage(out, og);
            }
        }
    }
    while (ogg_stream_flush(&os, &og))
        appendPage(out, og);

    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_info_clear(&vi);
    return out;
}

std::string pageUp(const std::vector<std::string>& packets, int serial) {
    ogg_stream_state os;
    ogg_stream_init(&os, serial);
    std::string out;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        ogg_packet op{};
        op.packet = reinterpret_cast<unsigned char*>(const_cast<char*>(packets[i].data()));
        op.bytes = static_cast<long>(packets[i].size());
        op.b_o_s = i == 0;
        op.e_o_s = i + 1 == packets.size();
        op.granulepos = 0;
        op.packetno = static_cast<ogg_int64_t>(i);
        ogg_stream_packetin(&os, &op);
        ogg_page og;
        while (ogg_stream_flush(&os, &og))
            appendPage(out, og);
    }
    ogg_stream_clear(&os);
    return out;
}

std::string pictureComment(std::size_t size) {
    auto be32 = [](std::string& out, std::uint32_t v) {
        for (int i = 3; i >= 0; --i)
            out += static_cast<char>(v >> (8 * i));
    };
    std::string block;
    be32(block, 3); // front cover
    be32(block, 10);
    block += "image/jpeg";
    be32(block, 5);
    block += "cover";
    for (std::uint32_t v : {640u, 480u, 24u, 0u})
        be32(block, v);
    be32(block, static_cast<std::uint32_t>(size));
    for (std::size_t i = 0; i < size; ++i)
        block += static_cast<char>((i * 2654435761u) >> 13);
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text = "METADATA_BLOCK_PICTURE=";
    for (std::size_t i = 0; i < block.size(); i += 3) {
        std::uint32_t v = std::uint32_t(static_cast<unsigned char>(block[i])) << 16;
        if (i + 1 < block.size())
            v |= std::uint32_t(static_cast<unsigned char>(block[i + 1])) << 8;
        if (i + 2 < block.size())
            v |= static_cast<unsigned char>(block[i + 2]);
        text += digits[v >> 18];
        text += digits[(v >> 12) & 63];
        text += i + 1 < block.size() ? digits[(v >> 6) & 63] : '=';
        text += i + 2 < block.size() ? digits[v & 63] : '=';
    }
    return text;
}

std::string makeOtherStream() {
    return pageUp({std::string("OpusHead\x01\x01\x38\x01\x80\x3e\x00\x00\x00\x00\x00", 19),
                   std::string("OpusTags\x00\x00\x00\x00\x00\x00\x00\x00", 16),
                   std::string(40, '\x7f')},
                  5);
}

std::vector<Page> pagesOf(const std::string& stream) {
    std::vector<Page> pages;
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(stream.size()));
    std::memcpy(buffer, stream.data(), stream.size());
    ogg_sync_wrote(&sync, static_cast<long>(stream.size()));
    ogg_page og;
    int result;
    while ((result = ogg_sync_pageout(&sync, &og)) != 0) {
        if (result < 0)
            continue; // skipped damaged bytes
        Page page;
        page.serial = static_cast<std::uint32_t>(ogg_page_serialno(&og));
        page.sequence = static_cast<std::uint32_t>(ogg_page_pageno(&og));
        page.granule = ogg_page_granulepos(&og);
        page.flags = og.header[5];
        appendPage(page.bytes, og);
        pages.push_back(std::move(page));
    }
    ogg_sync_clear(&sync);
    return pages;
}

std::vector<Packet> packetsOf(const std::string& stream, std::uint32_t serial) {
    std::vector<Packet> packets;
    ogg_stream_state os;
    ogg_stream_init(&os, static_cast<int>(serial));
    for (const Page& page : pagesOf(stream)) {
        if (page.serial != serial)
            continue;
        ogg_page og;
        std::string bytes = page.bytes;
        og.header = reinterpret_cast<unsigned char*>(bytes.data());
        og.header_len = 27 + static_cast<unsigned char>(bytes[26]);
        og.body = og.header + og.header_len;
        og.body_len = static_cast<long>(bytes.size()) - og.header_len;
        ogg_stream_pagein(&os, &og);
        ogg_packet op;
        int result;
        while ((result = ogg_stream_packetout(&os, &op)) != 0) {
            if (result < 0)
                continue;
            packets.push_back({std::string(reinterpret_cast<const char*>(op.packet),
                                           static_cast<std::size_t>(op.bytes)),
                               op.granulepos});
        }
    }
    ogg_stream_clear(&os);
    return packets;
}

CommentHeader parseCommentHeader(const std::string& packet) {
    if (packet.compare(0, 7, std::string("\x03vorbis", 7)) != 0)
        throw std::runtime_error("not a comment header");
    CommentHeader header;
    std::size_t at = 7;
    std::uint32_t vendorLength = le32(packet, at);
    at += 4;
    header.vendor = packet.substr(at, vendorLength);
    at += vendorLength;
    std::uint32_t count = le32(packet, at);
    at += 4;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t length = le32(packet, at);
        at += 4;
        if (at + length > packet.size())
            throw std::runtime_error("comment runs past the packet");
        header.comments.push_back(packet.substr(at, length));
        at += length;
    }
    return header;
}

} // namespace fixture
