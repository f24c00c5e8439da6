// Damaged and hostile files: an error naming the file, or the values that are
// there; never a crash, a hang or an allocation beyond the file's size.
#include "Mp4Fixture.h"

#include "tags/mp4/Mp4Edit.h"
#include "tags/mp4/Mp4Items.h"
#include "tags/mp4/Mp4Tags.h"

#include <functional>
#include <gtest/gtest.h>

namespace velmora::mp4test {
namespace {

std::string be(std::uint64_t v, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i)
        out += char(v >> (8 * i));
    return out;
}

std::string atom(const std::string& type, const std::string& body) {
    return be(body.size() + 8, 4) + type + body;
}

std::string textItem(const std::string& type, const std::string& text) {
    return atom(type, atom("data", be(1, 4) + be(0, 4) + text));
}

const std::string kFtyp = atom("ftyp", "M4A " + be(0, 4) + "M4A mp42isom");
const std::string kHdlr = atom("hdlr", be(0, 8) + "mdirappl" + std::string(9, '\0'));

std::string fileWith(const std::string& ilstBody, const std::string& tail = atom("mdat", "xx")) {
    const std::string meta = atom("meta", be(0, 4) + kHdlr + atom("ilst", ilstBody));
    return kFtyp + atom("moov", atom("udta", meta)) + tail;
}

std::string nested(int depth) {
    std::string inner = textItem("\xa9nam", "deep");
    for (int i = 0; i < depth; ++i)
        inner = atom("udta", inner);
    return kFtyp + atom("moov", inner);
}

enum class Expect { Error, Read };
enum class Write { Refused, Written };

struct DamageCase {
    const char* name;
    std::function<std::string()> bytes;
    Expect read;
    std::string title; // when read
    Write write;       // a new title; an edit that replaces a damaged item may go through
};

class Mp4Damage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(Mp4Damage, ReadsOrReportsAndNeverWritesOverDamage) {
    const test::TempDir dir;
    const std::string path = dir.file("damaged.m4a");
    const std::string bytes = GetParam().bytes();
    test::writeFile(path, bytes);
    if (GetParam().read == Expect::Error) {
        try {
            mp4::readTags(path);
            ADD_FAILURE() << "read";
        } catch (const TagError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    } else {
        EXPECT_EQ(mp4::readTags(path)[Field::Title], GetParam().title);
    }
    TagValues values;
    values[Field::Title] = "New";
    if (GetParam().write == Write::Refused) {
        EXPECT_THROW(mp4::writeTags(path, values, FieldMask().set(Field::Title)), TagError);
        EXPECT_TRUE(test::readFile(path) == bytes) << "changed";
    } else {
        mp4::writeTags(path, values, FieldMask().set(Field::Title));
        EXPECT_EQ(mp4::readTags(path)[Field::Title], "New");
    }
}

const std::string kTitle = textItem("\xa9nam", "Title");

std::vector<DamageCase> damageCases() {
    using enum Expect;
    using enum Write;
    return {
        {"Sound", [] { return fileWith(kTitle); }, Read, "Title", Written},
        {"MoovPastTheEnd", [] { return fileWith(kTitle).substr(0, 100); }, Error, "", Refused},
        {"ItemPastItsContainer", [] { return fileWith(be(4000, 4) + kTitle.substr(4)); }, Error, "",
         Refused},
        {"DataPastItsItem",
         [] { return fileWith(atom("\xa9nam", be(500, 4) + "data" + be(1, 4))); }, Error, "",
         Written},
        {"ZeroSizeItem", [] { return fileWith(be(0, 4) + "\xa9nam" + kTitle); }, Error, "",
         Refused},
        {"ItemSmallerThanItsHeader", [] { return fileWith(be(3, 4) + "\xa9nam"); }, Error, "",
         Refused},
        {"LargeSizeItem",
         [] {
             return fileWith(be(1, 4) + "\xa9nam" + be(kTitle.size() + 8, 8) + kTitle.substr(8));
         },
         Read, "Title", Written},
        {"HugeLargeSize",
         [] { return fileWith(be(1, 4) + "\xa9nam" + be(~0ull >> 1, 8) + kTitle.substr(8)); },
         Error, "", Refused},
        {"MediaDataPastTheEnd", [] { return fileWith(kTitle, be(1 << 30, 4) + "mdat" + "short"); },
         Read, "Title", Refused},
        {"ShortDataAtom", [] { return fileWith(atom("\xa9nam", atom("data", "abc"))); }, Error, "",
         Written},
        {"TooManyItems",
         [] {
             std::string many;
             for (std::size_t i = 0; i <= mp4::kMaxChildren; ++i)
                 many += atom("free", "");
             return fileWith(many);
         },
         Error, "", Refused},
        {"NestedDeep", [] { return nested(20000); }, Read, "", Written},
        {"NoMovie", [] { return kFtyp + atom("mdat", "xx"); }, Error, "", Refused},
        {"Empty", [] { return std::string(); }, Error, "", Refused},
        {"TrackOfOneByte", [] { return fileWith(atom("trkn", atom("data", be(0, 8) + "x"))); },
         Read, "", Written},
    };
}

INSTANTIATE_TEST_SUITE_P(Files, Mp4Damage, ::testing::ValuesIn(damageCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// A small real file cut at every offset: the reader and the edit planner give
// a value or an error, and never go past the bytes there are.
TEST(Mp4Truncated, AtEveryOffset) {
    const test::TempDir dir;
    const std::string path = dir.file("small.m4a");
    makeSample(path, Layout::MoovFirst, Tagger::None, 1);
    const std::string whole = test::readFile(path);
    TagValues values;
    values[Field::Title] = "A new title";
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const std::string cut = whole.substr(0, size);
        const mp4::MemorySource src(cut);
        try {
            const mp4::TagLayout layout = mp4::locateTag(src, mp4::Scan::ForRead);
            mp4::decodeItems(src, layout.items);
        } catch (const mp4::ParseError&) {
        }
        try {
            const mp4::TagLayout layout = mp4::locateTag(src, mp4::Scan::ForWrite);
            const mp4::EditPlan plan =
                mp4::planEdit(src, layout, values, FieldMask().set(Field::Title));
            for (const mp4::Piece& piece : plan.file)
                ASSERT_LE(piece.offset + piece.length, cut.size());
        } catch (const mp4::ParseError&) {
        }
    }
}

// A chunk offset table that claims more entries than it holds is refused
// before anything is written.
TEST(Mp4Truncated, HugeChunkOffsetCount) {
    const test::TempDir dir;
    const std::string path = dir.file("count.m4a");
    const std::string stbl = atom("stbl", atom("stco", be(0, 4) + be(0xFFFFFFFF, 4) + be(99, 4)));
    const std::string trak = atom("trak", atom("mdia", atom("minf", stbl)));
    const std::string bytes = kFtyp + atom("moov", trak) + atom("mdat", "audio");
    test::writeFile(path, bytes);
    TagValues values;
    values[Field::Title] = "New";
    EXPECT_THROW(mp4::writeTags(path, values, FieldMask().set(Field::Title)), TagError);
    EXPECT_EQ(test::readFile(path), bytes);
}

} // namespace
} // namespace velmora::mp4test
