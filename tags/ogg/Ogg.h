// The Ogg unit: the comments of an Ogg Vorbis file, read and rewritten through
// the comment editing library (libvcedit.so beside the executable) and libvorbis,
// both loaded at each call. Text is UTF-8 throughout.
#pragma once

#include <string>

// The seven modelled comments, in key-table order.
struct OGGTag {
    std::string Album;
    std::string Title;
    std::string Artist;
    std::string Comment;
    std::string Genre;
    std::string Date;
    std::string TrackNumber;
};

// Fills tag from the file's comments (a field without a comment becomes empty).
// Raises velmora::TagError: the file layer's open error, or
// "Cannot open " + file name + ": " + the library's error text.
// When the comment editing library cannot be loaded, tag is left untouched.
void ReadOGGTag(const std::string& fileName, OGGTag& tag);

// Rewrites the file with the record's comments. Comments the record does not
// model are kept. Returns true when the new file is in place. Raises
// velmora::TagError as ReadOGGTag does, or "Cannot write comments: " + text.
bool WriteOGGTag(const std::string& fileName, OGGTag tag);
