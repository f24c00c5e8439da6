// The list rows, the track table shown in the six fields, the field handlers,
// the apply-to-all buttons, the marks of unwritten edits and the colour of the
// playing row.
#include "app/Tageditor.h"

#include "app/FilePaths.h"
#include "app/LineBreaks.h"
#include "app/TagFields.h"
#include "app/TrackList.h"
#include "components/skin/Skin.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <algorithm>
#include <utility>

using velmora::Field;

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

bool Tfm_main::RowHasUnwrittenEdits(int row) const {
    return row >= 0 && row < TrackTableCapacity && TrackTable[row] != BaselineTable[row];
}

int Tfm_main::RowsWithUnwrittenEdits() const {
    int count = 0;
    for (int row = 0; row < std::min(RowCount(), TrackTableCapacity); ++row)
        count += RowHasUnwrittenEdits(row) ? 1 : 0;
    return count;
}

std::vector<int> Tfm_main::selectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : lv_id3->selectionModel()->selectedRows())
        if (index.row() < TrackTableCapacity)
            rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

// A click shows the selected rows; a click that left nothing selected selects
// the row shown last again.
void Tfm_main::lv_id3Click() {
    if (RowCount() == 0)
        return;
    if (FirstSelectedRow() < 0 && CurrentRowIndex >= 0 && CurrentRowIndex < RowCount())
        SelectRow(CurrentRowIndex);
    showSelection();
}

// Each field shows the value its selected rows share, or stays empty with a
// grey "(several values)" when they differ. Nothing is stored: showing is no edit.
void Tfm_main::showSelection() {
    if (listChanging_)
        return;
    const std::vector<int> rows = selectedRows();
    const bool wasFilling = std::exchange(filling_, true);
    for (Field field : EditedFields) {
        const auto member = TimerecMember(field);
        std::string value;
        bool mixed = false;
        if (!rows.empty()) {
            value = TrackTable[rows.front()].*member;
            mixed = std::any_of(rows.begin() + 1, rows.end(),
                                [&](int row) { return TrackTable[row].*member != value; });
        }
        showField(field, mixed ? std::string() : value, mixed);
    }
    filling_ = wasFilling;
    if (rows.empty())
        return setPathCaption(QStringLiteral("Path: "));
    showRowPath(rows.front());
    CurrentRowIndex = rows.front();
}

void Tfm_main::showField(Field field, const std::string& value, bool mixed) {
    fields_[static_cast<int>(field)] = {value, mixed, false};
    const QString text = toQString(value);
    const QString placeholder = mixed ? QStringLiteral("(several values)") : QString();
    auto showInLine = [&](QLineEdit* edit) {
        if (edit->text() != text)
            edit->setText(text);
        edit->setPlaceholderText(placeholder);
    };
    switch (field) {
    case Field::Title:
        return showInLine(edt_tatal);
    case Field::Artist:
        return showInLine(edt_art);
    case Field::Album:
        return showInLine(edt_alb);
    case Field::Year:
        return showInLine(edt_year);
    case Field::Genre:
        if (edt_genre->currentText() != text)
            edt_genre->setEditText(text);
        edt_genre->lineEdit()->setPlaceholderText(placeholder);
        return;
    case Field::Comment:
    case Field::Track:
        edt_com->setPlainText(text);
        edt_com->setPlaceholderText(placeholder);
        return;
    }
}

std::string Tfm_main::fieldValue(Field field) const {
    switch (field) {
    case Field::Title:
        return edt_tatal->text().toStdString();
    case Field::Artist:
        return edt_art->text().toStdString();
    case Field::Album:
        return edt_alb->text().toStdString();
    case Field::Year:
        return edt_year->text().toStdString();
    case Field::Genre:
        return edt_genre->currentText().toStdString();
    case Field::Comment:
    case Field::Track:
        break;
    }
    // The editor knows one line break only: each line gets back the break it
    // was shown with. Its raw text keeps every other character as shown.
    std::vector<std::string> lines;
    for (const QString& line : edt_com->document()->toRawText().split(QChar::ParagraphSeparator))
        lines.push_back(line.toStdString());
    return velmora::withStoredLineBreaks(fields_[static_cast<int>(Field::Comment)].shown, lines);
}

void Tfm_main::fieldChanged(Field field) {
    if (filling_)
        return;
    fields_[static_cast<int>(field)].edited = true;
    storeIntoSelectedRows(field, fieldValue(field));
}

void Tfm_main::storeFieldIfEdited(Field field) {
    if (!filling_ && fields_[static_cast<int>(field)].edited)
        storeIntoSelectedRows(field, fieldValue(field));
}

void Tfm_main::storeIntoSelectedRows(Field field, const std::string& value) {
    const auto member = TimerecMember(field);
    for (int row : selectedRows())
        TrackTable[row].*member = value;
    lv_id3->viewport()->update();
    UpdateStatus();
}

// Copies the field into every row. A field that shows several values and was
// not edited holds no value to copy, so the button does nothing; an unedited
// field copies the value exactly as its rows hold it.
void Tfm_main::applyToAllRows(Field field) {
    const FieldState& state = fields_[static_cast<int>(field)];
    if (state.mixed && !state.edited)
        return;
    const std::string value = state.edited ? fieldValue(field) : state.shown;
    const auto member = TimerecMember(field);
    const int rows = std::min(RowCount(), TrackTableCapacity);
    for (int i = 0; i < rows; ++i)
        TrackTable[i].*member = value;
    lv_id3->viewport()->update();
    UpdateStatus();
}

void Tfm_main::edt_tatalExit() {
    storeFieldIfEdited(Field::Title);
}

void Tfm_main::edt_artExit() {
    storeFieldIfEdited(Field::Artist);
}

void Tfm_main::edt_albExit() {
    storeFieldIfEdited(Field::Album);
}

void Tfm_main::edt_yearExit() {
    storeFieldIfEdited(Field::Year);
}

void Tfm_main::edt_comExit() {
    storeFieldIfEdited(Field::Comment);
}

void Tfm_main::edt_genreChange() {
    fieldChanged(Field::Genre);
}

void Tfm_main::Button1Click() {
    applyToAllRows(Field::Title);
}

void Tfm_main::Button2Click() {
    applyToAllRows(Field::Artist);
}

void Tfm_main::Button3Click() {
    applyToAllRows(Field::Album);
}

void Tfm_main::Button4Click() {
    applyToAllRows(Field::Year);
}

void Tfm_main::Button5Click() {
    applyToAllRows(Field::Genre);
}

void Tfm_main::Button6Click() {
    applyToAllRows(Field::Comment);
}

// Rows with unwritten edits are bold; while a file plays, its row alone is
// painted, the others keep the skin's colours.
void Tfm_main::lv_id3CustomDrawItem(int row, QStyleOptionViewItem& option) const {
    if (RowHasUnwrittenEdits(row))
        option.font.setBold(true);
    if (!PlayingFlag || row != PlayingRowIndex)
        return;
    option.backgroundBrush = QBrush(QColor(166, 202, 240));
    // Dark skin text would vanish on the light row colour.
    option.palette.setColor(QPalette::Text, Qt::black);
}

void Tfm_main::emptyFields() {
    const bool wasFilling = std::exchange(filling_, true);
    for (Field field : EditedFields)
        showField(field, {}, false);
    filling_ = wasFilling;
}
