#include "app/UndoRedo.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace {

enum class Direction { Undo, Redo };

// What a text field can still undo or redo of its own typing; nullopt when the
// widget is no text field.
std::optional<bool> fieldCan(QObject* widget, Direction direction) {
    const bool undo = direction == Direction::Undo;
    // An editable combo box passes its keys to its line edit.
    if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit())
        widget = combo->lineEdit();
    if (auto* line = qobject_cast<QLineEdit*>(widget))
        return !line->isReadOnly() && (undo ? line->isUndoAvailable() : line->isRedoAvailable());
    QTextDocument* document = nullptr;
    bool readOnly = false;
    if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
        document = plain->document();
        readOnly = plain->isReadOnly();
    } else if (auto* rich = qobject_cast<QTextEdit*>(widget)) {
        document = rich->document();
        readOnly = rich->isReadOnly();
    }
    if (!document)
        return std::nullopt;
    return !readOnly && (undo ? document->isUndoAvailable() : document->isRedoAvailable());
}

// An editable text field (an editable combo box counts).
bool isTextField(QObject* widget) {
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        return combo->isEditable();
    return fieldCan(widget, Direction::Undo).has_value();
}

// The key's direction when it is the undo or redo key.
std::optional<Direction> directionOf(const QKeyEvent& key) {
    if (key.matches(QKeySequence::Undo))
        return Direction::Undo;
    if (key.matches(QKeySequence::Redo))
        return Direction::Redo;
    return std::nullopt;
}

} // namespace

UndoRedo::UndoRedo(velmora::core::FileList& list, QWidget* window)
    : QObject(window), list_(list), window_(window) {
    undo_ = new QAction(QStringLiteral("Undo"), window);
    undo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redo_ = new QAction(QStringLiteral("Redo"), window);
    redo_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    for (QAction* action : {undo_, redo_}) {
        action->setShortcutContext(Qt::WindowShortcut);
        window->addAction(action);
    }
    connect(undo_, &QAction::triggered, this, [this] { undo(); });
    connect(redo_, &QAction::triggered, this, [this] { redo(); });
    // Text fields claim the undo keys for themselves; the filter lets the
    // keys through to the actions when a field has nothing to undo.
    qApp->installEventFilter(this);
    refresh();
}

UndoRedo::~UndoRedo() {
    qApp->removeEventFilter(this);
    if (fieldInStep_)
        list_.endStep();
}

void UndoRedo::addTo(QMenu* menu) {
    menu->addAction(undo_);
    menu->addAction(redo_);
    connect(menu, &QMenu::aboutToShow, this, &UndoRedo::refresh);
}

void UndoRedo::refresh() {
    undo_->setEnabled(list_.canUndo());
    redo_->setEnabled(list_.canRedo());
}

UndoRedo::RowIds UndoRedo::undo() {
    RowIds changed = list_.undo();
    reopenFieldStep();
    refresh();
    if (!changed.empty())
        emit rowsChanged(changed);
    return changed;
}

UndoRedo::RowIds UndoRedo::redo() {
    RowIds changed = list_.redo();
    reopenFieldStep();
    refresh();
    if (!changed.empty())
        emit rowsChanged(changed);
    return changed;
}

void UndoRedo::reopenFieldStep() {
    // The list ended the field's step wholly; the typing that follows is a new one.
    if (fieldInStep_)
        list_.beginStep();
}

bool UndoRedo::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::FocusIn && type != QEvent::FocusOut)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window_)
        return false;
    if (type == QEvent::FocusIn) {
        // One step from entering a field to leaving it.
        if (!fieldInStep_ && isTextField(widget)) {
            fieldInStep_ = widget;
            list_.beginStep();
        }
        return false;
    }
    if (type == QEvent::FocusOut) {
        if (widget == fieldInStep_) {
            fieldInStep_ = nullptr;
            list_.endStep();
        }
        return false;
    }
    const auto direction = directionOf(*static_cast<QKeyEvent*>(event));
    if (!direction)
        return false;
    // The history may have changed since the actions were last enabled.
    refresh();
    const std::optional<bool> fieldHasTyping = fieldCan(widget, *direction);
    if (!fieldHasTyping || *fieldHasTyping)
        return false; // no text field, or the field undoes its own typing
    // The field has nothing to undo: the key goes to the window's action.
    event->ignore();
    return true;
}
