#include "app/PatternPreviewModel.h"

#include "app/FilePaths.h"
#include "core/PathParts.h"

#include <QBrush>
#include <QColor>
#include <QFont>

using velmora::Field;

namespace {

QString fieldHeader(Field field) {
    switch (field) {
    case Field::Title:
        return QStringLiteral("Title");
    case Field::Artist:
        return QStringLiteral("Artist");
    case Field::Album:
        return QStringLiteral("Album");
    case Field::Year:
        return QStringLiteral("Year");
    case Field::Genre:
        return QStringLiteral("Genre");
    case Field::Comment:
        return QStringLiteral("Comment");
    case Field::Track:
        break;
    }
    return QStringLiteral("Track");
}

QString fileName(const std::string& path) {
    return DisplayPath(std::string(velmora::core::fileNamePart(path)));
}

// A problem without the file named in front ("Cannot rename \"/a/b.mp3\": ",
// "\"/a/b.mp3\": "): the line already names the file.
QString reasonOnly(const std::string& path, const std::string& problem) {
    const std::string_view name = velmora::core::fileNamePart(path);
    const std::size_t end = problem.find("\": ");
    if (name.empty() || end == std::string::npos || problem.find(name) > end)
        return DisplayPath(problem);
    QString reason = DisplayPath(problem.substr(end + 3));
    if (!reason.isEmpty())
        reason[0] = reason[0].toUpper();
    return reason;
}

} // namespace

void PatternPreviewModel::showFill(std::vector<velmora::core::FillPlan> plans,
                                   std::vector<Field> fields) {
    beginResetModel();
    renaming_ = false;
    fills_ = std::move(plans);
    fields_ = std::move(fields);
    renames_.clear();
    endResetModel();
}

void PatternPreviewModel::showRename(std::vector<velmora::core::RenamePlan> plans) {
    beginResetModel();
    renaming_ = true;
    renames_ = std::move(plans);
    fills_.clear();
    fields_.clear();
    endResetModel();
}

bool PatternPreviewModel::hasProblem(int row) const {
    if (row < 0 || row >= rowCount())
        return false;
    return renaming_ ? !renames_[row].problem.empty() : !fills_[row].matched;
}

int PatternPreviewModel::usableCount() const {
    int count = 0;
    if (renaming_) {
        for (const auto& plan : renames_)
            count += plan.problem.empty() && !plan.unchanged();
    } else {
        for (const auto& plan : fills_)
            count += plan.matched;
    }
    return count;
}

int PatternPreviewModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return int(renaming_ ? renames_.size() : fills_.size());
}

int PatternPreviewModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return renaming_ ? 2 : 1 + std::max<int>(1, int(fields_.size()));
}

QString PatternPreviewModel::cellText(int row, int column) const {
    if (renaming_) {
        const auto& plan = renames_[row];
        if (column == 0)
            return fileName(plan.oldPath);
        return plan.problem.empty() ? DisplayPath(plan.newName)
                                    : reasonOnly(plan.oldPath, plan.problem);
    }
    const auto& plan = fills_[row];
    if (column == 0)
        return fileName(plan.path);
    if (!plan.matched)
        return column == 1 ? reasonOnly(plan.path, plan.problem) : QString();
    if (column - 1 < int(fields_.size()))
        return QString::fromStdString(plan.values[fields_[column - 1]]);
    return {};
}

QVariant PatternPreviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const bool problem = hasProblem(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return cellText(index.row(), index.column());
    case Qt::ForegroundRole:
        if (problem && index.column() > 0)
            return QBrush(QColor(0xA0, 0x10, 0x10));
        if (renaming_ && index.column() > 0 && renames_[index.row()].unchanged())
            return QBrush(Qt::gray);
        return {};
    case Qt::FontRole:
        if (problem && index.column() > 0) {
            QFont font;
            font.setItalic(true);
            return font;
        }
        return {};
    default:
        return {};
    }
}

QVariant PatternPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section == 0)
        return QStringLiteral("File name");
    if (renaming_)
        return QStringLiteral("New name");
    if (section - 1 < int(fields_.size()))
        return fieldHeader(fields_[section - 1]);
    return QStringLiteral("Values");
}
