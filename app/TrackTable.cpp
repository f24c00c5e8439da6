// The list rows, the track table shown in the six fields, the field handlers,
// the apply-to-all buttons and the colour of the playing row.
#include "app/Tageditor.h"

#include "app/FilePaths.h"
#include "app/TrackList.h"
#include "components/skin/Skin.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

QString toQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

int Tfm_main::RowCount() const {
    return lv_id3->topLevelItemCount();
}

std::string Tfm_main::RowCaption(int row) const {
    return lv_id3->topLevelItem(row)->text(0).toStdString();
}

// The path column's text is only for showing; its user role holds the bytes.
std::string Tfm_main::RowPath(int row) const {
    return lv_id3->topLevelItem(row)->data(1, Qt::UserRole).toByteArray().toStdString();
}

void Tfm_main::SetRowPath(int row, const std::string& path) {
    QTreeWidgetItem* item = lv_id3->topLevelItem(row);
    item->setData(1, Qt::UserRole, QByteArray::fromStdString(path));
    item->setText(1, DisplayPath(path));
}

bool Tfm_main::IsRowSelected(int row) const {
    return lv_id3->topLevelItem(row)->isSelected();
}

int Tfm_main::FirstSelectedRow() const {
    for (int row = 0; row < RowCount(); ++row)
        if (IsRowSelected(row))
            return row;
    return -1;
}

void Tfm_main::SelectRow(int row, bool selected) {
    lv_id3->topLevelItem(row)->setSelected(selected);
}

void Tfm_main::DeselectAllRows() {
    lv_id3->clearSelection();
}

int Tfm_main::AppendRow(const std::string& caption, const std::string& path) {
    auto* item = new QTreeWidgetItem(lv_id3);
    item->setText(0, QString::fromStdString(caption));
    const int row = RowCount() - 1;
    SetRowPath(row, path);
    return row;
}

QString Tfm_main::PathCaption() const {
    return lb_path->Caption();
}

void Tfm_main::setPathCaption(const QString& caption) {
    lb_path->SetCaption(caption);
}

void Tfm_main::showRowPath(int row) {
    setPathCaption(QStringLiteral("Path:       ") + lv_id3->topLevelItem(row)->text(1) +
                   QStringLiteral("  "));
}

void Tfm_main::setFieldText(QLineEdit* edit, const std::string& text) {
    const QString value = toQString(text);
    if (edit->text() != value)
        edit->setText(value);
}

void Tfm_main::lv_id3Click() {
    if (RowCount() == 0)
        return;
    if (FirstSelectedRow() < 0 && CurrentRowIndex >= 0 && CurrentRowIndex < RowCount())
        SelectRow(CurrentRowIndex);
    const int r = FirstSelectedRow();
    if (r < 0)
        return;
    // Setting a text is a change: with several rows selected, each field whose
    // text changes is stored into all of them by its change handler.
    const Timerec entry = TrackTable[r];
    setFieldText(edt_art, entry.Artist);
    setFieldText(edt_alb, entry.Album);
    setFieldText(edt_tatal, entry.Title);
    if (edt_com->toPlainText() != toQString(entry.Comment))
        edt_com->setPlainText(toQString(entry.Comment));
    if (edt_genre->currentText() != toQString(entry.Genre))
        edt_genre->setEditText(toQString(entry.Genre));
    setFieldText(edt_year, entry.Year);
    showRowPath(r);
    CurrentRowIndex = r;
}

void Tfm_main::storeIntoSelectedRows(std::string Timerec::*field, const QString& text) {
    if (FirstSelectedRow() < 0)
        return;
    const std::string value = text.toStdString();
    const int rows = std::min(RowCount(), TrackTableCapacity);
    for (int i = 0; i < rows; ++i)
        if (IsRowSelected(i))
            TrackTable[i].*field = value;
}

void Tfm_main::storeIntoAllRows(std::string Timerec::*field, const QString& text) {
    const std::string value = text.toStdString();
    const int rows = std::min(RowCount(), TrackTableCapacity);
    for (int i = 0; i < rows; ++i)
        TrackTable[i].*field = value;
}

void Tfm_main::edt_tatalExit() {
    storeIntoSelectedRows(&Timerec::Title, edt_tatal->text());
}

void Tfm_main::edt_artExit() {
    storeIntoSelectedRows(&Timerec::Artist, edt_art->text());
}

void Tfm_main::edt_albExit() {
    storeIntoSelectedRows(&Timerec::Album, edt_alb->text());
}

void Tfm_main::edt_yearExit() {
    storeIntoSelectedRows(&Timerec::Year, edt_year->text());
}

void Tfm_main::edt_comExit() {
    storeIntoSelectedRows(&Timerec::Comment, edt_com->toPlainText());
}

void Tfm_main::edt_genreChange() {
    storeIntoSelectedRows(&Timerec::Genre, edt_genre->currentText());
}

void Tfm_main::Button1Click() {
    storeIntoAllRows(&Timerec::Title, edt_tatal->text());
}

void Tfm_main::Button2Click() {
    storeIntoAllRows(&Timerec::Artist, edt_art->text());
}

void Tfm_main::Button3Click() {
    storeIntoAllRows(&Timerec::Album, edt_alb->text());
}

void Tfm_main::Button4Click() {
    storeIntoAllRows(&Timerec::Year, edt_year->text());
}

void Tfm_main::Button5Click() {
    storeIntoAllRows(&Timerec::Genre, edt_genre->currentText());
}

void Tfm_main::Button6Click() {
    storeIntoAllRows(&Timerec::Comment, edt_com->toPlainText());
}

void Tfm_main::lv_id3CustomDrawItem(int row, QStyleOptionViewItem& option) const {
    if (!PlayingFlag)
        return;
    option.backgroundBrush =
        row == PlayingRowIndex ? QBrush(QColor(166, 202, 240)) : QBrush(QColor(255, 255, 255));
    // Dark skin text would vanish on the light row colours.
    option.palette.setColor(QPalette::Text, Qt::black);
}

void Tfm_main::emptyFields() {
    edt_art->setText(QString());
    edt_alb->setText(QString());
    edt_tatal->setText(QString());
    edt_com->setPlainText(QString());
    edt_genre->setEditText(QString());
    edt_year->setText(QString());
}
