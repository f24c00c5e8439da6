// Patterns on names alone: how a name is split into fields, how fields make a
// name, and how a name is cleaned and kept within the length limit.
#include "core/NamePattern.h"
#include "core/FileNames.h"

#include <gtest/gtest.h>

namespace velmora::core {
namespace {

// The fields a match gave, as "field=value" joined by "|".
std::string shown(const NameMatch& match) {
    static const char* names[] = {"title", "artist", "album", "year", "genre", "comment", "track"};
    std::string text;
    for (int i = 0; i < FieldCount; ++i)
        if (match.fields.has(static_cast<Field>(i)))
            text +=
                (text.empty() ? "" : "|") + std::string(names[i]) + "=" + match.values.values[i];
    return text;
}

TEST(NamePattern, SplitsNamesFromTheLeftAndTheLastPlaceholderTakesTheRest) {
    struct Case {
        const char* pattern;
        const char* name;
        const char* fields; // empty: no match
        const char* reason; // a part of it, when no match
    } cases[] = {
        {"%artist% - %title%", "AC - DC - Song", "title=DC - Song|artist=AC", ""},
        {"%track% - %artist% - %title%", "03 - Bé - Ünï", "title=Ünï|artist=Bé|track=03", ""},
        {"%track%. %title% (%year%)", "4/12. Live (at home) (1999)",
         "title=Live|year=at home) (1999|track=4/12", ""},
        {"%title% (live)", "Song (live) (live)", "title=Song (live)", ""},
        {"[%album%] %title%", "[Best] Of", "title=Of|album=Best", ""},
        {"100%% %TITLE%", "100% Pure", "title=Pure", ""},
        {"%artist% - %title%", "Just a title", "", "no \" - \" after the artist"},
        {"%artist% - %title%", " - Song", "", "the artist would be empty"},
        {"%artist% - %title%", "AC - ", "", "the title would be empty"},
        {"[%album%] %title%", "Best] Of", "", "does not begin with \"[\""},
        {"%title% (live)", "Song (studio)", "", "does not end with \" (live)\""},
        {"%title% (live)", "(live)", "", "does not end with"},
        {"%track% %title%", "Intro Song", "", "\"Intro\" is not a track number"},
        {"%track% %title%", "4/ Song", "", "is not a track number"},
        {"%artist% - %title%", "Caf\xe9 - Song", "", "the artist would not be UTF-8 text"},
        {"%artist%%title%", "AB", "", "no text between %artist% and %title%"},
        {"%title% - %title%", "A - B", "", "names %title% twice"},
        {"%titel% - %artist%", "A - B", "", "unknown placeholder %titel%"},
        {"no placeholder", "no placeholder", "", "holds no placeholder"},
        {"", "", "", "empty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " on " + c.name);
        const NameMatch match = matchName(parsePattern(c.pattern), c.name);
        EXPECT_EQ(match.matched, *c.fields != '\0');
        EXPECT_EQ(shown(match), c.fields);
        EXPECT_NE(match.reason.find(c.reason), std::string::npos) << match.reason;
    }
}

TEST(NamePattern, ComposesNamesFromValues) {
    TagValues values;
    values[Field::Title] = "Song";
    values[Field::Artist] = "AC/DC";
    values[Field::Track] = "4/12";
    struct Case {
        const char* pattern;
        const char* name;
        const char* missing; // the placeholder of the first empty field named
    } cases[] = {
        {"%track% - %artist% - %title%", "4 - AC/DC - Song", ""},
        {"%title% %title%", "Song Song", ""},
        {"%title% (%album%) %year%", "Song () ", "%album%"},
    };
    for (const Case& c : cases) {
        std::optional<Field> missing;
        EXPECT_EQ(composeName(parsePattern(c.pattern), values, missing), c.name);
        EXPECT_EQ(missing ? placeholderOf(*missing) : "", c.missing);
    }
}

TEST(FileNames, CleaningAndTheLengthLimit) {
    EXPECT_EQ(cleanFileName("a:b?c*d|e\"f/g\\h<i>j"), "abcdefghij");
    EXPECT_EQ(cleanFileName(std::string(" .x\0y. ", 7)), " .xy. ");
    struct Case {
        std::string stem, extension, name;
        std::size_t limit;
    } cases[] = {
        {"abc", ".mp3", "abc.mp3", 255},
        {"abcdef", ".mp3", "ab.mp3", 6},
        {"a\xc3\xa9", ".mp3", "a.mp3", 6},                           // é is not split
        {"\xe2\x82\xac\xe2\x82\xac", ".ogg", "\xe2\x82\xac.ogg", 9}, // nor €
        {"\xe2\x82\xac", ".ogg", "", 6},                             // nothing of the stem fits
        {"abc", "", "ab", 2},
        {std::string(300, 'x'), ".flac", std::string(250, 'x') + ".flac", 255},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fitName(c.stem, c.extension, c.limit), c.name) << c.stem;
}

} // namespace
} // namespace velmora::core
