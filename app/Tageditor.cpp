// Construction of the main window, its start-up (FormShow) and the default
// error handler.
#include "app/Tageditor.h"

#include "app/Commands.h"
#include "app/EditCommands.h"
#include "app/TrackList.h"
#include "app/dir.h"
#include "base/FileLayer.h"
#include "components/skin/Skin.h"
#include "components/skin/SkinIcons.h"
#include "tags/common/GenreNames.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QEvent>
#include <QFile>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <limits>

using velmora::Field;

Tfm_main* fm_main = nullptr;

// The platform's frame with minimize, maximize and close.
static constexpr Qt::WindowFlags PlainWindowFlags =
    Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
    Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint;

namespace {

// The apply-to-all buttons have no caption; a small drawn icon marks them.
QIcon applyToAllIcon() {
    QPixmap pixmap(28, 28);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    velmora::skin::drawIcon(painter, QStringLiteral("all"), QRectF(0, 0, 28, 28),
                            QColor(150, 170, 200));
    return QIcon(pixmap);
}

} // namespace

const QString Tfm_main::OpenDialogFilter =
    QStringLiteral("All Supported Files (*.mp3 *.wav *.wma *.ogg *.oga *.opus *.flac *.m4a *.mp4);;"
                   "MP3 Files(*.mp3) (*.mp3);;WMA Files(*.wma) (*.wma);;"
                   "OGG Files(*.ogg) (*.ogg *.oga *.opus);;FLAC Files (*.flac);;"
                   "MP4 Files (*.m4a *.mp4)");

Tfm_main::Tfm_main(QWidget* parent) : QWidget(parent), dialogs_(std::make_unique<QtDialogs>()) {
    setWindowTitle(QStringLiteral("Velmora"));
    setWindowFlags(PlainWindowFlags);
    setGeometry(270, 182, 773, 497);
    // The window grows from its design size, never below it.
    setMinimumSize(773, 497);
    createComponents();
    createStatusAndPlayer();
    anchorComponents();
    createPopupMenu();
    createEditCommands();
    createShortcuts();
    connectHandlers();
    chainTabOrder();
}

Tfm_main::~Tfm_main() {
    // The base class destructor still closes the window and deletes the
    // children, which can repaint the list and send signals: none of that may
    // reach the half-destroyed window.
    lv_id3->setCustomDraw({});
    // The undo keys watch every focus change and end the open step of the file
    // list, which goes before the children: they go first.
    delete EditCommands1->undoRedo();
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
    if (fm_main == this)
        fm_main = nullptr;
    if (applicationPalette_)
        QApplication::setPalette(*applicationPalette_);
}

void Tfm_main::setDialogs(std::unique_ptr<Dialogs> dialogs) {
    dialogs_ = std::move(dialogs);
}

Tfm_dir* Tfm_main::folderDialog() {
    if (!dir_)
        dir_ = new Tfm_dir(this);
    return dir_;
}

void Tfm_main::Guard(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        dialogs_->error(this, QString::fromUtf8(e.what()));
    } catch (...) {
        dialogs_->error(this, QStringLiteral("An unknown error occurred."));
    }
}

void Tfm_main::createComponents() {
    Skin1 = new TSkin(this);
    Skin1->setGeometry(152, 152, 32, 32);

    lv_id3 = new TrackListView(this);
    lv_id3->setGeometry(9, 116, 238, 282);
    lv_id3->setToolTip(QStringLiteral("You can rename a file by double clicking the file name.\n"
                                      "F2 renames the selected file."));
    lv_id3->setContextMenuPolicy(Qt::CustomContextMenu);

    auto lineEdit = [this](int x, int y, int w, int h) {
        auto* edit = new QLineEdit(this);
        edit->setGeometry(x, y, w, h);
        return edit;
    };
    auto applyButton = [this](int y, const char* field) {
        auto* button = new QPushButton(this);
        button->setGeometry(616, y, 34, 25);
        button->setToolTip(QStringLiteral("Apply the %1 to all files").arg(QLatin1String(field)));
        button->setIcon(applyToAllIcon());
        button->setIconSize(QSize(14, 14));
        return button;
    };
    edt_tatal = lineEdit(313, 144, 298, 21);
    Button1 = applyButton(142, "title");
    Button2 = applyButton(174, "artist");
    edt_art = lineEdit(314, 175, 298, 21);
    edt_alb = lineEdit(315, 208, 295, 21);
    Button3 = applyButton(207, "album");
    Button4 = applyButton(237, "year");
    edt_year = lineEdit(315, 239, 296, 21);
    edt_genre = new QComboBox(this);
    edt_genre->setEditable(true);
    edt_genre->setInsertPolicy(QComboBox::NoInsert);
    edt_genre->setMaxVisibleItems(20);
    edt_genre->setGeometry(315, 270, 296, 21);
    Button5 = applyButton(269, "genre");
    Button6 = applyButton(356, "comment");
    edt_com = new QPlainTextEdit(this);
    edt_com->setGeometry(315, 301, 298, 96);

    lb_path = new TSkinLabel(QStringLiteral("Path:  "), this);
    lb_path->setGeometry(266, 123, 384, 14);
    const char* captions[] = {"Title:  ", "Artist: ", "Album:  ", "Year: ", "Genre: ", "Comment: "};
    const int tops[] = {149, 180, 211, 242, 273, 301};
    TSkinLabel** labels[] = {&SkinLabel1, &SkinLabel2, &SkinLabel3,
                             &SkinLabel4, &SkinLabel5, &SkinLabel6};
    for (int i = 0; i < 6; ++i) {
        *labels[i] = new TSkinLabel(QLatin1String(captions[i]), this);
        (*labels[i])->setGeometry(266, tops[i], 47, 14);
    }
    createTrackField();

    styleFields();

    edt_tit = new QLineEdit(lv_id3->viewport());
    edt_tit->setGeometry(24, 136, 144, 21);

    AudioPlayer21 = new TAudioPlayer2(this);
    AudioFile21 = new TAudioFile2(this);
    lv_id3->setCustomDraw(
        [this](int row, QStyleOptionViewItem& option) { lv_id3CustomDrawItem(row, option); });
}

// No field cuts a value, the placeholder for several values is grey, and the
// genre box keeps what is typed: its suggestions pop up and replace the text
// only when one is chosen. They match case exactly, so Enter never swaps the
// text for a list entry that differs in case.
void Tfm_main::styleFields() {
    for (QLineEdit* edit :
         {edt_tatal, edt_art, edt_alb, edt_year, edt_track, edt_genre->lineEdit()})
        edit->setMaxLength(std::numeric_limits<int>::max());
    auto* completer = new QCompleter(edt_genre->model(), edt_genre);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setCaseSensitivity(Qt::CaseSensitive);
    edt_genre->setCompleter(completer);
    edt_genre->setDuplicatesEnabled(true);
    for (QWidget* field : std::initializer_list<QWidget*>{
             edt_tatal, edt_art, edt_alb, edt_year, edt_track, edt_genre->lineEdit(), edt_com}) {
        QPalette palette = field->palette();
        palette.setColor(QPalette::PlaceholderText, QColor(128, 128, 128));
        field->setPalette(palette);
    }
}

void Tfm_main::createPopupMenu() {
    PopupMenu1 = new QMenu(this);
    Play1 = PopupMenu1->addAction(QStringLiteral("Play"));
    Stop1 = PopupMenu1->addAction(QStringLiteral("Stop"));
    PopupMenu1->addSeparator();
    Remove1 = PopupMenu1->addAction(QStringLiteral("Add File"));
    Clear1 = PopupMenu1->addAction(QStringLiteral("Add Folder"));
    PopupMenu1->addSeparator();
    Remove2 = PopupMenu1->addAction(QStringLiteral("Remove"));
    Clear2 = PopupMenu1->addAction(QStringLiteral("Clear"));
    PopupMenu1->addSeparator();
    // Rename and Write Tags do what F2 and Ctrl+S do; the menu shows those keys.
    Rename1 = PopupMenu1->addAction(QStringLiteral("Rename"));
    WriteTags1 = PopupMenu1->addAction(QStringLiteral("Write Tags"));
    for (auto [action, keys] : {std::pair{Rename1, QKeySequence(Qt::Key_F2)},
                                std::pair{WriteTags1, QKeySequence(Qt::CTRL | Qt::Key_S)}}) {
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        action->setShortcutVisibleInContextMenu(true);
    }
    connect(Rename1, &QAction::triggered, this, [this] { Guard([&] { lv_id3DblClick(); }); });
    connect(WriteTags1, &QAction::triggered, this,
            [this] { Guard([&] { RunSkinCommand(QStringLiteral("ok")); }); });
    NumberRows1 = PopupMenu1->addAction(QStringLiteral("Number the selected rows"));
    connect(lv_id3, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu1->popup(lv_id3->viewport()->mapToGlobal(pos)); });
}

void Tfm_main::createShortcuts() {
    auto windowShortcut = [this](const QKeySequence& keys, const char* command) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this,
                [this, command] { Guard([&] { RunSkinCommand(QLatin1String(command)); }); });
    };
    windowShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), "add");
    windowShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), "ok");
    windowShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), "reset");

    // Keys that mean something else inside the fields act only on the list.
    auto listShortcut = [this](const QKeySequence& keys, std::function<void()> handler) {
        auto* shortcut = new QShortcut(keys, lv_id3, nullptr, nullptr, Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, handler] { Guard(handler); });
    };
    listShortcut(QKeySequence(Qt::Key_Delete),
                 [this] { RunSkinCommand(QStringLiteral("remove")); });
    listShortcut(QKeySequence(Qt::Key_F2), [this] { lv_id3DblClick(); });
    listShortcut(QKeySequence(Qt::Key_Space), [this] {
        if (PlayingFlag)
            pause();
        else
            PlayFile();
    });
}

void Tfm_main::connectHandlers() {
    // Runs handler, under the default error handler, whenever sender emits signal.
    auto on = [this](auto* sender, auto signal, void (Tfm_main::*handler)()) {
        connect(sender, signal, this, [this, handler] { Guard([&] { (this->*handler)(); }); });
    };
    on(Button1, &QPushButton::clicked, &Tfm_main::Button1Click);
    on(Button2, &QPushButton::clicked, &Tfm_main::Button2Click);
    on(Button3, &QPushButton::clicked, &Tfm_main::Button3Click);
    on(Button4, &QPushButton::clicked, &Tfm_main::Button4Click);
    on(Button5, &QPushButton::clicked, &Tfm_main::Button5Click);
    on(Button6, &QPushButton::clicked, &Tfm_main::Button6Click);

    // A change of a field's text is an edit unless the window itself shows
    // values (fieldChanged tells them apart); on exit an edited field stores
    // its text once more.
    auto onChangeAndExit = [&](auto* edit, Field field, void (Tfm_main::*exitHandler)()) {
        connect(edit, &std::remove_pointer_t<decltype(edit)>::textChanged, this,
                [this, field] { Guard([&] { fieldChanged(field); }); });
        edit->installEventFilter(this);
        exitHandlers_.emplace_back(edit, exitHandler);
    };
    onChangeAndExit(edt_tatal, Field::Title, &Tfm_main::edt_tatalExit);
    onChangeAndExit(edt_art, Field::Artist, &Tfm_main::edt_artExit);
    onChangeAndExit(edt_alb, Field::Album, &Tfm_main::edt_albExit);
    onChangeAndExit(edt_year, Field::Year, &Tfm_main::edt_yearExit);
    onChangeAndExit(edt_com, Field::Comment, &Tfm_main::edt_comExit);
    onChangeAndExit(edt_track, Field::Track, &Tfm_main::edt_trackExit);
    on(edt_genre, &QComboBox::editTextChanged, &Tfm_main::edt_genreChange);
    // The fields follow the selection however it changes (mouse, keys, the window).
    connect(lv_id3->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { Guard([&] { showSelection(); }); });

    edt_tit->installEventFilter(this);
    on(lv_id3, &TrackListView::leftClicked, &Tfm_main::lv_id3Click);
    on(lv_id3, &TrackListView::leftDoubleClicked, &Tfm_main::lv_id3DblClick);

    on(Play1, &QAction::triggered, &Tfm_main::Play1Click);
    on(Stop1, &QAction::triggered, &Tfm_main::Stop1Click);
    on(Remove1, &QAction::triggered, &Tfm_main::Remove1Click);
    on(Clear1, &QAction::triggered, &Tfm_main::Clear1Click);
    on(Remove2, &QAction::triggered, &Tfm_main::Remove2Click);
    on(Clear2, &QAction::triggered, &Tfm_main::Clear2Click);
    on(NumberRows1, &QAction::triggered, &Tfm_main::NumberRows1Click);
    connect(lv_id3->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { Guard([&] { lv_id3ColumnClick(column); }); });

    connect(Skin1, &TSkin::OnClick, this,
            [this](TSkinObject* source) { Guard([&] { Skin1Click(source); }); });
    connect(AudioPlayer21, &TAudioPlayer2::OnEndArrayPlay, this,
            [this](QObject* sender) { Guard([&] { AudioPlayer21EndArrayPlay(sender); }); });
    connect(AudioPlayer21, &TAudioPlayer2::OnRequestOnLoadArray, this,
            [this](QObject* sender) { Guard([&] { AudioPlayer21RequestOnLoadArray(sender); }); });
    connect(AudioPlayer21, &TAudioPlayer2::OnEndPlay, this,
            [this](QObject* sender) { Guard([&] { AudioPlayer21EndPlay(sender); }); });
    connect(lv_id3, &TrackListView::pathsDropped, this,
            [this](const QList<QByteArray>& paths) { Guard([&] { addDroppedPaths(paths); }); });
}

bool Tfm_main::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (watched == edt_tit) {
        if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            Guard([&] { cancelRename(); });
            return true;
        }
        if (type == QEvent::KeyRelease)
            Guard([&] { edt_titKeyUp(static_cast<QKeyEvent*>(event)->key()); });
        else if (type == QEvent::FocusOut)
            Guard([&] { edt_titExit(); });
    } else if (type == QEvent::FocusOut) {
        for (const auto& [edit, handler] : exitHandlers_)
            if (watched == edit)
                Guard([&] { (this->*handler)(); });
    }
    return QWidget::eventFilter(watched, event);
}

void Tfm_main::closeEvent(QCloseEvent* event) {
    const int rows = busy_ ? 0 : RowsWithUnwrittenEdits();
    if (rows > 0) {
        switch (dialogs_->askWriteDiscardCancel(
            this, QStringLiteral("Write the changes before closing?"))) {
        case Dialogs::CloseAnswer::Write:
            if (PlayingFlag)
                StopPlay();
            if (!writeChangedRows())
                return event->ignore();
            break;
        case Dialogs::CloseAnswer::Discard:
            break;
        case Dialogs::CloseAnswer::Cancel:
            return event->ignore();
        }
    }
    saveSettings();
    QWidget::closeEvent(event);
}

// The window's OnShow: FormShow runs once, just before the window first appears,
// so the skin can still take over the frame.
void Tfm_main::setVisible(bool visible) {
    if (visible && !formShown_) {
        formShown_ = true;
        Guard([&] { FormShow(); });
    }
    QWidget::setVisible(visible);
}

void Tfm_main::FormShow() {
    // A skin that fails is reported after the remaining start-up steps ran, so
    // the window still gets its genres, a hidden rename editor and clean flags.
    QString skinError;
    try {
        applySkin();
    } catch (const std::exception& e) {
        skinError = QString::fromUtf8(e.what());
    }
    if (skinned_)
        applyDialogColours();
    else
        createPlainCommandBar();
    fillGenreList();
    edt_tit->hide();
    PlayingFlag = false;
    PausedFlag = false;
    // The skin sized the window for its form: the size the user left it at
    // comes back after that.
    restoreSettings();
    if (!skinError.isEmpty())
        dialogs_->error(this, skinError);
}

void Tfm_main::applySkin() {
    if (skinFile_.isEmpty())
        skinFile_ = QFile::decodeName(QByteArray::fromStdString(velmora::executableDir())) +
                    QStringLiteral("mp3enc.skn");
    Skin1->LoadSkinFile(skinFile_);
    try {
        Skin1->SkinWindow(this);
        Skin1->SkinWindowForm(this, QStringLiteral("main"));
    } catch (...) {
        // Unskinned, the window gets the platform's frame back.
        setWindowFlags(PlainWindowFlags);
        throw;
    }
    skinned_ = true;
}

// Without a skin the thirteen commands are plain buttons above the list,
// dispatched through the same handler as the skin's objects.
void Tfm_main::createPlainCommandBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("plainCommandBar"));
    bar->setGeometry(9, 8, 755, 96);
    auto* grid = new QGridLayout(bar);
    grid->setContentsMargins(0, 0, 0, 0);
    int index = 0;
    for (const auto& command : SkinCommands) {
        auto* button =
            new TSkinObject(QLatin1String(command.name), QLatin1String(command.caption), bar);
        button->setToolTip(QLatin1String(command.tooltip));
        grid->addWidget(button, index / 7, index % 7);
        connect(button, &QAbstractButton::clicked, this,
                [this, button] { Guard([&] { Skin1Click(button); }); });
        ++index;
    }
    Skin1->AnchorWidget(bar, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge);
    bar->show();
}

void Tfm_main::fillGenreList() {
    const QSignalBlocker blocker(edt_genre);
    for (const auto& name : velmora::listedGenres())
        edt_genre->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    edt_genre->setCurrentIndex(-1);
    edt_genre->setEditText(QString());
}
