#include "tags/wma/WmaTags.h"

#include "tags/wma/WMATag.h"

#include <charconv>

namespace velmora::wma {

TagValues readTags(const std::string& path) {
    const WMATagRec rec = ReadWMATag(path);
    TagValues v;
    v[Field::Title] = rec.Title;
    v[Field::Artist] = rec.Artist;
    v[Field::Album] = rec.Album;
    v[Field::Year] = rec.Year;
    v[Field::Genre] = rec.Genre;
    v[Field::Comment] = rec.Comment;
    if (rec.Track != 0)
        v[Field::Track] = std::to_string(rec.Track);
    return v;
}

void writeTags(const std::string& path, const TagValues& values, FieldMask changed) {
    if (changed.empty())
        return;
    WMATagRec rec = ReadWMATag(path);
    auto take = [&](Field f, std::string& to) {
        if (changed.has(f))
            to = values[f];
    };
    take(Field::Title, rec.Title);
    take(Field::Artist, rec.Artist);
    take(Field::Album, rec.Album);
    take(Field::Year, rec.Year);
    take(Field::Genre, rec.Genre);
    take(Field::Comment, rec.Comment);
    if (changed.has(Field::Track)) {
        const std::string& t = values[Field::Track];
        unsigned number = 0;
        std::from_chars(t.data(), t.data() + t.size(), number);
        rec.Track = static_cast<std::uint16_t>(number);
    }
    if (!WriteWMATag(path, rec))
        throw TagError("Cannot write the attributes of \"" + expandPath(path) + "\".");
}

} // namespace velmora::wma
