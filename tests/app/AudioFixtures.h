// Real audio files for the workflow tests: tiny MP3, Ogg Vorbis, WMA and WAV
// files made once per test run with ffmpeg, copied per case, and read back by
// TagLib as an independent reader.
#pragma once

#include <QString>
#include <QStringList>
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

    // Files as other programs tag them, made from the templates at path:
    //   mp3-v24        TagLib, ID3v2.4: two artists and two genres in one frame
    //                  each, a date with time, COMM frames in two languages
    //   mp3-v23        TagLib, ID3v2.3 with two COMM frames
    //   mp3-v1         ffmpeg, an ID3v1.1 trailer built here, no version 2 tag
    //   mp3-v1v2       ffmpeg's version 2.3 tag and that trailer
    //   mp3-empty      an empty file
    //   ogg-upper      vorbiscomment: upper-case keys, two ARTIST values,
    //                  COMMENT after DESCRIPTION
    //   ogg-mixed      vorbiscomment: lower- and mixed-case keys
    //   wma-untagged   ffmpeg, no attributes
    //   wma-tagged     ffmpeg
    // Returns false when a tool fails.
    bool makeForeign(const QString& kind, const QString& path) const;
    static QStringList foreignKinds();

    // Every property TagLib reads, one "KEY=value|value" line each, sorted;
    // the key except is left out.
    static std::string properties(const QString& path, const std::string& except = {});

    static TagLibTags read(const QString& path);
    // The same for a path given as the file system's bytes.
    static TagLibTags read(const std::string& path);

private:
    QString folder_;
};
