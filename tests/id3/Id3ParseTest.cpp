// Reading tags from bytes: versions, encodings, flags, and damaged input.
#include "tags/id3/Id3Scan.h"
#include "tags/id3/Id3Tag.h"
#include "tests/id3/Id3Bytes.h"
#include "tests/id3/Id3Show.h"

#include <gtest/gtest.h>

using namespace velmora::id3;
using namespace velmora::test;

namespace {

std::string text23(std::string_view id, std::string_view value) {
    return frame23(id, "\x00"s + std::string(value));
}

struct ReadCase {
    const char* name;
    std::string bytes;
    ID3StructV2 expected;
};

std::vector<ReadCase> readCases() {
    const std::string title300(300, 'x');
    return {
        {"TrimmedAtBothEnds", tagOf(3, frame23("TIT2", "\x00 \t abc \x00\x00"s)), {.Title = "abc"}},
        {"LaterFrameWins",
         tagOf(3, text23("TIT2", "first") + text23("TIT2", "second")),
         {.Title = "second"}},
        {"UnknownIdSkipped",
         tagOf(3, text23("ZZZZ", "?") + text23("TPE1", "artist")),
         {.Artist = "artist"}},
        {"NumericGenreAsWritten", tagOf(3, text23("TCON", "(17)")), {.Genre = "(17)"}},
        {"LongFrameReadWhole",
         tagOf(3, text23("TIT2", title300) + text23("TALB", "next")),
         {.Title = title300, .Album = "next"}},
        {"AllSevenFields",
         tagOf(3, text23("TIT2", "T") + text23("TPE1", "A") + text23("TALB", "B") +
                      text23("TRCK", "4/9") + text23("TYER", "2001") + text23("TCON", "Jazz") +
                      frame23("COMM", "\x00"
                                      "eng"s +
                                          '\0' + "the comment")),
         {"T", "A", "B", "2001", "4/9", "the comment", "Jazz"}},
        // The comment is the one with an empty description, whatever its place.
        {"DescribedCommentIsNotTheComment",
         tagOf(3, frame23("COMM", "\x00"
                                  "eng\x00real"s) +
                      frame23("COMM", "\x00"
                                      "engiTunNORM\x00 0000 1111"s)),
         {.Comment = "real"}},
        {"OnlyDescribedComment",
         tagOf(3, frame23("COMM", "\x00"
                                  "engiTunNORM\x00 0000"s)),
         {}},
        {"Latin1",
         tagOf(3, frame23("TIT2", "\x00"
                                  "caf\xE9"s)),
         {.Title = "caf\xC3\xA9"}},
        {"Utf16LittleEndianBom",
         tagOf(3, frame23("TIT2", "\x01\xFF\xFE\xE9\x00\xAC\x20\x00\x00"s)),
         {.Title = "\xC3\xA9\xE2\x82\xAC"}},
        {"Utf16BigEndianBom",
         tagOf(3, frame23("TIT2", "\x01\xFE\xFF\x00\xE9\x20\xAC"s)),
         {.Title = "\xC3\xA9\xE2\x82\xAC"}},
        {"Utf16BigEndianWithoutBom",
         tagOf(4, frame24("TPE1", "\x02\x00\xE9\xD8\x3D\xDE\x00"s)),
         {.Artist = "\xC3\xA9\xF0\x9F\x98\x80"}},
        {"Utf8",
         tagOf(4, frame24("TALB", "\x03\xE6\x97\xA5\xE6\x9C\xAC\x00"s)),
         {.Album = "\xE6\x97\xA5\xE6\x9C\xAC"}},
        {"Utf16CommentWithEmptyDescription",
         tagOf(3, frame23("COMM", "\x01"
                                  "eng\xFF\xFE\x00\x00\xFF\xFEh\x00i\x00"s)),
         {.Comment = "hi"}},
        {"UnknownEncodingIgnored",
         tagOf(3, frame23("TIT2", "\x07text"s) + text23("TPE1", "ok")),
         {.Artist = "ok"}},
        {"Version22",
         tagOf(2, frame22("TT2", "\x00title"s) +
                      frame22("TP1", "\x00"
                                     "artist"s) +
                      frame22("TRK", "\x00"
                                     "5"s) +
                      frame22("COM", "\x00"
                                     "eng\x00note"s)),
         {.Title = "title", .Artist = "artist", .Track = "5", .Comment = "note"}},
        {"Version24SevenBitSizes",
         tagOf(4, frame24("TIT2", "\x00"s + title300)),
         {.Title = title300}},
        {"Version24PlainSizeOfOldWriters",
         tagOf(4, frame23("TIT2", "\x00"s + title300) + frame23("TALB", "\x00"
                                                                        "after"s)),
         {.Title = title300, .Album = "after"}},
        {"Version24SeveralValues",
         tagOf(4, frame24("TPE1", "\x00"
                                  "A\x00"
                                  "B\x00"s)),
         {.Artist = "A/B"}},
        {"Version24RecordingTimeGivesYear",
         tagOf(4, frame24("TDRC", "\x00"
                                  "2021-03-04"s)),
         {.Year = "2021"}},
        {"YearFrameBeatsRecordingTime",
         tagOf(4, frame24("TYER", "\x00"
                                  "1999"s) +
                      frame24("TDRC", "\x00"
                                      "2021"s)),
         {.Year = "1999"}},
        {"TagUnsynchronisation",
         tagOf(3, unsynchronise(frame23("TIT2", "\x00\xFF\xE0\xFF"s) + text23("TPE1", "x")), 0x80),
         {.Title = "\xC3\xBF\xC3\xA0\xC3\xBF", .Artist = "x"}},
        {"FrameUnsynchronisationIn24",
         tagOf(4,
               frame24("TIT2", unsynchronise("\x00\xFF\xE0"s), 0x0002) + frame24("TPE1", "\x00x"s)),
         {.Title = "\xC3\xBF\xC3\xA0", .Artist = "x"}},
        {"DataLengthIndicatorIn24",
         tagOf(4, frame24("TIT2",
                          "\x00\x00\x00\x04\x00"
                          "abc"s,
                          0x0001)),
         {.Title = "abc"}},
        {"ExtendedHeader23",
         tagOf(3, "\x00\x00\x00\x06\x00\x00\x00\x00\x00\x00"s + text23("TIT2", "t"), 0x40),
         {.Title = "t"}},
        {"ExtendedHeader24",
         tagOf(4, "\x00\x00\x00\x06\x01\x00"s + frame24("TIT2", "\x00t"s), 0x40),
         {.Title = "t"}},
        {"GroupedFrame23",
         tagOf(3, frame23("TIT2", "\x07\x00grouped"s, 0x0020)),
         {.Title = "grouped"}},
        {"CompressedFrameNotRead", tagOf(3, frame23("TIT2", "\x00\x00\x00\x09xxxx"s, 0x0080)), {}},
        {"PaddingEndsTheWalk",
         tagOf(3, text23("TIT2", "t") + std::string(50, '\0')),
         {.Title = "t"}},
        {"NotATagMarker", "ID4\x03\x00\x00\x00\x00\x00\x0B"s + text23("TIT2", "t"), {}},
        {"NotATagVersion5", tagOf(5, text23("TIT2", "t")), {}},
        {"NotATagVersion1", tagOf(1, text23("TIT2", "t")), {}},
        {"NotATagSizeHighBit", "ID3\x03\x00\x00\x00\x00\x80\x0B"s + text23("TIT2", "t"), {}},
        {"AudioOnly", mpegAudio(2, 1), {}},
        {"Empty", "", {}},
    };
}

class Id3Read : public ::testing::TestWithParam<ReadCase> {};

TEST_P(Id3Read, Fields) {
    EXPECT_EQ(show(parseTag(GetParam().bytes).fields), show(GetParam().expected));
}

// The frame walk of the field reader shows the same, except that of several
// frames of a field it shows the first, as other readers do.
TEST_P(Id3Read, FrameWalkShowsTheSame) {
    ID3StructV2 expected = GetParam().expected;
    if (GetParam().name == std::string("LaterFrameWins"))
        expected.Title = "first";
    for (bool whole : {false, true}) {
        MemorySource source(GetParam().bytes);
        const velmora::TagValues v = scanTag(source, whole).values;
        using velmora::Field;
        EXPECT_EQ(show({v[Field::Title], v[Field::Artist], v[Field::Album], v[Field::Year],
                        v[Field::Track], v[Field::Comment], v[Field::Genre]}),
                  show(expected));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Id3Read, ::testing::ValuesIn(readCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Id3Read, WhereTheTagEnds) {
    const std::string body = text23("TIT2", "t");
    ParsedTag plain = parseTag(tagOf(3, body) + "AUDIO");
    EXPECT_TRUE(plain.present);
    EXPECT_EQ(plain.declaredEnd, 10 + body.size());
    EXPECT_EQ(plain.parsedEnd, 10 + body.size());
    // A 2.4 footer belongs to the tag.
    EXPECT_EQ(parseTag(tagOf(4, body, 0x10)).declaredEnd, 20 + body.size());
    EXPECT_FALSE(parseTag("ID3\x03"s).present);
}

// Damaged tags: what was read before the damage counts, and nothing crashes.
struct DamageCase {
    const char* name;
    std::string bytes;
    std::string title;
};

std::vector<DamageCase> damageCases() {
    const std::string good = text23("TIT2", "kept");
    return {
        {"TagSizePastTheEnd", "ID3\x03\x00\x00\x7F\x7F\x7F\x7F"s + good, "kept"},
        {"FrameSizePastTheEnd", tagOf(3, good + frame23("TALB", "x").substr(0, 10)), "kept"},
        {"HugeFrameSize", tagOf(3, good + "TALB\xFF\xFF\xFF\xFF\x00\x00xyz"s), "kept"},
        {"HugeFrameSize24",
         tagOf(4, frame24("TIT2", "\x00kept"s) + "TALB\x7F\x7F\x7F\x7F\x00\x00"s), "kept"},
        {"ZeroSizeFrames", tagOf(3, frame23("TALB", "") + frame23("COMM", "") + good), "kept"},
        {"GarbageId", tagOf(3, good + "t!t2\x00\x00\x00\x01\x00\x00x"s + text23("TIT2", "no")),
         "kept"},
        {"ExtendedHeaderPastTheEnd", tagOf(3, "\x7F\xFF\xFF\xFF"s + good, 0x40), ""},
        {"ExtendedHeader24TooSmall", tagOf(4, "\x00\x00\x00\x02"s + good, 0x40), ""},
        {"ShortCommentFrame",
         tagOf(3, good + frame23("COMM", "\x00"
                                         "en"s)),
         "kept"},
        {"Flags24LongerThanData",
         tagOf(4, frame24("TIT2", "\x00kept"s) + frame24("TALB", "\x00"s, 0x0041)), "kept"},
        {"OddUtf16",
         tagOf(3, frame23("TIT2", "\x01\xFF\xFEk\x00"
                                  "e\x00"
                                  "e"s)),
         "ke"},
        {"LoneSurrogate", tagOf(3, frame23("TIT2", "\x01\xFF\xFE\x00\xD8"s)), "\xEF\xBF\xBD"},
        {"Version22Compressed", tagOf(2, frame22("TT2", "\x00kept"s), 0x40), ""},
        {"BodyCutMidHeader", tagOf(3, good + "TPE"), "kept"},
    };
}

class Id3Damaged : public ::testing::TestWithParam<DamageCase> {};

TEST_P(Id3Damaged, ReadsWhatCameBeforeTheDamage) {
    ParsedTag tag = parseTag(GetParam().bytes);
    EXPECT_EQ(tag.fields.Title, GetParam().title);
    EXPECT_LE(tag.parsedEnd, std::max<std::size_t>(GetParam().bytes.size(), 10));
    // Whatever was kept can be written again.
    EXPECT_NO_THROW(renderFrames(tag.fields, tag.kept));
    MemorySource source(GetParam().bytes);
    EXPECT_EQ(scanTag(source, true).values[velmora::Field::Title], GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(Cases, Id3Damaged, ::testing::ValuesIn(damageCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Cut a small tag at every offset: each field is either missing or whole, and
// every frame that lies wholly before the cut is read.
TEST(Id3Damaged, TruncatedAtEveryOffset) {
    for (int version : {2, 3, 4}) {
        auto text = [&](std::string_view id22, std::string_view id, std::string_view value) {
            std::string data = "\x00"s + std::string(value);
            return version == 2   ? frame22(id22, data)
                   : version == 3 ? frame23(id, data)
                                  : frame24(id, data);
        };
        const std::vector<std::string> frames = {
            text("TT2", "TIT2", "Title"),    text("TP1", "TPE1", "Artist"),
            text("TXX", "TXXX", "kept\0x"s), text("TAL", "TALB", "Album"),
            text("TYE", "TYER", "1987"),     text("TCO", "TCON", "Genre")};
        std::string body;
        std::vector<std::size_t> frameEnds;
        for (const std::string& f : frames) {
            body += f;
            frameEnds.push_back(10 + body.size());
        }
        const std::string full = tagOf(version, body) + mpegAudio(1, 3);
        const ID3StructV2 whole = parseTag(full).fields;
        ASSERT_EQ(show(whole),
                  show(ID3StructV2{"Title", "Artist", "Album", "1987", "", "", "Genre"}));
        const std::vector<std::string ID3StructV2::*> order = {
            &ID3StructV2::Title, &ID3StructV2::Artist, nullptr,
            &ID3StructV2::Album, &ID3StructV2::Year,   &ID3StructV2::Genre};
        for (std::size_t cut = 0; cut <= full.size(); ++cut) {
            const ParsedTag tag = parseTag(std::string_view(full).substr(0, cut));
            for (std::size_t i = 0; i < order.size(); ++i) {
                if (!order[i])
                    continue;
                const std::string& got = tag.fields.*order[i];
                if (cut >= frameEnds[i])
                    EXPECT_EQ(got, whole.*order[i]) << "version " << version << " cut " << cut;
                else
                    EXPECT_EQ(got, "") << "version " << version << " cut " << cut;
            }
        }
    }
}

} // namespace
