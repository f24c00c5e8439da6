// The program entry: binds the WMA SDK, creates the main window and the folder
// dialog, and runs the GUI loop until the main window closes.
#include "app/Tageditor.h"
#include "app/dir.h"
#include "tags/wma/WMAudioInfo.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

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

} // namespace

int main(int argc, char* argv[]) {
    WMAudioInfo::Bind();
    int result = 0;
    {
        VelmoraApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Velmora"));
        QApplication::setApplicationDisplayName(QStringLiteral("Velmora"));
        Tfm_main window;
        fm_main = &window;
        Tfm_dir dir(&window);
        fm_dir = &dir;
        window.setFolderDialog(&dir);
        window.show();
        result = QApplication::exec();
        fm_dir = nullptr;
    }
    WMAudioInfo::Unbind();
    return result;
}
