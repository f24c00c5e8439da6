// File kinds by extension, path parts and the character-based cuts used for
// captions and the WMA field widths, on UTF-8 names.
#include "app/FileKind.h"

#include <gtest/gtest.h>

TEST(FileKind, ExtensionIsFromTheNamesLastDot) {
    struct Case {
        const char* path;
        const char* lower;
        bool reader;
    };
    const Case cases[] = {
        {"/m/song.mp3", ".mp3", true}, {"/m/Song.MP3", ".mp3", true},
        {"/m/a.b.Ogg", ".ogg", true},  {"/m/x.wma", ".wma", true},
        {"/m/x.wav", ".wav", false},   {"/m/noext", "", false},
        {"/m.mp3/noext", "", false},   {"/m/.mp3", ".mp3", true},
        {"/m/x.mp3 ", ".mp3 ", false}, {"relative.Mp3", ".mp3", true},
        {"/m/trailing.", ".", false},  {"", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LowerExtension(c.path), c.lower) << c.path;
        EXPECT_EQ(HasTagReader(c.path), c.reader) << c.path;
    }
    EXPECT_EQ(Extension("/m/Song.MP3"), ".MP3");
}

TEST(FileKind, PathParts) {
    EXPECT_EQ(FolderPart("/music/a.mp3"), "/music/");
    EXPECT_EQ(FolderPart("a.mp3"), "");
    EXPECT_EQ(FolderPart("/a.mp3"), "/");
    EXPECT_EQ(FileNamePart("/music/a.mp3"), "a.mp3");
    EXPECT_EQ(FileNamePart("a.mp3"), "a.mp3");
    EXPECT_EQ(FileNamePart("/music/"), "");
}

TEST(FileKind, CutsCountCharactersNotBytes) {
    EXPECT_EQ(DropLastChars("song.mp3", 4), "song");
    EXPECT_EQ(DropLastChars("Größe.ogg", 4), "Größe");
    EXPECT_EQ(DropLastChars("ab✓", 1), "ab");
    EXPECT_EQ(DropLastChars("abc", 4), "");
    EXPECT_EQ(DropLastChars("abcd", 4), "");
    EXPECT_EQ(DropLastChars("", 4), "");
}
