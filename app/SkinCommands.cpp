// The skin commands: a click on a skin object runs the command of its name.
#include "app/Tageditor.h"

#include "app/FileKind.h"
#include "app/FilePaths.h"
#include "app/TagFields.h"
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

// Passes on the error in flight. A message that does not name the file gets the
// file on a line of its own, so a person knows which of many files failed.
[[noreturn]] void rethrowNamingFile(const std::string& path) {
    try {
        throw;
    } catch (const std::exception& e) {
        const std::string message = e.what();
        if (message.find(path) != std::string::npos)
            throw;
        throw std::runtime_error(message + "\nFile: \"" + path + "\"");
    }
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
        removeFirstSelectedRow();
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

void Tfm_main::resetToBaseline() {
    TrackTable = BaselineTable;
    lv_id3Click();
}

// Writes the six fields of every row into its file, then offers to clear the
// list. Each file keeps its own track number and the tag data the window does
// not show: before a row is written, its file's own tag is read into the
// shared record of its format, then the six fields are set from the track
// table, then the writer runs. An error ends the command at that file.
void Tfm_main::writeAllTags() {
    if (PlayingFlag)
        StopPlay();
    const int rows = RowCount();
    {
        BusyScope busy(*this);
        QProgressDialog progress(QStringLiteral("Writing the tags..."), QString(), 0, rows, this);
        progress.setWindowTitle(QStringLiteral("Write Tags"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(400);
        for (int i = 0; i < rows; ++i) {
            if (i % 16 == 0)
                progress.setValue(i);
            const std::string path = RowPath(i);
            try {
                writeRow(path, TrackTable[i]);
            } catch (...) {
                rethrowNamingFile(path);
            }
        }
        progress.setValue(rows);
    }
    if (RowCount() > 0 &&
        dialogs_->question(
            this, QStringLiteral("information has been written finished, clear the list now?"))) {
        clearList();
        lv_id3->viewport()->update();
    }
}

// Writes one row's six fields into its file through the writer of its kind;
// other kinds are skipped.
void Tfm_main::writeRow(const std::string& path, const Timerec& entry) {
    const std::string ext = LowerExtension(path);
    if (ext == ".mp3") {
        ReadMP3Tag(path);
        CopyTagFields(ID3Tag, entry);
        WriteMP3Tag(path, ID3Tag);
    } else if (ext == ".wma") {
        // The WMA record holds whole texts, so long values are written whole.
        SharedWMATag = ReadWMATag(path);
        CopyTagFields(SharedWMATag, entry);
        WriteWMATag(path, SharedWMATag);
    } else if (ext == ".ogg") {
        OGGTag own;
        ReadOGGTag(path, own);
        SharedOGGTag = own;
        CopyTagFields(SharedOGGTag, entry);
        WriteOGGTag(path, SharedOGGTag);
    }
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
}
