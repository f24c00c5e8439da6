#include "WmaFixture.h"

#include "base/Text.h"

#include <taglib/asffile.h>
#include <taglib/asfpicture.h>
#include <taglib/asftag.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace wmatest {

namespace {

const char* HeaderGuid = "75B22630-668E-11CF-A6D9-00AA0062CE6C";
const char* FilePropertiesGuid = "8CABDCA1-A947-11CF-8EE4-00C00C205365";
const char* HeaderExtensionGuid = "5FBF03B5-A92E-11CF-8EE3-00C00C205365";

std::uint64_t readLe(std::string_view bytes, std::size_t at, int width) {
    std::uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
    return v;
}

void putLe(std::string& bytes, std::size_t at, std::uint64_t v, int width) {
    for (int i = 0; i < width; ++i)
        bytes.at(at + static_cast<std::size_t>(i)) = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// The objects inside [begin, end) of bytes, each whole.
std::vector<std::string> splitObjects(std::string_view bytes) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos + 24 <= bytes.size()) {
        std::uint64_t size = readLe(bytes, pos + 16, 8);
        if (size < 24 || size > bytes.size() - pos)
            throw std::runtime_error("bad object size in fixture");
        out.emplace_back(bytes.substr(pos, size));
        pos += size;
    }
    return out;
}

bool sameKind(const std::string& a, const std::string& b) {
    return a.compare(0, 16, b, 0, 16) == 0;
}

std::string recordsObject(const char* guidText, const std::vector<Entry>& entries) {
    std::string body = le(entries.size(), 2);
    for (const auto& e : entries) {
        const std::string name = utf16(e.name);
        body += le(e.language, 2) + le(e.stream, 2) + le(name.size(), 2) + le(e.type, 2) +
                le(e.value.size(), 4) + name + e.value;
    }
    return object(guidText, body);
}

} // namespace

const std::string& toneWma() {
    static const std::string bytes = [] {
        TempDir dir;
        const std::string path = dir.file("tone.wma");
        const std::string command =
            "ffmpeg -nostdin -hide_banner -loglevel error -f lavfi "
            "-i sine=frequency=440:duration=0.5:sample_rate=22050 -ac 1 -c:a wmav2 -b:a 32k "
            "-map_metadata -1 -y '" +
            path + "'";
        if (std::system(command.c_str()) != 0)
            throw std::runtime_error("ffmpeg could not make the WMA fixture");
        return readFile(path);
    }();
    return bytes;
}

std::string guid(std::string_view t) {
    auto hex = [&](std::size_t at, int digits) {
        return static_cast<std::uint64_t>(
            std::stoull(std::string(t.substr(at, digits)), nullptr, 16));
    };
    std::string out = le(hex(0, 8), 4) + le(hex(9, 4), 2) + le(hex(14, 4), 2);
    for (std::size_t at : {19, 21, 24, 26, 28, 30, 32, 34})
        out += static_cast<char>(hex(at, 2));
    return out;
}

std::string le(std::uint64_t value, int width) {
    std::string out(static_cast<std::size_t>(width), '\0');
    putLe(out, 0, value, width);
    return out;
}

std::string utf16(std::string_view utf8, bool terminated) {
    return velmora::utf8ToUtf16LeBytes(utf8) + (terminated ? std::string(2, '\0') : "");
}

std::string object(std::string_view guidText, std::string_view body) {
    return guid(guidText) + le(24 + body.size(), 8) + std::string(body);
}

Entry text(std::string name, std::string_view value) {
    return {std::move(name), 0, utf16(value), 0, 0};
}

Entry dword(std::string name, std::uint32_t value) {
    return {std::move(name), 3, le(value, 4), 0, 0};
}

std::string contentDescription(std::string_view title, std::string_view author,
                               std::string_view copyright, std::string_view description,
                               std::string_view rating) {
    std::string lengths, texts;
    for (auto field : {title, author, copyright, description, rating}) {
        std::string bytes = field.empty() ? std::string() : utf16(field);
        lengths += le(bytes.size(), 2);
        texts += bytes;
    }
    return object("75B22633-668E-11CF-A6D9-00AA0062CE6C", lengths + texts);
}

std::string extendedContent(const std::vector<Entry>& entries) {
    std::string body = le(entries.size(), 2);
    for (const auto& e : entries) {
        const std::string name = utf16(e.name);
        body += le(name.size(), 2) + name + le(e.type, 2) + le(e.value.size(), 2) + e.value;
    }
    return object("D2D0A440-E307-11D2-97F0-00A0C95EA850", body);
}

std::string metadata(const std::vector<Entry>& entries) {
    return recordsObject("C5F8CBEA-5BAF-4877-8467-AA8C44FA4CCA", entries);
}

std::string metadataLibrary(const std::vector<Entry>& entries) {
    return recordsObject("44231C94-9498-49D1-A141-1D134E457054", entries);
}

std::string withHeader(std::string_view file, const std::vector<std::string>& objects,
                       const std::vector<std::string>& extensionObjects) {
    const std::uint64_t headerSize = readLe(file, 16, 8);
    std::vector<std::string> children = splitObjects(file.substr(30, headerSize - 30));
    std::vector<std::string> kept;
    for (auto& child : children) {
        bool replaced = false;
        for (const auto& o : objects)
            replaced = replaced || sameKind(child, o);
        if (sameKind(child, guid(HeaderExtensionGuid)) && !extensionObjects.empty()) {
            std::vector<std::string> inner;
            for (auto& e : splitObjects(std::string_view(child).substr(46))) {
                bool gone = false;
                for (const auto& o : extensionObjects)
                    gone = gone || sameKind(e, o);
                if (!gone)
                    inner.push_back(e);
            }
            for (const auto& o : extensionObjects)
                inner.push_back(o);
            std::string data;
            for (auto& e : inner)
                data += e;
            child = object(HeaderExtensionGuid, child.substr(24, 18) + le(data.size(), 4) + data);
        }
        if (!replaced)
            kept.push_back(child);
    }
    for (const auto& o : objects)
        kept.push_back(o);
    std::string header =
        guid(HeaderGuid) + le(0, 8) + le(kept.size(), 4) + std::string(file.substr(28, 2));
    for (auto& k : kept)
        header += k;
    putLe(header, 16, header.size(), 8);
    std::string out = header + std::string(file.substr(headerSize));
    // Point the File Properties file size at the new length.
    std::size_t pos = 30;
    while (pos + 24 <= header.size()) {
        if (header.compare(pos, 16, guid(FilePropertiesGuid)) == 0)
            putLe(out, pos + 40, out.size(), 8);
        pos += readLe(header, pos + 16, 8);
    }
    return out;
}

std::string afterHeader(std::string_view file) {
    return std::string(file.substr(readLe(file, 16, 8)));
}

std::uint64_t declaredFileSize(std::string_view file) {
    const std::uint64_t headerSize = readLe(file, 16, 8);
    std::size_t pos = 30;
    while (pos + 24 <= headerSize) {
        if (file.substr(pos, 16) == guid(FilePropertiesGuid))
            return readLe(file, pos + 40, 8);
        pos += readLe(file, pos + 16, 8);
    }
    return 0;
}

TagLibView readWithTagLib(const std::string& path) {
    TagLibView view;
    TagLib::ASF::File file(path.c_str());
    if (!file.isValid() || !file.tag())
        return view;
    view.valid = true;
    TagLib::ASF::Tag* tag = file.tag();
    view.title = tag->title().to8Bit(true);
    view.artist = tag->artist().to8Bit(true);
    view.album = tag->album().to8Bit(true);
    view.comment = tag->comment().to8Bit(true);
    view.genre = tag->genre().to8Bit(true);
    view.year = tag->year();
    view.track = tag->track();
    for (const auto& [name, list] : tag->attributeListMap()) {
        for (const auto& attribute : list) {
            if (attribute.type() == TagLib::ASF::Attribute::BytesType && name == "WM/Picture") {
                const auto data = attribute.toPicture().picture();
                view.pictures.emplace_back(data.data(), data.size());
            }
            view.attributes[name.to8Bit(true)].push_back(attribute.toString().to8Bit(true));
        }
    }
    return view;
}

std::map<std::string, std::string> readWithFfprobe(const std::string& path) {
    std::map<std::string, std::string> tags;
    std::string output;
    velmora::test::run("ffprobe -v error -show_entries format_tags -of "
                       "default=noprint_wrappers=1 '" +
                           path + "'",
                       output);
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("TAG:", 0) != 0)
            continue;
        auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = line.substr(4, eq - 4);
        for (auto& c : key)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        tags[key] = line.substr(eq + 1);
    }
    return tags;
}

} // namespace wmatest
