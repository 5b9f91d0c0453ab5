#include "effectlabel/effectlabel.h"
#include "effectlabel/effectlabelpaint.h"
#include "support/paintfixtures.h"

#include <QLabel>
#include <QtTest>

#include <functional>
#include <memory>
#include <set>

namespace {

using Setup = std::function<void(EffectLabelModel &)>;
using Pass = int (*)(int);
using Change = std::function<void(TEffectLabel &)>;

// Every layer copy falls under the face, so only the face's pixels show.
void FaceOnly(EffectLabelModel &label, TColor face)
{
    label.SetEffectStyle(esNone);
    label.SetColourHighlight(face);
    label.SetColourShadow(face);
    label.SetFontColor(face);
}

QFont PlainFont(int pixels)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixels);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

void UseFont(EffectLabelModel &label, int pixels)
{
    EffectLabelFont font = label.Font();
    font.Name = QStringLiteral("Liberation Sans");
    font.Height = pixels;
    label.SetFont(font);
}

int CountNot(const QImage &image, QRgb colour, const QRect &area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += image.pixel(x, y) != colour ? 1 : 0;
        }
    }
    return count;
}

// A colourful picture with no pure red in it (blue is never 0).
QImage Picture(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            image.setPixel(
                x, y,
                qRgb(x * 255 / size.width(), (x * 7 + y * 13) % 256, 64 + y * 191 / size.height()));
        }
    }
    return image;
}

void SetWindowColour(QWidget *widget, QColor colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

// A widget that fills its background (or, with fill false, only has the colour in its palette).
QWidget *Block(QWidget *parent, QRect geometry, QColor colour, bool fill = true)
{
    auto *block = new QWidget(parent);
    block->setGeometry(geometry);
    block->setAutoFillBackground(fill);
    SetWindowColour(block, colour);
    return block;
}

// A label over a picture in a shown window, as the main window shows its answers.
struct PictureScene {
    QWidget window;
    TEffectLabel *label;

    PictureScene(QSize size, const QImage &picture, QRect pictureArea, QRect labelArea)
    {
        window.resize(size);
        auto *background = new QLabel(&window);
        background->setGeometry(pictureArea);
        background->setPixmap(QPixmap::fromImage(picture));
        label = new TEffectLabel(&window);
        label->setGeometry(labelArea);
    }
};

} // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(Pass)
Q_DECLARE_METATYPE(Change)

class TestEffectLabelPaintPixels : public QObject {
    Q_OBJECT

private slots:
    void verticalGradientRows();

    void copiesEqualDrawnText_data();
    void copiesEqualDrawnText();
    void changeAfterPaint_data();
    void changeAfterPaint();

    void disabledDrawnAsEnabled();
    void realLayerOverPictureBeneath_data();
    void realLayerOverPictureBeneath();
    void screenShowsWhatGrabShows();
    void onlyLowerVisibleSiblingsBeneath();
    void partlyOutsideParent();
};

void TestEffectLabelPaintPixels::verticalGradientRows()
{
    // Black to blue over 21 rows: steps of 12.75, halves to even.
    const int blue[] = {0,   13,  26,  38,  51,  64,  76,  89,  102, 115, 128,
                        140, 153, 166, 178, 191, 204, 217, 230, 242, 255};
    int pixels = 0;
    for (int candidate = 10; candidate < 40 && pixels == 0; ++candidate) {
        if (QFontMetrics(PlainFont(candidate)).height() == 21) {
            pixels = candidate;
        }
    }
    QVERIFY2(pixels != 0, "no font size gives a line 21 pixels high");

    EffectLabelModel label;
    FaceOnly(label, RgbColour(0, 0, 255));
    UseFont(label, pixels);
    label.SetCaption(QStringLiteral("ЖЩ|Ё"));
    label.SetGraduateFrom(clBlack);
    label.SetGraduateFace(goVertical);
    const QImage image = PaintOver(label, QSize(100, 40), Qt::white);

    std::set<int> rows;
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

void TestEffectLabelPaintPixels::copiesEqualDrawnText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("align");
    QTest::addColumn<bool>("maskUsedFirst");
    QTest::newRow("left, mnemonic, wrapped")
        << QStringLiteral("&Да\tи && нет, конечно же нет") << int(Qt::AlignLeft) << false;
    QTest::newRow("right, line break") << QStringLiteral("Да\nнет") << int(Qt::AlignRight) << false;
    QTest::newRow("centred, mask drawn on before")
        << QStringLiteral("Москва") << int(Qt::AlignHCenter) << true;
}

void TestEffectLabelPaintPixels::copiesEqualDrawnText()
{
    QFETCH(QString, text);
    QFETCH(int, align);
    QFETCH(bool, maskUsedFirst);
    const QSize size(150, 50);
    const int flags =
        align | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs | Qt::TextShowMnemonic;
    const QList<QPoint> corners{{0, 0}, {3, 2}, {-4, -1}, {140, 45}, {-149, 0}};
    const QColor colours[] = {QColor(255, 0, 0), QColor(0, 90, 0), QColor(0, 0, 0), QColor(1, 2, 3),
                              QColor(200, 100, 50)};

    QImage expected(size, QImage::Format_RGB32);
    expected.fill(qRgb(240, 240, 200));
    QImage work = expected;
    {
        QPainter painter(&expected);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setFont(PlainFont(17));
        for (int i = 0; i < corners.size(); ++i) {
            painter.setPen(colours[i]);
            painter.drawText(QRect(corners[i], size), flags, text);
        }
    }

    ImagePaintSurface surface(std::move(work));
    surface.SetFont(PaintImage::Work, PlainFont(17), 0);
    surface.SetFont(PaintImage::Mask, PlainFont(17), 0);
    if (maskUsedFirst) {
        surface.FillRect(PaintImage::Mask, QRect(0, 0, 1, 1), Qt::black);
    }
    for (int i = 0; i < corners.size(); ++i) {
        surface.DrawTextInRect(PaintImage::Work, QRect(corners[i], size), flags, text, colours[i]);
    }
    // The mask is left as it was: white but for what was drawn on it.
    surface.CopyRect(PaintImage::Mask, PaintImage::Work, QRect(0, 0, 1, 1));
    expected.setPixel(0, 0, maskUsedFirst ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    QCOMPARE(*surface.Finish(), expected);
}

void TestEffectLabelPaintPixels::changeAfterPaint_data()
{
    // One row for each thing the kept layout is made from, and the colour, which is not part of it.
    QTest::addColumn<Change>("change");
    QTest::newRow("caption") << Change(
        [](TEffectLabel &l) { l.SetCaption(QStringLiteral("Киев")); });
    QTest::newRow("font") << Change([](TEffectLabel &l) { l.SetFontHeight(24); });
    QTest::newRow("font colour") << Change([](TEffectLabel &l) { l.SetFontColor(clRed); });
    QTest::newRow("alignment") << Change([](TEffectLabel &l) { l.SetAlignment(taRightJustify); });
    QTest::newRow("size") << Change([](TEffectLabel &l) { l.resize(150, 40); });
}

void TestEffectLabelPaintPixels::changeAfterPaint()
{
    // The label keeps its caption's layout from one paint to the next; what changes after a paint
    // shows just as on a label first painted after the change.
    QFETCH(Change, change);
    const auto make = [] {
        auto label = std::make_unique<TEffectLabel>();
        label->resize(200, 40);
        UseFont(*label, 19);
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

void TestEffectLabelPaintPixels::disabledDrawnAsEnabled()
{
    QWidget window;
    window.resize(200, 60);
    TEffectLabel label(&window);
    label.setGeometry(5, 5, 180, 45);
    label.SetCaption(QStringLiteral("&Ответ"));
    label.SetGraduateFace(goVertical);
    label.SetStyleShadow(eoReal);
    const QImage enabled = label.grab().toImage();
    label.setEnabled(false);
    QCOMPARE(label.grab().toImage(), enabled);
    window.setEnabled(false);
    QCOMPARE(label.grab().toImage(), enabled);
}

void TestEffectLabelPaintPixels::realLayerOverPictureBeneath_data()
{
    // Each channel of what lies beneath is halved, or brought halfway to 255, rounding down.
    QTest::addColumn<Setup>("layer");
    QTest::addColumn<Pass>("pass");
    QTest::newRow("shadow darkens") << Setup([](EffectLabelModel &l) {
        l.SetEffectStyle(esShadow);
        l.SetStyleShadow(eoReal);
        l.SetDepthShadow(3);
    }) << Pass([](int c) { return c / 2; });
    QTest::newRow("highlight lightens") << Setup([](EffectLabelModel &l) {
        l.SetEffectStyle(esNone);
        l.SetStyleHighlight(eoReal);
        l.SetDirectionHighlight(edUpLeft);
        l.SetDepthHighlight(3);
    }) << Pass([](int c) { return (c + 255) / 2; });
}

void TestEffectLabelPaintPixels::realLayerOverPictureBeneath()
{
    QFETCH(Setup, layer);
    QFETCH(Pass, pass);
    const QImage picture = Picture(QSize(300, 70));
    PictureScene scene(QSize(320, 90), picture, QRect(10, 10, 300, 70), QRect(20, 15, 260, 50));
    layer(*scene.label);
    scene.label->SetFontColor(clRed);
    scene.label->SetCaption(QStringLiteral("Тень"));
    scene.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scene.window));

    const QImage image = scene.window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int changed = 0;
    int face = 0;
    const QRect area = scene.label->geometry();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb beneath = picture.pixel(x - 10, y - 10);
            const QRgb shown = image.pixel(x, y);
            if (shown == qRgb(255, 0, 0)) {
                ++face;
            } else if (shown != beneath) {
                QCOMPARE(shown,
                         qRgb(pass(qRed(beneath)), pass(qGreen(beneath)), pass(qBlue(beneath))));
                ++changed;
            }
        }
    }
    QVERIFY(face > 30);
    QVERIFY(changed > 30);
}

void TestEffectLabelPaintPixels::screenShowsWhatGrabShows()
{
    // The window system's own paint of a shown window, not a render on request.
    const QImage picture = Picture(QSize(320, 90));
    PictureScene scene(QSize(320, 90), picture, QRect(0, 0, 320, 90), QRect(10, 10, 300, 60));
    scene.label->SetStyleHighlight(eoReal);
    scene.label->SetDepthHighlight(3);
    scene.label->SetGraduateFace(goHorizontal);
    scene.label->SetCaption(QStringLiteral("Экран"));
    scene.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scene.window));
    const QImage screen = scene.window.screen()->grabWindow(scene.window.winId()).toImage();
    if (screen.isNull()) {
        QSKIP("this platform cannot read back a window");
    }
    const QRect area = scene.label->geometry();
    const QImage grabbed = scene.window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage shown = screen.convertToFormat(QImage::Format_RGB32).copy(area);
    QCOMPARE(shown, grabbed.copy(area));
    QVERIFY(shown != picture.copy(area));
}

void TestEffectLabelPaintPixels::onlyLowerVisibleSiblingsBeneath()
{
    QWidget window;
    window.resize(200, 100);
    window.setAutoFillBackground(true);
    SetWindowColour(&window, QColor(0, 200, 0));

    Block(&window, QRect(0, 0, 60, 100), QColor(200, 0, 0));
    Block(&window, QRect(0, 0, 200, 100), QColor(0, 0, 200))->hide();
    // A sibling that does not fill its background leaves what lies beneath it.
    Block(&window, QRect(0, 0, 200, 100), QColor(255, 0, 255), false);
    auto *label = new TEffectLabel(&window);
    label->setGeometry(20, 10, 100, 50);
    Block(&window, QRect(100, 0, 100, 100), QColor(200, 200, 0));

    const QImage image = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.size(), QSize(100, 50));
    QCOMPARE(CountNot(image, qRgb(200, 0, 0), QRect(0, 0, 40, 50)), 0);
    QCOMPARE(CountNot(image, qRgb(0, 200, 0), QRect(40, 0, 60, 50)), 0);
}

void TestEffectLabelPaintPixels::partlyOutsideParent()
{
    // The parts outside the parent show its window colour.
    QWidget window;
    window.resize(100, 50);
    SetWindowColour(&window, QColor(0, 200, 0));
    Block(&window, QRect(0, 0, 100, 50), QColor(0, 0, 200));
    auto *label = new TEffectLabel(&window);
    label->setGeometry(-10, 30, 50, 40);

    const QImage image = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.pixel(10, 0), qRgb(0, 0, 200));
    QCOMPARE(image.pixel(49, 19), qRgb(0, 0, 200));
    QCOMPARE(image.pixel(0, 0), qRgb(0, 200, 0));
    QCOMPARE(image.pixel(20, 39), qRgb(0, 200, 0));
}

QTEST_MAIN(TestEffectLabelPaintPixels)
#include "tst_effectlabelpaintpixels.moc"
