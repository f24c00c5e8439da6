// A fresh main window for each test case: module state reset, nothing
// remembered from earlier windows, dialogs answered by TestDialogs, shown on
// the offscreen platform.
#pragma once

#include "TemporarySettings.h"
#include "TestDialogs.h"
#include "app/Tageditor.h"
#include "app/TrackList.h"

#include <QTest>
#include <memory>

struct WindowFixture {
    TemporarySettings settings;
    TestDialogs::Log log;
    TestDialogs* dialogs = nullptr;
    std::unique_ptr<Tfm_main> window;

    // skinFile: empty for the shipped skin beside the test binary.
    explicit WindowFixture(const QString& skinFile = {}) {
        ResetModuleState();
        ChosenFolder.clear();
        window = std::make_unique<Tfm_main>();
        auto owned = std::make_unique<TestDialogs>(log);
        dialogs = owned.get();
        window->setDialogs(std::move(owned));
        if (!skinFile.isEmpty())
            window->setSkinFile(skinFile);
        window->show();
    }

    // Rows with the given titles (paths /music/<title>.mp3), read values in
    // both tables.
    void addRows(const QStringList& titles) {
        for (const QString& title : titles) {
            const int row =
                window->AppendRow(title.toStdString(), "/music/" + title.toStdString() + ".mp3");
            BaselineTable[row] = {
                title.toStdString(), "Artist " + title.toStdString(), "2001", "Album", "", "Rock"};
            TrackTable[row] = BaselineTable[row];
        }
    }

    QPoint rowCenter(int row) const {
        return window->lv_id3->visualItemRect(window->lv_id3->topLevelItem(row)).center();
    }
    void clickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(window->lv_id3->viewport(), Qt::LeftButton, modifiers, rowCenter(row));
    }
};

// Types text into widget one key at a time, as a keyboard does; unlike
// QTest::keyClicks it also types characters outside Latin-1.
inline void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}
