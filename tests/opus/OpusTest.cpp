// Writing Ogg Opus files made by opusenc and ffmpeg: see expectEditKeepsTheRest;
// and opusinfo finds nothing wrong and the same streams, also when the comment
// header's pages grow or shrink and the later pages are renumbered.
#include "tests/flac/PeerFiles.h"

#include "tags/opus/OpusTags.h"

#include <gtest/gtest.h>

namespace velmora::test {
namespace {

struct OpusCase {
    const char* name;
    std::string encode; // %in a WAV, %out the file, %cover a JPEG of ~500 KiB
    Edit edit;
};

class OpusWrite : public ::testing::TestWithParam<OpusCase> {};

TEST_P(OpusWrite, ChangesOnlyWhatWasEdited) {
    const OpusCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.file("song.opus");
    std::string command = c.encode;
    const std::string cover = command.find("%cover") != command.npos ? makeCover(dir) : "";
    for (auto [key, value] : {std::pair<std::string, std::string>{"%in", makeWav(dir, 3)},
                              {"%out", path},
                              {"%cover", cover}})
        for (std::size_t at; (at = command.find(key)) != command.npos;)
            command.replace(at, key.size(), quote(value));
    mustRun(command);
    const auto serials = opusinfoSerials(path);
    expectEditKeepsTheRest(path, opus::readTags, opus::writeTags, c.edit);
    EXPECT_EQ(opusinfoSerials(path), serials);
}

#define OPUSENC                                                                                    \
    "opusenc --quiet --title Song --artist One --artist Two --album Record "                       \
    "--comment TRACKNUMBER=4/12 "
const std::string kBig(200000, 'b');
const std::string kEncoder = "ENCODER=opusenc from opus-tools 0.2";

INSTANTIATE_TEST_SUITE_P(
    Opus, OpusWrite,
    ::testing::Values(
        OpusCase{"TitleOnTheSamePages",
                 OPUSENC "%in %out",
                 {{{Field::Title, "Nouveau titre été"}},
                  {kEncoder, "title=Nouveau titre été", "artist=One", "artist=Two", "album=Record",
                   "TRACKNUMBER=4/12"}}},
        OpusCase{"CoverKeptArtistsReplaced",
                 OPUSENC "--picture %cover %in %out",
                 {{{Field::Artist, "Solo"}},
                  {kEncoder, "title=Song", "artist=Solo", "album=Record", "TRACKNUMBER=4/12",
                   "kept METADATA_BLOCK_PICTURE"}}},
        OpusCase{"GrowsByPages",
                 OPUSENC "%in %out",
                 {{{Field::Comment, kBig}},
                  {kEncoder, "title=Song", "artist=One", "artist=Two", "album=Record",
                   "TRACKNUMBER=4/12", "Comment=" + kBig}}},
        OpusCase{"ShrinksByPages",
                 OPUSENC "--comment COMMENT=" + std::string(100000, 'c') + " %in %out",
                 {{{Field::Comment, ""}, {Field::Year, "1999"}},
                  {kEncoder, "title=Song", "artist=One", "artist=Two", "album=Record",
                   "TRACKNUMBER=4/12", "Date=1999"}}},
        OpusCase{"ChainedStreamAfterItUntouched",
                 OPUSENC "%in %out.1 && opusenc --quiet --title Next %in %out.2 && "
                         "cat %out.1 %out.2 > %out && rm %out.1 %out.2",
                 {{{Field::Comment, kBig}},
                  {kEncoder, "title=Song", "artist=One", "artist=Two", "album=Record",
                   "TRACKNUMBER=4/12", "Comment=" + kBig}}},
        OpusCase{"TaggedByMutagen",
                 OPUSENC
                 "%in %out && /usr/bin/python3 -c \"import mutagen.oggopus as o, sys; "
                 "f = o.OggOpus(sys.argv[1]); f['genre'] = ['Jazz', 'Funk']; f.save()\" %out",
                 {{{Field::Album, "Other record"}},
                  {kEncoder, "title=Song", "artist=One", "artist=Two", "album=Other record",
                   "TRACKNUMBER=4/12", "genre=Jazz", "genre=Funk"}}},
        OpusCase{"MadeByFfmpeg",
                 "ffmpeg -v error -i %in -c:a libopus -metadata title=Song -metadata artist=One "
                 "-metadata track=4/12 %out",
                 {{{Field::Genre, "Ambient"}},
                  {"encoder=Lavc59.37.100 libopus", "TRACKNUMBER=4/12", "title=Song", "artist=One",
                   "Genre=Ambient"}}}),
    [](const ::testing::TestParamInfo<OpusCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace velmora::test
