// A fresh main window for each test case: module state reset, nothing
// remembered from earlier windows, dialogs answered by TestDialogs, shown on
// the offscreen platform.
#pragma once

#include "TemporarySettings.h"
#include "TestDialogs.h"
#include "app/TagFields.h"
#include "app/Tageditor.h"
#include "app/TrackList.h"
#include "core/Formats.h"

#include <QTest>
#include <functional>
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

    // Rows with the given titles (paths /music/<title>.mp3) and these values
    // as read from their files; customise(i, values) may change row i's.
    using Customise = std::function<void(int row, Timerec& values)>;
    void addRows(const QStringList& titles, const Customise& customise = {}) {
        for (int i = 0; i < titles.size(); ++i) {
            const std::string title = titles[i].toStdString();
            Timerec values{title, "Artist " + title, "2001", "Album", "", "Rock", ""};
            if (customise)
                customise(i, values);
            velmora::core::Row row;
            row.path = "/music/" + title + ".mp3";
            row.format = velmora::core::formatOf(row.path);
            row.baseline = row.current = TagValuesOf(values);
            window->AppendRow(title, std::move(row));
        }
    }

    QPoint rowCenter(int row) const {
        // The file name cell: the row may be wider than the list.
        const QAbstractItemModel* model = window->lv_id3->model();
        return window->lv_id3->visualRect(model->index(row, 0)).center();
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
