// Renders the skinned main window, grown to 1000 x 640, with a few example
// rows into a PNG (for the README): velmora_screenshot <output.png> [skin
// file]. Run on the offscreen platform; it neither reads nor keeps settings.
#include "TemporarySettings.h"
#include "TestDialogs.h"
#include "app/CoverPanel.h"
#include "app/TagFields.h"
#include "app/Tageditor.h"
#include "app/TrackList.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <string>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    TemporarySettings settings;
    Tfm_main window;
    TestDialogs::Log log; // a skin error is not shown, only the window
    window.setDialogs(std::make_unique<TestDialogs>(log));
    if (argc > 2)
        window.setSkinFile(QString::fromLocal8Bit(argv[2]));
    window.show();
    window.resize(1000, 640);
    const char* names[][4] = {
        {"Morning Tide", "Aurelia Vance", "Harbour Lights", "2021"},
        {"Paper Lanterns", "Aurelia Vance", "Harbour Lights", "2021"},
        {"Northbound", "The Quiet Hours", "Long Way Home", "2019"},
        {"Glass Orchard", "Mira Okafor", "Evergreen", "2023"},
        {"Slow Satellite", "The Quiet Hours", "Long Way Home", "2019"},
        {"Copper Skies", "Ines Dalca", "Weathervane", "2020"},
    };
    const char* files[] = {"01 Morning Tide.mp3", "02 Paper Lanterns.mp3", "Northbound.ogg",
                           "Glass Orchard.wma",   "Slow Satellite.ogg",    "Copper Skies.mp3"};
    for (int i = 0; i < 6; ++i) {
        const std::string file = files[i];
        velmora::core::Row row;
        row.path = "/home/ana/Music/" + file;
        row.format = velmora::core::formatOf(row.path);
        row.baseline = TagValuesOf(
            {names[i][0], names[i][1], names[i][3], names[i][2], "", "Pop", std::to_string(i + 1)});
        row.current = row.baseline;
        if (i == 1) {
            row.current[velmora::Field::Genre] = "Indie";
            row.current[velmora::Field::Comment] = "Recorded live at the harbour, summer 2021.";
        }
        window.AppendRow(file.substr(0, file.size() - 4), std::move(row));
    }
    window.SelectRow(1);
    window.lv_id3Click();
    // A drawn cover for the shown row: lanterns over a harbour at dusk.
    QTemporaryDir folder;
    QImage cover(500, 500, QImage::Format_RGB32);
    QPainter painter(&cover);
    QLinearGradient sky(0, 0, 0, 500);
    sky.setColorAt(0, QColor(38, 52, 104));
    sky.setColorAt(1, QColor(236, 140, 84));
    painter.fillRect(cover.rect(), sky);
    painter.fillRect(QRect(0, 360, 500, 140), QColor(24, 34, 60));
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 5; ++i) {
        painter.setBrush(QColor(255, 200 - i * 12, 90));
        painter.drawEllipse(QPoint(70 + i * 90, 150 + (i % 2) * 60), 26, 34);
    }
    painter.end();
    const QString coverFile = folder.filePath(QStringLiteral("cover.png"));
    cover.save(coverFile);
    window.CoverPanel1->setCover(coverFile.toStdString());
    QTimer::singleShot(200, [&] {
        window.grab().save(QString::fromLocal8Bit(argv[1]));
        // The shown edit is left unwritten: the window would ask about it on quit.
        window.RunSkinCommand(QStringLiteral("reset"));
        QApplication::quit();
    });
    return QApplication::exec();
}
