#include "tags/id3/Id3Genres.h"

#include <cctype>

namespace velmora::id3 {

namespace {

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

int genreIndex(std::string_view text) {
    for (int i = 0; i < kGenreCount; ++i)
        if (sameLetters(text, kNumberedGenres[static_cast<std::size_t>(i)]))
            return i;
    if (text.size() >= 3 && text.front() == '(' && text.back() == ')')
        text = text.substr(1, text.size() - 2);
    if (text.empty() || text.size() > 3)
        return kNoGenre;
    int number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return kNoGenre;
        number = number * 10 + (c - '0');
    }
    return number < kGenreCount ? number : kNoGenre;
}

} // namespace velmora::id3
