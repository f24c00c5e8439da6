#include "tags/mp4/Mp4Items.h"

#include "tags/common/GenreNames.h"

#include <utility>

namespace velmora::mp4 {

namespace {

// iTunes and the other MP4 taggers spell these numbered genres otherwise than
// the list the genre field offers; a `gnre` item shows their spelling.
constexpr std::pair<unsigned, std::string_view> kMp4Spellings[] = {
    {64, "Native American"},
    {90, "Avantgarde"},
    {100, "Humour"},
    {123, "A Cappella"},
    {129, "Hardcore Techno"},
    {132, "BritPop"},
    {133, "Worldbeat"},
    {136, "Christian Gangsta Rap"},
    {140, "Contemporary Christian"},
    {146, "Jpop"},
    {147, "Synthpop"},
};

} // namespace

std::string genreName(unsigned number) {
    if (number < 1 || number > kNumberedGenreCount)
        return {};
    const unsigned index = number - 1;
    for (const auto& [at, name] : kMp4Spellings)
        if (at == index)
            return std::string(name);
    return std::string(kNumberedGenres[index]);
}

} // namespace velmora::mp4
