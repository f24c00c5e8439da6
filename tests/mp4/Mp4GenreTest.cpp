// The names `gnre` numbers show: 1-based, as MP4 taggers spell them.
#include "tags/mp4/Mp4Items.h"

#include <gtest/gtest.h>

namespace velmora::mp4 {
namespace {

TEST(Mp4Genre, NumbersShowTheirNames) {
    const struct {
        unsigned number;
        const char* name;
    } cases[] = {
        {0, ""},
        {1, "Blues"},
        {18, "Rock"},
        {65, "Native American"},
        {134, "Worldbeat"},
        {148, "Synthpop"},
        {149, "Abstract"},
        {192, "Psybient"},
        {193, ""},
        {65535, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(genreName(c.number), c.name) << c.number;
}

} // namespace
} // namespace velmora::mp4
