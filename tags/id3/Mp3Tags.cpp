#include "tags/id3/Mp3Tags.h"

#include "tags/id3/Unit2.h"

namespace velmora::mp3 {

namespace {

TagValues toValues(const ID3StructV2& tag) {
    TagValues v;
    v[Field::Title] = tag.Title;
    v[Field::Artist] = tag.Artist;
    v[Field::Album] = tag.Album;
    v[Field::Year] = tag.Year;
    v[Field::Genre] = tag.Genre;
    v[Field::Comment] = tag.Comment;
    v[Field::Track] = tag.Track;
    return v;
}

void apply(ID3StructV2& tag, const TagValues& v, FieldMask changed) {
    auto take = [&](Field f, std::string& to) {
        if (changed.has(f))
            to = v[f];
    };
    take(Field::Title, tag.Title);
    take(Field::Artist, tag.Artist);
    take(Field::Album, tag.Album);
    take(Field::Year, tag.Year);
    take(Field::Genre, tag.Genre);
    take(Field::Comment, tag.Comment);
    take(Field::Track, tag.Track);
}

} // namespace

TagValues readTags(const std::string& path) {
    ReadMP3Tag(path);
    return toValues(ID3Tag);
}

void writeTags(const std::string& path, const TagValues& values, FieldMask changed) {
    if (changed.empty())
        return;
    ReadMP3Tag(path);
    ID3StructV2 tag = ID3Tag;
    apply(tag, values, changed);
    WriteMP3Tag(path, tag, TrackSource::FromRecord);
}

} // namespace velmora::mp3
