// A printable form of the record, so that tests compare and report all seven fields at once.
#pragma once

#include "tags/id3/Unit2.h"

#include <string>

namespace velmora::test {

inline std::string show(const ID3StructV2& t) {
    return "Title=[" + t.Title + "] Artist=[" + t.Artist + "] Album=[" + t.Album + "] Year=[" +
           t.Year + "] Track=[" + t.Track + "] Comment=[" + t.Comment + "] Genre=[" + t.Genre + "]";
}

} // namespace velmora::test
