#include "effectlabel/effectlabel.h"
#include "effectlabel/effectlabelpaint.h"
#include "support/paintfixtures.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

using Setup = void (*)(EffectLabelModel &);
using Change = void (*)(TEffectLabel &);

QFont PlainFont(int pixels)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixels);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// The colours an image has, by name.
QStringList Colours(const QImage &image)
{
    QSet<QString> names;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            names.insert(image.pixelColor(x, y).name());
        }
    }
    QStringList sorted(names.begin(), names.end());
    sorted.sort();
    return sorted;
}

// A parent with a plain background and one label on it, shown, so that pointer events take the
// window system's path with its grab.
struct Scene {
    QWidget window;
    TEffectLabel *label = new TEffectLabel(&window);

    explicit Scene(bool asButton)
    {
        window.resize(300, 120);
        label->move(20, 30);
        label->SetAsButton(asButton);
        window.show();
    }
    QPoint at(int x, int y) const { return label->mapTo(&window, QPoint(x, y)); }
};

QWidget *Block(QWidget *parent, QRect geometry, QColor colour, bool fill = true)
{
    auto *block = new QWidget(parent);
    block->setGeometry(geometry);
    block->setAutoFillBackground(fill);
    QPalette palette = block->palette();
    palette.setColor(QPalette::Window, colour);
    block->setPalette(palette);
    return block;
}

void Opaque(EffectLabelModel &label)
{
    label.SetEffectStyle(esNone);
    label.SetTransparent(false);
    label.SetColor(clSilver);
    label.SetFontColor(clRed);
}

} // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(Change)

class TestEffectLabel : public QObject {
    Q_OBJECT

private slots:
    void pixels_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QColor>("beneath");
        QTest::addColumn<QList<QColor>>("colours"); // every colour of the picture

        const QColor odd(101, 51, 7);
        const QColor red(255, 0, 0);
        // Real layers halve each channel, or bring it halfway to 255, rounding down.
        QTest::newRow("real shadow") << Setup([](EffectLabelModel &l) {
            l.SetEffectStyle(esShadow);
            l.SetStyleShadow(eoReal);
            l.SetDepthShadow(3);
            l.SetFontColor(clRed);
        }) << odd << QList<QColor>{odd, QColor(50, 25, 3), red};
        QTest::newRow("real highlight") << Setup([](EffectLabelModel &l) {
            l.SetEffectStyle(esNone);
            l.SetStyleHighlight(eoReal);
            l.SetDirectionHighlight(edUpLeft);
            l.SetDepthHighlight(3);
            l.SetFontColor(clRed);
        }) << odd << QList<QColor>{odd, QColor(178, 153, 131), red};
        QTest::newRow("opaque") << Setup(Opaque) << QColor(Qt::white)
                                << QList<QColor>{QColor(192, 192, 192), red};
        // Copies from the shadow's colour to the face's, halves to even; a system colour is split
        // as stored.
        QTest::newRow("graduated shadow") << Setup([](EffectLabelModel &l) {
            l.SetEffectStyle(esShadow);
            l.SetDepthShadow(3);
            l.SetStyleShadow(eoGraduated);
            l.SetColourShadow(RgbColour(0, 0, 101));
            l.SetFontColor(clWindowText);
        }) << QColor(Qt::white)
                                          << QList<QColor>{Qt::white, QColor(0, 0, 101),
                                                           QColor(4, 0, 51), QColor(8, 0, 0),
                                                           ToQColor(clWindowText)};
        // The face is first drawn in a marker colour; a colour beneath close to it stays.
        QTest::newRow("graduated face") << Setup([](EffectLabelModel &l) {
            l.SetEffectStyle(esNone);
            l.SetGraduateFrom(clRed);
            l.SetFontColor(clRed);
            l.SetGraduateFace(goVertical);
        }) << QColor(254, 9, 241) << QList<QColor>{QColor(254, 9, 241), red};
        QTest::newRow("graduated face, horizontal") << Setup([](EffectLabelModel &l) {
            l.SetEffectStyle(esNone);
            l.SetGraduateFrom(clRed);
            l.SetFontColor(clRed);
            l.SetGraduateFace(goHorizontal);
        }) << QColor(Qt::white) << QList<QColor>{Qt::white, red};
        // A turned caption, or its letters upright along a turned line, on a background shape
        // outlined in black.
        QTest::newRow("rotated") << Setup([](EffectLabelModel &l) {
            Opaque(l);
            l.SetAngle(90);
        }) << QColor(Qt::white) << QList<QColor>{Qt::white, Qt::black, QColor(192, 192, 192), red};
        QTest::newRow("upright letters") << Setup([](EffectLabelModel &l) {
            Opaque(l);
            l.SetAngle(45);
            l.SetKeepLettersVertical(true);
        }) << QColor(Qt::white) << QList<QColor>{Qt::white, Qt::black, QColor(192, 192, 192), red};
    }

    void pixels()
    {
        QFETCH(Setup, setup);
        QFETCH(QColor, beneath);
        QFETCH(QList<QColor>, colours);
        EffectLabelModel label;
        label.SetCaption(QStringLiteral("Жук"));
        setup(label);
        const QImage image = PaintOver(label, QSize(200, 80), beneath);
        QStringList names;
        for (const QColor &colour : colours) {
            names << colour.name();
        }
        names.sort();
        QCOMPARE(Colours(image), names);
        // Right of the caption on its line, and the far corner: the label's plain background (a
        // turned label has it only on the shape around its caption).
        const QColor plain =
            label.Transparent() || label.Angle() != 0 ? beneath : ToQColor(label.Color());
        QCOMPARE(image.pixelColor(195, 10), plain);
        QCOMPARE(image.pixelColor(199, 79), plain);
    }

    void verticalGradient()
    {
        // Black to blue over a line 21 pixels high: steps of 12.75, halves to even.
        const int blue[] = {0,   13,  26,  38,  51,  64,  76,  89,  102, 115, 128,
                            140, 153, 166, 178, 191, 204, 217, 230, 242, 255};
        int pixels = 10;
        while (pixels < 40 && QFontMetrics(PlainFont(pixels)).height() != 21) {
            ++pixels;
        }
        QVERIFY2(pixels < 40, "no font size gives a line 21 pixels high");
        EffectLabelModel label;
        label.SetEffectStyle(esNone);
        label.SetFont({QStringLiteral("Liberation Sans"), pixels, 0, RgbColour(0, 0, 255)});
        label.SetCaption(QStringLiteral("ЖЩ|Ё"));
        label.SetGraduateFrom(clBlack);
        label.SetGraduateFace(goVertical);
        const QImage image = PaintOver(label, QSize(100, 40), Qt::white);
        QSet<int> rows;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                    QVERIFY(y <= 20);
                    QCOMPARE(image.pixelColor(x, y), QColor(0, 0, blue[y]));
                    rows.insert(y);
                }
            }
        }
        QVERIFY(rows.size() >= 12);
    }

    void deepLayersOnTinyLabelsPaint()
    {
        // Layers far deeper than the label is big still give a picture and no fault.
        EffectLabelModel label;
        label.SetCaption(QStringLiteral("Ответ"));
        label.SetDepthShadow(255);
        label.SetDepthHighlight(255);
        label.SetStyleHighlight(eoGraduated);
        for (const QSize size : {QSize(1, 1), QSize(3, 200), QSize(120, 30)}) {
            QVERIFY(!PaintOver(label, size, Qt::white).isNull());
        }
    }

    void copiesEqualDrawnText()
    {
        // The surface draws a text once and copies its glyph pixels; the copies, also where they
        // stick out of the image, are what drawing the text there gives.
        const QString text = QStringLiteral("&Да\tи && нет, конечно же нет\nда");
        const QSize size(150, 50);
        const int flags = Qt::AlignRight | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs |
                          Qt::TextShowMnemonic;
        const QList<QPoint> corners{{0, 0}, {3, 2}, {-4, -1}, {140, 45}, {-149, 0}};
        const QColor colours[] = {Qt::red, Qt::darkGreen, Qt::black, QColor(1, 2, 3), Qt::blue};

        QImage expected(size, QImage::Format_RGB32);
        expected.fill(qRgb(240, 240, 200));
        ImagePaintSurface surface(expected);
        surface.SetFont(PaintImage::Work, PlainFont(17), 0);
        QPainter painter(&expected);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setFont(PlainFont(17));
        for (int i = 0; i < corners.size(); ++i) {
            painter.setPen(colours[i]);
            painter.drawText(QRect(corners[i], size), flags, text);
            surface.DrawTextInRect(PaintImage::Work, QRect(corners[i], size), flags, text,
                                   colours[i]);
        }
        painter.end();
        const QImage *copies = surface.Finish();
        QVERIFY(copies != nullptr);
        QCOMPARE(*copies, expected);
    }

    void turnedTextRunsCounterClockwise()
    {
        // Turned by 90 degrees about its cell's top-left corner, the text runs upward from there.
        QImage work(100, 100, QImage::Format_RGB32);
        work.fill(Qt::white);
        ImagePaintSurface surface(work);
        surface.SetFont(PaintImage::Work, PlainFont(20), 900);
        surface.DrawTextAt(PaintImage::Work, QPoint(50, 50), QStringLiteral("ЖЖЖ"), Qt::red);
        const QImage *image = surface.Finish();
        QVERIFY(image != nullptr);
        int ink = 0;
        for (int y = 0; y < image->height(); ++y) {
            for (int x = 0; x < image->width(); ++x) {
                if (image->pixel(x, y) == qRgb(255, 0, 0)) {
                    QVERIFY(x >= 48 && y <= 52);
                    ++ink;
                }
            }
        }
        QVERIFY(ink > 50);
    }

    void changeAfterPaint_data()
    {
        // One row for each thing the kept layout is made from, and the colour, which is not.
        QTest::addColumn<Change>("change");
        QTest::newRow("caption") << Change([](TEffectLabel &l) { l.SetCaption("Киев"); });
        QTest::newRow("font") << Change([](TEffectLabel &l) { l.SetFontHeight(24); });
        QTest::newRow("font colour") << Change([](TEffectLabel &l) { l.SetFontColor(clRed); });
        QTest::newRow("alignment")
            << Change([](TEffectLabel &l) { l.SetAlignment(taRightJustify); });
        QTest::newRow("size") << Change([](TEffectLabel &l) { l.resize(150, 40); });
    }

    void changeAfterPaint()
    {
        // The label keeps its caption's layout from one paint to the next; a change after a paint
        // shows just as on a label first painted after it.
        QFETCH(Change, change);
        const auto make = [] {
            auto label = std::make_unique<TEffectLabel>();
            label->resize(200, 40);
            label->SetAlignment(taCenter);
            label->SetCaption(QStringLiteral("Москва"));
            return label;
        };
        const auto kept = make();
        const QImage before = kept->grab().toImage();
        change(*kept);
        const QImage after = kept->grab().toImage();
        const auto fresh = make();
        change(*fresh);
        QVERIFY(after != before);
        QCOMPARE(after, fresh->grab().toImage());
    }

    void onlyLowerVisibleSiblingsBeneath()
    {
        QWidget window;
        window.resize(200, 100);
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, QColor(0, 200, 0));
        window.setPalette(palette);
        Block(&window, QRect(0, 0, 60, 100), QColor(200, 0, 0));
        Block(&window, QRect(0, 0, 200, 100), QColor(0, 0, 200))->hide();
        // A sibling that does not fill its background leaves what lies beneath it.
        Block(&window, QRect(0, 0, 200, 100), QColor(255, 0, 255), false);
        auto *label = new TEffectLabel(&window);
        label->setGeometry(-10, 10, 130, 100);
        Block(&window, QRect(100, 0, 100, 100), QColor(200, 200, 0));

        // The red block and, beside it, the parent; outside the parent its window colour.
        QImage expected(130, 100, QImage::Format_RGB32);
        expected.fill(QColor(0, 200, 0));
        QPainter(&expected).fillRect(10, 0, 60, 90, QColor(200, 0, 0));
        QCOMPARE(label->grab().toImage().convertToFormat(QImage::Format_RGB32), expected);
    }

    void button()
    {
        Scene scene(true);
        QSignalSpy down(scene.label, &TEffectLabel::MouseDown);
        QList<TEffectStyle> styleAtClick;
        connect(scene.label, &TEffectLabel::Clicked, scene.label,
                [&] { styleAtClick.append(scene.label->EffectStyle()); });
        QVERIFY(QTest::qWaitForWindowExposed(&scene.window));
        QWindow *window = scene.window.windowHandle();

        QTest::mousePress(window, Qt::LeftButton, {}, scene.at(70, 15));
        QCOMPARE(scene.label->EffectStyle(), esSunken);
        // Dragged onto the parent, the button held, the label still hears the pointer and rises.
        QTest::mouseMove(window, scene.at(200, 15));
        QCOMPARE(scene.label->EffectStyle(), esRaised);
        QTest::mouseMove(window, scene.at(10, 20));
        QCOMPARE(scene.label->EffectStyle(), esSunken);
        // The click comes first, so the owner hears of it while the button is still sunken.
        QTest::mouseRelease(window, Qt::LeftButton, {}, scene.at(10, 20));
        QCOMPARE(styleAtClick, QList<TEffectStyle>{esSunken});
        QCOMPARE(scene.label->EffectStyle(), esRaised);
        QCOMPARE(down.count(), 0);
    }

    void plainLabelPointer_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<QPoint>("releaseAt");
        QTest::addColumn<int>("clicks");
        QTest::newRow("left") << Qt::LeftButton << QPoint(141, 32) << 1;
        QTest::newRow("left, released past the edge") << Qt::LeftButton << QPoint(142, 15) << 0;
        QTest::newRow("right, released off the label") << Qt::RightButton << QPoint(-15, 50) << 0;
    }

    void plainLabelPointer()
    {
        // A plain label reports the pointer in its own coordinates, off it too while held, and
        // clicks on a left press and release on it; its look never follows the pointer.
        QFETCH(Qt::MouseButton, button);
        QFETCH(QPoint, releaseAt);
        QFETCH(int, clicks);
        Scene scene(false);
        QSignalSpy down(scene.label, &TEffectLabel::MouseDown);
        QSignalSpy move(scene.label, &TEffectLabel::MouseMove);
        QSignalSpy up(scene.label, &TEffectLabel::MouseUp);
        QSignalSpy clicked(scene.label, &TEffectLabel::Clicked);
        QVERIFY(QTest::qWaitForWindowExposed(&scene.window));
        QWindow *window = scene.window.windowHandle();

        QTest::mousePress(window, button, Qt::ShiftModifier, scene.at(70, 15));
        QCOMPARE(down.size(), 1);
        QCOMPARE(down.last().at(2).value<Qt::KeyboardModifiers>(),
                 Qt::KeyboardModifiers(Qt::ShiftModifier));
        QTest::mouseMove(window, scene.at(releaseAt.x(), releaseAt.y()));
        QVERIFY(!move.isEmpty());
        QCOMPARE(move.last().first(), QVariant::fromValue(Qt::MouseButtons(button)));
        QCOMPARE(move.last().mid(2), (QVariantList{releaseAt.x(), releaseAt.y()}));
        QTest::mouseRelease(window, button, {}, scene.at(releaseAt.x(), releaseAt.y()));
        QCOMPARE(up.size(), 1);
        QCOMPARE(up.last().mid(3), (QVariantList{releaseAt.x(), releaseAt.y()}));
        QCOMPARE(clicked.count(), clicks);
        QCOMPARE(scene.label->EffectStyle(), esRaised);

        // The second press of a double click is a press, but its release is no click.
        QTest::mouseDClick(window, Qt::LeftButton, {}, scene.at(70, 15));
        QCOMPARE(clicked.count(), clicks + 1);
        QCOMPARE(down.count(), up.count());
    }
};

QTEST_MAIN(TestEffectLabel)
#include "tst_effectlabel.moc"
