// The reader's index of a header against the whole-header model: the same
// headers accepted, the same value found for every name, large values left
// in the file until asked for, whatever the size of the reads; every copy
// of a name numbered alike.
#include "WmaFixture.h"

#include "components/wmaudsdk/AsfHeader.h"
#include "components/wmaudsdk/AsfIndex.h"

#include <gtest/gtest.h>

using namespace wmatest;
using namespace wmaudsdk;

namespace {

// Counts the bytes read, to show that skipped values are not read.
class CountingSource final : public AsfSource {
public:
    explicit CountingSource(std::string_view bytes) : memory_(bytes) {}
    std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t n) const override {
        const std::size_t got = memory_.readAt(offset, buffer, n);
        read += got;
        return got;
    }
    mutable std::size_t read = 0;

private:
    MemorySource memory_;
};

std::string headerOf(const std::string& file) {
    return file.substr(0, file.size() - afterHeader(file).size());
}

std::string withLargeValues() {
    Entry picture{"WM/Picture", 1, std::string(300000, 'p')};
    Entry streamTwo = text("WM/Genre", "Stream Two");
    streamTwo.stream = 2;
    return headerOf(withHeader(toneWma(),
                               {contentDescription("", std::string(3000, 'a'), "", "Described", ""),
                                extendedContent({text("Title", "Shadowed"),
                                                 {"WM/Lyrics", 0, utf16(std::string(9000, 'l'))},
                                                 dword("WM/TrackNumber", 5),
                                                 {"WM/Picture", 1, "small"}})},
                               {metadata({streamTwo, text("WM/Year", "2001")}),
                                metadataLibrary({picture, text("WM/Genre", "Library Genre")})}));
}

TEST(AsfIndex, FindsWhatTheWholeHeaderFindsReadingOnlySmallValues) {
    struct Case {
        const char* what;
        std::string header;
        bool accepted;
    };
    const std::string large = withLargeValues();
    std::string badCount = large;
    badCount[24] = static_cast<char>(badCount[24] + 1); // one object more than there is
    const std::vector<Case> cases = {
        {"plain ffmpeg file", headerOf(toneWma()), true},
        {"large values everywhere", large, true},
        {"count beyond the objects", badCount, false},
        {"cut short", large.substr(0, large.size() - 10), false},
    };
    const std::vector<std::u16string> names = {
        u"Title",          u"Author",  u"Description", u"Copyright",  u"WM/Lyrics",
        u"WM/TrackNumber", u"WM/Year", u"WM/Genre",    u"WM/Picture", u"WM/EncodingSettings",
        u"Missing"};
    for (const Case& c : cases) {
        for (std::size_t window : {std::size_t{7}, std::size_t{4096}, AsfIndex::WindowSize}) {
            SCOPED_TRACE(std::string(c.what) + ", window " + std::to_string(window));
            AsfHeader header;
            const bool parsed = header.parse(c.header);
            CountingSource source(c.header);
            AsfIndex index;
            ASSERT_EQ(index.build(source, c.header.size(), window), c.accepted);
            ASSERT_EQ(parsed, c.accepted);
            if (!c.accepted)
                continue;
            EXPECT_LT(source.read, 64u * 1024); // the 300,000-byte picture stays unread
            for (const auto& name : names) {
                const auto expected = header.find(name);
                const IndexedAttribute* found = index.find(name);
                ASSERT_EQ(found != nullptr, expected.has_value());
                if (!found)
                    continue;
                std::string scratch;
                std::string_view value;
                ASSERT_TRUE(index.valueOf(*found, source, scratch, value));
                EXPECT_EQ(value, expected->value);
                EXPECT_EQ(found->type, expected->type);
                EXPECT_EQ(found->place, expected->place);
                // Every copy, numbered alike.
                const auto copies = index.copies(name);
                ASSERT_EQ(copies.size(), header.count(name));
                for (std::size_t i = 0; i < copies.size(); ++i) {
                    ASSERT_TRUE(index.valueOf(*copies[i], source, scratch, value));
                    EXPECT_EQ(value, header.at(name, i)->value);
                    EXPECT_EQ(copies[i]->place, header.at(name, i)->place);
                }
            }
            // The head of a large value is read without the rest.
            const auto pictures = index.copies(u"WM/Picture");
            if (pictures.size() < 2)
                continue;
            const std::size_t before = source.read;
            std::string scratch;
            std::string_view head;
            ASSERT_TRUE(index.valueOf(*pictures[1], source, scratch, head, 3));
            EXPECT_EQ(head, "ppp");
            EXPECT_EQ(source.read - before, 3u);
        }
    }
}

} // namespace
