// The preview table of the pattern dialog: one line per selected row with its
// file name and what the pattern makes of it (the values a fill sets, or the
// new name), or why the row is left alone.
#pragma once

#include "core/NamesFromTags.h"
#include "core/TagsFromNames.h"

#include <QAbstractTableModel>
#include <vector>

class PatternPreviewModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // A fill preview: the columns are the fields the pattern names.
    void showFill(std::vector<velmora::core::FillPlan> plans, std::vector<velmora::Field> fields);
    // A rename preview: the new name of each row.
    void showRename(std::vector<velmora::core::RenamePlan> plans);

    // The row is left alone: no match, or refused.
    bool hasProblem(int row) const;
    // How many rows would change.
    int usableCount() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString cellText(int row, int column) const;

    bool renaming_ = false;
    std::vector<velmora::core::FillPlan> fills_;
    std::vector<velmora::Field> fields_;
    std::vector<velmora::core::RenamePlan> renames_;
};
