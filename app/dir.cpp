#include "app/dir.h"

#include "app/FilePaths.h"
#include "app/Settings.h"

#include <QCompleter>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

std::string ChosenFolder;
Tfm_dir* fm_dir = nullptr;

namespace {

// The folder itself when it still exists, else its nearest existing parent;
// empty when none of it is left.
QString existingFolder(const QString& path) {
    if (path.isEmpty())
        return {};
    QDir dir(path);
    while (!dir.exists())
        if (!dir.cdUp())
            return {};
    return dir.absolutePath();
}

// Icons and type names by kind only. The models list folders, yet they ask the
// provider about every entry they meet, and the default one looks up each
// file's content type: a folder of a thousand audio files cost the window more
// than adding them.
class FolderIconProvider : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override {
        return icon(info.isRoot() ? Drive : info.isDir() ? Folder : File);
    }
    QString type(const QFileInfo& info) const override {
        return info.isDir() ? QStringLiteral("Folder") : QStringLiteral("File");
    }
};

// Shared by the dialog's models and kept to the end of the program, as the
// models' background readers may still ask it while they close.
QFileIconProvider* folderIconProvider() {
    static auto* provider = new FolderIconProvider;
    return provider;
}

} // namespace

Tfm_dir::Tfm_dir(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Add File Directory"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setMinimumSize(287, 254);
    resize(420, 460);
    setModal(true);

    model_ = new QFileSystemModel(this);
    model_->setIconProvider(folderIconProvider());
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setRootPath(QDir::rootPath());

    edt_path = new QLineEdit(this);
    edt_path->setPlaceholderText(QStringLiteral("Type a folder and press Enter"));
    edt_path->setClearButtonEnabled(true);
    auto* completer = new QCompleter(this);
    auto* completions = new QFileSystemModel(completer);
    completions->setIconProvider(folderIconProvider());
    completions->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    completions->setRootPath(QDir::rootPath());
    completer->setModel(completions);
    edt_path->setCompleter(completer);
    edt_path->installEventFilter(this);

    lb_message = new QLabel(this);
    lb_message->setWordWrap(true);
    lb_message->hide();

    ShellTreeView1 = new QTreeView(this);
    ShellTreeView1->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        ShellTreeView1->hideColumn(column);
    ShellTreeView1->header()->hide();
    ShellTreeView1->setIndentation(19);
    ShellTreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ShellTreeView1->setRootIndex(model_->index(QDir::rootPath()));
    // The path field shows the folder selected in the tree.
    connect(ShellTreeView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                edt_path->setText(current.isValid() ? model_->filePath(current) : QString());
                lb_message->hide();
            });

    btn_ok = new QPushButton(QStringLiteral("Ok"), this);
    btn_ok->setDefault(true);
    btn_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(btn_ok, &QPushButton::clicked, this, &Tfm_dir::btn_okClick);
    connect(btn_cancel, &QPushButton::clicked, this, &Tfm_dir::btn_cancelClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btn_ok);
    buttons->addWidget(btn_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(edt_path);
    layout->addWidget(lb_message);
    layout->addWidget(ShellTreeView1, 1);
    layout->addLayout(buttons);

    QString start = existingFolder(velmora::settings::LastChosenFolder());
    SelectFolder(start.isEmpty() ? QDir::homePath() : start);
}

QString Tfm_dir::SelectedFolder() const {
    const QModelIndex index = ShellTreeView1->currentIndex();
    return index.isValid() ? model_->filePath(index) : QString();
}

void Tfm_dir::SelectFolder(const QString& path) {
    const QModelIndex index = model_->index(path);
    if (!index.isValid())
        return;
    ShellTreeView1->setCurrentIndex(index);
    ShellTreeView1->scrollTo(index);
}

QString Tfm_dir::typedPath() const {
    QString text = edt_path->text();
    if (text == QLatin1String("~") || text.startsWith(QLatin1String("~/")))
        text.replace(0, 1, QDir::homePath());
    const QString base = SelectedFolder().isEmpty() ? QDir::homePath() : SelectedFolder();
    return QDir::cleanPath(QDir(base).absoluteFilePath(text));
}

void Tfm_dir::report(const QString& message) {
    lb_message->setText(message);
    lb_message->show();
}

bool Tfm_dir::GoToTypedFolder() {
    if (edt_path->text().isEmpty()) {
        report(QStringLiteral("Type the path of a folder."));
        return false;
    }
    const QString path = typedPath();
    const QFileInfo info(path);
    if (!info.isDir()) {
        report((info.exists() ? QStringLiteral("\"%1\" is not a folder.")
                              : QStringLiteral("There is no folder \"%1\"."))
                   .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    SelectFolder(info.absoluteFilePath());
    if (SelectedFolder() != info.absoluteFilePath()) {
        report(QStringLiteral("The folder \"%1\" cannot be opened.")
                   .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    edt_path->setText(SelectedFolder());
    lb_message->hide();
    return true;
}

void Tfm_dir::btn_okClick() {
    if (edt_path->text() != SelectedFolder() && !GoToTypedFolder())
        return;
    const QString folder = SelectedFolder();
    ChosenFolder = FileSystemPath(folder);
    if (!folder.isEmpty())
        velmora::settings::SetLastChosenFolder(folder);
    accept();
}

void Tfm_dir::btn_cancelClick() {
    ChosenFolder.clear();
    QDialog::reject();
}

// The close box and Escape end the dialog the way Cancel does.
void Tfm_dir::reject() {
    btn_cancelClick();
}

// Enter in the path field goes to the typed folder; when the tree shows it
// already, Enter takes it as Ok does.
bool Tfm_dir::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edt_path && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (edt_path->text() == SelectedFolder() && !SelectedFolder().isEmpty())
                btn_okClick();
            else
                GoToTypedFolder();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// Each use starts with the path field ready to type over.
void Tfm_dir::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    lb_message->hide();
    edt_path->setText(SelectedFolder());
    edt_path->selectAll();
    edt_path->setFocus();
}
