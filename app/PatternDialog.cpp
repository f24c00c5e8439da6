#include "app/PatternDialog.h"

#include "app/FilePaths.h"
#include "app/PatternPreviewModel.h"
#include "core/NamePattern.h"
#include "core/NamesFromTags.h"
#include "core/TagsFromNames.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

using velmora::Field;
namespace core = velmora::core;

namespace {

constexpr Field PlaceholderOrder[] = {Field::Track, Field::Title, Field::Artist, Field::Album,
                                      Field::Year,  Field::Genre, Field::Comment};

QString titleOf(PatternDialog::Mode mode) {
    return mode == PatternDialog::Mode::Fill ? QStringLiteral("Fill tags from file names")
                                             : QStringLiteral("Rename files from tags");
}

QString fileCount(int count) {
    return count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count);
}

} // namespace

PatternDialog::PatternDialog(core::FileList& list, RowIds selected, RowIds playing, Mode mode,
                             QWidget* parent)
    : QDialog(parent), list_(list), selected_(std::move(selected)), playing_(std::move(playing)),
      mode_(mode), model_(std::make_unique<PatternPreviewModel>()) {
    auto* layout = new QVBoxLayout(this);

    auto* modes = new QHBoxLayout;
    fillMode_ = new QRadioButton(titleOf(Mode::Fill), this);
    renameMode_ = new QRadioButton(titleOf(Mode::Rename), this);
    auto* group = new QButtonGroup(this);
    group->addButton(fillMode_);
    group->addButton(renameMode_);
    modes->addWidget(fillMode_);
    modes->addWidget(renameMode_);
    modes->addStretch();
    layout->addLayout(modes);

    auto* patternRow = new QHBoxLayout;
    auto* patternLabel = new QLabel(QStringLiteral("&Pattern:"), this);
    pattern_ = new QLineEdit(QStringLiteral("%track% - %artist% - %title%"), this);
    patternLabel->setBuddy(pattern_);
    patternRow->addWidget(patternLabel);
    patternRow->addWidget(pattern_, 1);
    layout->addLayout(patternRow);

    // The placeholders, each a button that types it at the cursor.
    auto* placeholders = new QHBoxLayout;
    for (Field field : PlaceholderOrder) {
        const QString text = QString::fromStdString(core::placeholderOf(field));
        auto* button = new QToolButton(this);
        button->setText(text);
        button->setFocusPolicy(Qt::NoFocus);
        button->setToolTip(
            QStringLiteral("Insert the %1")
                .arg(QString::fromUtf8(core::fieldCaption(field).data(),
                                       qsizetype(core::fieldCaption(field).size()))));
        connect(button, &QToolButton::clicked, this, [this, text] { insertPlaceholder(text); });
        placeholders->addWidget(button);
    }
    placeholders->addStretch();
    layout->addLayout(placeholders);

    status_ = new QLabel(this);
    status_->setWordWrap(true);
    layout->addWidget(status_);

    table_ = new QTableView(this);
    table_->setModel(model_.get());
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    layout->addWidget(table_, 1);

    auto* buttons = new QDialogButtonBox(this);
    apply_ = buttons->addButton(QStringLiteral("Fill"), QDialogButtonBox::AcceptRole);
    apply_->setDefault(true);
    buttons->addButton(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::accepted, this, &PatternDialog::apply);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(pattern_, &QLineEdit::textChanged, this, &PatternDialog::updatePreview);
    connect(fillMode_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            setMode(Mode::Fill);
    });
    connect(renameMode_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            setMode(Mode::Rename);
    });

    resize(720, 420);
    (mode_ == Mode::Fill ? fillMode_ : renameMode_)->setChecked(true);
    setMode(mode_);
}

PatternDialog::~PatternDialog() = default;

void PatternDialog::setPattern(const QString& pattern) {
    pattern_->setText(pattern);
}

QString PatternDialog::pattern() const {
    return pattern_->text();
}

void PatternDialog::setMode(Mode mode) {
    mode_ = mode;
    (mode == Mode::Fill ? fillMode_ : renameMode_)->setChecked(true);
    setWindowTitle(titleOf(mode));
    apply_->setText(mode == Mode::Fill ? QStringLiteral("Fill") : QStringLiteral("Rename"));
    updatePreview();
}

QString PatternDialog::statusText() const {
    return status_->text();
}

QString PatternDialog::previewText(int row, int column) const {
    return model_->data(model_->index(row, column), Qt::DisplayRole).toString();
}

bool PatternDialog::previewRowHasProblem(int row) const {
    return model_->hasProblem(row);
}

void PatternDialog::insertPlaceholder(const QString& placeholder) {
    pattern_->insert(placeholder);
    pattern_->setFocus();
}

void PatternDialog::updatePreview() {
    const core::NamePattern pattern = core::parsePattern(pattern_->text().toStdString());
    std::string error = pattern.error;
    if (error.empty())
        error = mode_ == Mode::Fill ? core::readingError(pattern) : core::namingError(pattern);

    const int total = int(selected_.size());
    int problems = 0;
    if (mode_ == Mode::Fill) {
        auto plans = core::previewFill(list_, selected_, pattern);
        model_->showFill(std::move(plans), error.empty() ? pattern.fields() : std::vector<Field>{});
    } else {
        auto plans = core::previewRename(list_, selected_, pattern, playing_);
        problems = int(core::problemCount(plans));
        model_->showRename(std::move(plans));
    }
    const int usable = model_->usableCount();

    QString status;
    if (!error.empty()) {
        status =
            QStringLiteral("The pattern cannot be used: %1.").arg(QString::fromStdString(error));
    } else if (mode_ == Mode::Fill) {
        status = QStringLiteral("%1 of %2 match the pattern.").arg(usable).arg(fileCount(total));
    } else {
        status = QStringLiteral("%1 of %2 get a new name.").arg(usable).arg(fileCount(total));
        if (problems > 0)
            status += QStringLiteral(" %1 refused: nothing is renamed while any is.")
                          .arg(problems == 1 ? QStringLiteral("1 is")
                                             : QStringLiteral("%1 are").arg(problems));
    }
    status_->setText(status);
    apply_->setEnabled(error.empty() && (usable > 0 || problems > 0));
    // A fill's problem reads across the value columns.
    table_->clearSpans();
    if (mode_ == Mode::Fill && model_->columnCount() > 2)
        for (int row = 0; row < model_->rowCount(); ++row)
            if (model_->hasProblem(row))
                table_->setSpan(row, 1, 1, model_->columnCount() - 1);
    table_->resizeColumnToContents(0);
}

void PatternDialog::apply() {
    const core::NamePattern pattern = core::parsePattern(pattern_->text().toStdString());
    if (mode_ == Mode::Fill) {
        RowIds filled;
        for (const core::FillPlan& plan : core::fillFromNames(list_, selected_, pattern))
            if (plan.matched)
                filled.push_back(plan.id);
        if (!filled.empty())
            emit rowsFilled(filled);
        accept();
        return;
    }

    RowIds renamed;
    QStringList failures;
    const auto plans = core::renameFromTags(list_, selected_, pattern, playing_);
    for (const core::RenamePlan& plan : plans) {
        if (plan.renamed)
            renamed.push_back(plan.id);
        else if (!plan.problem.empty())
            failures << DisplayPath(plan.problem);
    }
    if (!renamed.empty())
        emit rowsRenamed(renamed);
    if (failures.isEmpty()) {
        accept();
        return;
    }
    if (report_) {
        const QString summary = renamed.empty() ? QStringLiteral("No file was renamed.")
                                                : QStringLiteral("%1 renamed, %2 not.")
                                                      .arg(fileCount(int(renamed.size())))
                                                      .arg(failures.size());
        report_(summary, failures);
    }
    updatePreview();
}
