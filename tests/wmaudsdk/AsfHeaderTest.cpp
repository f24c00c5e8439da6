// The SDK's byte-level header model: parse and render, where stores put
// values, what stays byte for byte, and headers it must refuse.
#include "WmaFixture.h"

#include "components/wmaudsdk/AsfHeader.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace wmatest;
using wmaudsdk::AsfHeader;
using wmaudsdk::AttributePlace;

namespace {

std::string headerOf(const std::string& file) {
    return file.substr(0, file.size() - afterHeader(file).size());
}

std::size_t sizeAt(const std::string& bytes, std::size_t at) {
    std::size_t size = 0;
    for (std::size_t i = 8; i-- > 0;)
        size = (size << 8) | static_cast<unsigned char>(bytes.at(at + 16 + i));
    return size;
}

std::u16string u16(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

std::string rendered(const AsfHeader& header) {
    auto bytes = header.render();
    EXPECT_TRUE(bytes.has_value());
    return bytes.value_or("");
}

// Every attribute object there is, with a second stream's copy of a name.
std::string fullFile() {
    Entry streamOne = text("WM/Genre", "Stream One");
    streamOne.stream = 1;
    return withHeader(toneWma(),
                      {contentDescription("Title", "Author", "Copyright", "Description", "Rating"),
                       extendedContent({text("A", "first"), text("WM/Year", "1999"),
                                        dword("WM/TrackNumber", 3), text("B", "last")})},
                      {metadata({text("WM/Genre", "Meta Genre"), streamOne, {"Flag", 2, le(1, 2)}}),
                       metadataLibrary({text("WM/Genre", "Library Genre"),
                                        {"WM/MediaClassPrimaryID", 6, std::string(16, 'g')},
                                        {"Big", 1, std::string(700, 'p')}})});
}

TEST(AsfHeader, RendersUnchangedHeadersByteForByte) {
    for (const std::string& file :
         {toneWma(), fullFile(), withHeader(toneWma(), {contentDescription("", "", "", "", "")})}) {
        const std::string header = headerOf(file);
        AsfHeader parsed;
        ASSERT_TRUE(parsed.parse(header));
        EXPECT_EQ(rendered(parsed), header);
    }
}

TEST(AsfHeader, FindsFileLevelValuesInOrderOfPlaces) {
    AsfHeader header;
    ASSERT_TRUE(header.parse(headerOf(fullFile())));
    struct Case {
        const char* name;
        AttributePlace place;
        std::string value;
    };
    for (const Case& c : {Case{"Title", AttributePlace::Content, utf16("Title")},
                          Case{"WM/Year", AttributePlace::Extended, utf16("1999")},
                          Case{"WM/Genre", AttributePlace::Metadata, utf16("Meta Genre")},
                          Case{"Big", AttributePlace::Library, std::string(700, 'p')}}) {
        auto found = header.find(u16(c.name));
        ASSERT_TRUE(found) << c.name;
        EXPECT_EQ(found->place, c.place) << c.name;
        EXPECT_EQ(found->value, c.value) << c.name;
    }
    EXPECT_FALSE(header.find(u"Missing"));
    EXPECT_FALSE(header.find(u"title")); // names are compared exactly
}

TEST(AsfHeader, StoreReplacesInPlaceAndLeavesOtherObjectsAsTheyWere) {
    const std::string original = headerOf(fullFile());
    AsfHeader header;
    ASSERT_TRUE(header.parse(original));
    ASSERT_TRUE(header.store(u"WM/Year", wmaudsdk::AsfString, utf16("2024")));
    const std::string after = rendered(header);
    // The Extended Content Description keeps its order.
    ASSERT_EQ(header.extended().size(), 4u);
    EXPECT_EQ(header.extended()[0].name, u"A");
    EXPECT_EQ(header.extended()[1].value, utf16("2024"));
    EXPECT_EQ(header.extended()[3].name, u"B");
    // The Content Description and the Header Extension are the same bytes.
    const std::string content =
        contentDescription("Title", "Author", "Copyright", "Description", "Rating");
    EXPECT_NE(after.find(content), std::string::npos);
    const std::size_t extensionAt = original.find(guid("5FBF03B5-A92E-11CF-8EE3-00C00C205365"));
    const std::string extension = original.substr(extensionAt, sizeAt(original, extensionAt));
    EXPECT_NE(after.find(extension), std::string::npos);
    AsfHeader reparsed;
    ASSERT_TRUE(reparsed.parse(after));
    EXPECT_EQ(reparsed.library().size(), 3u);
    EXPECT_EQ(reparsed.library()[2].value, std::string(700, 'p'));
    EXPECT_EQ(reparsed.find(u"WM/Year")->value, utf16("2024"));
}

TEST(AsfHeader, StoreKeepsOneFileLevelCopyInTheRightPlace) {
    struct Case {
        const char* what;
        std::u16string name;
        wmaudsdk::AsfType type;
        std::string value;
        AttributePlace place;
    };
    const std::vector<Case> cases = {
        {"content name", u"Title", wmaudsdk::AsfString, utf16("New"), AttributePlace::Content},
        {"content name too long", u"Description", wmaudsdk::AsfString,
         utf16(std::string(40000, 'd')), AttributePlace::Library},
        {"takes the place of the first copy", u"WM/Genre", wmaudsdk::AsfString, utf16("Rock"),
         AttributePlace::Metadata},
        {"number replaces text", u"WM/Year", wmaudsdk::AsfDword, le(2000, 4),
         AttributePlace::Extended},
        {"guid", u"WM/MediaClassPrimaryID", wmaudsdk::AsfGuid, std::string(16, 'h'),
         AttributePlace::Library},
        {"new name", u"WM/Mood", wmaudsdk::AsfString, utf16("Calm"), AttributePlace::Extended},
    };
    for (const Case& c : cases) {
        AsfHeader header;
        ASSERT_TRUE(header.parse(headerOf(fullFile())));
        ASSERT_TRUE(header.store(c.name, c.type, c.value)) << c.what;
        AsfHeader back;
        ASSERT_TRUE(back.parse(rendered(header))) << c.what;
        auto found = back.find(c.name);
        ASSERT_TRUE(found) << c.what;
        EXPECT_EQ(found->place, c.place) << c.what;
        EXPECT_EQ(found->value, c.value) << c.what;
        std::size_t copies = 0;
        for (const auto* list : {&back.extended(), &back.metadata(), &back.library()})
            for (const auto& a : *list)
                copies += a.name == c.name && a.stream == 0;
        EXPECT_EQ(copies, c.place == AttributePlace::Content ? 0u : 1u) << c.what;
    }
    // Another stream's copy is not the file's and stays; removing takes
    // every file-level copy.
    AsfHeader header;
    ASSERT_TRUE(header.parse(headerOf(fullFile())));
    ASSERT_TRUE(header.store(u"WM/Genre", wmaudsdk::AsfString, utf16("Rock")));
    ASSERT_EQ(header.metadata().size(), 3u);
    EXPECT_EQ(header.metadata()[0].value, utf16("Rock"));
    EXPECT_EQ(header.metadata()[1].stream, 1);
    header.remove(u"WM/Genre");
    ASSERT_EQ(header.metadata().size(), 2u);
    EXPECT_EQ(header.metadata()[0].stream, 1);
    EXPECT_FALSE(header.find(u"WM/Genre"));
}

TEST(AsfHeader, StoreAddsTheObjectsItNeeds) {
    // ffmpeg's file has no Content Description and an empty Header Extension.
    AsfHeader header;
    ASSERT_TRUE(header.parse(headerOf(toneWma())));
    const std::size_t objects = header.objectCount();
    ASSERT_TRUE(header.store(u"Title", wmaudsdk::AsfString, utf16("T")));
    ASSERT_TRUE(header.store(u"Huge", wmaudsdk::AsfBytes, std::string(70000, 'x')));
    EXPECT_EQ(header.objectCount(), objects + 1);
    AsfHeader back;
    ASSERT_TRUE(back.parse(rendered(header)));
    EXPECT_EQ(back.find(u"Title")->value, utf16("T"));
    EXPECT_EQ(back.find(u"Huge")->place, AttributePlace::Library);
    // Strings always come back NUL-terminated.
    ASSERT_TRUE(back.store(u"Unterminated", wmaudsdk::AsfString, utf16("abc", false)));
    EXPECT_EQ(back.find(u"Unterminated")->value, utf16("abc"));
}

TEST(AsfHeader, StoreRefusesWhatItCannotKeep) {
    AsfHeader header;
    ASSERT_TRUE(header.parse(headerOf(fullFile())));
    const std::string before = rendered(header);
    EXPECT_FALSE(header.store(u"", wmaudsdk::AsfString, utf16("x")));
    EXPECT_FALSE(header.store(u"WM/TrackNumber", wmaudsdk::AsfDword, le(1, 2)));
    EXPECT_FALSE(header.store(u"Flag", wmaudsdk::AsfBool, le(1, 2)));
    EXPECT_FALSE(header.store(std::u16string(40000, u'n'), wmaudsdk::AsfString, utf16("x")));
    EXPECT_EQ(rendered(header), before);
}

// Pictures as mutagen keeps them (the first in the Extended Content
// Description, the others in the Metadata Library), an artist in two places
// and another stream's picture.
std::string picturesFile() {
    Entry otherStream{"WM/Picture", 1, "s"};
    otherStream.stream = 1;
    return withHeader(toneWma(),
                      {contentDescription("", "Artist A", "", "", ""),
                       extendedContent({text("A", "first"), {"WM/Picture", 1, "p0"}})},
                      {metadataLibrary({{"WM/Picture", 1, "p1"},
                                        text("Author", "Artist B"),
                                        otherStream,
                                        {"WM/Picture", 1, "p2"}})});
}

// The copies of a name as "PLACE:VALUE" (text shown as ASCII).
std::string copiesOf(const AsfHeader& header, std::u16string_view name) {
    static const char* const places = "CEML";
    std::string out;
    for (std::size_t i = 0; i < header.count(name); ++i) {
        const auto a = header.at(name, i);
        std::string value = a->value;
        if (a->type == wmaudsdk::AsfString) {
            value.clear();
            for (std::size_t at = 0; at + 1 < a->value.size() && a->value[at] != 0; at += 2)
                value += a->value[at];
        }
        out += std::string(1, places[static_cast<int>(a->place)]) + ":" +
               (value.size() > 8 ? std::to_string(value.size()) : value) + " ";
    }
    return out;
}

TEST(AsfHeader, CopiesAreNumberedInReadingOrderAndChangedOneByOne) {
    using Op = bool (*)(AsfHeader&);
    struct Case {
        const char* what;
        Op op;
        bool done;
        std::u16string name;
        std::string after; // the name's copies afterwards
    };
    static const std::string kBig(70000, 'b');
    const std::vector<Case> cases = {
        {"as read", [](AsfHeader&) { return true; }, true, u"WM/Picture", "E:p0 L:p1 L:p2 "},
        {"modify in place",
         [](AsfHeader& h) { return h.modify(u"WM/Picture", 1, wmaudsdk::AsfBytes, "n"); }, true,
         u"WM/Picture", "E:p0 L:n L:p2 "},
        {"too large for its place moves last",
         [](AsfHeader& h) { return h.modify(u"WM/Picture", 0, wmaudsdk::AsfBytes, kBig); }, true,
         u"WM/Picture", "L:p1 L:p2 L:70000 "},
        {"large one stays in the library",
         [](AsfHeader& h) { return h.modify(u"WM/Picture", 2, wmaudsdk::AsfBytes, kBig); }, true,
         u"WM/Picture", "E:p0 L:p1 L:70000 "},
        {"add goes last",
         [](AsfHeader& h) { return h.add(u"WM/Picture", wmaudsdk::AsfBytes, "n"); }, true,
         u"WM/Picture", "E:p0 L:p1 L:p2 L:n "},
        {"add of a new name",
         [](AsfHeader& h) { return h.add(u"WM/Mood", wmaudsdk::AsfString, utf16("x")); }, true,
         u"WM/Mood", "E:x "},
        {"add of an empty content text",
         [](AsfHeader& h) { return h.add(u"Title", wmaudsdk::AsfString, utf16("T")); }, true,
         u"Title", "C:T "},
        {"remove one", [](AsfHeader& h) { return h.removeAt(u"WM/Picture", 1); }, true,
         u"WM/Picture", "E:p0 L:p2 "},
        {"remove a content text", [](AsfHeader& h) { return h.removeAt(u"Author", 0); }, true,
         u"Author", "L:Artist B "},
        {"modify a content text",
         [](AsfHeader& h) { return h.modify(u"Author", 0, wmaudsdk::AsfString, utf16("Z")); }, true,
         u"Author", "C:Z L:Artist B "},
        {"no such copy",
         [](AsfHeader& h) { return h.modify(u"WM/Picture", 3, wmaudsdk::AsfBytes, "n"); }, false,
         u"WM/Picture", "E:p0 L:p1 L:p2 "},
        {"no such copy to remove", [](AsfHeader& h) { return h.removeAt(u"WM/Mood", 0); }, false,
         u"WM/Mood", ""},
        {"a value of the wrong size",
         [](AsfHeader& h) { return h.modify(u"WM/Picture", 0, wmaudsdk::AsfDword, "123"); }, false,
         u"WM/Picture", "E:p0 L:p1 L:p2 "},
    };
    const std::string original = headerOf(picturesFile());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AsfHeader header;
        ASSERT_TRUE(header.parse(original));
        ASSERT_EQ(c.op(header), c.done);
        if (!c.done) {
            EXPECT_EQ(rendered(header), original);
            continue;
        }
        AsfHeader back;
        ASSERT_TRUE(back.parse(rendered(header)));
        EXPECT_EQ(copiesOf(back, c.name), c.after);
        // Everything else as it was: the other name, the other stream's copy.
        if (c.name != u"Author") {
            EXPECT_EQ(copiesOf(back, u"Author"), "C:Artist A L:Artist B ");
        }
        EXPECT_EQ(back.find(u"A")->value, utf16("first"));
        EXPECT_TRUE(std::any_of(back.library().begin(), back.library().end(),
                                [](const auto& a) { return a.stream == 1 && a.value == "s"; }));
    }
}

TEST(AsfHeader, FileSizeIsSetUnlessTheFileIsABroadcast) {
    const std::string header = headerOf(toneWma());
    AsfHeader parsed;
    ASSERT_TRUE(parsed.parse(header));
    ASSERT_TRUE(parsed.setFileSize(123456));
    EXPECT_EQ(parsed.fileSize(), 123456u);
    // Set the broadcast flag (File Properties flags, 48 bytes into its body).
    std::string broadcast = header;
    const std::size_t props = broadcast.find(guid("8CABDCA1-A947-11CF-8EE4-00C00C205365"));
    broadcast[props + 88] = static_cast<char>(broadcast[props + 88] | 1);
    ASSERT_TRUE(parsed.parse(broadcast));
    const auto before = parsed.fileSize();
    parsed.setFileSize(1);
    EXPECT_EQ(parsed.fileSize(), before);
}

TEST(AsfHeader, RefusesHeadersWhoseSizesDoNotFit) {
    const std::string header = headerOf(fullFile());
    AsfHeader parsed;
    // Any shorter length contradicts the declared size or cuts an object.
    for (std::size_t cut = 0; cut < header.size(); cut += 3)
        EXPECT_FALSE(parsed.parse(header.substr(0, cut)));
    std::string hugeCount = header;
    hugeCount.replace(24, 4, le(0xFFFFFFFF, 4));
    EXPECT_FALSE(parsed.parse(hugeCount));
    // Each 16-bit field at its largest: refused, or parsed and rendered again.
    for (std::size_t at = 16; at + 2 <= header.size(); at += 2) {
        std::string copy = header;
        copy.replace(at, 2, "\xFF\xFF");
        if (parsed.parse(copy)) {
            EXPECT_EQ(rendered(parsed), copy);
        }
    }
}

} // namespace
