// The dialog that fills tags from file names or renames files from tags by a
// pattern ("%track% - %artist% - %title%"). As the pattern is typed, a preview
// table shows what each selected row would get: its values or its new name, or
// why it is left alone. Nothing changes before Fill or Rename is pressed; a fill
// is one undo step, a rename is all or nothing at the checks.
#pragma once

#include "core/FileList.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class PatternPreviewModel;

class PatternDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Fill, Rename };
    using RowIds = std::vector<velmora::core::RowId>;
    // Told when an apply left files alone: a summary line and one entry per
    // file, naming it and saying why.
    using FailureReport = std::function<void(const QString& summary, const QStringList& failures)>;

    // selected: the rows to act on, in list order; playing: rows whose files
    // are playing (a playing file is not renamed).
    PatternDialog(velmora::core::FileList& list, RowIds selected, RowIds playing, Mode mode,
                  QWidget* parent = nullptr);
    ~PatternDialog() override;

    void setFailureReport(FailureReport report) { report_ = std::move(report); }
    void setPattern(const QString& pattern);
    QString pattern() const;
    Mode mode() const { return mode_; }
    void setMode(Mode mode);

    // The controls, for the window's tests.
    QLineEdit* patternField() const { return pattern_; }
    QTableView* previewTable() const { return table_; }
    QPushButton* applyButton() const { return apply_; }
    QRadioButton* fillButton() const { return fillMode_; }
    QRadioButton* renameButton() const { return renameMode_; }
    // The line under the pattern: its error, or how many rows it suits.
    QString statusText() const;
    // One preview cell as shown.
    QString previewText(int row, int column) const;
    // The row is shown as left alone (no match, or refused).
    bool previewRowHasProblem(int row) const;

    // Runs the fill or the rename now (what Fill / Rename does).
    void apply();

signals:
    // After a fill: the rows whose values changed.
    void rowsFilled(const PatternDialog::RowIds& ids);
    // After a rename: the rows whose files now have new names.
    void rowsRenamed(const PatternDialog::RowIds& ids);

private:
    void updatePreview();
    void insertPlaceholder(const QString& placeholder);

    velmora::core::FileList& list_;
    RowIds selected_;
    RowIds playing_;
    Mode mode_;
    FailureReport report_;
    std::unique_ptr<PatternPreviewModel> model_;
    QLineEdit* pattern_ = nullptr;
    QLabel* status_ = nullptr;
    QTableView* table_ = nullptr;
    QPushButton* apply_ = nullptr;
    QRadioButton* fillMode_ = nullptr;
    QRadioButton* renameMode_ = nullptr;
};
