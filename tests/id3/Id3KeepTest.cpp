// Frames the record does not model are kept, brought into version 2.3 form.
#include "tags/id3/Id3Tag.h"
#include "tests/id3/Id3Bytes.h"

#include <gtest/gtest.h>

using namespace velmora::id3;
using namespace velmora::test;

namespace {

const std::string kPng = "\x89PNG\r\n\x1A\n\x00\x00\xFF\x00\xFF\xE0 picture bytes"s;

struct KeepCase {
    const char* name;
    std::string tag;
    std::vector<Frame> kept;
};

std::vector<KeepCase> keepCases() {
    return {
        {"Version23ByteForByte",
         tagOf(3, frame23("TIT2", "\x00t"s) + frame23("PRIV", "owner\0\x01\x02"s, 0x4000) +
                      frame23("APIC", "\x00image/png\x00\x03\x00"s + kPng) +
                      frame23("TXXX", "\x01\xFF\xFEk\x00\x00\x00\xFF\xFEv\x00"s, 0x0080) +
                      frame23("COMM", "\x00"
                                      "engiTunNORM\x00 1 2"s)),
         {{"PRIV", 0x4000, "owner\0\x01\x02"s},
          {"APIC", 0, "\x00image/png\x00\x03\x00"s + kPng},
          {"TXXX", 0x0080, "\x01\xFF\xFEk\x00\x00\x00\xFF\xFEv\x00"s},
          {"COMM", 0,
           "\x00"
           "engiTunNORM\x00 1 2"s}}},
        {"Version23TagAlterDiscardDropped", tagOf(3, frame23("XSOP", "\x00s"s, 0x8000)), {}},
        {"TheSevenAreNeverKept",
         tagOf(3, frame23("TIT2", "\x07?"s) +
                      frame23("TRCK", "\x00"
                                      "1"s) +
                      frame23("COMM", "\x00"
                                      "eng\x00plain"s)),
         {}},
        {"Version24Utf8ToUtf16",
         tagOf(4, frame24("TXXX", "\x03"
                                  "d\x00\xC3\xA9"s) +
                      frame24("USLT", "\x03"
                                      "eng\x00la\xC3\xA9"s) +
                      frame24("TPE2", "\x03"
                                      "a\x00\xC3\xA9"s)),
         {{"TXXX", 0,
           "\x01\xFF\xFE"
           "d\x00\x00\x00\xFF\xFE\xE9\x00"s},
          {"USLT", 0,
           "\x01"
           "eng\xFF\xFE\x00\x00\xFF\xFEl\x00"
           "a\x00\xE9\x00"s},
          {"TPE2", 0,
           "\x01\xFF\xFE"
           "a\x00/\x00\xE9\x00"s}}},
        {"Version24AsciiBecomesPlain",
         tagOf(4, frame24("APIC", "\x03image/png\x00\x03"
                                  "cover\x00"s +
                                      kPng) +
                      frame24("WXXX", "\x02\x00h\x00\x00http://x"s) +
                      frame24("COMM", "\x02"
                                      "eng\x00"
                                      "d\x00\x00\x00"
                                      "c"s)),
         {{"APIC", 0,
           "\x00image/png\x00\x03"
           "cover\x00"s +
               kPng},
          {"WXXX", 0, "\x00h\x00http://x"s},
          {"COMM", 0,
           "\x00"
           "engd\x00"
           "c"s}}},
        {"Version24FlagsAndGroups",
         tagOf(4, frame24("PRIV",
                          "\x09"
                          "data"s,
                          0x2040) +
                      frame24("TPE2", "\x00x"s, 0x1000) + frame24("TPE3", "\x00y"s, 0x4000) +
                      frame24("TPE4", "\x00\x00\x00\x02\x00z"s, 0x0001)),
         {{"PRIV", 0x4020,
           "\x09"
           "data"s},
          {"TPE2", 0x2000, "\x00x"s},
          {"TPE4", 0, "\x00z"s}}},
        {"Version24Renamed",
         tagOf(4, frame24("TDOR", "\x00"
                                  "1970-05-01"s) +
                      frame24("TIPL", "\x03"
                                      "mix\x00"
                                      "Bob\x00"s)),
         {{"TORY", 0,
           "\x00"
           "1970"s},
          {"IPLS", 0,
           "\x00mix\x00"
           "Bob\x00"s}}},
        {"Version24Dropped",
         tagOf(4, frame24("SEEK", "\x00\x00\x10\x00"s) + frame24("ASPI", "0123456789"s) +
                      frame24("PRIV", "\x00\x00\x00\x05zzzz"s, 0x0009) +
                      frame24("USER", "\x03"
                                      "engterms"s) +
                      frame24("TDRC", "\x00"
                                      "2001"s)),
         {}},
        {"Version24RecordingTimeInParts",
         tagOf(4, frame24("TDRC", "\x00"
                                  "2021-03-04T10:20:30"s) +
                      frame24("TPE2", "\x00x"s)),
         {{"TPE2", 0, "\x00x"s},
          {"TDAT", 0,
           "\x00"
           "0403"s},
          {"TIME", 0,
           "\x00"
           "1020"s}}},
        {"Version24RecordingDateOnly",
         tagOf(4, frame24("TDRC", "\x00"
                                  "2021-03-04"s)),
         {{"TDAT", 0,
           "\x00"
           "0403"s}}},
        {"Version22Converted",
         tagOf(2, frame22("TT2", "\x00t"s) +
                      frame22("PIC", "\x00JPG\x03"
                                     "d\x00"s +
                                         kPng) +
                      frame22("ULT", "\x00"
                                     "eng\x00words"s) +
                      frame22("TP2", "\x00"
                                     "band"s) +
                      frame22("COM", "\x00"
                                     "engdesc\x00text"s) +
                      frame22("CRM", "???"s)),
         {{"APIC", 0,
           "\x00image/jpeg\x00\x03"
           "d\x00"s +
               kPng},
          {"USLT", 0,
           "\x00"
           "eng\x00words"s},
          {"TPE2", 0,
           "\x00"
           "band"s},
          {"COMM", 0,
           "\x00"
           "engdesc\x00text"s}}},
    };
}

std::string describe(const std::vector<Frame>& frames) {
    std::string out;
    for (const Frame& f : frames) {
        out += f.id + " flags " + std::to_string(f.flags) + " [";
        for (unsigned char c : f.data) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02X ", c);
            out += hex;
        }
        out += "]\n";
    }
    return out;
}

class Id3Keep : public ::testing::TestWithParam<KeepCase> {};

TEST_P(Id3Keep, KeptFramesInVersion23Form) {
    const ParsedTag tag = parseTag(GetParam().tag);
    EXPECT_EQ(describe(tag.kept), describe(GetParam().kept));
}

// Rendered and parsed again, the kept frames come back unchanged.
TEST_P(Id3Keep, KeptFramesSurviveARoundTrip) {
    const ParsedTag first = parseTag(GetParam().tag);
    const ParsedTag second = parseTag(assembleTag(renderFrames(first.fields, first.kept), 0));
    EXPECT_EQ(second.version, 3);
    EXPECT_EQ(describe(second.kept), describe(first.kept));
}

INSTANTIATE_TEST_SUITE_P(Cases, Id3Keep, ::testing::ValuesIn(keepCases()),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
