// The comment editing library on its own, driven through its C interface with
// streams in memory: how it reads, what it writes, and how it fails.
#include "OggTestSupport.h"
#include "VorbisFixture.h"

#include "tags/ogg/Ogg.h"
#include "tags/ogg/OggStream.h"
#include "vcedit.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

namespace {

const std::uint32_t kSerial = 4711;

struct StateDeleter {
    void operator()(vcedit_state* s) const { vcedit_clear(s); }
};
using State = std::unique_ptr<vcedit_state, StateDeleter>;

State newState() {
    return State(vcedit_new_state());
}

// Reads at most `step` bytes per call, to show that short reads are fine.
struct ChoppyInput {
    std::string bytes;
    std::size_t position = 0;
    std::size_t step = 1;
};

std::size_t choppyRead(void* buffer, std::size_t size, std::size_t count, void* stream) {
    auto* in = static_cast<ChoppyInput*>(stream);
    std::size_t n = std::min({size * count, in->step, in->bytes.size() - in->position});
    std::memcpy(buffer, in->bytes.data() + in->position, n);
    in->position += n;
    return n / size;
}

// Accepts `budget` bytes, then fails like a full disk.
struct LimitedOutput {
    std::string bytes;
    std::size_t budget = 0;
};

std::size_t limitedWrite(const void* buffer, std::size_t size, std::size_t count, void* stream) {
    auto* out = static_cast<LimitedOutput*>(stream);
    std::size_t n = size * count;
    if (out->bytes.size() + n > out->budget)
        return 0;
    out->bytes.append(static_cast<const char*>(buffer), n);
    return count;
}

// Opens `input` with the unit's callbacks; returns the error text or "".
std::string openMemory(vcedit_state* state, OggMemoryInput& input) {
    if (vcedit_open_callbacks(state, &input, OggReadFunc, OggWriteFunc) == 0)
        return "";
    return state->lasterror ? state->lasterror : "(no text)";
}

// Rewrites with the given comments, reading `step` bytes at a time (0: all at once).
std::string rewrite(const std::string& bytes, const std::vector<std::string>& comments,
                    std::size_t step = 0) {
    State state = newState();
    ChoppyInput input{bytes, 0, step ? step : bytes.size() + 1};
    EXPECT_EQ(vcedit_open_callbacks(state.get(), &input, choppyRead, OggWriteFunc), 0);
    vorbis_comment_clear(state->vc);
    for (const std::string& c : comments)
        vorbis_comment_add(state->vc, c.c_str());
    OggMemoryOutput output;
    EXPECT_EQ(vcedit_write(state.get(), &output), 0) << state->lasterror;
    return output.bytes;
}

std::string sampleFile(double seconds = 0.5) {
    fixture::VorbisOptions options;
    options.rate = 44100;
    options.channels = 2;
    options.comments = {"TITLE=t", std::string("RAW=a\0b", 7)};
    options.seconds = seconds;
    return fixture::makeVorbis(options);
}

TEST(Vcedit, ExposesTheCommentsAsStored) {
    State state = newState();
    const std::string bytes = sampleFile();
    OggMemoryInput input(bytes);
    ASSERT_EQ(openMemory(state.get(), input), "");
    vorbis_comment* vc = vcedit_comments(state.get());
    ASSERT_EQ(vc, state->vc);
    ASSERT_EQ(vc->comments, 2);
    EXPECT_EQ(std::string(vc->user_comments[0], vc->comment_lengths[0]), "TITLE=t");
    EXPECT_EQ(std::string(vc->user_comments[1], vc->comment_lengths[1]),
              std::string("RAW=a\0b", 7));
    EXPECT_EQ(state->lasterror, nullptr);
}

TEST(Vcedit, UnchangedCommentsGiveTheSameBytes) {
    const std::string bytes = sampleFile();
    State state = newState();
    OggMemoryInput input(bytes);
    ASSERT_EQ(openMemory(state.get(), input), "");
    OggMemoryOutput output;
    ASSERT_EQ(vcedit_write(state.get(), &output), 0);
    EXPECT_EQ(output.bytes, bytes);
}

TEST(Vcedit, KeepsTheVendorUnlessGivenOne) {
    const std::string bytes = sampleFile();
    const std::string vendor = fixture::commentsOf(bytes, kSerial).vendor;
    EXPECT_EQ(fixture::commentsOf(rewrite(bytes, {"A=b"}), kSerial).vendor, vendor);

    State state = newState();
    OggMemoryInput input(bytes);
    ASSERT_EQ(openMemory(state.get(), input), "");
    vorbis_comment_clear(state->vc);
    state->vc->vendor = static_cast<char*>(std::malloc(8));
    std::memcpy(state->vc->vendor, "Velmora", 8);
    OggMemoryOutput output;
    ASSERT_EQ(vcedit_write(state.get(), &output), 0);
    EXPECT_EQ(fixture::commentsOf(output.bytes, kSerial).vendor, "Velmora");
}

TEST(Vcedit, ShortReadsGiveTheSameResult) {
    const std::string bytes = sampleFile();
    const std::string expected = rewrite(bytes, {"TITLE=new", std::string(70000, 'z')});
    for (std::size_t step : {1u, 7u, 4096u, 100000u}) {
        State state = newState();
        ChoppyInput input{bytes, 0, step};
        ASSERT_EQ(vcedit_open_callbacks(state.get(), &input, choppyRead, OggWriteFunc), 0);
        vorbis_comment_clear(state->vc);
        vorbis_comment_add(state->vc, "TITLE=new");
        vorbis_comment_add(state->vc, std::string(70000, 'z').c_str());
        OggMemoryOutput output;
        ASSERT_EQ(vcedit_write(state.get(), &output), 0);
        EXPECT_EQ(output.bytes, expected) << "step " << step;
    }
}

TEST(Vcedit, WriteFailureAtAnyPointIsReported) {
    const std::string bytes = sampleFile();
    const std::string full = rewrite(bytes, {"TITLE=x", std::string(80000, 'q')});
    for (std::size_t budget = 0; budget < full.size(); budget += 997) {
        State state = newState();
        OggMemoryInput input(bytes);
        ASSERT_EQ(vcedit_open_callbacks(state.get(), &input, OggReadFunc, limitedWrite), 0);
        vorbis_comment_clear(state->vc);
        vorbis_comment_add(state->vc, "TITLE=x");
        vorbis_comment_add(state->vc, std::string(80000, 'q').c_str());
        LimitedOutput output{"", budget};
        EXPECT_NE(vcedit_write(state.get(), &output), 0) << "budget " << budget;
        ASSERT_NE(state->lasterror, nullptr);
        EXPECT_STREQ(state->lasterror, "Cannot write the output stream");
        EXPECT_EQ(full.compare(0, output.bytes.size(), output.bytes), 0);
    }
}

TEST(Vcedit, MisuseIsAnErrorNotACrash) {
    State state = newState();
    OggMemoryOutput output;
    EXPECT_NE(vcedit_write(state.get(), &output), 0);
    EXPECT_STREQ(state->lasterror, "No Vorbis stream has been opened");

    const std::string bytes = sampleFile();
    OggMemoryInput input(bytes);
    ASSERT_EQ(openMemory(state.get(), input), "");
    EXPECT_NE(openMemory(state.get(), input), "");
    ASSERT_EQ(vcedit_write(state.get(), &output), 0);
    EXPECT_NE(vcedit_write(state.get(), &output), 0);
    EXPECT_STREQ(state->lasterror, "This stream has already been written");

    State broken = newState();
    OggMemoryInput again(bytes);
    ASSERT_EQ(openMemory(broken.get(), again), "");
    const int count = broken->vc->comments;
    broken->vc->comments = -1;
    EXPECT_NE(vcedit_write(broken.get(), &output), 0);
    EXPECT_STREQ(broken->lasterror, "The comment structure is invalid");
    broken->vc->comments = count;

    vcedit_clear(nullptr);
    EXPECT_EQ(vcedit_comments(nullptr), nullptr);
    EXPECT_NE(vcedit_open_callbacks(nullptr, nullptr, OggReadFunc, OggWriteFunc), 0);
}

struct Refusal {
    const char* what;
    std::string bytes;
    const char* error;
};

// A file cut after the first page of a comment header whose title claims
// 50 MiB: the bytes are not there, so no room is taken for them.
std::string claimsMoreThanItHolds() {
    auto le32 = [](std::uint32_t v) {
        std::string s;
        for (int i = 0; i < 4; ++i)
            s += static_cast<char>(v >> (8 * i));
        return s;
    };
    const std::string comment = std::string("\x03vorbis", 7) + le32(0) + le32(1) + le32(50u << 20) +
                                "TITLE=" + std::string(70000, 't');
    const std::string ident = fixture::packetsOf(sampleFile(), kSerial)[0].bytes;
    auto pages = fixture::pagesOf(fixture::pageUp({ident, comment}, kSerial));
    return pages[0].bytes + pages[1].bytes;
}

class Refusals : public ::testing::TestWithParam<Refusal> {};

TEST_P(Refusals, SayWhy) {
    State state = newState();
    OggMemoryInput input(GetParam().bytes);
    EXPECT_EQ(openMemory(state.get(), input), GetParam().error);
    // Reading only the comments refuses the same way.
    State reading = newState();
    OggMemoryInput again(GetParam().bytes);
    EXPECT_NE(vcedit_open_read(reading.get(), &again, OggReadFunc, OggSeekFunc, nullptr, nullptr),
              0);
    EXPECT_STREQ(reading->lasterror, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Vcedit, Refusals,
    ::testing::Values(Refusal{"Empty", "", "The input is not an Ogg bitstream (too short)"},
                      Refusal{"NotOgg",
                              "RIFF\x24\0\0\0WAVEfmt plus more bytes to fill a page header",
                              "The input is not an Ogg bitstream"},
                      Refusal{"OtherCodec", fixture::makeOtherStream(),
                              "The input holds no Vorbis stream (not an Ogg Vorbis file)"},
                      Refusal{"HeadersOnly", sampleFile().substr(0, 200),
                              "The input ends within the Vorbis headers"},
                      Refusal{"CommentNotSecond",
                              fixture::pageUp({fixture::packetsOf(sampleFile(), kSerial)[0].bytes,
                                               fixture::packetsOf(sampleFile(), kSerial)[2].bytes,
                                               fixture::packetsOf(sampleFile(), kSerial)[1].bytes},
                                              kSerial),
                              "The second Vorbis header is not a comment header"},
                      Refusal{"ClaimsMoreThanItHolds", claimsMoreThanItHolds(),
                              "The input ends within the Vorbis headers"},
                      Refusal{"EndsWithinHeaders",
                              fixture::pageUp({fixture::packetsOf(sampleFile(), kSerial)[0].bytes,
                                               fixture::packetsOf(sampleFile(), kSerial)[1].bytes},
                                              kSerial),
                              "The Vorbis stream ends within its headers"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.what); });

// Damaged data after the headers is copied as it is, never repaired or lost,
// also when the pages around it are renumbered.
TEST(Vcedit, DamagedAudioIsCopiedAsItIs) {
    std::string bytes = sampleFile(3);
    auto pages = fixture::pagesOf(bytes);
    ASSERT_GE(pages.size(), 4u);
    const std::size_t firstAudio = pages[0].bytes.size() + pages[1].bytes.size();
    const std::size_t secondAudio = firstAudio + pages[2].bytes.size();
    // Stray bytes before a valid page, and a bad checksum in the page before them.
    bytes.insert(secondAudio, "junk between pages" + std::string(100, 'j'));
    bytes[firstAudio + 40] ^= 0x55;
    const std::string tail = bytes.substr(pages[0].bytes.size() + pages[1].bytes.size());

    const std::string out = rewrite(bytes, {"TITLE=t", std::string(100000, 'w')});
    for (std::size_t step : {3u, 5u, 7u, 11u, 4093u}) // patterns split across reads
        EXPECT_EQ(rewrite(bytes, {"TITLE=t", std::string(100000, 'w')}, step), out);
    auto before = fixture::pagesOf(bytes);
    auto after = fixture::pagesOf(out);
    ASSERT_GT(after.size(), before.size()); // more header pages, nothing resurrected
    EXPECT_EQ(out.size() - tail.size(),
              after[0].bytes.size() + after[1].bytes.size() + after[2].bytes.size());
    EXPECT_NE(out.find("junk between pages"), std::string::npos);
    // Every valid audio page is the same apart from its number and checksum.
    std::size_t shift = after.size() - before.size();
    for (std::size_t i = 2; i < before.size(); ++i) {
        const std::string& a = before[i].bytes;
        const std::string& b = after[i + shift].bytes;
        ASSERT_EQ(a.size(), b.size());
        EXPECT_EQ(a.substr(0, 18), b.substr(0, 18));
        EXPECT_EQ(a.substr(26), b.substr(26));
        EXPECT_EQ(after[i + shift].sequence, before[i].sequence + shift);
    }
}

// ---------------------------------------------------------------------------
// Reading the comments only.

// Counts what a read takes: bytes copied out and bytes passed over.
struct CountingInput {
    std::string bytes;
    std::size_t position = 0;
    std::size_t step = 0; // largest read (0: no limit)
    std::size_t bytesRead = 0;
};

std::size_t countingRead(void* buffer, std::size_t size, std::size_t count, void* stream) {
    auto* in = static_cast<CountingInput*>(stream);
    std::size_t n = std::min(size * count, in->bytes.size() - in->position);
    if (in->step)
        n = std::min(n, in->step);
    std::memcpy(buffer, in->bytes.data() + in->position, n);
    in->position += n;
    in->bytesRead += n;
    return n / size;
}

int countingSeek(void* stream, unsigned long long offset) {
    auto* in = static_cast<CountingInput*>(stream);
    if (offset > in->bytes.size())
        return -1;
    in->position = static_cast<std::size_t>(offset);
    return 0;
}

// Takes the comments named TITLE or ARTIST (any case).
int titleOrArtist(const char* head, std::size_t size, void*) {
    auto starts = [&](const char* name) {
        const std::size_t n = std::strlen(name);
        if (size <= n || head[n] != '=')
            return false;
        for (std::size_t i = 0; i < n; ++i)
            if (std::toupper(static_cast<unsigned char>(head[i])) != name[i])
                return false;
        return true;
    };
    return starts("TITLE") || starts("ARTIST");
}

std::vector<std::string> wanted(const std::vector<std::string>& comments) {
    std::vector<std::string> out;
    for (const std::string& c : comments)
        if (titleOrArtist(c.data(), std::min<std::size_t>(c.size(), 16), nullptr))
            out.push_back(c);
    return out;
}

std::vector<std::string> commentsOfState(const vcedit_state* state) {
    std::vector<std::string> out;
    for (int i = 0; i < state->vc->comments; ++i)
        out.emplace_back(state->vc->user_comments[i],
                         static_cast<std::size_t>(state->vc->comment_lengths[i]));
    return out;
}

struct ReadShape {
    const char* what;
    std::vector<std::string> comments;
    bool ownPages = true;
    bool multiplexed = false;
    std::size_t step = 0;
    bool canSeek = true;
    std::size_t maxBytesRead = 0; // 0: not checked
};

class CommentsOnly : public ::testing::TestWithParam<ReadShape> {};

TEST_P(CommentsOnly, TakesTheWantedCommentsAndPassesOverTheRest) {
    const ReadShape& shape = GetParam();
    fixture::VorbisOptions options;
    options.comments = shape.comments;
    options.headersOnOwnPages = shape.ownPages;
    std::string bytes = fixture::makeVorbis(options);
    if (shape.multiplexed) { // another stream's first page before ours
        const std::string other = fixture::makeOtherStream();
        bytes = fixture::pagesOf(other)[0].bytes + bytes;
    }
    State state = newState();
    CountingInput input{bytes, 0, shape.step};
    ASSERT_EQ(vcedit_open_read(state.get(), &input, countingRead,
                               shape.canSeek ? countingSeek : nullptr, titleOrArtist, nullptr),
              0)
        << state->lasterror;
    EXPECT_EQ(commentsOfState(state.get()), wanted(shape.comments));
    if (shape.maxBytesRead) {
        EXPECT_LE(input.bytesRead, shape.maxBytesRead);
    }

    OggMemoryOutput output;
    EXPECT_NE(vcedit_write(state.get(), &output), 0);
    EXPECT_STREQ(state->lasterror, "This stream was opened for reading its comments only");
}

const std::string kBigPicture = fixture::pictureComment(2 * 1024 * 1024);

INSTANTIATE_TEST_SUITE_P(
    Vcedit, CommentsOnly,
    ::testing::Values(
        ReadShape{"Plain", {"TITLE=t", "ALBUM=a", "artist=A", "ARTIST=B"}},
        ReadShape{"PictureSkippedAcrossPages",
                  {"ARTIST=a", kBigPicture, "Title=after the picture", "X=y"},
                  true,
                  false,
                  0,
                  true,
                  64 * 1024},
        ReadShape{"PictureFirst", {kBigPicture, "TITLE=t"}, true, false, 0, true, 64 * 1024},
        ReadShape{"NoSeekCallback", {"TITLE=t", kBigPicture, "ARTIST=z"}, true, false, 0, false},
        ReadShape{"OneByteReads", {"TITLE=t", std::string(70000, 'p'), "ARTIST=z"}, true, false, 1},
        ReadShape{"SetupSharesAPageWithAudio", {"TITLE=t", "ARTIST=a"}, false},
        ReadShape{"BehindAnotherStream", {"TITLE=t", "ARTIST=a"}, true, true},
        ReadShape{"WantedCommentAcrossPages", {"TITLE=" + std::string(200000, 'w')}},
        ReadShape{"NoComments", {}}),
    [](const auto& info) { return std::string(info.param.what); });

} // namespace
