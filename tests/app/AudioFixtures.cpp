#include "AudioFixtures.h"

#include <QFile>
#include <QProcess>
#include <taglib/asffile.h>
#include <taglib/commentsframe.h>
#include <taglib/fileref.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tpropertymap.h>
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

bool run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

bool ffmpegTone(const QString& path, const QStringList& codecAndTags) {
    return run("ffmpeg",
               QStringList{"-v", "error", "-y", "-f", "lavfi", "-i",
                           "sine=frequency=440:duration=0.3", "-ac", "1", "-ar", "22050"} +
                   codecAndTags + QStringList{path});
}

// Appends an ID3 version 1.1 trailer: title, artist, album, year, comment,
// track 5, genre Blues.
bool appendId3v1(const QString& path) {
    QByteArray trailer("TAG");
    auto field = [&](const char* text, int width) {
        trailer += QByteArray(text).leftJustified(width, '\0', true);
    };
    field("Old title", 30);
    field("Old artist", 30);
    field("Old album", 30);
    field("1987", 4);
    field("Old comment", 28);
    trailer += '\0';
    trailer += char(5);
    trailer += char(0); // Blues
    QFile file(path);
    return file.open(QIODevice::Append) && file.write(trailer) == 128;
}

// An ID3v2 tag of the given version (3 or 4) as TagLib writes it.
bool tagWithTagLib(const QString& path, int version) {
    TagLib::MPEG::File file(QFile::encodeName(path).constData());
    if (!file.isValid())
        return false;
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
    auto text = [&](const char* id, const TagLib::StringList& values) {
        tag->removeFrames(id);
        auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF8);
        frame->setText(values);
        tag->addFrame(frame);
    };
    auto comment = [&](const char* language, const char* value) {
        auto* frame = new TagLib::ID3v2::CommentsFrame(TagLib::String::UTF8);
        frame->setLanguage(language);
        frame->setText(TagLib::String(value, TagLib::String::UTF8));
        tag->addFrame(frame);
    };
    tag->removeFrames("COMM");
    text("TIT2", {TagLib::String("Foreign title")});
    text("TALB", {TagLib::String("Foreign album")});
    if (version == 4) {
        text("TPE1", TagLib::StringList(TagLib::String("Artist A")).append("Artist B"));
        text("TCON", TagLib::StringList(TagLib::String("52")).append("Rock"));
        text("TDRC", {TagLib::String("2021-03-04T10:20")});
    } else {
        text("TPE1", {TagLib::String("Artist A")});
    }
    comment("eng", "first comment");
    comment("deu", "zweiter Kommentar");
    return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers,
                     version == 4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3);
}

} // namespace

QStringList AudioFixtures::foreignKinds() {
    return {"mp3-v24",   "mp3-v23",   "mp3-v1",       "mp3-v1v2",  "mp3-empty",
            "ogg-upper", "ogg-mixed", "wma-untagged", "wma-tagged"};
}

bool AudioFixtures::makeForeign(const QString& kind, const QString& path) const {
    const QStringList mp3{"-c:a", "libmp3lame", "-b:a", "32k"};
    const QStringList tags{"-metadata", "title=Old title", "-metadata", "artist=Old artist",
                           "-metadata", "album=Old album", "-metadata", "date=1987",
                           "-metadata", "genre=Blues",     "-metadata", "comment=Old comment",
                           "-metadata", "track=5"};
    if (kind == "mp3-v24" || kind == "mp3-v23")
        return copy("mp3", path) && tagWithTagLib(path, kind == "mp3-v24" ? 4 : 3);
    if (kind == "mp3-v1")
        return ffmpegTone(path, mp3 + QStringList{"-map_metadata", "-1", "-fflags", "+bitexact",
                                                  "-id3v2_version", "0", "-write_id3v1", "0"}) &&
               appendId3v1(path);
    if (kind == "mp3-v1v2")
        return ffmpegTone(path, mp3 + tags + QStringList{"-id3v2_version", "3"}) &&
               appendId3v1(path);
    if (kind == "mp3-empty") {
        QFile file(path);
        return file.open(QIODevice::WriteOnly);
    }
    if (kind == "ogg-upper" || kind == "ogg-mixed") {
        const QStringList comments =
            kind == "ogg-upper"
                ? QStringList{"TITLE=Foreign title", "ARTIST=Artist A",
                              "ARTIST=Artist B",     "DESCRIPTION=Described",
                              "COMMENT=Commented",   "GENRE=Rock",
                              "DATE=2003",           "TRACKNUMBER=4"}
                : QStringList{"title=Foreign title", "Artist=Artist A", "album=Foreign album",
                              "Comment=Commented", "date=2003"};
        QStringList args{"-w"};
        for (const QString& comment : comments)
            args << "-t" << comment;
        return copy("ogg", path) && run("vorbiscomment", args << path);
    }
    const QStringList wma{"-c:a", "wmav2", "-b:a", "32k"};
    if (kind == "wma-untagged")
        return ffmpegTone(path, wma + QStringList{"-map_metadata", "-1", "-fflags", "+bitexact"});
    if (kind == "wma-tagged")
        return ffmpegTone(path, wma + tags);
    return false;
}

std::string AudioFixtures::properties(const QString& path, const std::string& except) {
    TagLib::FileRef file(QFile::encodeName(path).constData());
    if (file.isNull())
        return "(unreadable)";
    std::string lines;
    for (const auto& [key, values] : file.file()->properties()) {
        if (key.to8Bit(true) == except)
            continue;
        lines += key.to8Bit(true) + "=" + values.toString("|").to8Bit(true) + "\n";
    }
    return lines;
}

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
    // WMA files made by ffmpeg carry their comment as a "Description"
    // attribute, which the program keeps; TagLib reads only the content
    // description's, so read the attribute when that one is empty.
    if (auto* asf = dynamic_cast<TagLib::ASF::File*>(file.file()); asf && tags.comment.empty()) {
        const auto& attributes = asf->tag()->attributeListMap();
        if (attributes.contains("Description") && !attributes["Description"].isEmpty())
            tags.comment = attributes["Description"].front().toString().to8Bit(true);
    }
    return tags;
}
