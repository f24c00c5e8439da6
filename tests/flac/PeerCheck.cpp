// The check every FLAC and Opus write must pass, by independent readers.
#include "PeerFiles.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <taglib/fileref.h>
#include <taglib/tpropertymap.h>

namespace velmora::test {

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// A comment as describe.py prints it: long values by length and digest.
std::string described(const std::string& comment) {
    const std::size_t equals = comment.find('=');
    if (comment.size() - equals - 1 <= 200)
        return "comment " + comment;
    std::uint64_t h = 0xCBF29CE484222325u;
    for (std::size_t i = equals + 1; i < comment.size(); ++i)
        h = (h ^ static_cast<unsigned char>(comment[i])) * 0x100000001B3u;
    char digest[17];
    std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(h));
    return "comment " + comment.substr(0, equals + 1) +
           "long:" + std::to_string(comment.size() - equals - 1) + ":" + digest;
}

} // namespace

std::vector<std::string> opusinfoSerials(const std::string& path) {
    std::string output;
    EXPECT_EQ(run("opusinfo " + quote(path) + " 2>&1", output), 0) << output;
    EXPECT_EQ(output.find("WARNING"), std::string::npos) << output;
    EXPECT_EQ(output.find("ERROR"), std::string::npos) << output;
    std::vector<std::string> serials;
    for (const std::string& line : lines(output))
        if (line.find("serial:") != std::string::npos)
            serials.push_back(line);
    return serials;
}

namespace {

std::vector<std::string> describe(const std::string& path) {
    return lines(mustRun(std::string("/usr/bin/python3") +
                         " " VELMORA_SOURCE_DIR "/tests/flac/describe.py " + quote(path)));
}

// Every audio packet with its timing and digest, as ffmpeg copies them out.
std::string audioPackets(const std::string& path) {
    return mustRun("ffmpeg -v error -i " + quote(path) + " -map 0:a -c copy -f framemd5 -");
}

using View = std::map<std::string, std::vector<std::string>>;

// The comments as TagLib's property map shows them (names in upper case).
View tagLibView(const std::string& path) {
    TagLib::FileRef file(path.c_str(), false);
    View view;
    for (const auto& [key, values] : file.file()->properties())
        for (const auto& value : values)
            view[key.to8Bit(true)].push_back(value.to8Bit(true));
    return view;
}

View expectedView(const std::vector<std::string>& comments) {
    View view;
    for (const std::string& comment : comments) {
        if (comment.rfind("kept ", 0) == 0)
            continue; // pictures are not properties
        std::string key = comment.substr(0, comment.find('='));
        for (char& c : key)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        view[key].push_back(comment.substr(comment.find('=') + 1));
    }
    return view;
}

} // namespace

void expectEditKeepsTheRest(const std::string& path, ReadTagsFunction read, WriteTagsFunction write,
                            const Edit& edit) {
    const std::vector<std::string> before = describe(path);
    const std::string audio = audioPackets(path);

    TagValues values = read(path);
    FieldMask changed;
    for (const auto& [field, value] : edit.fields) {
        values[field] = value;
        changed.set(field);
    }
    write(path, values, changed);

    std::vector<std::string> comments;
    for (const std::string& comment : edit.commentsAfter) {
        if (comment.rfind("kept ", 0) != 0) {
            comments.push_back(described(comment));
            continue;
        }
        for (const std::string& line : before)
            if (line.rfind("comment " + comment.substr(5) + "=", 0) == 0)
                comments.push_back(line);
    }
    // Everything else as it was; a file without comments gains a vendor line.
    const auto isVendor = [](const std::string& line) { return line.rfind("vendor ", 0) == 0; };
    const bool hadVendor = std::any_of(before.begin(), before.end(), isVendor);
    const auto isComment = [](const std::string& line) { return line.rfind("comment ", 0) == 0; };
    std::vector<std::string> commentsSeen;
    std::vector<std::string> rest;
    for (const std::string& line : describe(path))
        if (isComment(line))
            commentsSeen.push_back(line);
        else if (hadVendor || !isVendor(line))
            rest.push_back(line);
    std::vector<std::string> restBefore = before;
    std::erase_if(restBefore, isComment);
    EXPECT_EQ(commentsSeen, comments);
    EXPECT_EQ(rest, restBefore);
    EXPECT_EQ(audioPackets(path), audio);
    EXPECT_EQ(read(path), values);
    EXPECT_EQ(tagLibView(path), expectedView(edit.commentsAfter));
}

} // namespace velmora::test
