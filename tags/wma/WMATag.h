// The WMA tag unit: attributes of WMA (ASF) files through the audio SDK, with a
// header walk of its own for reading when the SDK is missing. Text is UTF-8.
#pragma once

#include <cstdint>
#include <string>

struct WMATagRec {
    bool Found = false;
    std::string Year;
    std::uint16_t Track = 0;
    std::string Artist;
    std::string Title;
    std::string Album;
    std::string Comment;
    std::string Copyright;
    std::string Genre;
};

// Never raises, shows nothing.
WMATagRec ReadWMATag(const std::string& fileName);
// True when the SDK opened the file and saved the attributes (see writeTags).
bool WriteWMATag(const std::string& fileName, WMATagRec tag);
// True when the SDK library is bound (see WMAudioInfo.h).
bool WMAudioAvailable();
