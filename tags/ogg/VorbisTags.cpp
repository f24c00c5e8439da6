#include "tags/ogg/VorbisTags.h"

#include "tags/ogg/Ogg.h"

namespace velmora::vorbis {

namespace {

TagValues toValues(const OGGTag& tag) {
    TagValues v;
    v[Field::Title] = tag.Title;
    v[Field::Artist] = tag.Artist;
    v[Field::Album] = tag.Album;
    v[Field::Year] = tag.Date;
    v[Field::Genre] = tag.Genre;
    v[Field::Comment] = tag.Comment;
    v[Field::Track] = tag.TrackNumber;
    return v;
}

void apply(OGGTag& tag, const TagValues& v, FieldMask changed) {
    auto take = [&](Field f, std::string& to) {
        if (changed.has(f))
            to = v[f];
    };
    take(Field::Title, tag.Title);
    take(Field::Artist, tag.Artist);
    take(Field::Album, tag.Album);
    take(Field::Year, tag.Date);
    take(Field::Genre, tag.Genre);
    take(Field::Comment, tag.Comment);
    take(Field::Track, tag.TrackNumber);
}

} // namespace

TagValues readTags(const std::string& path) {
    OGGTag tag;
    ReadOGGTag(path, tag);
    return toValues(tag);
}

void writeTags(const std::string& path, const TagValues& values, FieldMask changed) {
    if (changed.empty())
        return;
    OGGTag tag;
    ReadOGGTag(path, tag);
    apply(tag, values, changed);
    if (!WriteOGGTag(path, tag))
        throw TagError("Cannot write the comments of \"" + expandPath(path) + "\".");
}

} // namespace velmora::vorbis
