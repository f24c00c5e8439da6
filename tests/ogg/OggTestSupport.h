// Checks shared by the Ogg tests: what a rewritten file must satisfy.
#pragma once

#include "VorbisFixture.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace fixture {

// The comments of the first stream's comment header.
inline CommentHeader commentsOf(const std::string& stream, std::uint32_t serial) {
    auto packets = packetsOf(stream, serial);
    if (packets.size() < 2)
        return {};
    return parseCommentHeader(packets[1].bytes);
}

// Every packet but the comment header, with its granule position, is the same.
inline void expectSameAudio(const std::string& before, const std::string& after,
                            std::uint32_t serial) {
    auto a = packetsOf(before, serial);
    auto b = packetsOf(after, serial);
    ASSERT_EQ(a.size(), b.size());
    ASSERT_GE(a.size(), 3u);
    EXPECT_EQ(a[0].bytes, b[0].bytes) << "identification header";
    EXPECT_EQ(a[2].bytes, b[2].bytes) << "setup header";
    for (std::size_t i = 3; i < a.size(); ++i) {
        ASSERT_EQ(a[i].bytes, b[i].bytes) << "audio packet " << i;
        ASSERT_EQ(a[i].granule, b[i].granule) << "audio packet " << i;
    }
}

// The pages of a stream are numbered without gaps.
inline void expectContiguousPages(const std::string& stream, std::uint32_t serial) {
    std::uint32_t next = 0;
    for (const Page& page : pagesOf(stream)) {
        if (page.serial == serial) {
            ASSERT_EQ(page.sequence, next++);
        }
    }
}

// ogginfo (vorbis-tools) finds nothing wrong with the file.
inline void expectOgginfoClean(const std::string& path) {
    std::string output;
    int status = run("ogginfo '" + path + "' 2>&1", output);
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(output.find("WARNING"), std::string::npos) << output;
    EXPECT_EQ(output.find("ERROR"), std::string::npos) << output;
}

} // namespace fixture
