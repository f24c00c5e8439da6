#include "app/EditCommands.h"

#include "app/Dialogs.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>

EditCommands::EditCommands(velmora::core::FileList& list, QMenu* menu, Window window)
    : QObject(window.widget), list_(list), window_(std::move(window)) {
    QWidget* parent = window_.widget;
    undoRedo_ = new UndoRedo(list_, parent);
    cover_ = new CoverPanel(list_, parent);
    cover_->setChooser([this] {
        return window_.dialogs().getOpenFileNames(window_.widget, CoverPanel::ImageFilter).value(0);
    });

    menu->addSeparator();
    undoRedo_->addTo(menu);
    fill_ = menu->addAction(QStringLiteral("Fill tags from file names\u2026"));
    rename_ = menu->addAction(QStringLiteral("Rename files from tags\u2026"));
    menu->addSeparator();
    setCover_ = menu->addAction(QStringLiteral("Set cover\u2026"));
    removeCover_ = menu->addAction(QStringLiteral("Remove cover"));

    const auto changed = [this] {
        cover_->showRows(window_.selected());
        undoRedo_->refresh();
        window_.rowsChanged();
    };
    connect(undoRedo_, &UndoRedo::rowsChanged, this, changed);
    connect(cover_, &CoverPanel::coverChanged, this, [this] {
        undoRedo_->refresh();
        window_.rowsChanged();
    });
    connect(cover_, &CoverPanel::refused, this,
            [this](const QString& reason) { window_.dialogs().error(window_.widget, reason); });
    connect(fill_, &QAction::triggered, this,
            [this] { openPatternDialog(PatternDialog::Mode::Fill); });
    connect(rename_, &QAction::triggered, this,
            [this] { openPatternDialog(PatternDialog::Mode::Rename); });
    connect(setCover_, &QAction::triggered, cover_->setButton(), &QPushButton::click);
    connect(removeCover_, &QAction::triggered, cover_->removeButton(), &QPushButton::click);
    connect(menu, &QMenu::aboutToShow, this, [this] {
        const bool any = !window_.selected().empty();
        fill_->setEnabled(any);
        rename_->setEnabled(any);
        setCover_->setEnabled(cover_->setButton()->isEnabled());
        removeCover_->setEnabled(cover_->removeButton()->isEnabled());
    });
}

void EditCommands::selectionChanged() {
    // The window tells of every change, also of one that leaves the same rows
    // selected: their covers are not read again.
    RowIds selected = window_.selected();
    if (selected == shownSelection_)
        return;
    shownSelection_ = selected;
    cover_->showRows(std::move(selected));
}

PatternDialog* EditCommands::openPatternDialog(PatternDialog::Mode mode) {
    auto* dialog =
        new PatternDialog(list_, window_.selected(), window_.playing(), mode, window_.widget);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFailureReport([this](const QString& summary, const QStringList& failures) {
        window_.dialogs().writeReport(window_.widget, summary, failures);
    });
    const auto changed = [this] {
        cover_->showRows(window_.selected());
        undoRedo_->refresh();
        window_.rowsChanged();
    };
    connect(dialog, &PatternDialog::rowsFilled, this, changed);
    connect(dialog, &PatternDialog::rowsRenamed, this, changed);
    dialog->open();
    return dialog;
}
