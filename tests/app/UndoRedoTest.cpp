// The undo and redo keys and menu entries on a window with a list and text
// fields, on copies of a file ffmpeg encoded and mid3v2 tagged.
#include "app/UndoRedo.h"
#include "tests/cli/SampleFiles.h"
#include "tests/common/TestFiles.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <optional>

using velmora::Field;
using velmora::core::FileList;
using velmora::core::RowId;
using velmora::test::TempDir;

namespace {

// The window under test: a list to hold the focus and the three kinds of
// text field the tag fields are.
struct Window : QWidget {
    QListWidget* table = new QListWidget(this);
    QLineEdit* line = new QLineEdit(this);
    QPlainTextEdit* text = new QPlainTextEdit(this);
    QComboBox* combo = new QComboBox(this);
    Window() {
        combo->setEditable(true);
        auto* layout = new QVBoxLayout(this);
        for (QWidget* widget : {static_cast<QWidget*>(table), static_cast<QWidget*>(line),
                                static_cast<QWidget*>(text), static_cast<QWidget*>(combo)})
            layout->addWidget(widget);
    }
    QWidget* field(const QString& kind) const {
        if (kind == "line")
            return line;
        if (kind == "text")
            return text;
        return combo->lineEdit();
    }
    QString fieldText(const QString& kind) const {
        if (kind == "line")
            return line->text();
        if (kind == "text")
            return text->toPlainText();
        return combo->currentText();
    }
};

void press(QWidget* widget, bool redo) {
    QTest::keyClick(widget, Qt::Key_Z,
                    redo ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
}

} // namespace

class UndoRedoTest : public QObject {
    Q_OBJECT

private:
    std::optional<velmora::core::FormatLibraries> libraries_;
    std::optional<TempDir> samples_;

    std::vector<RowId> addCopies(FileList& list, const TempDir& dir, int count) {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i) {
            paths.push_back(dir.file("song " + std::to_string(i) + ".mp3"));
            velmora::test::writeFile(paths.back(),
                                     velmora::test::readFile(samples_->file("tagged.mp3")));
        }
        return list.add(paths);
    }

    static std::vector<std::string> artists(const FileList& list) {
        std::vector<std::string> values;
        for (const auto& row : list.rows())
            values.push_back(row.current[Field::Artist]);
        return values;
    }

private slots:
    void initTestCase() {
        libraries_.emplace();
        samples_.emplace();
        QVERIFY2(velmora::test::makeSampleFiles(samples_->path()), "ffmpeg or mid3v2");
    }

    void aFieldUndoesItsTypingFirst_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("line") << "line";
        QTest::newRow("text") << "text";
        QTest::newRow("combo") << "combo";
    }
    void aFieldUndoesItsTypingFirst() {
        QFETCH(QString, kind);
        TempDir dir;
        FileList list;
        const auto ids = addCopies(list, dir, 2);
        Window window;
        UndoRedo history(list, &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        list.setFieldInAll(Field::Artist, "Everyone");

        QWidget* field = window.field(kind);
        field->setFocus();
        QTest::keyClicks(field, "typed");
        press(field, false);
        QCOMPARE(window.fieldText(kind), QString());
        QCOMPARE(artists(list), std::vector<std::string>(2, "Everyone"));
        press(field, true); // the field redoes its own typing too
        QCOMPARE(window.fieldText(kind), QString("typed"));
        press(field, false);
        // Nothing left to undo in the field: the key goes to the list.
        press(field, false);
        QCOMPARE(artists(list), std::vector<std::string>(2, "Sample Artist"));
        QCOMPARE(window.fieldText(kind), QString());
        // Redo goes to the field first as well: after its undo it has something to redo.
        press(field, true);
        QCOMPARE(window.fieldText(kind), QString("typed"));
        QCOMPARE(artists(list), std::vector<std::string>(2, "Sample Artist"));
        press(field, true);
        QCOMPARE(artists(list), std::vector<std::string>(2, "Everyone"));
    }

    void theMenuEntriesFollowTheHistory() {
        TempDir dir;
        FileList list;
        const auto ids = addCopies(list, dir, 2);
        Window window;
        UndoRedo history(list, &window);
        QMenu menu(&window);
        history.addTo(&menu);
        QCOMPARE(menu.actions().at(0)->text(), QString("Undo"));
        QCOMPARE(menu.actions().at(1)->text(), QString("Redo"));

        const auto enabled = [&] {
            menu.popup(QPoint(0, 0));
            [[maybe_unused]] const bool shown = QTest::qWaitForWindowExposed(&menu);
            std::pair<bool, bool> state{history.undoAction()->isEnabled(),
                                        history.redoAction()->isEnabled()};
            return state;
        };
        QCOMPARE(enabled(), std::make_pair(false, false));
        menu.hide();
        list.setField(std::span(&ids[0], 1), Field::Title, "New");
        QCOMPARE(enabled(), std::make_pair(true, false));
        QTest::mouseClick(&menu, Qt::LeftButton, {},
                          menu.actionGeometry(history.undoAction()).center());
        QCOMPARE(list.find(ids[0])->current[Field::Title], std::string("Sample Title"));
        QCOMPARE(enabled(), std::make_pair(false, true));
    }
};

QTEST_MAIN(UndoRedoTest)
#include "UndoRedoTest.moc"
