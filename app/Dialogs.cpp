#include "app/Dialogs.h"

#include "app/Settings.h"
#include "app/dir.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

QStringList QtDialogs::getOpenFileNames(QWidget* parent, const QString& filter) {
    // Several files at once, no read-only box, resizable: the Qt dialog's defaults.
    // It opens where files were chosen last, in this run or an earlier one.
    QString start = velmora::settings::LastFileFolder();
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QDir::homePath();
    const QStringList files = QFileDialog::getOpenFileNames(
        parent, QString(), start, filter, nullptr, QFileDialog::DontUseNativeDialog);
    if (!files.isEmpty())
        velmora::settings::SetLastFileFolder(QFileInfo(files.first()).absolutePath());
    return files;
}

void QtDialogs::runFolderDialog(Tfm_dir& dialog) {
    dialog.exec();
}

void QtDialogs::information(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QStringLiteral("Information"), text);
}

bool QtDialogs::question(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Yes"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::error(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QStringLiteral("Velmora"), text);
}

void QtDialogs::writeReport(QWidget* parent, const QString& summary, const QStringList& failures) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Write Tags"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(summary, &dialog);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* list = new QPlainTextEdit(failures.join(QStringLiteral("\n\n")), &dialog);
    list->setReadOnly(true);
    list->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.resize(520, 320);
    dialog.exec();
}

Dialogs::CloseAnswer QtDialogs::askWriteDiscardCancel(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Velmora"), text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.button(QMessageBox::Save)->setText(QStringLiteral("&Write"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return CloseAnswer::Write;
    case QMessageBox::Discard:
        return CloseAnswer::Discard;
    default:
        return CloseAnswer::Cancel;
    }
}

void QtDialogs::openUrl(const QString& url) {
    QDesktopServices::openUrl(QUrl(url));
}
