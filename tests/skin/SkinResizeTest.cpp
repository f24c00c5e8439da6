// A person resizing and maximizing the window the shipped skin draws: dragging
// each edge and corner, a double-click on the title bar, the maximize button.
// Afterwards every skin object and every anchored widget of the window lies
// inside it at its anchored distances. Offscreen platform.
#include "components/skin/Skin.h"

#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using velmora::skin::Anchors;

namespace {

const QString Shipped = QStringLiteral(VELMORA_SOURCE_DIR "/app/mp3enc.skn");

// A skin that may shrink below its size: the objects move in with their edges.
const QByteArray Shrinking = "velmora-skin 1\n"
                             "[form main]\n"
                             "size = 773, 497\n"
                             "min-size = 500, 300\n"
                             "resize-border = 4\n"
                             "[system close]\n"
                             "rect = 735, 6, 30, 24\n"
                             "anchor = top right\n"
                             "[button ok]\n"
                             "rect = 650, 420, 100, 50\n"
                             "anchor = right bottom\n"
                             "[button middle]\n"
                             "rect = 330, 200, 100, 40\n"
                             "anchor = none\n"
                             "[panel all]\n"
                             "rect = 6, 40, 761, 440\n"
                             "anchor = left top right bottom\n";

// The distances of r to the four edges of a window of the given size.
QMargins distances(const QRect& r, const QSize& window) {
    return QMargins(r.left(), r.top(), window.width() - r.right() - 1,
                    window.height() - r.bottom() - 1);
}

Anchors anchorsOf(Qt::Edges edges) {
    Anchors a = 0;
    if (edges & Qt::LeftEdge)
        a |= velmora::skin::AnchorLeft;
    if (edges & Qt::TopEdge)
        a |= velmora::skin::AnchorTop;
    if (edges & Qt::RightEdge)
        a |= velmora::skin::AnchorRight;
    if (edges & Qt::BottomEdge)
        a |= velmora::skin::AnchorBottom;
    return a;
}

// The main window as the program builds it: the shipped skin over the frame,
// and a list, a comment box and an apply button of its own, anchored.
struct MainWindow {
    QWidget window;
    TSkin skin{&window};
    QListWidget* list = new QListWidget(&window);
    QPlainTextEdit* comment = new QPlainTextEdit(&window);
    QPushButton* apply = new QPushButton(&window);
    struct Own {
        QWidget* widget;
        QRect design;
        Qt::Edges anchors;
    };
    std::vector<Own> own;

    QSize design;

    explicit MainWindow(const QString& skinFile = Shipped) {
        list->setGeometry(9, 116, 238, 282);
        comment->setGeometry(315, 301, 298, 96);
        apply->setGeometry(616, 356, 63, 25);
        own = {
            {list, list->geometry(), Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge},
            {comment, comment->geometry(), Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge},
            {apply, apply->geometry(), Qt::RightEdge | Qt::BottomEdge}};
        for (const auto& o : own)
            skin.AnchorWidget(o.widget, o.anchors);
        skin.LoadSkinFile(skinFile);
        skin.SkinWindow(&window);
        skin.SkinWindowForm(&window, QStringLiteral("main"));
        design = skin.DesignSize();
        window.move(40, 30);
        window.show();
    }

    // Presses at a point of the window (in window coordinates), drags by delta
    // and lets go, through whatever widget lies under the pointer.
    void drag(const QPoint& at, const QPoint& delta) {
        QWidget* target = window.childAt(at);
        QVERIFY(target);
        const QPoint local = target->mapFrom(&window, at);
        const QPoint global = target->mapToGlobal(local);
        QTest::mousePress(target, Qt::LeftButton, {}, local);
        for (int step = 1; step <= 4; ++step) {
            const QPoint g = global + delta * step / 4;
            QMouseEvent move(QEvent::MouseMove, target->mapFromGlobal(QPointF(g)), QPointF(g),
                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &move);
        }
        QTest::mouseRelease(target, Qt::LeftButton, {}, target->mapFromGlobal(global + delta));
    }

    // Every skin object and own widget lies inside the window at the
    // distances to its anchored edges it had in the design.
    void checkPlaces() {
        const QSize now = window.size();
        auto check = [&](const QString& name, const QRect& designPlace, Anchors anchors,
                         const QRect& place) {
            QVERIFY2(QRect(QPoint(0, 0), now).contains(place), qPrintable(name));
            const QMargins before = distances(designPlace, design);
            const QMargins after = distances(place, now);
            if (anchors & velmora::skin::AnchorLeft)
                QCOMPARE(after.left(), before.left());
            if (anchors & velmora::skin::AnchorTop)
                QCOMPARE(after.top(), before.top());
            if (anchors & velmora::skin::AnchorRight)
                QCOMPARE(after.right(), before.right());
            if (anchors & velmora::skin::AnchorBottom)
                QCOMPARE(after.bottom(), before.bottom());
        };
        QVERIFY(!skin.Objects().empty());
        for (auto* object : skin.Objects()) {
            const auto& r = object->Look()->rect;
            check(object->ObjectName(), QRect(r.x, r.y, r.width, r.height), object->Look()->anchors,
                  object->geometry());
        }
        for (const auto& o : own)
            check(o.widget->metaObject()->className(), o.design, anchorsOf(o.anchors),
                  o.widget->geometry());
        QCOMPARE(skin.geometry(), window.rect()); // the background covers the window
    }
};

bool near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12 &&
           std::abs(a.blue() - b.blue()) < 12;
}

} // namespace

class SkinResizeTest : public QObject {
    Q_OBJECT
private slots:
    void dragResizes_data();
    void dragResizes();
    void shrinksDownToTheMinimum();
    void titleBarDoubleClickMaximizes();
    void maximizeButtonTogglesAndRestores();
    void dialogsTakeTheSkinsColours_data();
    void dialogsTakeTheSkinsColours();
    void anchorsWorkWithoutASkin();
};

void SkinResizeTest::dragResizes_data() {
    QTest::addColumn<QPoint>("grab"); // where the person grabs, from the window's corner
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<QRect>("expected"); // the window's geometry afterwards
    QTest::addColumn<int>("cursor");     // the pointer's shape where the person grabs
    const QRect start(40, 30, 773, 497);
    const int w = 773, h = 497;
    QTest::newRow("right edge out") << QPoint(w - 2, h / 2) << QPoint(120, 40)
                                    << start.adjusted(0, 0, 120, 0) << int(Qt::SizeHorCursor);
    QTest::newRow("bottom edge out") << QPoint(w / 2, h - 2) << QPoint(-30, 90)
                                     << start.adjusted(0, 0, 0, 90) << int(Qt::SizeVerCursor);
    QTest::newRow("left edge out") << QPoint(1, h / 2) << QPoint(-35, 0)
                                   << start.adjusted(-35, 0, 0, 0) << int(Qt::SizeHorCursor);
    QTest::newRow("top edge out") << QPoint(w / 2, 1) << QPoint(0, -25)
                                  << start.adjusted(0, -25, 0, 0) << int(Qt::SizeVerCursor);
    QTest::newRow("bottom right corner")
        << QPoint(w - 3, h - 3) << QPoint(200, 150) << start.adjusted(0, 0, 200, 150)
        << int(Qt::SizeFDiagCursor);
    QTest::newRow("top left corner") << QPoint(3, 3) << QPoint(-20, -10)
                                     << start.adjusted(-20, -10, 0, 0) << int(Qt::SizeFDiagCursor);
    QTest::newRow("top right corner") << QPoint(w - 3, 3) << QPoint(60, -15)
                                      << start.adjusted(0, -15, 60, 0) << int(Qt::SizeBDiagCursor);
    QTest::newRow("bottom left corner")
        << QPoint(3, h - 3) << QPoint(-25, 70) << start.adjusted(-25, 0, 0, 70)
        << int(Qt::SizeBDiagCursor);
    // Never below the minimum: the opposite edge stays where it was.
    QTest::newRow("right edge in")
        << QPoint(w - 2, h / 2) << QPoint(-300, 0) << start << int(Qt::SizeHorCursor);
    QTest::newRow("left edge in") << QPoint(1, h / 2) << QPoint(300, 0) << start
                                  << int(Qt::SizeHorCursor);
    QTest::newRow("top edge in") << QPoint(w / 2, 1) << QPoint(0, 200) << start
                                 << int(Qt::SizeVerCursor);
    QTest::newRow("bottom right corner in")
        << QPoint(w - 3, h - 3) << QPoint(-100, -100) << start << int(Qt::SizeFDiagCursor);
    QTest::newRow("top left corner in and out")
        << QPoint(3, 3) << QPoint(50, -40) << start.adjusted(0, -40, 0, 0)
        << int(Qt::SizeFDiagCursor);
    // The title bar and the background inside the border do not resize.
    QTest::newRow("background") << QPoint(400, h - 30) << QPoint(80, 80) << start
                                << int(Qt::ArrowCursor);
}

void SkinResizeTest::dragResizes() {
    QFETCH(QPoint, grab);
    QFETCH(QPoint, delta);
    QFETCH(QRect, expected);
    QFETCH(int, cursor);
    MainWindow main;
    QVERIFY(QTest::qWaitForWindowExposed(&main.window));
    QCOMPARE(main.window.geometry(), QRect(40, 30, 773, 497));
    QCOMPARE(int(main.window.childAt(grab)->cursor().shape()), cursor);
    main.drag(grab, delta);
    QCOMPARE(main.window.geometry(), expected);
    main.checkPlaces();
}

void SkinResizeTest::shrinksDownToTheMinimum() {
    QTemporaryDir dir;
    const QString path = dir.filePath("shrinking.skn");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Shrinking);
    file.close();
    MainWindow main(path);
    main.own.clear(); // the program's controls need the shipped skin's room
    QVERIFY(QTest::qWaitForWindowExposed(&main.window));
    main.drag(QPoint(771, 495), QPoint(-150, -100));
    QCOMPARE(main.window.size(), QSize(623, 397));
    main.checkPlaces();
    main.drag(QPoint(1, 1), QPoint(400, 400));
    QCOMPARE(main.window.geometry(), QRect(163, 127, 500, 300));
    main.checkPlaces();
}

void SkinResizeTest::titleBarDoubleClickMaximizes() {
    MainWindow main;
    QVERIFY(QTest::qWaitForWindowExposed(&main.window));
    const QRect normal = main.window.geometry();
    const QPoint title = main.skin.mapFrom(&main.window, QPoint(300, 15));
    QTest::mouseDClick(&main.skin, Qt::LeftButton, {}, title);
    QTRY_VERIFY(main.window.isMaximized());
    QTRY_COMPARE(main.window.geometry(), main.window.screen()->availableGeometry());
    main.checkPlaces();
    // Maximized, the edges do not resize.
    const QRect maximized = main.window.geometry();
    QWidget* edge = main.window.childAt(QPoint(maximized.width() - 2, maximized.height() / 2));
    QVERIFY(!edge || edge->cursor().shape() != Qt::SizeHorCursor);
    QTest::mouseDClick(&main.skin, Qt::LeftButton, {}, title);
    QTRY_VERIFY(!main.window.isMaximized());
    QTRY_COMPARE(main.window.geometry(), normal);
    main.checkPlaces();
    // Below the title bar a double-click is no command.
    QTest::mouseDClick(&main.skin, Qt::LeftButton, {}, QPoint(400, 480));
    QVERIFY(!main.window.isMaximized());
}

void SkinResizeTest::maximizeButtonTogglesAndRestores() {
    MainWindow main;
    QVERIFY(QTest::qWaitForWindowExposed(&main.window));
    main.drag(QPoint(772 - 1, 496 - 1), QPoint(10, 10)); // a size of its own first
    const QRect normal = main.window.geometry();
    QCOMPARE(normal.size(), QSize(783, 507));
    TSkinObject* maximize = main.skin.FindObject("maximize");
    QVERIFY(maximize && maximize->isVisible());
    const QImage asMaximize = maximize->grab().toImage();
    QTest::mouseClick(maximize, Qt::LeftButton);
    QTRY_VERIFY(main.window.isMaximized());
    main.checkPlaces();
    QVERIFY(maximize->grab().toImage() != asMaximize); // it shows "restore" now
    QTest::mouseClick(maximize, Qt::LeftButton);
    QTRY_COMPARE(main.window.geometry(), normal);
    QCOMPARE(maximize->grab().toImage(), asMaximize);
}

void SkinResizeTest::dialogsTakeTheSkinsColours_data() {
    QTest::addColumn<bool>("menu");
    QTest::newRow("message box") << false;
    QTest::newRow("popup menu") << true;
}

// What a person sees: the message box or menu in the skin's dialog
// background, its text in the dialog text colour.
void SkinResizeTest::dialogsTakeTheSkinsColours() {
    QFETCH(bool, menu);
    MainWindow main;
    const auto bg = main.skin.Form()->dialogBackgroundColor();
    const auto fg = main.skin.Form()->dialogTextColor();
    std::unique_ptr<QWidget> shown;
    if (menu) {
        auto popup = std::make_unique<QMenu>(&main.window);
        popup->addAction("Write Tags");
        shown = std::move(popup);
    } else {
        shown = std::make_unique<QMessageBox>(QMessageBox::Information, "Information",
                                              "Information has been written.", QMessageBox::Ok,
                                              &main.window);
    }
    main.skin.ApplyColours(shown.get());
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
    const QImage image = shown->grab().toImage();
    QVERIFY(
        near(image.pixelColor(image.width() / 2, image.height() - 4), QColor(bg.r, bg.g, bg.b)));
    bool hasText = false;
    for (int y = 0; y < image.height() && !hasText; ++y)
        for (int x = 0; x < image.width() && !hasText; ++x)
            hasText = near(image.pixelColor(x, y), QColor(fg.r, fg.g, fg.b));
    QVERIFY(hasText);
}

// Without a skin (the file failed to load) the window's own widgets still
// follow their anchors.
void SkinResizeTest::anchorsWorkWithoutASkin() {
    QWidget window;
    TSkin skin(&window);
    window.resize(skin.DesignSize());
    auto* list = new QListWidget(&window);
    list->setGeometry(9, 116, 238, 282);
    auto* button = new QPushButton(&window);
    button->setGeometry(616, 356, 63, 25);
    skin.AnchorWidget(list, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);
    skin.AnchorWidget(button, Qt::RightEdge | Qt::BottomEdge);
    window.show();
    window.resize(900, 600);
    QCOMPARE(list->geometry(), QRect(9, 116, 238 + 127, 282 + 103));
    QCOMPARE(button->geometry(), QRect(616 + 127, 356 + 103, 63, 25));
}

QTEST_MAIN(SkinResizeTest)
#include "SkinResizeTest.moc"
