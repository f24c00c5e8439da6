// The skin commands: a click on a skin object runs the command of its name.
#include "app/Tageditor.h"

#include "app/CoverPanel.h"

#include "app/FilePaths.h"
#include "app/TrackList.h"
#include "app/WebPages.h"
#include "components/skin/Skin.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <stdexcept>

namespace {

// The commands that change the list or the tables; they wait while a folder
// scan or a write runs.
bool changesList(const QString& name) {
    static const QStringList names{"add", "remove", "ok", "reset", "clear", "folder"};
    return names.contains(name);
}

QString filesText(int count) {
    return count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count);
}

} // namespace

void Tfm_main::Skin1Click(TSkinObject* Source) {
    if (Source)
        RunSkinCommand(Source->ObjectName());
}

// Names compare exactly and case-sensitively; a name that matches none does nothing.
void Tfm_main::RunSkinCommand(const QString& name) {
    if (busy_ && changesList(name))
        return;
    if (name == "add") {
        const QStringList files = dialogs_->getOpenFileNames(this, OpenDialogFilter);
        if (!files.isEmpty())
            addChosenFiles(FileSystemPaths(files), true);
    } else if (name == "remove") {
        removeSelectedRows();
    } else if (name == "ok") {
        writeAllTags();
    } else if (name == "reset") {
        resetToBaseline();
    } else if (name == "clear") {
        clearList();
    } else if (name == "web") {
        dialogs_->openUrl(QLatin1String(AboutPageUrl));
    } else if (name == "cont") {
        dialogs_->openUrl(QLatin1String(HomePageUrl));
    } else if (name == "folder") {
        AddFolder();
    } else if (name == "play") {
        PlayFile();
    } else if (name == "stop") {
        StopPlay();
    } else if (name == "pause") {
        pause();
    } else if (name == "brack") {
        brackplay();
    } else if (name == "next") {
        nextplay();
    }
}

// Every row shows its values as its file holds them (as read, or as last written).
void Tfm_main::resetToBaseline() {
    list_.reset();
    syncAllRows();
    lv_id3Click();
    // Unwritten cover changes are gone too.
    CoverPanel1->refresh();
}

// Writes the rows with unwritten edits, then offers to clear the list when
// every one was written.
void Tfm_main::writeAllTags() {
    if (PlayingFlag)
        StopPlay();
    if (writeChangedRows() && RowCount() > 0 &&
        dialogs_->question(
            this, QStringLiteral("information has been written finished, clear the list now?"))) {
        clearList();
        lv_id3->viewport()->update();
    }
}

// Only the rows with unwritten edits are written (the file list opens no
// other file), and of those only the changed fields: each file keeps whatever
// else the window does not show. A written row takes its values as its new
// baseline. A file that fails does not stop the others; the failures are
// reported together at the end.
bool Tfm_main::writeChangedRows() {
    std::vector<velmora::core::WriteResult> results;
    {
        BusyScope busy(*this);
        QProgressDialog progress(QStringLiteral("Writing the tags..."), QString(), 0,
                                 static_cast<int>(list_.size()), this);
        progress.setWindowTitle(QStringLiteral("Write Tags"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(400);
        results = list_.writeAll([&](std::size_t done, std::size_t total) {
            // Called before each row: the row now written is number done + 1.
            ShowProgress(QStringLiteral("Writing tags"), static_cast<int>(done + 1),
                         static_cast<int>(total));
            if (done % 16 == 0)
                progress.setValue(static_cast<int>(done));
            return true;
        });
        progress.setValue(static_cast<int>(list_.size()));
    }
    syncAllRows();
    // Written covers are now the files' own.
    CoverPanel1->refresh();
    int written = 0;
    QStringList failures;
    for (const velmora::core::WriteResult& result : results) {
        if (result.outcome == velmora::core::WriteOutcome::Written)
            ++written;
        else if (result.outcome == velmora::core::WriteOutcome::Failed)
            failures << QString::fromUtf8(result.reason.data(),
                                          static_cast<qsizetype>(result.reason.size()));
    }
    if (failures.isEmpty())
        return true;
    dialogs_->writeReport(
        this,
        QStringLiteral("%1 written, %2 not written:")
            .arg(filesText(written), filesText(static_cast<int>(failures.size()))),
        failures);
    return false;
}

Tfm_main::BusyScope::BusyScope(Tfm_main& window) : window_(window) {
    window_.busy_ = true;
    window_.updateBusyState();
}

Tfm_main::BusyScope::~BusyScope() {
    window_.busy_ = false;
    window_.updateBusyState();
}

// While busy, the commands that change the list are disabled, so a person sees
// that they wait.
void Tfm_main::updateBusyState() {
    for (auto* object : findChildren<TSkinObject*>())
        if (changesList(object->ObjectName()))
            object->setEnabled(!busy_);
    for (QAction* action : {Remove1, Clear1, Remove2, Clear2, NumberRows1})
        action->setEnabled(!busy_);
    lv_id3->setAcceptDrops(!busy_);
    UpdateStatus(); // the progress of finished work leaves the status line
}
