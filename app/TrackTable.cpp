// The list rows, the track table shown in the seven fields, the field
// handlers, the apply-to-all buttons, sorting, numbering, the marks of
// unwritten edits and the colour of the playing row. The values live in the
// window's file list (velmora::core::FileList); a list row finds its file list
// row by id, so sorting never parts a row from its values.
#include "app/Tageditor.h"

#include "app/EditCommands.h"

#include "app/FilePaths.h"
#include "app/LineBreaks.h"
#include "app/TagFields.h"
#include "app/TrackList.h"
#include "components/skin/Skin.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <algorithm>
#include <utility>

using velmora::Field;
using velmora::core::RowId;

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
    return lv_id3->topLevelItem(row)->data(PathColumn, Qt::UserRole).toByteArray().toStdString();
}

// Each column's tool tip shows the path (TrackRowItem::data).
void Tfm_main::SetRowPath(int row, const std::string& path) {
    lv_id3->topLevelItem(row)->setData(PathColumn, Qt::UserRole, QByteArray::fromStdString(path));
}

RowId Tfm_main::RowIdAt(int row) const {
    return lv_id3->topLevelItem(row)->data(FileNameColumn, Qt::UserRole).toULongLong();
}

int Tfm_main::RowOfId(RowId id) const {
    for (int row = 0; row < RowCount(); ++row)
        if (RowIdAt(row) == id)
            return row;
    return -1;
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
    return AppendRow(caption, velmora::core::readRow(path));
}

namespace {

// Shows the row's current values in the item's columns; a column whose text
// stays is not set again (each set repaints).
void showValues(QTreeWidgetItem& item, const velmora::core::Row& row) {
    static constexpr std::pair<Field, int> columns[] = {
        {Field::Title, TitleColumn}, {Field::Artist, ArtistColumn}, {Field::Album, AlbumColumn},
        {Field::Track, TrackColumn}, {Field::Year, YearColumn},     {Field::Genre, GenreColumn}};
    for (const auto& [field, column] : columns) {
        const QString text = toQString(row.current[field]);
        if (item.text(column) != text)
            item.setText(column, text);
    }
    const QString format =
        row.format ? toQString(std::string(row.format->name)) : QStringLiteral("-");
    if (item.text(FormatColumn) != format)
        item.setText(FormatColumn, format);
}

} // namespace

// The item is filled before it joins the list, so that the list hears of one
// new row instead of a change per column.
int Tfm_main::AppendRow(const std::string& caption, velmora::core::Row row) {
    const RowId id = list_.append(std::move(row));
    auto* item = new TrackRowItem;
    item->setText(FileNameColumn, QString::fromStdString(caption));
    item->setData(FileNameColumn, Qt::UserRole, QVariant::fromValue<qulonglong>(id));
    const velmora::core::Row& added = *list_.find(id);
    item->setData(PathColumn, Qt::UserRole, QByteArray::fromStdString(added.path));
    showValues(*item, added);
    lv_id3->addTopLevelItem(item);
    const int index = RowCount() - 1;
    syncRows({index});
    return index;
}

// The columns show the current values; the tables mirror the file list in the
// list's order (only rows within the bound have entries).
void Tfm_main::syncRows(const std::vector<int>& rows) {
    for (int index : rows) {
        const velmora::core::Row* row = list_.find(RowIdAt(index));
        if (!row)
            continue;
        showValues(*lv_id3->topLevelItem(index), *row);
        if (index < TrackTableCapacity) {
            TrackTable[index] = TimerecOf(row->current);
            BaselineTable[index] = TimerecOf(row->baseline);
        }
    }
    lv_id3->viewport()->update();
    UpdateStatus(); // the unwritten count may have changed
}

void Tfm_main::syncAllRows() {
    std::vector<int> rows(static_cast<std::size_t>(RowCount()));
    for (int i = 0; i < RowCount(); ++i)
        rows[static_cast<std::size_t>(i)] = i;
    syncRows(rows);
}

QString Tfm_main::PathCaption() const {
    return lb_path->Caption();
}

void Tfm_main::setPathCaption(const QString& caption) {
    lb_path->SetCaption(caption);
}

void Tfm_main::showRowPath(int row) {
    setPathCaption(QStringLiteral("Path:       ") + DisplayPath(RowPath(row)) +
                   QStringLiteral("  "));
}

bool Tfm_main::RowHasUnwrittenEdits(int row) const {
    if (row < 0 || row >= RowCount())
        return false;
    const velmora::core::Row* entry = list_.find(RowIdAt(row));
    return entry && entry->hasPendingChanges();
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

std::vector<RowId> Tfm_main::selectedIds() const {
    std::vector<RowId> ids;
    for (int row : selectedRows())
        ids.push_back(RowIdAt(row));
    return ids;
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
    if (EditCommands1)
        EditCommands1->selectionChanged();
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
    case Field::Track:
        return showInLine(edt_track);
    case Field::Genre:
        if (edt_genre->currentText() != text)
            edt_genre->setEditText(text);
        edt_genre->lineEdit()->setPlaceholderText(placeholder);
        return;
    case Field::Comment:
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
    case Field::Track:
        return edt_track->text().toStdString();
    case Field::Comment:
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
    list_.setField(selectedIds(), field, value);
    syncRows(selectedRows());
}

// Copies the field into every row. A field that shows several values and was
// not edited holds no value to copy, so the button does nothing; an unedited
// field copies the value exactly as its rows hold it.
void Tfm_main::applyToAllRows(Field field) {
    const FieldState& state = fields_[static_cast<int>(field)];
    if (state.mixed && !state.edited)
        return;
    list_.setFieldInAll(field, state.edited ? fieldValue(field) : state.shown);
    syncAllRows();
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

void Tfm_main::edt_trackExit() {
    storeFieldIfEdited(Field::Track);
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

// The track field sits beside the year, which makes room for it.
void Tfm_main::createTrackField() {
    edt_year->setGeometry(315, 239, 140, 21);
    SkinLabel7 = new TSkinLabel(QStringLiteral("Track"), this);
    SkinLabel7->setGeometry(466, 242, 40, 14);
    edt_track = new QLineEdit(this);
    edt_track->setGeometry(506, 239, 105, 21);
    QWidget::setTabOrder(edt_year, edt_track);
    QWidget::setTabOrder(edt_track, edt_genre);
}

// The fields' current row, the playing row and the rename editor follow their
// files to where the sort puts them.
void Tfm_main::lv_id3ColumnClick(int column) {
    if (column < 0 || column >= TrackColumnCount || RowCount() == 0)
        return;
    sortOrder_ = column == sortColumn_ && sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                           : Qt::AscendingOrder;
    sortColumn_ = column;
    auto idAt = [this](int row) { return row >= 0 && row < RowCount() ? RowIdAt(row) : 0; };
    const RowId current = idAt(CurrentRowIndex);
    const RowId playing = idAt(PlayingRowIndex);
    if (renameOpen_)
        cancelRename();
    lv_id3->sortItems(column, sortOrder_);
    lv_id3->header()->setSortIndicatorShown(true);
    lv_id3->header()->setSortIndicator(column, sortOrder_);
    if (current != 0)
        CurrentRowIndex = RowOfId(current);
    if (playing != 0 && PlayingFlag)
        PlayingRowIndex = RowOfId(playing);
    syncAllRows();
}

void Tfm_main::NumberRows1Click() {
    if (busy_)
        return;
    list_.numberTracks(selectedIds());
    syncRows(selectedRows());
    showSelection();
}
