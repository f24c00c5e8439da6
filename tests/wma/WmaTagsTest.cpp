// The field-level reader and writer on WMA files made and tagged by other
// programs (ffmpeg, python3-mutagen, TagLib), checked with mutagen, which
// shares no code with ours: an edit changes its own attributes only, and
// every other attribute keeps its type, value and place.
#include "WmaFixture.h"

#include "tags/wma/WMATag.h"
#include "tags/wma/WMAudioInfo.h"
#include "tags/wma/WmaTags.h"

#include <taglib/asffile.h>
#include <taglib/asfpicture.h>
#include <taglib/asftag.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <sstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace wmatest;
using velmora::Field;
using velmora::FieldMask;
using velmora::TagValues;
namespace wma = velmora::wma;

namespace {

std::string tool() {
    return std::string("/usr/bin/python3 '") + WMA_TEST_SOURCE_DIR + "/asf_tool.py' ";
}

// Every attribute as mutagen lists it: name, type, stream, language, value.
std::vector<std::string> dump(const std::string& path) {
    std::string output;
    EXPECT_EQ(velmora::test::run(tool() + "dump '" + path + "'", output), 0);
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string nameOf(const std::string& line) {
    return line.substr(0, line.find('\t'));
}

// The ffmpeg tone, tagged by ffmpeg itself: strings only, the author in two
// places, the track number as a string.
std::string taggedByFfmpeg(TempDir& dir) {
    const std::string plain = dir.file("plain.wma"), path = dir.file("ffmpeg.wma");
    writeFile(plain, toneWma());
    std::string output;
    EXPECT_EQ(velmora::test::run("ffmpeg -nostdin -loglevel error -i '" + plain +
                                     "' -c copy -metadata title='FF Title' -metadata "
                                     "artist='FF Artist' -metadata album='FF Album' -metadata "
                                     "genre=Jazz -metadata comment='FF comment' -metadata "
                                     "track=7 -y '" +
                                     path + "'",
                                 output),
              0);
    return readFile(path);
}

// Typed attributes, two authors and two genres, and a 600,000-byte picture.
std::string taggedByMutagen(TempDir& dir) {
    const std::string path = dir.file("mutagen.wma");
    writeFile(path, toneWma());
    std::string output;
    EXPECT_EQ(velmora::test::run(tool() + "tag '" + path + "' 600000", output), 0);
    return readFile(path);
}

// A 2 MiB cover, two genres, a word and a bool, the track as a number.
std::string taggedByTagLib(TempDir& dir) {
    const std::string path = dir.file("taglib.wma");
    writeFile(path, toneWma());
    TagLib::ASF::File file(path.c_str());
    TagLib::ASF::Tag* tag = file.tag();
    tag->setTitle(TagLib::String("TagLib Title"));
    tag->setArtist(TagLib::String("TagLib Artist"));
    tag->setComment(TagLib::String("Kommentar", TagLib::String::UTF8));
    tag->setAttribute("WM/TrackNumber", TagLib::ASF::Attribute(3u)); // a DWORD
    tag->setYear(1999);
    TagLib::ASF::AttributeList genres;
    genres.append(TagLib::ASF::Attribute(TagLib::String("Pop")));
    genres.append(TagLib::ASF::Attribute(TagLib::String("Dance")));
    tag->setAttribute("WM/Genre", genres);
    tag->setAttribute("WM/BeatsPerMinute",
                      TagLib::ASF::Attribute(static_cast<unsigned short>(128)));
    tag->setAttribute("WM/IsCompilation", TagLib::ASF::Attribute(true));
    TagLib::ASF::Picture cover;
    cover.setMimeType("image/jpeg");
    cover.setType(TagLib::ASF::Picture::FrontCover);
    const std::string bytes = velmora::test::randomBytes(2 << 20, 7);
    cover.setPicture(TagLib::ByteVector(bytes.data(), static_cast<unsigned>(bytes.size())));
    tag->setAttribute("WM/Picture", TagLib::ASF::Attribute(cover));
    EXPECT_TRUE(file.save());
    return readFile(path);
}

struct Source {
    const char* name;
    std::function<std::string(TempDir&)> make;
    const char* trackType; // the type a track number is stored in
};

const std::vector<Source>& sources() {
    static const std::vector<Source> list = {
        {"untagged", [](TempDir&) { return toneWma(); }, "3"},
        {"ffmpeg", taggedByFfmpeg, "0"},
        {"mutagen", taggedByMutagen, "3"},
        {"taglib", taggedByTagLib, "3"},
    };
    return list;
}

// Each source made once for the whole run.
const std::string& sourceBytes(std::size_t index) {
    static TempDir dir;
    static std::map<std::size_t, std::string> made;
    auto at = made.find(index);
    if (at == made.end())
        at = made.emplace(index, sources()[index].make(dir)).first;
    return at->second;
}

struct Edit {
    Field field;
    std::string text;
    std::vector<std::string> names; // the attributes the field lives in
    std::string shown;              // mutagen's form of the new value; empty: removed
};

const std::vector<Edit> edits = {
    {Field::Title, "Neuer Titel ☃", {"Title"}, "'Neuer Titel ☃'"},
    {Field::Artist, "Solo", {"Author"}, "'Solo'"},
    {Field::Album, "", {"WM/AlbumTitle"}, ""},
    {Field::Year, "2022", {"WM/Year"}, "'2022'"},
    {Field::Genre, "", {"WM/Genre"}, ""},
    {Field::Comment, "one\r\ntwo\rthree", {"Description"}, "'one\\r\\ntwo\\rthree'"},
    {Field::Track, "9", {"WM/TrackNumber", "WM/Track"}, "9"},
};

class WmaFields : public ::testing::TestWithParam<std::tuple<std::size_t, Edit>> {
protected:
    static void SetUpTestSuite() { WMAudioInfo::Bind(); }
    static void TearDownTestSuite() { WMAudioInfo::Unbind(); }
    TempDir dir;
};

TEST_P(WmaFields, AnEditChangesItsOwnAttributesOnly) {
    const auto& [sourceIndex, edit] = GetParam();
    const Source& source = sources()[sourceIndex];
    const std::string path = dir.file("song.wma");
    writeFile(path, sourceBytes(sourceIndex));
    const std::vector<std::string> before = dump(path);
    const TagValues valuesBefore = wma::readTags(path);

    TagValues typed = valuesBefore;
    typed[edit.field] = edit.text;
    wma::writeTags(path, typed, FieldMask().set(edit.field));

    EXPECT_EQ(wma::readTags(path), typed);
    EXPECT_EQ(afterHeader(readFile(path)), afterHeader(sourceBytes(sourceIndex)));
    const std::vector<std::string> after = dump(path);
    auto ofField = [&](const std::string& line) {
        return std::find(edit.names.begin(), edit.names.end(), nameOf(line)) != edit.names.end();
    };
    std::vector<std::string> othersBefore, othersAfter, fieldAfter;
    for (const auto& line : before)
        if (!ofField(line))
            othersBefore.push_back(line);
    for (const auto& line : after)
        (ofField(line) ? fieldAfter : othersAfter).push_back(line);
    EXPECT_EQ(othersAfter, othersBefore) << source.name;

    // The new value, once per attribute the file had (WM/TrackNumber always):
    // the Content Description's texts there, where TagLib reads them (ffmpeg
    // keeps its comment elsewhere), every other one where the first old one
    // stood.
    const TagLibView tagLib = readWithTagLib(path);
    const std::map<std::string, std::string> contentTexts = {
        {"Title", tagLib.title}, {"Author", tagLib.artist}, {"Description", tagLib.comment}};
    std::size_t expectedLines = 0;
    for (const auto& name : edit.names) {
        auto first = std::find_if(before.begin(), before.end(),
                                  [&](const auto& line) { return nameOf(line) == name; });
        if (edit.shown.empty() || (name == "WM/Track" && first == before.end()))
            continue;
        ++expectedLines;
        const bool asText = edit.field != Field::Track || std::string(source.trackType) == "0";
        const std::string type = edit.field == Field::Track ? source.trackType : "0";
        const std::string value = asText && edit.field == Field::Track ? "'9'" : edit.shown;
        auto line = std::find_if(after.begin(), after.end(),
                                 [&](const auto& l) { return nameOf(l) == name; });
        ASSERT_NE(line, after.end()) << name;
        EXPECT_TRUE(line->starts_with(name + "\t" + type + "\t")) << *line;
        EXPECT_TRUE(line->ends_with("\t" + value)) << *line;
        if (auto content = contentTexts.find(name); content != contentTexts.end()) {
            EXPECT_EQ(content->second, edit.text);
        } else if (first != before.end()) {
            EXPECT_EQ(line - after.begin(), first - before.begin()) << *line;
        }
    }
    EXPECT_EQ(fieldAfter.size(), expectedLines) << source.name;
}

INSTANTIATE_TEST_SUITE_P(FilesOfOtherPrograms, WmaFields,
                         ::testing::Combine(::testing::Range<std::size_t>(0, 4),
                                            ::testing::ValuesIn(edits)),
                         [](const auto& info) {
                             return std::string(sources()[std::get<0>(info.param)].name) +
                                    std::to_string(static_cast<int>(std::get<1>(info.param).field));
                         });

} // namespace

namespace {

class WmaWrites : public ::testing::Test {
protected:
    static void SetUpTestSuite() { WMAudioInfo::Bind(); }
    static void TearDownTestSuite() { WMAudioInfo::Unbind(); }
    TempDir dir;
};

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// With nothing changed, or a value typed over with itself, the file is not
// rewritten: same bytes, same inode, same times.
TEST_F(WmaWrites, NothingChangedLeavesTheFileAlone) {
    for (std::size_t i = 0; i < sources().size(); ++i) {
        for (bool typedOver : {false, true}) {
            SCOPED_TRACE(std::string(sources()[i].name) + (typedOver ? " typed over" : ""));
            const std::string path = dir.file("same.wma");
            writeFile(path, sourceBytes(i));
            const struct stat before = velmora::test::statOf(path);
            const TagValues values = wma::readTags(path);
            wma::writeTags(path, values,
                           typedOver ? FieldMask().set(Field::Title).set(Field::Comment)
                                     : FieldMask());
            const struct stat after = velmora::test::statOf(path);
            EXPECT_EQ(readFile(path), sourceBytes(i));
            EXPECT_EQ(after.st_ino, before.st_ino);
            EXPECT_TRUE(sameTime(after.st_mtim, before.st_mtim));
            EXPECT_TRUE(sameTime(after.st_ctim, before.st_ctim));
        }
    }
}

// The track goes into WM/TrackNumber in the type stored there; WM/Track,
// where present, follows; an emptied track removes both.
TEST_F(WmaWrites, TrackKeepsItsStoredType) {
    struct Case {
        std::size_t source;
        std::string typed;
        std::vector<std::string> lines; // name, type and value of each track line
        std::string shown;              // what a read shows afterwards
    };
    const std::vector<Case> cases = {
        {0, "5", {"WM/TrackNumber\t3\t5"}, "5"},
        {0, "5/12", {"WM/TrackNumber\t0\t'5/12'"}, "5/12"},
        {1, "5/12", {"WM/TrackNumber\t0\t'5/12'"}, "5/12"},
        {2, "5/12", {"WM/TrackNumber\t3\t5", "WM/Track\t3\t5"}, "5"},
        {2, "", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(sources()[c.source].name) + " " + c.typed);
        const std::string path = dir.file("track.wma");
        writeFile(path, sourceBytes(c.source));
        TagValues values = wma::readTags(path);
        values[Field::Track] = c.typed;
        wma::writeTags(path, values, FieldMask().set(Field::Track));
        std::vector<std::string> lines;
        for (const auto& line : dump(path)) {
            const std::string name = nameOf(line);
            if (name == "WM/TrackNumber" || name == "WM/Track")
                lines.push_back(name + "\t" + line.substr(name.size() + 1, 1) +
                                line.substr(line.rfind('\t')));
        }
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(wma::readTags(path)[Field::Track], c.shown);
    }
}

// A failed save raises with the file and the system's reason and leaves the
// original as it was, with no file left beside it; the record writer says
// false.
TEST_F(WmaWrites, AFailedSaveCarriesTheSystemsReason) {
    struct Case {
        const char* what;
        int error;
    };
    for (const Case& c : {Case{"file size limit", EFBIG}, Case{"full disk", ENOSPC}}) {
        SCOPED_TRACE(c.what);
        std::string folder = dir.file(c.what);
        std::filesystem::create_directory(folder);
        const bool mounted =
            c.error == ENOSPC && ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=1m") == 0;
        if (c.error == ENOSPC && !mounted)
            continue; // a full disk needs a small file system of our own
        const std::string path = folder + "/cover.wma";
        writeFile(path, sourceBytes(2)); // 600 KB of picture: two copies do not fit
        TagValues values = wma::readTags(path);
        values[Field::Title] = "Too big";
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (c.error == EFBIG) {
            rlimit small = old;
            small.rlim_cur = 256 * 1024;
            ::setrlimit(RLIMIT_FSIZE, &small);
        }
        std::string message;
        try {
            wma::writeTags(path, values, FieldMask().set(Field::Title));
        } catch (const velmora::TagError& e) {
            message = e.what();
        }
        WMATagRec rec = ReadWMATag(path);
        rec.Title = "Too big";
        const bool recordWritten = WriteWMATag(path, rec);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        EXPECT_NE(message.find(velmora::expandPath(path)), std::string::npos) << message;
        EXPECT_NE(message.find(velmora::systemErrorText(c.error)), std::string::npos) << message;
        EXPECT_FALSE(recordWritten);
        EXPECT_EQ(readFile(path), sourceBytes(2));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                                std::filesystem::directory_iterator()),
                  1);
        if (mounted)
            ::umount(folder.c_str());
    }
}

// A prepared write changes nothing until it is committed; dropped, it
// leaves nothing behind.
TEST_F(WmaWrites, PreparedWritesTakeEffectOnCommitOnly) {
    for (bool commit : {false, true}) {
        SCOPED_TRACE(commit ? "committed" : "dropped");
        const std::string path = dir.file("group.wma");
        writeFile(path, sourceBytes(3));
        TagValues values = wma::readTags(path);
        const TagValues old = values;
        values[Field::Album] = "Grouped";
        {
            wma::PreparedWrite prepared =
                wma::prepareWrite(path, values, FieldMask().set(Field::Album));
            EXPECT_EQ(readFile(path), sourceBytes(3));
            if (commit)
                prepared.commit();
        }
        EXPECT_EQ(wma::readTags(path), commit ? values : old);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                                std::filesystem::directory_iterator()),
                  1);
    }
}

// What a read shows: numbers stored as numbers in decimal, a file that
// cannot be opened raises, a file that is not ASF shows nothing.
TEST_F(WmaWrites, ReadShowsTypedValuesAndRaisesForMissingFiles) {
    const std::string typed = dir.file("typed.wma");
    writeFile(typed, withHeader(toneWma(), {extendedContent({dword("WM/Year", 2021),
                                                             dword("WM/TrackNumber", 65537)})}));
    EXPECT_EQ(wma::readTags(typed)[Field::Year], "2021");
    EXPECT_EQ(wma::readTags(typed)[Field::Track], "65537");
    EXPECT_THROW(wma::readTags(dir.file("missing.wma")), velmora::TagError);
    const std::string other = dir.file("other.wma");
    writeFile(other, "not an ASF file at all, just text");
    EXPECT_EQ(wma::readTags(other), TagValues{});
    EXPECT_THROW(wma::writeTags(other, TagValues{}, FieldMask().set(Field::Title)),
                 velmora::TagError);
}

} // namespace
