// Playback of the listed files through the two audio components: play, pause,
// stop, previous and next, moving within the playing file, and the player's
// events that feed it block by block and tell its position.
#include "app/Tageditor.h"

#include "app/FilePaths.h"
#include "app/PlayerBar.h"
#include "app/TrackList.h"

#include <QAbstractItemModel>
#include <algorithm>
#include <string>

namespace {

// The count handed to each read of the file component: 44100 sample frames.
constexpr int BlockSize = 44100;

// The "path" column of the started row, as the list holds it; with it the
// playing row index follows the file when rows above it are removed or the
// list is cleared.
QByteArray PlayingPath;

QByteArray pathAt(const QAbstractItemModel& rows, int row) {
    return rows.index(row, 1).data(Qt::UserRole).toByteArray();
}

// Puts the playing row index back on the row that holds the playing file
// after the list changed, or on -1 (no row) when that file is no longer
// listed, so that neither the row colour nor previous and next ever land on
// another file's row or on a row that does not exist. It works on the list's
// model alone, which stays whole until its own destruction is done.
void followPlayingFile(const QAbstractItemModel& rows) {
    if (!PlayingFlag)
        return;
    const int count = rows.rowCount();
    if (PlayingRowIndex >= 0 && PlayingRowIndex < count &&
        pathAt(rows, PlayingRowIndex) == PlayingPath)
        return;
    PlayingRowIndex = -1;
    for (int row = 0; row < count; ++row) {
        if (pathAt(rows, row) == PlayingPath) {
            PlayingRowIndex = row;
            return;
        }
    }
}

// Re-checks the playing row whenever rows come, go, move or change their
// path (a row's path is set just after the row comes), once per list.
void watchListChanges(QAbstractItemModel* rows) {
    const char* const marker = "velmoraFollowsPlayingFile";
    if (rows->property(marker).toBool())
        return;
    rows->setProperty(marker, true);
    const auto follow = [rows] { followPlayingFile(*rows); };
    QObject::connect(rows, &QAbstractItemModel::rowsInserted, rows, follow);
    QObject::connect(rows, &QAbstractItemModel::dataChanged, rows,
                     [rows](const QModelIndex& from, const QModelIndex& to) {
                         if (from.column() <= 1 && to.column() >= 1)
                             followPlayingFile(*rows);
                     });
    QObject::connect(rows, &QAbstractItemModel::rowsRemoved, rows, follow);
    QObject::connect(rows, &QAbstractItemModel::rowsMoved, rows, follow);
    QObject::connect(rows, &QAbstractItemModel::modelReset, rows, follow);
    QObject::connect(rows, &QAbstractItemModel::layoutChanged, rows, follow);
}

} // namespace

void Tfm_main::PlayFile() {
    if (RowCount() == 0)
        return;
    if (FirstSelectedRow() < 0)
        SelectRow(0);
    lv_id3Click();
    if (PausedFlag) {
        PausedFlag = false;
        AudioPlayer21->Play();
        showPlayerState();
        return;
    }
    if (PlayingFlag)
        StopPlay();
    watchListChanges(lv_id3->model());
    PlayingFlag = true;
    try {
        AudioFile21->SetOption(-1);
        if (AudioFile21->IsOpen())
            AudioFile21->Close();
        PlayingRowIndex = FirstSelectedRow();
        PlayingPath = pathAt(*lv_id3->model(), PlayingRowIndex);
        // The file system's bytes, so that a name that is not UTF-8 opens too.
        AudioFile21->Open(RowPath(PlayingRowIndex), 0, 1);
        const int formatValue1 = AudioFile21->FormatValue1();
        const int formatValue2 = AudioFile21->FormatValue2();
        AudioPlayer21->SetFormat(formatValue2, formatValue1);
        AudioPlayer21->Play();
        LoadBuffer();
        LoadBuffer();
        PlayerBar1->setFileName(QString::fromStdString(RowCaption(PlayingRowIndex)));
        showPlayerState();
    } catch (...) {
        // A file that cannot be played leaves playback stopped and its row
        // unpainted; the error goes on to the window's error handler.
        StopPlay();
        throw;
    }
    lv_id3->viewport()->update();
}

void Tfm_main::LoadBuffer() {
    try {
        AudioBlock block = AudioFile21->ReadBlock(BlockSize);
        AudioPlayer21->PlayArray(block);
    } catch (...) {
        // A file that fails part way stops like one that cannot be opened.
        StopPlay();
        throw;
    }
}

void Tfm_main::StopPlay() {
    PlayingFlag = false;
    PausedFlag = false;
    AudioPlayer21->Stop();
    AudioFile21->Close();
    lv_id3->viewport()->update();
    PlayerBar1->setFileName({});
    showPlayerState();
}

void Tfm_main::pause() {
    if (!PlayingFlag)
        return;
    if (PausedFlag)
        AudioPlayer21->Play();
    else
        AudioPlayer21->Stop();
    PausedFlag = !PausedFlag;
    showPlayerState();
}

void Tfm_main::brackplay() {
    if (!PlayingFlag)
        return;
    followPlayingFile(*lv_id3->model());
    if (PlayingRowIndex <= 0)
        return;
    DeselectAllRows();
    SelectRow(PlayingRowIndex - 1);
    PlayFile();
}

void Tfm_main::nextplay() {
    if (!PlayingFlag)
        return;
    followPlayingFile(*lv_id3->model());
    if (PlayingRowIndex < 0 || PlayingRowIndex >= RowCount() - 1)
        return;
    DeselectAllRows();
    SelectRow(PlayingRowIndex + 1);
    PlayFile();
}

void Tfm_main::Play1Click() {
    PlayFile();
}

void Tfm_main::Stop1Click() {
    StopPlay();
}

void Tfm_main::AudioPlayer21EndArrayPlay(QObject*) {
    LoadBuffer();
}

void Tfm_main::AudioPlayer21RequestOnLoadArray(QObject*) {
    LoadBuffer();
}

void Tfm_main::AudioPlayer21EndPlay(QObject*) {
    StopPlay();
}

void Tfm_main::AudioPlayer21Timer(QObject*, int, int, int) {
    showPlayerState();
}

// The file component moves, and the player drops what it still held of the
// old place and hears the new one from there; a paused file stays paused.
void Tfm_main::SeekTo(qint64 milliseconds) {
    if (!PlayingFlag || !AudioFile21->IsOpen())
        return;
    AudioFile21->Seek(std::max<qint64>(milliseconds, 0) * AudioFile21->FormatValue1() / 1000);
    AudioPlayer21->Restart(AudioFile21->Position());
    LoadBuffer();
    LoadBuffer();
    showPlayerState();
}

qint64 Tfm_main::PlayingPosition() const {
    if (!PlayingFlag)
        return 0;
    return AudioPlayer21->Position() * 1000 / AudioFile21->FormatValue1();
}

void Tfm_main::showPlayerState() {
    const auto state = !PlayingFlag ? PlayerBar::State::Stopped
                       : PausedFlag ? PlayerBar::State::Paused
                                    : PlayerBar::State::Playing;
    const qint64 length = AudioFile21->Length() * 1000 / AudioFile21->FormatValue1();
    const qint64 position = PlayingPosition();
    PlayerBar1->showState(state, length > 0 ? std::min(position, length) : position, length);
}
