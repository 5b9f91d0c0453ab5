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

// A parent with a plain background and one label on it. Shown, it takes pointer events through the
// window system path with its pointer grab.
struct Scene {
    QWidget window;
    TEffectLabel *label;

    explicit Scene(bool asButton = false)
    {
        window.resize(300, 120);
        window.setAutoFillBackground(true);
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, QColor(10, 200, 30));
        window.setPalette(palette);
        label = new TEffectLabel(&window);
        label->move(20, 30);
        label->SetAsButton(asButton);
    }

    bool show()
    {
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
    QWindow *handle() { return window.windowHandle(); }
    QPoint inLabel(QPoint p) const { return label->mapTo(&window, p); }
};

// A signal's arguments as a spy records them.
template <typename... Values> QList<QVariant> Arguments(Values... values)
{
    return {QVariant::fromValue(values)...};
}

int CountPixels(const QImage &image, QColor colour, const QRect &area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

} // namespace

class TestEffectLabel : public QObject {
    Q_OBJECT

private slots:
    void construction();
    void changesSchedulePaints();

    void buttonPressDragAndRelease();

    void plainLabelReportsPointer();
    void plainLabelClick_data();
    void plainLabelClick();
    void doubleClickIsTwoPressesAndOneClick();

    void transparentShowsParent();
    void opaqueCaptionInFontColourAndAlignment();
};

void TestEffectLabel::construction()
{
    TEffectLabel label;
    QCOMPARE(label.size(), QSize(142, 33));
    QVERIFY(label.hasMouseTracking());
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
    Scene scene(true);
    QSignalSpy down(scene.label, &TEffectLabel::MouseDown);
    QSignalSpy move(scene.label, &TEffectLabel::MouseMove);
    QSignalSpy up(scene.label, &TEffectLabel::MouseUp);
    QList<TEffectStyle> styleAtClick;
    connect(scene.label, &TEffectLabel::Clicked, scene.label,
            [&] { styleAtClick.append(scene.label->EffectStyle()); });
    QVERIFY(scene.show());
    QWindow *window = scene.handle();
    const QPoint inside = scene.inLabel(QPoint(70, 15));
    const QPoint outside = scene.inLabel(QPoint(200, 15));

    // Neither another button nor a left press while disabled does anything.
    QTest::mouseClick(window, Qt::RightButton, {}, inside);
    scene.label->setEnabled(false);
    QTest::mouseClick(window, Qt::LeftButton, {}, inside);
    scene.label->setEnabled(true);
    QCOMPARE(scene.label->EffectStyle(), esRaised);
    QVERIFY(styleAtClick.isEmpty());

    QTest::mouseMove(window, inside);
    QCOMPARE(scene.label->EffectStyle(), esRaised);
    QTest::mousePress(window, Qt::LeftButton, {}, inside);
    QCOMPARE(scene.label->EffectStyle(), esSunken);

    // The label hands the model the buttons and keys held; the model's table has every case.
    SendMove(scene.label, QPoint(200, 15), Qt::LeftButton, Qt::ShiftModifier);
    SendMove(scene.label, QPoint(200, 15), Qt::LeftButton | Qt::RightButton);
    QCOMPARE(scene.label->EffectStyle(), esSunken);

    // Dragged onto the parent with the button held: the label still hears the pointer and rises.
    QTest::mouseMove(window, outside);
    QCOMPARE(scene.label->EffectStyle(), esRaised);
    QTest::mouseMove(window, scene.inLabel(QPoint(10, 20)));
    QCOMPARE(scene.label->EffectStyle(), esSunken);
    QVERIFY(styleAtClick.isEmpty());

    // The click comes first, so the owner hears of it while the button is still sunken.
    QTest::mouseRelease(window, Qt::LeftButton, {}, scene.inLabel(QPoint(10, 20)));
    QCOMPARE(styleAtClick, QList<TEffectStyle>{esSunken});
    QCOMPARE(scene.label->EffectStyle(), esRaised);
    QCOMPARE(scene.label->AsButton(), true);

    // Released outside: no click.
    QTest::mousePress(window, Qt::LeftButton, {}, inside);
    QTest::mouseMove(window, outside);
    QTest::mouseRelease(window, Qt::LeftButton, {}, outside);
    QCOMPARE(scene.label->EffectStyle(), esRaised);
    QCOMPARE(styleAtClick.size(), 1);
    QCOMPARE(down.count() + move.count() + up.count(), 0);
}

void TestEffectLabel::plainLabelReportsPointer()
{
    Scene scene;
    QSignalSpy down(scene.label, &TEffectLabel::MouseDown);
    QSignalSpy move(scene.label, &TEffectLabel::MouseMove);
    QSignalSpy up(scene.label, &TEffectLabel::MouseUp);
    QVERIFY(scene.show());
    QWindow *window = scene.handle();
    const Qt::MouseButtons right(Qt::RightButton);

    // Hover without a button arrives, since the owner enlarges the answer under the pointer.
    QTest::mouseMove(window, scene.inLabel(QPoint(30, 12)));
    QTRY_VERIFY(!move.isEmpty());
    QCOMPARE(move.takeLast(), Arguments(Qt::MouseButtons(), Qt::KeyboardModifiers(), 30, 12));

    QTest::mousePress(window, Qt::RightButton, Qt::ShiftModifier, scene.inLabel(QPoint(40, 7)));
    QCOMPARE(down.count(), 1);
    QCOMPARE(down.at(0),
             Arguments(Qt::RightButton, right, Qt::KeyboardModifiers(Qt::ShiftModifier), 40, 7));
    // The window system reports the jump to the press position as a move of its own.
    move.clear();

    // Held and dragged off the label, the moves still come to it, in its own coordinates.
    QTest::mouseMove(window, scene.inLabel(QPoint(-15, 50)));
    QCOMPARE(move.count(), 1);
    QCOMPARE(move.at(0), Arguments(right, Qt::KeyboardModifiers(), -15, 50));

    QTest::mouseRelease(window, Qt::RightButton, {}, scene.inLabel(QPoint(-15, 50)));
    QCOMPARE(up.count(), 1);
    QCOMPARE(up.at(0),
             Arguments(Qt::RightButton, Qt::MouseButtons(), Qt::KeyboardModifiers(), -15, 50));

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
    QTest::newRow("right") << Qt::RightButton << QPoint(70, 15) << 0;
}

void TestEffectLabel::plainLabelClick()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(QPoint, releaseAt);
    QFETCH(int, clicks);
    Scene scene;
    QSignalSpy clicked(scene.label, &TEffectLabel::Clicked);
    QSignalSpy up(scene.label, &TEffectLabel::MouseUp);
    QVERIFY(scene.show());
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
    QVERIFY(scene.show());

    QTest::mouseDClick(scene.handle(), Qt::LeftButton, {}, scene.inLabel(QPoint(70, 15)));
    QCOMPARE(down.count(), 2);
    QCOMPARE(up.count(), 2);
    QCOMPARE(clicked.count(), 1);
}

void TestEffectLabel::transparentShowsParent()
{
    Scene scene;
    scene.label->SetCaption(QStringLiteral("Ответ"));
    scene.label->SetColor(clYellow);
    QVERIFY(scene.show());
    const QImage image = scene.window.grab().toImage();
    const QRect area = scene.label->geometry();
    QCOMPARE(image.pixelColor(area.topLeft()), QColor(10, 200, 30));
    QCOMPARE(image.pixelColor(area.bottomRight()), QColor(10, 200, 30));
    QCOMPARE(CountPixels(image, QColor(255, 255, 0), area), 0);
}

void TestEffectLabel::opaqueCaptionInFontColourAndAlignment()
{
    // The paint itself is tested on its surfaces; the label hands it its properties and size.
    TEffectLabel label;
    label.resize(300, 40);
    label.SetTransparent(false);
    label.SetColor(clYellow);
    label.SetFontColor(clRed);
    label.SetFontStyle(fsBold);
    label.SetCaption(QStringLiteral("ЖЖ"));
    label.SetAlignment(taRightJustify);
    const QImage image = label.grab().toImage();
    const QColor red(255, 0, 0);
    QVERIFY(CountPixels(image, red, QRect(200, 0, 100, 40)) > 20);
    QCOMPARE(CountPixels(image, red, image.rect()),
             CountPixels(image, red, QRect(200, 0, 100, 40)));
    QCOMPARE(image.pixelColor(0, 39), QColor(255, 255, 0));
}

QTEST_MAIN(TestEffectLabel)
#include "tst_effectlabel.moc"
