#include "effectlabel/effectlabel.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>

namespace {

class PaintCountingLabel : public TEffectLabel {
public:
    using TEffectLabel::TEffectLabel;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++paints;
        TEffectLabel::paintEvent(event);
    }
};

// A move with buttons and keys held, as the window system delivers it to the grabbing label.
void SendMove(QWidget *widget, QPoint position, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers modifiers = {})
{
    QMouseEvent event(QEvent::MouseMove, QPointF(position), widget->mapToGlobal(QPointF(position)),
                      Qt::NoButton, buttons, modifiers);
    QApplication::sendEvent(widget, &event);
}

// A parent with a plain background and one label on it, shown, so that events go through the
// window system path with its pointer grab.
struct Scene {
    QWidget window;
    TEffectLabel *label;

    Scene()
    {
        window.resize(300, 120);
        window.setAutoFillBackground(true);
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, QColor(10, 200, 30));
        window.setPalette(palette);
        label = new TEffectLabel(&window);
        label->move(20, 30);
    }

    QWindow *handle() { return window.windowHandle(); }
    QPoint inLabel(QPoint p) const { return label->mapTo(&window, p); }
};

int CountPixels(const QImage &image, QColor colour, const QRect &area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) == colour) {
                ++count;
            }
        }
    }
    return count;
}

} // namespace

Q_DECLARE_METATYPE(TAlignment)

class TestEffectLabel : public QObject {
    Q_OBJECT

private slots:
    void construction();
    void changesSchedulePaints();

    void buttonPressDragAndRelease();
    void buttonReleaseOutside();
    void buttonIgnoresOtherPresses_data();
    void buttonIgnoresOtherPresses();
    void buttonMoveWithKeyHeld_data();
    void buttonMoveWithKeyHeld();
    void clickComesWhileStillSunken();

    void plainLabelReportsPointer();
    void plainLabelClick_data();
    void plainLabelClick();
    void doubleClickIsTwoPressesAndOneClick();

    void opaqueFillsWithColor();
    void transparentShowsParent();
    void captionInFontColourAndAlignment_data();
    void captionInFontColourAndAlignment();
    void badValuesPaintWithoutHarm();
};

void TestEffectLabel::construction()
{
    TEffectLabel label;
    QCOMPARE(label.size(), QSize(142, 33));
    QVERIFY(label.hasMouseTracking());
    QCOMPARE(label.EffectStyle(), esRaised);
    QCOMPARE(label.Transparent(), true);
    QCOMPARE(label.FontHeight(), 27);
}

void TestEffectLabel::changesSchedulePaints()
{
    QWidget window;
    auto *label = new PaintCountingLabel(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(label->paints > 0);

    int before = label->paints;
    label->SetCaption(QStringLiteral("Ответ"));
    QTRY_VERIFY(label->paints > before);

    before = label->paints;
    label->SetEffectStyle(esSunken);
    QTRY_VERIFY(label->paints > before);
}

void TestEffectLabel::buttonPressDragAndRelease()
{
    Scene scene;
    scene.label->SetAsButton(true);
    QSignalSpy down(scene.label, &TEffectLabel::MouseDown);
    QSignalSpy move(scene.label, &TEffectLabel::MouseMove);
    QSignalSpy up(scene.label, &TEffectLabel::MouseUp);
    QSignalSpy clicked(scene.label, &TEffectLabel::Clicked);
    scene.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scene.window));

    QWindow *window = scene.handle();
    QTest::mouseMove(window, scene.inLabel(QPoint(70, 15)));
    QCOMPARE(scene.label->EffectStyle(), esRaised);
    QTest::mousePress(window, Qt::LeftButton, {}, scene.inLabel(QPoint(70, 15)));
    QCOMPARE(scene.label->EffectStyle(), esSunken);

    // Dragged onto the parent with the button held: the label still hears the pointer and rises.
    QTest::mouseMove(window, scene.inLabel(QPoint(200, 15)));
    QCOMPARE(scene.label->EffectStyle(), esRaised);
    QTest::mouseMove(window, scene.inLabel(QPoint(70, -10)));
    QCOMPARE(scene.label->EffectStyle(), esRaised);
    QTest::mouseMove(window, scene.inLabel(QPoint(10, 20)));
    QCOMPARE(scene.label->EffectStyle(), esSunken);
    QCOMPARE(clicked.count(), 0);

    QTest::mouseRelease(window, Qt::LeftButton, {}, scene.inLabel(QPoint(10, 20)));
    QCOMPARE(scene.label->EffectStyle(), esRaised);
    QCOMPARE(scene.label->AsButton(), true);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(down.count(), 0);
    QCOMPARE(move.count(), 0);
    QCOMPARE(up.count(), 0);
}

void TestEffectLabel::buttonReleaseOutside()
{
    Scene scene;
    scene.label->SetAsButton(true);
    QSignalSpy clicked(scene.label, &TEffectLabel::Clicked);
    QSignalSpy up(scene.label, &TEffectLabel::MouseUp);
    scene.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scene.window));

    QWindow *window = scene.handle();
    QTest::mousePress(window, Qt::LeftButton, {}, scene.inLabel(QPoint(70, 15)));
    QTest::mouseMove(window, scene.inLabel(QPoint(180, 40)));
    QTest::mouseRelease(window, Qt::LeftButton, {}, scene.inLabel(QPoint(180, 40)));
    QCOMPARE(scene.label->EffectStyle(), esRaised);
    QCOMPARE(clicked.count(), 0);
    QCOMPARE(up.count(), 0);

    // Afterwards plain pointer moves (no button) change nothing, inside or out.
    QTest::mouseMove(window, scene.inLabel(QPoint(70, 15)));
    QCOMPARE(scene.label->EffectStyle(), esRaised);
}

void TestEffectLabel::buttonIgnoresOtherPresses_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("right") << Qt::RightButton << true;
    QTest::newRow("middle") << Qt::MiddleButton << true;
    QTest::newRow("left while disabled") << Qt::LeftButton << false;
}

void TestEffectLabel::buttonIgnoresOtherPresses()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, enabled);
    Scene scene;
    scene.label->SetAsButton(true);
    scene.label->setEnabled(enabled);
    QSignalSpy down(scene.label, &TEffectLabel::MouseDown);
    QSignalSpy clicked(scene.label, &TEffectLabel::Clicked);
    scene.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scene.window));

    QWindow *window = scene.handle();
    QTest::mousePress(window, button, {}, scene.inLabel(QPoint(70, 15)));
    QCOMPARE(scene.label->EffectStyle(), esRaised);
    QTest::mouseRelease(window, button, {}, scene.inLabel(QPoint(70, 15)));
    QCOMPARE(scene.label->EffectStyle(), esRaised);
    QCOMPARE(scene.label->AsButton(), true);
    QCOMPARE(down.count(), 0);
    QCOMPARE(clicked.count(), 0);
}

void TestEffectLabel::buttonMoveWithKeyHeld_data()
{
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<Qt::MouseButtons>("buttons");
    QTest::newRow("Shift") << Qt::KeyboardModifiers(Qt::ShiftModifier)
                           << Qt::MouseButtons(Qt::LeftButton);
    QTest::newRow("Ctrl") << Qt::KeyboardModifiers(Qt::ControlModifier)
                          << Qt::MouseButtons(Qt::LeftButton);
    QTest::newRow("Alt") << Qt::KeyboardModifiers(Qt::AltModifier)
                         << Qt::MouseButtons(Qt::LeftButton);
    QTest::newRow("right button as well")
        << Qt::KeyboardModifiers() << Qt::MouseButtons(Qt::LeftButton | Qt::RightButton);
}

void TestEffectLabel::buttonMoveWithKeyHeld()
{
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(Qt::MouseButtons, buttons);
    TEffectLabel label;
    label.SetAsButton(true);
    QSignalSpy move(&label, &TEffectLabel::MouseMove);
    QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(70, 15));
    QCOMPARE(label.EffectStyle(), esSunken);

    SendMove(&label, QPoint(300, 15), buttons, modifiers);
    QCOMPARE(label.EffectStyle(), esSunken);
    SendMove(&label, QPoint(300, 15), Qt::LeftButton);
    QCOMPARE(label.EffectStyle(), esRaised);
    SendMove(&label, QPoint(70, 15), buttons, modifiers);
    QCOMPARE(label.EffectStyle(), esRaised);
    QCOMPARE(move.count(), 0);
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(300, 15));
}

void TestEffectLabel::clickComesWhileStillSunken()
{
    TEffectLabel label;
    label.SetAsButton(true);
    QList<TEffectStyle> styleAtClick;
    connect(&label, &TEffectLabel::Clicked, &label,
            [&] { styleAtClick.append(label.EffectStyle()); });
    QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(styleAtClick, QList<TEffectStyle>{esSunken});
    QCOMPARE(label.EffectStyle(), esRaised);
}

void TestEffectLabel::plainLabelReportsPointer()
{
    Scene scene;
    QSignalSpy down(scene.label, &TEffectLabel::MouseDown);
    QSignalSpy move(scene.label, &TEffectLabel::MouseMove);
    QSignalSpy up(scene.label, &TEffectLabel::MouseUp);
    scene.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scene.window));
    QWindow *window = scene.handle();

    // Hover without a button arrives, since the owner enlarges the answer under the pointer.
    QTest::mouseMove(window, scene.inLabel(QPoint(30, 12)));
    QTRY_VERIFY(!move.isEmpty());
    QList<QVariant> last = move.takeLast();
    QCOMPARE(last.at(0).value<Qt::MouseButtons>(), Qt::MouseButtons());
    QCOMPARE(last.at(2).toInt(), 30);
    QCOMPARE(last.at(3).toInt(), 12);

    QTest::mousePress(window, Qt::RightButton, Qt::ShiftModifier, scene.inLabel(QPoint(40, 7)));
    QCOMPARE(down.count(), 1);
    QCOMPARE(down.at(0).at(0).value<Qt::MouseButton>(), Qt::RightButton);
    QCOMPARE(down.at(0).at(1).value<Qt::MouseButtons>(), Qt::MouseButtons(Qt::RightButton));
    QCOMPARE(down.at(0).at(2).value<Qt::KeyboardModifiers>(),
             Qt::KeyboardModifiers(Qt::ShiftModifier));
    QCOMPARE(down.at(0).at(3).toInt(), 40);
    QCOMPARE(down.at(0).at(4).toInt(), 7);
    // The window system reports the jump to the press position as a move of its own.
    move.clear();

    // Held and dragged off the label, the moves still come to it, in its own coordinates.
    QTest::mouseMove(window, scene.inLabel(QPoint(-15, 50)));
    QCOMPARE(move.count(), 1);
    QCOMPARE(move.at(0).at(0).value<Qt::MouseButtons>(), Qt::MouseButtons(Qt::RightButton));
    QCOMPARE(move.at(0).at(2).toInt(), -15);
    QCOMPARE(move.at(0).at(3).toInt(), 50);

    QTest::mouseRelease(window, Qt::RightButton, {}, scene.inLabel(QPoint(-15, 50)));
    QCOMPARE(up.count(), 1);
    QCOMPARE(up.at(0).at(0).value<Qt::MouseButton>(), Qt::RightButton);
    QCOMPARE(up.at(0).at(1).value<Qt::MouseButtons>(), Qt::MouseButtons());
    QCOMPARE(up.at(0).at(3).toInt(), -15);

    // A plain label's look never follows the pointer.
    QCOMPARE(scene.label->EffectStyle(), esRaised);
}

void TestEffectLabel::plainLabelClick_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QPoint>("releaseAt");
    QTest::addColumn<int>("clicks");
    QTest::newRow("left, released inside") << Qt::LeftButton << QPoint(70, 15) << 1;
    QTest::newRow("left, released on the last pixel") << Qt::LeftButton << QPoint(141, 32) << 1;
    QTest::newRow("left, released just past the right edge")
        << Qt::LeftButton << QPoint(142, 15) << 0;
    QTest::newRow("left, released outside") << Qt::LeftButton << QPoint(70, 60) << 0;
    QTest::newRow("right") << Qt::RightButton << QPoint(70, 15) << 0;
}

void TestEffectLabel::plainLabelClick()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(QPoint, releaseAt);
    QFETCH(int, clicks);
    Scene scene;
    scene.label->SetCaption(QStringLiteral("Ответ"));
    QSignalSpy clicked(scene.label, &TEffectLabel::Clicked);
    QSignalSpy up(scene.label, &TEffectLabel::MouseUp);
    scene.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scene.window));
    QWindow *window = scene.handle();

    QTest::mousePress(window, button, {}, scene.inLabel(QPoint(70, 15)));
    QTest::mouseMove(window, scene.inLabel(releaseAt));
    QTest::mouseRelease(window, button, {}, scene.inLabel(releaseAt));
    QCOMPARE(clicked.count(), clicks);
    QCOMPARE(up.count(), 1);
}

void TestEffectLabel::doubleClickIsTwoPressesAndOneClick()
{
    Scene scene;
    QSignalSpy down(scene.label, &TEffectLabel::MouseDown);
    QSignalSpy up(scene.label, &TEffectLabel::MouseUp);
    QSignalSpy clicked(scene.label, &TEffectLabel::Clicked);
    scene.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scene.window));

    QTest::mouseDClick(scene.handle(), Qt::LeftButton, {}, scene.inLabel(QPoint(70, 15)));
    QCOMPARE(down.count(), 2);
    QCOMPARE(up.count(), 2);
    QCOMPARE(clicked.count(), 1);
}

void TestEffectLabel::opaqueFillsWithColor()
{
    TEffectLabel label;
    label.SetTransparent(false);
    label.SetColor(clYellow);
    const QImage image = label.grab().toImage();
    QCOMPARE(image.pixelColor(0, 0), QColor(255, 255, 0));
    QCOMPARE(image.pixelColor(141, 32), QColor(255, 255, 0));
}

void TestEffectLabel::transparentShowsParent()
{
    Scene scene;
    scene.label->SetCaption(QStringLiteral("Ответ"));
    scene.label->SetColor(clYellow);
    scene.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scene.window));
    const QImage image = scene.window.grab().toImage();
    const QRect area = scene.label->geometry();
    QCOMPARE(image.pixelColor(area.topLeft()), QColor(10, 200, 30));
    QCOMPARE(image.pixelColor(area.bottomRight()), QColor(10, 200, 30));
    QCOMPARE(CountPixels(image, QColor(255, 255, 0), area), 0);
}

void TestEffectLabel::captionInFontColourAndAlignment_data()
{
    QTest::addColumn<TAlignment>("alignment");
    QTest::addColumn<int>("fromX");
    QTest::addColumn<int>("toX");
    QTest::newRow("left") << taLeftJustify << 0 << 100;
    QTest::newRow("right") << taRightJustify << 200 << 300;
    QTest::newRow("centred") << taCenter << 100 << 200;
}

void TestEffectLabel::captionInFontColourAndAlignment()
{
    QFETCH(TAlignment, alignment);
    QFETCH(int, fromX);
    QFETCH(int, toX);
    TEffectLabel label;
    label.resize(300, 40);
    label.SetTransparent(false);
    label.SetColor(clWhite);
    label.SetFontColor(clRed);
    label.SetFontStyle(fsBold);
    label.SetCaption(QStringLiteral("ЖЖ"));
    label.SetAlignment(alignment);
    const QImage image = label.grab().toImage();
    const QColor red(255, 0, 0);
    QVERIFY(CountPixels(image, red, QRect(fromX, 0, toX - fromX, 40)) > 20);
    QCOMPARE(CountPixels(image, red, QRect(0, 0, 300, 40)),
             CountPixels(image, red, QRect(fromX, 0, toX - fromX, 40)));
}

void TestEffectLabel::badValuesPaintWithoutHarm()
{
    TEffectLabel label;
    label.SetFontHeight(0);
    label.SetDepthShadow(255);
    label.SetAngle(1000);
    label.SetCaption(QString(5000, QLatin1Char('x')) + QStringLiteral("&"));
    label.SetTransparent(false);
    label.SetColor(clWhite);
    QVERIFY(!label.grab().isNull());
    label.SetFontHeight(-40);
    label.resize(0, 0);
    QVERIFY(label.grab().isNull());
}

QTEST_MAIN(TestEffectLabel)
#include "tst_effectlabel.moc"
