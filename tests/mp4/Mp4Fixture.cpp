#include "Mp4Fixture.h"

#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>

namespace velmora::mp4test {

namespace {

using velmora::test::readFile;
using velmora::test::run;
using velmora::test::TempDir;
using velmora::test::writeFile;

TempDir& workDir() {
    static TempDir dir;
    return dir;
}

std::string runOrFail(const std::string& command) {
    std::string out;
    const int status = run(command, out);
    if (status != 0)
        ADD_FAILURE() << "command failed (" << status << "): " << command;
    return out;
}

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

const char* movFlags(Layout layout) {
    switch (layout) {
    case Layout::MoovLast:
        return "";
    case Layout::MoovFirst:
        return " -movflags +faststart";
    case Layout::Fragmented:
        return " -movflags frag_keyframe+empty_moov";
    }
    return "";
}

const std::string& coverPath() {
    static const std::string path = [] {
        const std::string p = workDir().file("cover.jpg");
        runOrFail("ffmpeg -v error -y -f lavfi -i color=c=gray:s=820x820 -vf noise=alls=60:allf=t"
                  " -frames:v 1 -q:v 3 " +
                  quoted(p));
        return p;
    }();
    return path;
}

std::string encode(Layout layout, int seconds, const std::string& extra) {
    const std::string out = workDir().file("encoded.m4a");
    runOrFail("ffmpeg -v error -y -f lavfi -i sine=f=440:d=" + std::to_string(seconds) + extra +
              " -c:a aac -b:a 128k" + movFlags(layout) + " " + quoted(out));
    return readFile(out);
}

const std::string& plainAudio(Layout layout, int seconds) {
    static std::map<std::pair<Layout, int>, std::string> cache;
    auto& bytes = cache[{layout, seconds}];
    if (bytes.empty())
        bytes = encode(layout, seconds, "");
    return bytes;
}

std::string ffmpegTagged(Layout layout, int seconds) {
    const TagValues v = taggedValues();
    std::string meta =
        " -i " + quoted(coverPath()) + " -map 0 -map 1 -c:v copy -disposition:v attached_pic";
    const std::pair<const char*, Field> keys[] = {
        {"title", Field::Title}, {"artist", Field::Artist}, {"album", Field::Album},
        {"date", Field::Year},   {"genre", Field::Genre},   {"comment", Field::Comment},
        {"track", Field::Track}};
    for (const auto& [key, field] : keys)
        meta += std::string(" -metadata ") + key + "=" + quoted(v[field]);
    return encode(layout, seconds, meta);
}

void tagWithMutagen(const std::string& path, bool numberedGenre) {
    const TagValues v = taggedValues();
    std::ostringstream script;
    script << "import sys, mutagen.mp4 as m\n"
              "p = sys.argv[1]\n"
              "t = m.MP4(p)\n"
              "t['\\xa9nam'] = [sys.argv[2]]; t['\\xa9ART'] = [sys.argv[3]]\n"
              "t['\\xa9alb'] = [sys.argv[4]]; t['\\xa9day'] = [sys.argv[5]]\n"
              "t['\\xa9gen'] = ['Ro' if sys.argv[9] == '1' else sys.argv[6]]\n"
              "t['\\xa9cmt'] = [sys.argv[7]]; t['trkn'] = [(3, 12)]\n"
              "t['aART'] = ['Group']; t['disk'] = [(1, 2)]\n"
              "t['----:com.apple.iTunes:MusicBrainz Album Id'] = [b'a1b2-c3d4']\n"
              "t['----:com.apple.iTunes:replaygain_track_gain'] = [b'-3.10 dB']\n"
              "t['covr'] = [m.MP4Cover(open(sys.argv[8], 'rb').read(), m.MP4Cover.FORMAT_JPEG)]\n"
              "t.save()\n"
              "if sys.argv[9] == '1':\n"
              "    b = bytearray(open(p, 'rb').read())\n"
              "    old = "
              "b'\\xa9gen\\x00\\x00\\x00\\x12data\\x00\\x00\\x00\\x01\\x00\\x00\\x00\\x00Ro'\n"
              "    i = b.index(old)\n"
              "    b[i:i + len(old)] = b'gnre\\x00\\x00\\x00\\x12data' + bytes(8) + b'\\x00\\x12'\n"
              "    open(p, 'wb').write(b)\n";
    const std::string scriptPath = workDir().file("tag.py");
    writeFile(scriptPath, script.str());
    std::string command = "/usr/bin/python3 " + quoted(scriptPath) + " " + quoted(path);
    for (Field f :
         {Field::Title, Field::Artist, Field::Album, Field::Year, Field::Genre, Field::Comment})
        command += " " + quoted(v[f]);
    command += " " + quoted(coverPath()) + (numberedGenre ? " 1" : " 0");
    runOrFail(command);
}

TagLib::String tl(const std::string& s) {
    return TagLib::String(s, TagLib::String::UTF8);
}

void tagWithTagLib(const std::string& path) {
    const TagValues v = taggedValues();
    TagLib::MP4::File file(path.c_str());
    ASSERT_TRUE(file.isValid()) << path;
    TagLib::MP4::Tag* tag = file.tag();
    tag->setTitle(tl(v[Field::Title]));
    tag->setArtist(tl(v[Field::Artist]));
    tag->setAlbum(tl(v[Field::Album]));
    tag->setGenre(tl(v[Field::Genre]));
    tag->setComment(tl(v[Field::Comment]));
    tag->setItem("\251day", TagLib::StringList(tl(v[Field::Year])));
    tag->setItem("trkn", TagLib::MP4::Item(3, 12));
    tag->setItem("aART", TagLib::StringList("Group"));
    tag->setItem("----:com.apple.iTunes:MusicBrainz Album Id", TagLib::StringList("a1b2-c3d4"));
    const std::string cover = readFile(coverPath());
    TagLib::MP4::CoverArtList covers;
    covers.append(TagLib::MP4::CoverArt(TagLib::MP4::CoverArt::JPEG,
                                        TagLib::ByteVector(cover.data(), unsigned(cover.size()))));
    tag->setItem("covr", covers);
    ASSERT_TRUE(file.save()) << path;
}

// Removes moov/udta from a file whose movie atom is its last atom.
void cutUserData(const std::string& path) {
    const std::string script =
        "import sys, struct, mutagen.mp4 as m\n"
        "p = sys.argv[1]\n"
        "atoms = m.Atoms(open(p, 'rb'))\n"
        "moov, udta = atoms.path(b'moov', b'udta')\n"
        "assert moov.offset + moov.length == len(open(p, 'rb').read())\n"
        "b = bytearray(open(p, 'rb').read())\n"
        "del b[udta.offset:udta.offset + udta.length]\n"
        "b[moov.offset:moov.offset + 4] = struct.pack('>I', moov.length - udta.length)\n"
        "open(p, 'wb').write(b)\n";
    const std::string scriptPath = workDir().file("cut.py");
    writeFile(scriptPath, script);
    runOrFail("/usr/bin/python3 " + quoted(scriptPath) + " " + quoted(path));
}

std::map<std::string, std::string> pythonHashes(const std::string& body, const std::string& path) {
    const std::string script =
        "import sys, hashlib, mutagen.mp4 as m\n"
        "f = open(sys.argv[1], 'rb')\n"
        "atoms = m.Atoms(f)\n"
        "def show(key, a):\n"
        "    f.seek(a.offset)\n"
        "    print(key + '\\t' + hashlib.sha256(f.read(a.length)).hexdigest())\n" +
        body;
    const std::string scriptPath = workDir().file("hash.py");
    writeFile(scriptPath, script);
    std::istringstream lines(
        runOrFail("/usr/bin/python3 " + quoted(scriptPath) + " " + quoted(path)));
    std::map<std::string, std::string> out;
    for (std::string line; std::getline(lines, line);) {
        const auto tab = line.find('\t');
        if (tab != std::string::npos)
            out[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return out;
}

} // namespace

const char* layoutName(Layout layout) {
    switch (layout) {
    case Layout::MoovLast:
        return "MoovLast";
    case Layout::MoovFirst:
        return "MoovFirst";
    case Layout::Fragmented:
        return "Fragmented";
    }
    return "";
}

const char* taggerName(Tagger tagger) {
    switch (tagger) {
    case Tagger::None:
        return "Untagged";
    case Tagger::Ffmpeg:
        return "Ffmpeg";
    case Tagger::Mutagen:
        return "Mutagen";
    case Tagger::MutagenGnre:
        return "MutagenGnre";
    case Tagger::TagLib:
        return "TagLib";
    case Tagger::NoUserData:
        return "NoUserData";
    }
    return "";
}

TagValues taggedValues() {
    TagValues v;
    v[Field::Title] = "\xc3\x9c"
                      "n\xc3\xaf"
                      "code Song \xe2\x99\xaa";
    v[Field::Artist] = "Someone & Co";
    v[Field::Album] = "Record";
    v[Field::Year] = "2001-05-03";
    v[Field::Genre] = "Rock";
    v[Field::Comment] = "Line one\r\nLine two";
    v[Field::Track] = "3/12";
    return v;
}

void makeSample(const std::string& path, Layout layout, Tagger tagger, int seconds) {
    if (tagger == Tagger::Ffmpeg) {
        writeFile(path, ffmpegTagged(layout, seconds));
        return;
    }
    writeFile(path, plainAudio(layout, seconds));
    if (tagger == Tagger::Mutagen || tagger == Tagger::MutagenGnre)
        tagWithMutagen(path, tagger == Tagger::MutagenGnre);
    else if (tagger == Tagger::TagLib)
        tagWithTagLib(path);
    else if (tagger == Tagger::NoUserData)
        cutUserData(path);
}

TagValues readWithTagLib(const std::string& path) {
    TagValues v;
    TagLib::MP4::File file(path.c_str());
    if (!file.isValid() || !file.tag())
        return v;
    const TagLib::MP4::Tag* tag = file.tag();
    v[Field::Title] = tag->title().to8Bit(true);
    v[Field::Artist] = tag->artist().to8Bit(true);
    v[Field::Album] = tag->album().to8Bit(true);
    v[Field::Genre] = tag->genre().to8Bit(true);
    v[Field::Comment] = tag->comment().to8Bit(true);
    if (tag->contains("\251day"))
        v[Field::Year] = tag->item("\251day").toStringList().toString().to8Bit(true);
    if (tag->contains("trkn")) {
        const auto track = tag->item("trkn").toIntPair();
        v[Field::Track] = std::to_string(track.first);
        if (track.second != 0)
            v[Field::Track] += "/" + std::to_string(track.second);
    }
    return v;
}

std::map<std::string, std::string> ilstItems(const std::string& path) {
    // mutagen's own tag reader must take the file too (a second opinion).
    return pythonHashes("m.MP4(sys.argv[1])\n"
                        "try:\n"
                        "    ilst = atoms.path(b'moov', b'udta', b'meta', b'ilst')[-1]\n"
                        "except KeyError:\n"
                        "    sys.exit(0)\n"
                        "seen = {}\n"
                        "for a in ilst.children:\n"
                        "    name = a.name.decode('latin-1')\n"
                        "    if a.name == b'----':\n"
                        "        f.seek(a.offset + 8)\n"
                        "        name += f.read(min(a.length - 8, 200))[16:].split(b'data')[0]"
                        ".decode('latin-1')\n"
                        "    seen[name] = seen.get(name, 0) + 1\n"
                        "    show(name + '#' + str(seen[name]), a)\n",
                        path);
}

std::map<std::string, std::string> atomsBesideMoov(const std::string& path) {
    return pythonHashes("for i, a in enumerate(atoms.atoms):\n"
                        "    if a.name != b'moov':\n"
                        "        show(str(i) + ' ' + a.name.decode('latin-1'), a)\n",
                        path);
}

std::string decodedAudioMd5(const std::string& path) {
    return runOrFail("ffmpeg -v error -i " + quoted(path) + " -map 0:a -f md5 -");
}

} // namespace velmora::mp4test
