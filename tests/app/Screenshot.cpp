// Renders the skinned main window, grown to 1000 x 640, with a few example
// rows into a PNG (for the README): velmora_screenshot <output.png> [skin
// file]. Run on the offscreen platform; it neither reads nor keeps settings.
#include "TemporarySettings.h"
#include "TestDialogs.h"
#include "app/Tageditor.h"
#include "app/TrackList.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>

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
        window.AppendRow(file.substr(0, file.size() - 4), "/home/ana/Music/" + file);
        BaselineTable[i] = {names[i][0], names[i][1], names[i][3], names[i][2], "", "Pop"};
    }
    TrackTable = BaselineTable;
    TrackTable[1].Genre = "Indie";
    TrackTable[1].Comment = "Recorded live at the harbour, summer 2021.";
    window.SelectRow(1);
    window.lv_id3Click();
    QTimer::singleShot(200, [&] {
        window.grab().save(QString::fromLocal8Bit(argv[1]));
        // The shown edit is left unwritten: the window would ask about it on quit.
        TrackTable = BaselineTable;
        QApplication::quit();
    });
    return QApplication::exec();
}
