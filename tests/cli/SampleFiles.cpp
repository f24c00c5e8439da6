#include "tests/cli/SampleFiles.h"

#include "tests/common/TestFiles.h"

#include <algorithm>
#include <sstream>

namespace velmora {

void PrintTo(const TagValues& values, std::ostream* out) {
    const char* names[] = {"title", "artist", "album", "year", "genre", "comment", "track"};
    for (int i = 0; i < FieldCount; ++i)
        *out << (i ? ", " : "{") << names[i] << "=\"" << values.values[i] << '"';
    *out << '}';
}

} // namespace velmora

namespace velmora::test {

namespace {

bool ok(const std::string& command) {
    std::string output;
    return run(command + " >/dev/null 2>&1", output) == 0;
}

std::string keyOf(const std::string& line) {
    std::string key = line.substr(0, line.find('\t'));
    for (char& c : key)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return key;
}

} // namespace

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool makeSampleFiles(const std::string& folder) {
    const std::string encode = "ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=d=0.3 ";
    const std::string mp3 = shellQuote(folder + "/tagged.mp3");
    const std::string ogg = shellQuote(folder + "/tagged.ogg");
    const std::string wma = shellQuote(folder + "/tagged.wma");
    return ok(encode + "-c:a libmp3lame " + mp3) &&
           ok("mid3v2 -t 'Sample Title' -a 'Sample Artist' -A 'Sample Album' -y 2001 -g Jazz "
              "-T 3/12 -c 'Sample comment' -c 'note:Kommentar:deu' " +
              mp3) &&
           ok(encode + "-c:a libvorbis " + ogg) &&
           ok("vorbiscomment -w -t 'TITLE=Sample Title' -t 'ARTIST=Sample Artist' "
              "-t 'ALBUM=Sample Album' -t DATE=2001 -t GENRE=Jazz -t 'COMMENT=Sample comment' "
              "-t TRACKNUMBER=3/12 -t 'ENCODED-BY=someone' " +
              ogg) &&
           ok(encode + "-c:a wmav2 " + wma) &&
           ok("/usr/bin/python3 -c 'import sys; from mutagen.asf import ASF\n"
              "f = ASF(sys.argv[1])\n"
              "f.tags.update({\"Title\": \"Sample Title\", \"Author\": \"Sample Artist\", "
              "\"WM/AlbumTitle\": \"Sample Album\", \"WM/Year\": \"2001\", \"WM/Genre\": \"Jazz\", "
              "\"Description\": \"Sample comment\"})\n"
              "f.save()' " +
              wma) &&
           ok(encode + "-t 0.1 " + shellQuote(folder + "/plain.wav"));
}

TagValues sampleValues(const std::string& ext) {
    TagValues v;
    v[Field::Title] = "Sample Title";
    v[Field::Artist] = "Sample Artist";
    v[Field::Album] = "Sample Album";
    v[Field::Year] = "2001";
    v[Field::Genre] = "Jazz";
    v[Field::Comment] = "Sample comment";
    v[Field::Track] = ext == "wma" ? "" : "3/12";
    return v;
}

std::vector<std::string> tagDump(const std::string& path) {
    std::string output;
    run("/usr/bin/python3 " +
            shellQuote(std::string(VELMORA_SOURCE_DIR) + "/tests/cli/tagdump.py") + " " +
            shellQuote(path),
        output);
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
        return keyOf(a) < keyOf(b);
    });
    return lines;
}

std::vector<std::string> withoutKey(const std::vector<std::string>& dump, const std::string& key) {
    std::vector<std::string> kept;
    std::string upper = keyOf(key + "\t");
    for (const std::string& line : dump)
        if (keyOf(line) != upper)
            kept.push_back(line);
    return kept;
}

std::vector<std::string> valuesOf(const std::vector<std::string>& dump, const std::string& key) {
    std::vector<std::string> values;
    std::string upper = keyOf(key + "\t");
    for (const std::string& line : dump)
        if (keyOf(line) == upper)
            values.push_back(line.substr(line.find('\t') + 1));
    return values;
}

} // namespace velmora::test
