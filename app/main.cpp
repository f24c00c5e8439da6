// The program entry: binds the WMA SDK, creates the main window and the folder
// dialog, and runs the GUI loop until the main window closes. `velmora FILE...`
// starts with those files listed, as a desktop's "Open With" asks (a folder
// given lists its audio files, as Add Folder does). What the window remembers
// between runs is in ~/.config/Velmora/Velmora.conf (app/Settings.h).
#include "app/Tageditor.h"
#include "app/dir.h"
#include "base/FileLayer.h"
#include "core/FolderScan.h"
#include "tags/wma/WMAudioInfo.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>

namespace {

// The last line of the default error handler: an exception that slipped past
// a window handler is shown and goes no further into the event loop.
class VelmoraApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            QMessageBox::critical(nullptr, QStringLiteral("Velmora"), QString::fromUtf8(e.what()));
        } catch (...) {
            QMessageBox::critical(nullptr, QStringLiteral("Velmora"),
                                  QStringLiteral("An unknown error occurred."));
        }
        return false;
    }
};

// The real dialogs, except that the first file dialog answers at once with
// the files named on the command line.
class StartupFiles : public QtDialogs {
public:
    explicit StartupFiles(QStringList files) : files_(std::move(files)) {}
    QStringList getOpenFileNames(QWidget* parent, const QString& filter) override {
        if (!files_.isEmpty())
            return std::exchange(files_, {});
        return QtDialogs::getOpenFileNames(parent, filter);
    }

private:
    QStringList files_;
};

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("velmora %s\n", VELMORA_VERSION);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("Usage: velmora [FILE...]\n"
                    "Opens the tag editor with the given audio files listed.\n"
                    "For the command line tool see velmora-cli --help.\n");
        return 0;
    }
    WMAudioInfo::Bind();
    int result = 0;
    {
        // Qt takes its own options out of argv; what stays are files.
        VelmoraApplication app(argc, argv);
        QApplication::setOrganizationName(QStringLiteral("Velmora"));
        QApplication::setApplicationName(QStringLiteral("Velmora"));
        QApplication::setApplicationDisplayName(QStringLiteral("Velmora"));
        // Qt's own style everywhere, so dialogs and menus draw in the skin's
        // colours whatever the desktop's style is.
        QApplication::setStyle(QStringLiteral("Fusion"));
        Tfm_main window;
        fm_main = &window;
        Tfm_dir dir(&window);
        fm_dir = &dir;
        window.setFolderDialog(&dir);
        QStringList files;
        for (int i = 1; i < argc; ++i) {
            const std::string path = velmora::expandPath(argv[i]);
            std::error_code error;
            for (const std::string& file : std::filesystem::is_directory(path, error)
                                               ? velmora::core::scanFolder(path).paths
                                               : std::vector<std::string>{path})
                files << QFile::decodeName(QByteArray::fromStdString(file));
        }
        if (!files.isEmpty()) {
            window.setDialogs(std::make_unique<StartupFiles>(files));
            QTimer::singleShot(0, &window,
                               [&window] { window.Guard([&] { window.Remove1Click(); }); });
        }
        window.show();
        result = QApplication::exec();
        fm_dir = nullptr;
    }
    WMAudioInfo::Unbind();
    return result;
}
