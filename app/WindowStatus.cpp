// The window's status line and player bar: where they sit, what updates them
// and the keys that move within the playing file from the list.
#include "app/Tageditor.h"

#include "app/PlayerBar.h"
#include "app/StatusLine.h"
#include "app/TrackList.h"
#include "components/skin/Skin.h"

#include <QShortcut>
#include <QTimer>
#include <utility>

namespace {

// Ctrl+Left and Ctrl+Right in the list move this far in the playing file.
constexpr qint64 kListStepMs = 5000;

} // namespace

// Both sit in the transport panel right of the playback buttons, the player
// bar above the status line; they stretch with the window's width.
void Tfm_main::createStatusAndPlayer() {
    PlayerBar1 = new PlayerBar(this);
    PlayerBar1->setGeometry(344, 420, 411, 24);
    StatusLine1 = new StatusLine(this);
    StatusLine1->setGeometry(344, 454, 411, 20);
    for (QWidget* line : std::initializer_list<QWidget*>{PlayerBar1, StatusLine1})
        Skin1->AnchorWidget(line, Qt::LeftEdge | Qt::RightEdge | Qt::BottomEdge);

    connect(PlayerBar1, &PlayerBar::seekRequested, this,
            [this](qint64 milliseconds) { Guard([&] { SeekTo(milliseconds); }); });
    connect(AudioPlayer21, &TAudioPlayer2::OnTimer, this,
            [this](QObject* sender, int samples, int left, int right) {
                Guard([&] { AudioPlayer21Timer(sender, samples, left, right); });
            });
    auto listShortcut = [this](const QKeySequence& keys, qint64 step) {
        auto* shortcut = new QShortcut(keys, lv_id3, nullptr, nullptr, Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this,
                [this, step] { Guard([&] { SeekTo(PlayingPosition() + step); }); });
    };
    listShortcut(QKeySequence(Qt::CTRL | Qt::Key_Left), -kListStepMs);
    listShortcut(QKeySequence(Qt::CTRL | Qt::Key_Right), kListStepMs);

    QAbstractItemModel* rows = lv_id3->model();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(rows, signal, this, &Tfm_main::UpdateStatus);
    connect(rows, &QAbstractItemModel::modelReset, this, &Tfm_main::UpdateStatus);
    connect(lv_id3->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &Tfm_main::UpdateStatus);
    refreshStatus();
}

// Counting the unwritten rows walks the whole table, so a burst of changes
// (a folder scan adds rows one by one) is counted once.
void Tfm_main::UpdateStatus() {
    if (std::exchange(statusPending_, true))
        return;
    QTimer::singleShot(0, this, [this] {
        statusPending_ = false;
        refreshStatus();
    });
}

void Tfm_main::refreshStatus() {
    StatusLine1->showCounts(RowCount(), static_cast<int>(selectedRows().size()),
                            RowsWithUnwrittenEdits());
    if (!busy_)
        StatusLine1->endProgress();
}

void Tfm_main::ShowProgress(const QString& work, int done, int total) {
    StatusLine1->showProgress(work, done, total);
    UpdateStatus();
}
