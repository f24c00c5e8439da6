// The main window fm_main: the list of files, the seven tag fields with their
// apply-to-all buttons and labels, the skin that draws the frame and the main
// buttons, the popup menu, the rename editor and the two audio components.
//
// The handlers carry the names of their control and event (lv_id3Click,
// edt_tatalExit, Button1Click, Skin1Click). Every handler that an event runs
// goes through Guard(), the application's default error handler: an exception
// ends the handler and its message is shown in a modal box, and the program
// goes on. The rows' files and values live in the window's file list
// (velmora::core::FileList): the handlers are short calls into it. The tables,
// current row and playback flags of app/State.h mirror it for every part of
// the window.
#pragma once

#include "app/Dialogs.h"
#include "app/State.h"
#include "components/audio/AudioFile2.h"
#include "components/audio/AudioPlayer2.h"
#include "core/FileList.h"
#include "tags/common/TagFields.h"

#include <QByteArray>
#include <QList>
#include <QPalette>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QComboBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStyleOptionViewItem;
class PlayerBar;
class StatusLine;
class TSkin;
class CoverPanel;
class EditCommands;
class TSkinLabel;
class TSkinObject;
class TrackListView;
class Tfm_dir;

class Tfm_main : public QWidget {
    Q_OBJECT
public:
    explicit Tfm_main(QWidget* parent = nullptr);
    ~Tfm_main() override;

    // The seam for dialogs and message boxes (QtDialogs unless a test installs another).
    void setDialogs(std::unique_ptr<Dialogs> dialogs);
    // The folder dialog, created once by the program entry (made on first use
    // when none was set).
    void setFolderDialog(Tfm_dir* dir) { dir_ = dir; }
    Tfm_dir* folderDialog();
    Dialogs& dialogs() const { return *dialogs_; }
    // Runs one handler under the default error handler: an exception's message
    // is shown in a modal box and goes no further.
    void Guard(const std::function<void()>& handler);

    // Components, named as on the form.
    TSkin* Skin1 = nullptr;
    TrackListView* lv_id3 = nullptr;
    QLineEdit* edt_tatal = nullptr; // the Title field
    QPushButton* Button1 = nullptr; // copies the Title into every row
    QPushButton* Button2 = nullptr; // copies the Artist into every row
    QLineEdit* edt_art = nullptr;
    QLineEdit* edt_alb = nullptr;
    QPushButton* Button3 = nullptr; // copies the Album into every row
    QPushButton* Button4 = nullptr; // copies the Year into every row
    QLineEdit* edt_year = nullptr;
    QComboBox* edt_genre = nullptr;
    QPushButton* Button5 = nullptr; // copies the Genre into every row
    QPushButton* Button6 = nullptr; // copies the Comment into every row
    QPlainTextEdit* edt_com = nullptr;
    TSkinLabel* lb_path = nullptr;
    TSkinLabel* SkinLabel1 = nullptr;
    TSkinLabel* SkinLabel2 = nullptr;
    TSkinLabel* SkinLabel3 = nullptr;
    TSkinLabel* SkinLabel4 = nullptr;
    TSkinLabel* SkinLabel5 = nullptr;
    TSkinLabel* SkinLabel6 = nullptr;
    // The track number field and its label "Track".
    QLineEdit* edt_track = nullptr;
    TSkinLabel* SkinLabel7 = nullptr;
    QLineEdit* edt_tit = nullptr; // the rename editor over a row, not the title
    TAudioPlayer2* AudioPlayer21 = nullptr;
    TAudioFile2* AudioFile21 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Play1 = nullptr;
    QAction* Stop1 = nullptr;
    QAction* Remove1 = nullptr; // the popup's "Add File"
    QAction* Clear1 = nullptr;  // the popup's "Add Folder"
    QAction* Remove2 = nullptr; // the popup's "Remove"
    QAction* Clear2 = nullptr;  // the popup's "Clear"
    QAction* Rename1 = nullptr;
    QAction* WriteTags1 = nullptr;
    StatusLine* StatusLine1 = nullptr;
    PlayerBar* PlayerBar1 = nullptr;
    // The popup's "Number the selected rows".
    QAction* NumberRows1 = nullptr;
    // The popup's "Undo", "Redo", pattern and cover commands, and the keys Ctrl+Z
    // and Ctrl+Shift+Z.
    EditCommands* EditCommands1 = nullptr;
    // The front cover of the selected rows, right of the fields.
    CoverPanel* CoverPanel1 = nullptr;

    // The open dialog's filter in Qt's syntax.
    static const QString OpenDialogFilter;

    // Start-up: skin, genre list, hidden rename editor, playback flags reset.
    void FormShow();
    // The skin file FormShow loads (default: mp3enc.skn beside the program).
    void setSkinFile(const QString& path) { skinFile_ = path; }
    // True when the skin loaded and draws the window.
    bool IsSkinned() const { return skinned_; }

    // The list and its rows.
    int RowCount() const;
    std::string RowCaption(int row) const;
    // The row's full path as the file system's bytes.
    std::string RowPath(int row) const;
    bool IsRowSelected(int row) const;
    // The selected row with the lowest index, or -1.
    int FirstSelectedRow() const;
    void SelectRow(int row, bool selected = true);
    void DeselectAllRows();
    // Appends a row with caption and full path, read through the file list;
    // returns its index.
    int AppendRow(const std::string& caption, const std::string& path);
    // Appends a row the caller read (or made up, in tests); returns its index.
    int AppendRow(const std::string& caption, velmora::core::Row row);
    // The file list row shown by a list row / the list row showing an id (-1: none).
    velmora::core::RowId RowIdAt(int row) const;
    int RowOfId(velmora::core::RowId id) const;
    // The window's file list: every row's path, format, baseline and values.
    const velmora::core::FileList& Files() const { return list_; }
    // Sets the row's full path (the file system's bytes, kept exactly; the
    // hidden "path" column shows it as text).
    void SetRowPath(int row, const std::string& path);
    // The caption of the path label as shown.
    QString PathCaption() const;

    // True when the row's values differ from its baseline (edits not yet written).
    bool RowHasUnwrittenEdits(int row) const;
    // The number of rows with unwritten edits.
    int RowsWithUnwrittenEdits() const;

    // Track table and fields. Showing a row's values is display only; a field
    // edited by the user stores its text into every selected row.
    void lv_id3Click();
    // Sets the row's background before the list draws it.
    void lv_id3CustomDrawItem(int row, QStyleOptionViewItem& option) const;
    void edt_tatalExit();
    void edt_artExit();
    void edt_albExit();
    void edt_yearExit();
    void edt_comExit();
    void edt_trackExit();
    // A header click sorts by that column; a second click reverses the order.
    void lv_id3ColumnClick(int column);
    // Numbers the selected rows 1, 2, 3 ... in the list's current order.
    void NumberRows1Click();
    void edt_genreChange();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();

    // Skin commands: runs the command named by the clicked object.
    void Skin1Click(TSkinObject* Source);
    void RunSkinCommand(const QString& name);

    // Adding and removing files (popup items and the skin commands).
    void Remove1Click();
    void Clear1Click();
    void Remove2Click();
    void Clear2Click();
    void AddFolder();
    // True while a folder scan or a write runs; the commands that change the list wait.
    bool IsBusy() const { return busy_; }

    // Status line (app/WindowStatus.cpp). Call UpdateStatus wherever rows,
    // the selection or the values change: it counts again once the current
    // event is handled. Long work reports its progress through ShowProgress
    // (total 0: not known); it shows until the window is no longer busy.
    void UpdateStatus();
    void ShowProgress(const QString& work, int done, int total);

    // Renaming. Enter renames, Esc cancels.
    void lv_id3DblClick();
    void edt_titKeyUp(int key);
    void edt_titExit();
    static std::string CleanFileName(const std::string& text);

    // Playback (app/Playback.cpp).
    void PlayFile();
    void LoadBuffer();
    void StopPlay();
    void pause();
    void brackplay();
    void nextplay();
    void Play1Click();
    void Stop1Click();
    void AudioPlayer21EndArrayPlay(QObject* Sender);
    void AudioPlayer21RequestOnLoadArray(QObject* Sender);
    void AudioPlayer21EndPlay(QObject* Sender);
    void AudioPlayer21Timer(QObject* Sender, int CurrentSamples, int LevelLeft, int LevelRight);
    // Moves the playing or paused file to milliseconds from its start.
    void SeekTo(qint64 milliseconds);
    // The position of the playing file in milliseconds (0 when stopped).
    qint64 PlayingPosition() const;

    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // With unwritten edits, asks whether to write them first.
    void closeEvent(QCloseEvent* event) override;

private:
    // Marks the window busy while it lives (also when an error ends the work).
    class BusyScope {
    public:
        explicit BusyScope(Tfm_main& window);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        Tfm_main& window_;
    };

    void createComponents();
    void createPopupMenu();
    void createShortcuts();
    void connectHandlers();
    void createPlainCommandBar();
    void createStatusAndPlayer();
    void refreshStatus();
    // Shows the playback state, position and length in the player bar.
    void showPlayerState();
    void createTrackField();
    // The undo keys, the pattern dialog and the cover panel (app/EditCommands.h).
    void createEditCommands();
    // Undo, redo, a cover change, a fill or a rename changed rows: the columns,
    // names, fields and status show them.
    void editedRowsChanged();
    void applySkin();

    // The window's chrome (app/WindowChrome.cpp): where its own widgets go when
    // it resizes, the Tab order of the fields, the skin's colours for dialogs
    // and menus, and what is remembered between runs.
    void anchorComponents();
    void chainTabOrder();
    void applyDialogColours();
    void restoreSettings();
    void saveSettings() const;

    // What one field shows: the value common to the selected rows, or empty
    // with a placeholder when they differ; edited once the user changed it.
    struct FieldState {
        std::string shown;
        bool mixed = false;
        bool edited = false;
    };

    void fillGenreList();
    void styleFields();
    // The rows selected in the list, in order.
    std::vector<int> selectedRows() const;
    // Shows the selected rows' values in the fields (display only).
    void showSelection();
    void showField(velmora::Field field, const std::string& value, bool mixed);
    // The field's text as a value (the comment with its stored line breaks).
    std::string fieldValue(velmora::Field field) const;
    // The user changed the field: its text goes into every selected row.
    void fieldChanged(velmora::Field field);
    void storeFieldIfEdited(velmora::Field field);
    void applyToAllRows(velmora::Field field);
    void storeIntoSelectedRows(velmora::Field field, const std::string& value);
    void emptyFields();
    void setPathCaption(const QString& caption);
    // Shows the row's full path in the path label.
    void showRowPath(int row);
    void updateBusyState();

    // Shared steps of the adds.
    void addChosenFiles(const std::vector<std::string>& files, bool captionWithoutExtension);
    void addFolderEntries(const std::string& folder);
    // Reads the files through the file list and appends their rows, at most
    // up to the row bound; the files that could not be read (or recovered)
    // are reported together. Returns how many did not fit.
    int appendFiles(const std::vector<std::string>& files, bool captionWithoutExtension,
                    const QString& title, const QString& label);
    void finishAdd();
    void reportRowsNotAdded(int notAdded);
    void removeSelectedRows();
    // Asks whether to discard the unwritten edits of rows about to go; true
    // when there are none or the user agrees.
    bool discardEditsOf(const std::vector<int>& rows);
    void clearList();
    void addDroppedPaths(const QList<QByteArray>& paths);
    void writeAllTags();
    // Writes every row with unwritten edits and reports the failures; true
    // when every such row was written.
    bool writeChangedRows();
    // The ids of the selected rows, in the list's current order.
    std::vector<velmora::core::RowId> selectedIds() const;
    // Refreshes the tables' entries and the columns of the rows from the file list.
    void syncRows(const std::vector<int>& rows);
    void syncAllRows();
    void resetToBaseline();
    void cancelRename();

    // The text fields whose handler also runs when they lose the focus.
    std::vector<std::pair<QObject*, void (Tfm_main::*)()>> exitHandlers_;
    std::unique_ptr<Dialogs> dialogs_;
    Tfm_dir* dir_ = nullptr;
    bool formShown_ = false;
    bool skinned_ = false;
    bool busy_ = false;
    bool renameOpen_ = false;
    bool statusPending_ = false;
    // Set while the window itself fills the fields, so that is no edit.
    bool filling_ = false;
    // Set while the window changes the list, which shows the selection after.
    bool listChanging_ = false;
    std::array<FieldState, velmora::FieldCount> fields_;
    velmora::core::FileList list_;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    int renameRow_ = -1;
    std::string renamePath_;
    QString skinFile_;
    // The application's palette before the skin's colours replaced it; given
    // back when the window goes.
    std::optional<QPalette> applicationPalette_;
};

// The main window, created by the program entry.
extern Tfm_main* fm_main;
