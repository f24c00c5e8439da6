// The MP3 tag unit: the ID3v2 tag at the start of an MP3 file.
// Text is UTF-8 throughout.
#pragma once

#include <string>

// The seven text fields of an MP3 tag.
struct ID3StructV2 {
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;
    std::string Track;
    std::string Comment;
    std::string Genre;
};

// The one shared ID3 record: ReadMP3Tag delivers its result here.
extern ID3StructV2 ID3Tag;

// Fills the shared ID3 record as velmora::mp3::readTags reads the file (the
// ID3v2 tag, or an ID3v1 trailer when there is none; all fields empty when
// the file cannot be read). Never raises, never shows anything.
void ReadMP3Tag(const std::string& fileName);

// Writes all seven fields of the record as the file's ID3v2.3 tag, whatever
// version it had. Frames the record does not model are kept. The window's
// write-all uses velmora::mp3::writeTags instead, which writes only the
// changed fields and keeps the tag's version. Raises velmora::FileError ("Cannot open file "%s".
// %s") when the file cannot be opened; the file is then untouched and no file is created. The track
// number written is the file's own: the record's Track is ignored, because the main window keeps
// none and the shared record holds the track of whichever file was read last.
void WriteMP3Tag(const std::string& fileName, const ID3StructV2& tag);

// Where the written track number comes from.
enum class TrackSource { FromFile, FromRecord };

// As above, with the track number taken from the file or from the record.
void WriteMP3Tag(const std::string& fileName, const ID3StructV2& tag, TrackSource track);
