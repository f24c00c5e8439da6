// Real audio files for the workflow tests: tiny MP3, Ogg Vorbis, WMA and WAV
// files made once per test run with ffmpeg, copied per case, and read back by
// TagLib as an independent reader.
#pragma once

#include <QString>
#include <string>

struct TagLibTags {
    std::string title, artist, album, comment, genre;
    unsigned year = 0;
    unsigned track = 0;
};

class AudioFixtures {
public:
    // Makes the templates in folder (ext: "mp3", "ogg", "wma", "wav"), each
    // tagged with title "Template <ext>", artist "Fixture Artist", album
    // "Fixture Album", year 1999, comment "fixture", genre "Jazz" and track 7.
    // Returns false when ffmpeg fails.
    bool make(const QString& folder);
    // Copies the template of ext to path, with title and track of its own.
    bool copy(const QString& ext, const QString& path, const QString& title = {},
              int track = 0) const;

    static TagLibTags read(const QString& path);
    // The same for a path given as the file system's bytes.
    static TagLibTags read(const std::string& path);

private:
    QString folder_;
};
