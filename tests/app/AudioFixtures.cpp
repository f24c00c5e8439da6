#include "AudioFixtures.h"

#include <QFile>
#include <QProcess>
#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

namespace {

QStringList codecArgs(const QString& ext) {
    if (ext == "mp3")
        return {"-c:a", "libmp3lame", "-b:a", "32k", "-id3v2_version", "3", "-write_id3v1", "0"};
    if (ext == "ogg")
        return {"-c:a", "libvorbis", "-q:a", "0"};
    if (ext == "wma")
        return {"-c:a", "wmav2", "-b:a", "32k"};
    return {"-c:a", "pcm_s16le"};
}

bool runFfmpeg(const QString& ext, const QString& out, const QString& title, int track) {
    QStringList args{
        "-v",  "error", "-y",  "-f",   "lavfi", "-i", "sine=frequency=440:duration=0.3",
        "-ac", "1",     "-ar", "22050"};
    args << codecArgs(ext);
    args << "-metadata"
         << "title=" + title << "-metadata"
         << "artist=Fixture Artist"
         << "-metadata"
         << "album=Fixture Album"
         << "-metadata"
         << "date=1999"
         << "-metadata"
         << "comment=fixture"
         << "-metadata"
         << "genre=Jazz"
         << "-metadata"
         << "track=" + QString::number(track) << out;
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", args);
    return ffmpeg.waitForFinished(30000) && ffmpeg.exitStatus() == QProcess::NormalExit &&
           ffmpeg.exitCode() == 0;
}

} // namespace

bool AudioFixtures::make(const QString& folder) {
    folder_ = folder;
    for (const char* ext : {"mp3", "ogg", "wma", "wav"})
        if (!runFfmpeg(ext, folder + "/template." + ext, QString("Template ") + ext, 7))
            return false;
    return true;
}

bool AudioFixtures::copy(const QString& ext, const QString& path, const QString& title,
                         int track) const {
    QFile::remove(path);
    if (title.isEmpty() && track == 0)
        return QFile::copy(folder_ + "/template." + ext, path);
    return runFfmpeg(ext, path, title, track);
}

TagLibTags AudioFixtures::read(const QString& path) {
    return read(QFile::encodeName(path).toStdString());
}

TagLibTags AudioFixtures::read(const std::string& path) {
    TagLibTags tags;
    TagLib::FileRef file(path.c_str());
    if (file.isNull() || !file.tag())
        return tags;
    const TagLib::Tag* tag = file.tag();
    tags.title = tag->title().to8Bit(true);
    tags.artist = tag->artist().to8Bit(true);
    tags.album = tag->album().to8Bit(true);
    tags.comment = tag->comment().to8Bit(true);
    tags.genre = tag->genre().to8Bit(true);
    tags.year = tag->year();
    tags.track = tag->track();
    // Vorbis files made by ffmpeg carry their comment as DESCRIPTION, which
    // TagLib prefers; the program writes the COMMENT field, so read that one.
    if (auto* vorbis = dynamic_cast<TagLib::Ogg::Vorbis::File*>(file.file())) {
        const auto fields = vorbis->tag()->fieldListMap();
        if (fields.contains("COMMENT") && !fields["COMMENT"].isEmpty())
            tags.comment = fields["COMMENT"].front().to8Bit(true);
    }
    return tags;
}
