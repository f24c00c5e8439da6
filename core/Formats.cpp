#include "core/Formats.h"

#include "core/PathParts.h"
#include "tags/flac/FlacTags.h"
#include "tags/flac/OggFlacTags.h"
#include "tags/id3/Mp3Tags.h"
#include "tags/mp4/Mp4Tags.h"
#include "tags/ogg/VorbisTags.h"
#include "tags/opus/OpusTags.h"
#include "tags/wma/WMAudioInfo.h"
#include "tags/wma/WmaTags.h"

namespace velmora::core {

namespace {

// One row per format.
constexpr Format formatTable[] = {
    {"MP3", ".mp3", mp3::readTags, mp3::writeTags, nullptr, mp3::readFrontCover,
     mp3::writeFrontCover},
    {"Opus", ".opus", opus::readTags, opus::writeTags, nullptr, opus::readFrontCover,
     opus::writeFrontCover},
    {"Opus", ".ogg .oga", opus::readTags, opus::writeTags, opus::looksLikeOpus,
     opus::readFrontCover, opus::writeFrontCover},
    {"Ogg FLAC", ".ogg .oga", flac::readOggFlacTags, nullptr, flac::looksLikeOggFlac},
    {"Ogg Vorbis", ".ogg .oga", vorbis::readTags, vorbis::writeTags, nullptr,
     vorbis::readFrontCover, vorbis::writeFrontCover},
    {"FLAC", ".flac", flac::readTags, flac::writeTags, nullptr, flac::readFrontCover,
     flac::writeFrontCover},
    {"WMA", ".wma", wma::readTags, wma::writeTags, nullptr, wma::readFrontCover,
     wma::writeFrontCover},
    {"MP4/M4A", ".m4a .mp4", mp4::readTags, mp4::writeTags, nullptr, mp4::readFrontCover,
     mp4::writeFrontCover},
    {"WAV", ".wav", nullptr, nullptr},
};

bool listsExtension(std::string_view extensions, std::string_view ext) {
    while (!extensions.empty()) {
        const auto space = extensions.find(' ');
        if (extensions.substr(0, space) == ext)
            return true;
        if (space == std::string_view::npos)
            break;
        extensions.remove_prefix(space + 1);
    }
    return false;
}

} // namespace

std::span<const Format> allFormats() {
    return formatTable;
}

const Format* formatOf(std::string_view path) {
    return formatOf(path, formatTable);
}

const Format* formatOf(std::string_view path, std::span<const Format> table) {
    const std::string ext = lowerExtension(path);
    if (ext.empty())
        return nullptr;
    // Opened once, on the first row that needs to look at the content; a file
    // that cannot be opened is left to the row without a check, whose reader
    // then reports why.
    InputFile file;
    bool opened = false, openFailed = false;
    for (const Format& format : table) {
        if (!listsExtension(format.extensions, ext))
            continue;
        if (!format.claims)
            return &format;
        if (!opened && !openFailed) {
            opened = InputFile::tryOpen(std::string(path), file);
            openFailed = !opened;
        }
        if (opened && format.claims(file))
            return &format;
    }
    return nullptr;
}

bool hasTagReader(std::string_view path) {
    const Format* format = formatOf(path);
    return format && format->readTags;
}

FormatLibraries::FormatLibraries() {
    WMAudioInfo::Bind();
}

FormatLibraries::~FormatLibraries() {
    WMAudioInfo::Unbind();
}

} // namespace velmora::core
