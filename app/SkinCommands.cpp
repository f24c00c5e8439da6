// The skin commands: a click on a skin object runs the command of its name.
#include "app/Tageditor.h"

#include "app/FileKind.h"
#include "app/FilePaths.h"
#include "app/TagFields.h"
#include "app/TrackList.h"
#include "app/WebPages.h"
#include "components/skin/Skin.h"
#include "tags/id3/Mp3Tags.h"
#include "tags/ogg/VorbisTags.h"
#include "tags/wma/WmaTags.h"

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

// The message of the error in flight. A message that does not name the file
// gets the file on a line of its own, so a person knows which of many files failed.
QString messageNamingFile(const std::string& path) {
    std::string message;
    try {
        throw;
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "An unknown error occurred.";
    }
    if (message.find(path) == std::string::npos)
        message += "\nFile: \"" + path + "\"";
    return QString::fromStdString(message);
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
    TrackTable = BaselineTable;
    lv_id3->viewport()->update();
    UpdateStatus();
    lv_id3Click();
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

// A row whose values equal its baseline is not written: its file is not even
// opened. Of the others only the changed fields are written; each file keeps
// its track number and whatever else the window does not show. A row written
// takes its values as its new baseline. A file that fails does not stop the
// others; the failures are reported together at the end. Kinds without a
// writer are skipped.
bool Tfm_main::writeChangedRows() {
    const int rows = std::min(RowCount(), TrackTableCapacity);
    int written = 0;
    QStringList failures;
    {
        BusyScope busy(*this);
        QProgressDialog progress(QStringLiteral("Writing the tags..."), QString(), 0, rows, this);
        progress.setWindowTitle(QStringLiteral("Write Tags"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(400);
        for (int i = 0; i < rows; ++i) {
            if (i % 16 == 0)
                progress.setValue(i);
            ShowProgress(QStringLiteral("Writing tags"), i + 1, rows);
            const std::string path = RowPath(i);
            if (!RowHasUnwrittenEdits(i) || !HasTagReader(path))
                continue;
            try {
                writeRow(path, BaselineTable[i], TrackTable[i]);
                BaselineTable[i] = TrackTable[i];
                ++written;
            } catch (...) {
                failures << messageNamingFile(path);
            }
        }
        progress.setValue(rows);
    }
    lv_id3->viewport()->update();
    if (failures.isEmpty())
        return true;
    dialogs_->writeReport(
        this,
        QStringLiteral("%1 written, %2 not written:")
            .arg(filesText(written), filesText(static_cast<int>(failures.size()))),
        failures);
    return false;
}

// Writes the fields in which entry differs from baseline through the unit of
// the file's kind.
void Tfm_main::writeRow(const std::string& path, const Timerec& baseline, const Timerec& entry) {
    const velmora::TagValues values = TagValuesOf(entry);
    const velmora::FieldMask changed = velmora::changedFields(TagValuesOf(baseline), values);
    if (changed.empty())
        return;
    const std::string ext = LowerExtension(path);
    if (ext == ".mp3")
        velmora::mp3::writeTags(path, values, changed);
    else if (ext == ".wma")
        velmora::wma::writeTags(path, values, changed);
    else if (ext == ".ogg")
        velmora::vorbis::writeTags(path, values, changed);
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
    for (QAction* action : {Remove1, Clear1, Remove2, Clear2})
        action->setEnabled(!busy_);
    lv_id3->setAcceptDrops(!busy_);
    UpdateStatus();
}
