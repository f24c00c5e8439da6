// The skin engine's widgets on the offscreen platform: loading errors, the
// laid form, clicks reported with the object, the looks of a button's states,
// the system buttons and the label captions.
#include "components/skin/Skin.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class SkinWidgetTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void missingFileNamesTheFile();
    void missingFormNamesFileAndForm();
    void formLaysObjectsAndSizesWindow();
    void clickReportsTheObject();
    void buttonStatesLookDifferent();
    void closeObjectClosesTheWindow();
    void titleBarDragMovesTheWindow();
    void labelsTakeCaptionAndLook();

private:
    QString writeSkin(const QByteArray& text);
    QTemporaryDir dir_;
    int files_ = 0;
};

namespace {

const QByteArray Skin = "velmora-skin 1\n"
                        "[form main]\n"
                        "size = 320, 200\n"
                        "caption = Test\n"
                        "label-text = #ff0000\n"
                        "[button go]\n"
                        "rect = 20, 60, 80, 40\n"
                        "caption = Go\n"
                        "tooltip = Go now\n"
                        "face = #204080\n"
                        "hover = #4080ff\n"
                        "pressed = #000000\n"
                        "[system close]\n"
                        "rect = 280, 2, 30, 24\n"
                        "icon = close\n"
                        "[panel back]\n"
                        "rect = 10, 50, 300, 100\n";

// A window with the form "main" of a skin file laid over it, its frame taken
// by the skin when asked.
struct SkinnedWindow {
    QWidget window;
    TSkin skin{&window};
    explicit SkinnedWindow(const QString& path, bool takeFrame = false) {
        skin.LoadSkinFile(path);
        if (takeFrame)
            skin.SkinWindow(&window);
        skin.SkinWindowForm(&window, "main");
    }
};

} // namespace

void SkinWidgetTest::init() {
    QVERIFY(dir_.isValid());
}

QString SkinWidgetTest::writeSkin(const QByteArray& text) {
    const QString path = dir_.filePath(QString("skin%1.skn").arg(files_++));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
    return path;
}

void SkinWidgetTest::missingFileNamesTheFile() {
    TSkin skin;
    const QString path = dir_.filePath("absent.skn");
    try {
        skin.LoadSkinFile(path);
        QFAIL("no error");
    } catch (const velmora::skin::SkinError& e) {
        QVERIFY(QString::fromUtf8(e.what()).contains("\"" + path + "\""));
    }
    QVERIFY(!skin.IsLoaded());
}

void SkinWidgetTest::missingFormNamesFileAndForm() {
    QWidget window;
    TSkin skin(&window);
    const QString path = writeSkin(Skin);
    skin.LoadSkinFile(path);
    skin.SkinWindow(&window);
    QVERIFY_THROWS_EXCEPTION(velmora::skin::SkinError, skin.SkinWindowForm(&window, "Main"));
    try {
        skin.SkinWindowForm(&window, "other");
        QFAIL("no error");
    } catch (const velmora::skin::SkinError& e) {
        QCOMPARE(QString::fromUtf8(e.what()),
                 "The skin file \"" + path + "\" has no form \"other\".");
    }
}

void SkinWidgetTest::formLaysObjectsAndSizesWindow() {
    SkinnedWindow skinned(writeSkin(Skin), true);
    auto& [window, skin] = skinned;
    QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(window.size(), QSize(320, 200));
    QCOMPARE(window.minimumSize(), window.maximumSize()); // not resizable
    QCOMPARE(skin.Objects().size(), 2u);                  // the panel is only drawn
    TSkinObject* go = skin.FindObject("go");
    QVERIFY(go);
    QCOMPARE(go->geometry(), QRect(20, 60, 80, 40));
    QCOMPARE(go->toolTip(), QStringLiteral("Go now"));
    QVERIFY(go->IsSkinned());
}

void SkinWidgetTest::clickReportsTheObject() {
    SkinnedWindow skinned(writeSkin(Skin));
    auto& [window, skin] = skinned;
    window.show();
    QSignalSpy spy(&skin, &TSkin::OnClick);
    QTest::mouseClick(skin.FindObject("go"), Qt::LeftButton);
    QCOMPARE(spy.size(), 1);
    auto* source = spy.at(0).at(0).value<TSkinObject*>();
    QCOMPARE(source->ObjectName(), QStringLiteral("go"));
    // A click on the background is no object's click.
    QTest::mouseClick(&skin, Qt::LeftButton, {}, QPoint(200, 170));
    QCOMPARE(spy.size(), 1);
}

void SkinWidgetTest::buttonStatesLookDifferent() {
    SkinnedWindow skinned(writeSkin(Skin));
    auto& [window, skin] = skinned;
    window.show();
    TSkinObject* go = skin.FindObject("go");
    auto faceAt = [go] { return go->grab().toImage().pixelColor(8, go->height() / 2); };
    const QColor normal = faceAt();
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(go, &enter);
    const QColor hover = faceAt();
    go->setDown(true);
    const QColor pressed = faceAt();
    QVERIFY(normal != hover);
    QVERIFY(hover != pressed);
    QVERIFY(pressed.lightness() < normal.lightness());
    QVERIFY(hover.lightness() > normal.lightness());
}

void SkinWidgetTest::closeObjectClosesTheWindow() {
    SkinnedWindow skinned(writeSkin(Skin));
    auto& [window, skin] = skinned;
    window.show();
    QVERIFY(window.isVisible());
    QSignalSpy spy(&skin, &TSkin::OnClick);
    QTest::mouseClick(skin.FindObject("close"), Qt::LeftButton);
    QVERIFY(!window.isVisible());
    QCOMPARE(spy.size(), 0); // system objects are the engine's own
}

void SkinWidgetTest::titleBarDragMovesTheWindow() {
    SkinnedWindow skinned(writeSkin(Skin), true);
    auto& [window, skin] = skinned;
    window.move(100, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint start = window.pos();
    QTest::mousePress(&skin, Qt::LeftButton, {}, QPoint(60, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(90, 30), skin.mapToGlobal(QPointF(90, 30)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&skin, &move);
    QTest::mouseRelease(&skin, Qt::LeftButton, {}, QPoint(90, 30));
    QCOMPARE(window.pos(), start + QPoint(30, 20));
    // Below the title bar the background does not drag.
    const QPoint after = window.pos();
    QTest::mousePress(&skin, Qt::LeftButton, {}, QPoint(60, 150));
    QMouseEvent move2(QEvent::MouseMove, QPointF(90, 170), skin.mapToGlobal(QPointF(90, 170)),
                      Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&skin, &move2);
    QTest::mouseRelease(&skin, Qt::LeftButton, {}, QPoint(90, 170));
    QCOMPARE(window.pos(), after);
}

void SkinWidgetTest::labelsTakeCaptionAndLook() {
    QWidget window;
    auto* label = new TSkinLabel("Path:  ", &window);
    label->setGeometry(0, 100, 200, 16);
    TSkin skin(&window);
    skin.LoadSkinFile(writeSkin(Skin));
    skin.SkinWindowForm(&window, "main");
    label->raise();
    window.show();
    label->SetCaption("Path:       /music/a.mp3  ");
    QCOMPARE(label->Caption(), QStringLiteral("Path:       /music/a.mp3  "));
    // The caption is drawn in the skin's label colour (red here).
    const QImage image = label->grab().toImage();
    bool red = false;
    for (int x = 0; x < image.width() && !red; ++x)
        for (int y = 0; y < image.height() && !red; ++y) {
            const QColor c = image.pixelColor(x, y);
            red = c.red() > 150 && c.green() < 80 && c.blue() < 80;
        }
    QVERIFY(red);
}

QTEST_MAIN(SkinWidgetTest)
#include "SkinWidgetTest.moc"
