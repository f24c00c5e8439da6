#include "PeerFiles.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <taglib/flacfile.h>
#include <taglib/xiphcomment.h>
#include <unistd.h>

namespace velmora::test {

std::string quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

namespace {

const char* kPython = "/usr/bin/python3"; // Debian's, with python3-mutagen

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

std::string mustRun(const std::string& command) {
    std::string output;
    if (run("(" + command + ") 2>&1", output) != 0)
        throw std::runtime_error("failed: " + command.substr(0, 200) + "\n" +
                                 output.substr(0, 2000));
    return output;
}

std::string makeCover(const TempDir& dir) {
    const std::string path = dir.file("cover.jpg");
    if (!exists(path))
        mustRun("ffmpeg -v error -y -f lavfi -i \"nullsrc=s=740x740,geq=lum='random(1)*255':"
                "cb='random(2)*255':cr=128\" -frames:v 1 -q:v 1 " +
                quote(path));
    return path;
}

std::string makeFlac(const TempDir& dir, const std::string& name, const FlacRecipe& recipe) {
    const std::string path = dir.file(name);
    const std::string wav = makeWav(dir, recipe.seconds);
    std::string encode = "flac --silent -f " + std::string(recipe.seekTable ? "-S 1s " : "");
    encode +=
        recipe.padding < 0 ? "--no-padding " : "--padding=" + std::to_string(recipe.padding) + " ";
    mustRun(encode + "-o " + quote(path) + " " + quote(wav));
    ::unlink(wav.c_str());

    std::string tag = "metaflac --remove-all-tags";
    for (const std::string& comment : recipe.comments)
        tag += " --set-tag=" + quote(comment);
    if (recipe.picture)
        tag +=
            " --import-picture-from=" + quote("3|image/jpeg|Front|740x740x24/0|" + makeCover(dir));
    if (recipe.cueSheet) {
        const std::string cue = dir.file(name + ".cue");
        writeFile(cue, "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                       "  TRACK 02 AUDIO\n    INDEX 01 00:01:00\n");
        tag += " --import-cuesheet-from=" + quote(cue);
        mustRun(tag + " " + quote(path));
        ::unlink(cue.c_str());
    } else {
        mustRun(tag + " " + quote(path));
    }
    if (recipe.noCommentBlock)
        mustRun("metaflac --remove --block-type=VORBIS_COMMENT " + quote(path));

    if (recipe.application || recipe.id3 || recipe.commentsLast) {
        std::string script = "from mutagen.flac import FLAC, MetadataBlock\n"
                             "f = FLAC(" +
                             quote(path) + ")\n";
        if (recipe.application)
            script += "b = MetadataBlock(b'Velm' + bytes(range(256)) * 3)\n"
                      "b.code = 2\n"
                      "f.metadata_blocks.insert(1, b)\n";
        if (recipe.commentsLast)
            script +=
                "c = [b for b in f.metadata_blocks if b.code == 4]\n"
                "f.metadata_blocks = [b for b in f.metadata_blocks if b.code not in (1, 4)] + c\n";
        script += "f.save(padding=lambda info: " +
                  std::string(recipe.commentsLast ? "-1" : "info.get_default_padding()") + ")\n";
        if (recipe.id3)
            script += "from mutagen.id3 import ID3, TIT2, TPE1\n"
                      "t = ID3()\n"
                      "t.add(TIT2(encoding=3, text='Title in ID3'))\n"
                      "t.add(TPE1(encoding=3, text='Artist in ID3'))\n"
                      "t.save(" +
                      quote(path) + ")\n";
        const std::string file = dir.file(name + ".py");
        writeFile(file, script);
        mustRun(std::string(kPython) + " " + quote(file));
        ::unlink(file.c_str());
    }
    if (recipe.tagLibLast) {
        TagLib::FLAC::File file(path.c_str(), false);
        file.xiphComment(true)->addField("ALBUM", "By TagLib");
        if (!file.save())
            throw std::runtime_error("TagLib could not save " + path);
    }
    return path;
}

std::string makeWav(const TempDir& dir, double seconds) {
    const std::string path = dir.file("sine.wav");
    std::ostringstream length;
    length << seconds;
    mustRun("ffmpeg -v error -y -f lavfi -i 'sine=frequency=440:duration=" + length.str() +
            "' -ac 2 -ar 44100 " + quote(path));
    return path;
}

bool flacTestPasses(const std::string& path) {
    std::string output;
    return run("flac --silent -t " + quote(path) + " 2>&1", output) == 0;
}

} // namespace velmora::test
