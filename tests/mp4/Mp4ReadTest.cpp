// Reading tags that other programs wrote, in every layout ffmpeg makes.
#include "Mp4Fixture.h"

#include "tags/mp4/Mp4Tags.h"

#include <gtest/gtest.h>

namespace velmora::mp4test {
namespace {

struct ReadCase {
    Layout layout;
    Tagger tagger;
};

class Mp4Read : public ::testing::TestWithParam<ReadCase> {};

TEST_P(Mp4Read, ShowsWhatTheTaggerStoredAsTagLibReadsIt) {
    const test::TempDir dir;
    const std::string path = dir.file("song.m4a");
    makeSample(path, GetParam().layout, GetParam().tagger);
    const std::string before = test::readFile(path);
    const struct stat statBefore = test::statOf(path);

    const TagValues values = mp4::readTags(path);

    const TagValues expected = GetParam().tagger == Tagger::None ? TagValues{} : taggedValues();
    EXPECT_EQ(values, expected);
    EXPECT_EQ(values, readWithTagLib(path));
    // Reading never changes the file.
    EXPECT_EQ(test::readFile(path), before);
    EXPECT_EQ(test::statOf(path).st_mtim.tv_nsec, statBefore.st_mtim.tv_nsec);
}

std::vector<ReadCase> readCases() {
    std::vector<ReadCase> cases;
    for (Layout layout : {Layout::MoovLast, Layout::MoovFirst, Layout::Fragmented})
        for (Tagger tagger :
             {Tagger::None, Tagger::Ffmpeg, Tagger::Mutagen, Tagger::MutagenGnre, Tagger::TagLib})
            cases.push_back({layout, tagger});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Peers, Mp4Read, ::testing::ValuesIn(readCases()), [](const auto& info) {
    return std::string(layoutName(info.param.layout)) + taggerName(info.param.tagger);
});

TEST(Mp4ReadErrors, NameTheFileAndTheReason) {
    const test::TempDir dir;
    const std::string path = dir.file("not.m4a");
    test::writeFile(path, "ID3\x03\x00\x00\x00\x00\x00\x00 this is no MP4 file");
    try {
        mp4::readTags(path);
        FAIL() << "no error";
    } catch (const TagError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("not an MP4 file"), std::string::npos) << e.what();
    }
    EXPECT_THROW(mp4::readTags(dir.file("missing.m4a")), TagError);
}

// The unit fits the core's table of formats.
[[maybe_unused]] constexpr ReadTagsFunction kRead = mp4::readTags;
[[maybe_unused]] constexpr WriteTagsFunction kWrite = mp4::writeTags;

TEST(Mp4Detect, KnowsAnMp4FileByItsFirstAtom) {
    const test::TempDir dir;
    const std::string path = dir.file("song.m4a");
    makeSample(path, Layout::MoovLast, Tagger::None);
    const std::string head = test::readFile(path).substr(0, 12);
    EXPECT_TRUE(mp4::looksLikeMp4(head.data(), head.size()));
    for (const std::string& other : {std::string("ID3\x03\0\0\0\0\0\0\0\0", 12),
                                     std::string("OggS\0\x02\0\0\0\0\0\0", 12), head.substr(0, 7)})
        EXPECT_FALSE(mp4::looksLikeMp4(other.data(), other.size()));
}

} // namespace
} // namespace velmora::mp4test
