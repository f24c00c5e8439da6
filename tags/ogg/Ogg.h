// The Ogg unit: the comments of an Ogg Vorbis file, read and rewritten through
// the comment editing library (libvcedit.so beside the executable) and libvorbis,
// both loaded at each call. Text is UTF-8 throughout.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct vcedit_state;
struct vorbis_comment;

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

// Fills tag from the file's comments (a field without a comment becomes empty),
// as velmora::vorbis::readTags shows them: Comment from COMMENT, or from
// DESCRIPTION when there is no COMMENT. Comments that hold no field (pictures)
// are passed over unread. Raises velmora::TagError: the file layer's open
// error, or "Cannot open " + file name + ": " + the library's error text.
// When the comment editing library cannot be loaded, tag is left untouched.
void ReadOGGTag(const std::string& fileName, OGGTag& tag);

// Rewrites the file with the record's comments, written first in mixed-case
// names (an empty field writes nothing); every comment of a field's names
// (DESCRIPTION included) is replaced, comments of other names are kept. Returns
// true when the new file is in place, false only when the comment editing
// library cannot be loaded (the file untouched). Raises velmora::TagError as
// ReadOGGTag does, "Cannot write comments: " + text, or the file layer's error
// with the system's reason when the new file cannot be written, flushed or
// renamed (the file then untouched). velmora::vorbis::writeTags is the
// interface that changes only the edited fields.
bool WriteOGGTag(const std::string& fileName, OGGTag tag);

// One comment of a file. Name is the text before the first "=" (empty when the
// comment has none or a byte before it lies outside 0x20..0x7D); Value is the
// rest, or the whole comment without a usable name, made valid UTF-8.
struct TStrComment {
    std::string Name;
    std::string Value;
    std::string Text; // Name "=" Value, or Value alone when Name is empty
};
using TStrComments = std::vector<TStrComment>;

// The comments of a comment structure, in order.
TStrComments BuildStrComments(const vorbis_comment& comments);

// Appends one comment ("Key=value", UTF-8) to the editing state's comments
// through libvorbis. Nothing happens when libvorbis cannot be loaded.
void AddOGGComment(const std::string& text, vcedit_state* state);

// The read and write callbacks handed to the comment editing library; stream
// points at an OggStream (tags/ogg/OggStream.h). Shaped like fread and fwrite.
std::size_t OggReadFunc(void* buffer, std::size_t size, std::size_t count, void* stream);
std::size_t OggWriteFunc(const void* buffer, std::size_t size, std::size_t count, void* stream);

// For tests: load libvcedit.so from another folder ("" = the executable's folder)
// and libvorbis under another name ("" = libvorbis.so.0).
void SetOggLibraryDir(const std::string& dir);
void SetVorbisLibraryName(const std::string& name);
