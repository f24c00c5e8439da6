// The six tag fields between a row's Timerec and the record of each format.
// The ID3 and WMA records name them as Timerec does; the Ogg record calls the
// year Date. Fields a Timerec does not hold (the track number among them) are
// left as they are.
#pragma once

#include "app/State.h"
#include "tags/id3/Unit2.h"

// Copies Title, Artist, Year, Album, Comment and Genre between two records
// that name them alike (Timerec, ID3StructV2, WMATagRec).
template <class To, class From> void CopyTagFields(To& to, const From& from) {
    to.Title = from.Title;
    to.Artist = from.Artist;
    to.Year = from.Year;
    to.Album = from.Album;
    to.Comment = from.Comment;
    to.Genre = from.Genre;
}

inline Timerec TimerecFromOgg(const OGGTag& tag) {
    return {tag.Title, tag.Artist, tag.Date, tag.Album, tag.Comment, tag.Genre};
}

inline void CopyTagFields(OGGTag& to, const Timerec& from) {
    to.Comment = from.Comment;
    to.Date = from.Year;
    to.Artist = from.Artist;
    to.Album = from.Album;
    to.Title = from.Title;
    to.Genre = from.Genre;
}
