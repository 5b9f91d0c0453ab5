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
using Change = std::function<void(TEffectLabel &)>;

QImage Paint(const EffectLabelModel &label, QSize size, QColor background)
{
    return PaintOver(label, size, background);
}

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

void UseFont(EffectLabelModel &label, int pixels, TFontStyles style = 0)
{
    EffectLabelFont font = label.Font();
    font.Name = QStringLiteral("Liberation Sans");
    font.Height = pixels;
    font.Style = style;
    label.SetFont(font);
}

// The caption drawn the plain way, as the flat layout asks for it, in black on white.
QImage Reference(QSize size, int pixels, int flags, const QString &text)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(PlainFont(pixels));
    painter.setPen(Qt::black);
    painter.drawText(QRect(QPoint(0, 0), size), flags, text);
    return image;
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

QRgb Halved(QRgb p)
{
    return qRgb(qRed(p) / 2, qGreen(p) / 2, qBlue(p) / 2);
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

QWidget *Block(QWidget *parent, QRect geometry, QColor colour)
{
    auto *block = new QWidget(parent);
    block->setGeometry(geometry);
    block->setAutoFillBackground(true);
    QPalette palette = block->palette();
    palette.setColor(QPalette::Window, colour);
    block->setPalette(palette);
    return block;
}

} // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(Change)

class TestEffectLabelPaintPixels : public QObject {
    Q_OBJECT

private slots:
    void translucentLayer_data();
    void translucentLayer();
    void verticalGradientRows();
    void graduateFromDefaultStartsAtWindowTextBytes();
    void opaqueFillsRectangle();
    void ampersand_data();
    void ampersand();
    void mnemonicUnderlinesBelowBaseline();
    void longCaptionWraps_data();
    void longCaptionWraps();
    void captionCutAt255();
    void emptyCaptionHorizontalGradientPaintsNothing();

    void copiesEqualDrawnText_data();
    void copiesEqualDrawnText();
    void changeAfterPaint_data();
    void changeAfterPaint();

    void disabledDrawnAsEnabled();
    void shadowDarkensPictureBeneath();
    void screenShowsWhatGrabShows();
    void onlyLowerVisibleSiblingsBeneath();
    void partlyOutsideParent();
};

void TestEffectLabelPaintPixels::translucentLayer_data()
{
    QTest::addColumn<Setup>("normal");
    QTest::addColumn<Setup>("real");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QColor>("normalColour");
    QTest::addColumn<QColor>("expected");

    auto shadow = [](TEffectOption style) {
        return Setup([style](EffectLabelModel &l) {
            l.SetEffectStyle(esShadow);
            l.SetColourShadow(style == eoReal ? clRed : clBlack);
            l.SetStyleShadow(style);
        });
    };
    auto highlight = [](TEffectOption style) {
        return Setup([style](EffectLabelModel &l) {
            l.SetDirectionShadow(edNone);
            l.SetDepthShadow(0);
            l.SetColourShadow(clGreen);
            l.SetDepthHighlight(2);
            l.SetColourHighlight(style == eoReal ? clRed : clWhite);
            l.SetStyleHighlight(style);
            l.SetFontColor(clNavy);
        });
    };
    QTest::newRow("shadow over white") << shadow(eoNormal) << shadow(eoReal) << QColor(Qt::white)
                                       << QColor(0, 0, 0) << QColor(127, 127, 127);
    QTest::newRow("shadow over grey") << shadow(eoNormal) << shadow(eoReal) << QColor(101, 50, 7)
                                      << QColor(0, 0, 0) << QColor(50, 25, 3);
    QTest::newRow("highlight over black")
        << highlight(eoNormal) << highlight(eoReal) << QColor(Qt::black) << QColor(255, 255, 255)
        << QColor(127, 127, 127);
    QTest::newRow("highlight over 100")
        << highlight(eoNormal) << highlight(eoReal) << QColor(100, 100, 100)
        << QColor(255, 255, 255) << QColor(177, 177, 177);
}

void TestEffectLabelPaintPixels::translucentLayer()
{
    QFETCH(Setup, normal);
    QFETCH(Setup, real);
    QFETCH(QColor, background);
    QFETCH(QColor, normalColour);
    QFETCH(QColor, expected);

    // The same layer drawn plainly shows where its glyphs fall beside the face.
    const QSize size(160, 40);
    EffectLabelModel plain;
    plain.SetCaption(QStringLiteral("Тень"));
    normal(plain);
    EffectLabelModel translucent;
    translucent.SetCaption(QStringLiteral("Тень"));
    real(translucent);
    const QImage reference = Paint(plain, size, background);
    const QImage image = Paint(translucent, size, background);

    int changed = 0;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            if (reference.pixelColor(x, y) == normalColour) {
                QCOMPARE(image.pixelColor(x, y), expected);
                ++changed;
            } else {
                QCOMPARE(image.pixel(x, y), reference.pixel(x, y));
            }
        }
    }
    QVERIFY(changed > 30);
}

void TestEffectLabelPaintPixels::verticalGradientRows()
{
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
    const QImage image = Paint(label, QSize(100, 40), Qt::white);

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

void TestEffectLabelPaintPixels::graduateFromDefaultStartsAtWindowTextBytes()
{
    // An underlined caption starting at the left edge has face pixels in the first column.
    EffectLabelModel label;
    FaceOnly(label, RgbColour(0, 0, 255));
    UseFont(label, 20, fsUnderline);
    label.SetCaption(QStringLiteral("Ж"));
    label.SetGraduateFace(goHorizontal);
    const QImage image = Paint(label, QSize(60, 30), Qt::white);
    int found = 0;
    for (int y = 0; y < image.height(); ++y) {
        if (image.pixel(0, y) != qRgb(255, 255, 255)) {
            QCOMPARE(image.pixelColor(0, y), QColor(8, 0, 0));
            ++found;
        }
    }
    QVERIFY(found > 0);
}

void TestEffectLabelPaintPixels::opaqueFillsRectangle()
{
    EffectLabelModel label;
    label.SetTransparent(false);
    label.SetColor(RgbColour(1, 2, 3));
    label.SetCaption(QString());
    const QImage image = Paint(label, QSize(37, 11), Qt::red);
    QCOMPARE(CountNot(image, qRgb(1, 2, 3), image.rect()), 0);
}

void TestEffectLabelPaintPixels::ampersand_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("flags");
    const int flat = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs;
    QTest::newRow("prefix underlines")
        << QStringLiteral("&Ответ") << QStringLiteral("&Ответ") << (flat | Qt::TextShowMnemonic);
    QTest::newRow("double shows one") << QStringLiteral("A&&B") << QStringLiteral("A&B") << flat;
    QTest::newRow("double then prefix")
        << QStringLiteral("Да && &нет") << QStringLiteral("Да && &нет")
        << (flat | Qt::TextShowMnemonic);
}

void TestEffectLabelPaintPixels::ampersand()
{
    QFETCH(QString, caption);
    QFETCH(QString, shown);
    QFETCH(int, flags);
    const QSize size(200, 30);
    EffectLabelModel label;
    FaceOnly(label, clBlack);
    UseFont(label, 20);
    label.SetTransparent(false);
    label.SetColor(clWhite);
    label.SetCaption(caption);
    QCOMPARE(Paint(label, size, Qt::gray), Reference(size, 20, flags, shown));
}

void TestEffectLabelPaintPixels::mnemonicUnderlinesBelowBaseline()
{
    const QSize size(200, 30);
    EffectLabelModel label;
    FaceOnly(label, clBlack);
    UseFont(label, 20);
    label.SetCaption(QStringLiteral("Ответ"));
    const QImage plain = Paint(label, size, Qt::white);
    label.SetCaption(QStringLiteral("&Ответ"));
    const QImage marked = Paint(label, size, Qt::white);
    const int ascent = QFontMetrics(PlainFont(20)).ascent();
    int differing = 0;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            if (plain.pixel(x, y) != marked.pixel(x, y)) {
                // Only the underline is added, under the first letter and below the baseline.
                QVERIFY(y >= ascent);
                QCOMPARE(marked.pixel(x, y), qRgb(0, 0, 0));
                ++differing;
            }
        }
    }
    QVERIFY(differing >= 5);
}

void TestEffectLabelPaintPixels::longCaptionWraps_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("width");
    QTest::newRow("wider than the label") << QStringLiteral("Москва является столицей") << 120;
    QTest::newRow("line break") << QStringLiteral("Да\nнет") << 300;
}

void TestEffectLabelPaintPixels::longCaptionWraps()
{
    QFETCH(QString, caption);
    QFETCH(int, width);
    EffectLabelModel label;
    FaceOnly(label, clBlack);
    UseFont(label, 19);
    label.SetCaption(caption);
    const QImage image = Paint(label, QSize(width, 80), Qt::white);
    const int line = QFontMetrics(PlainFont(19)).height();
    QVERIFY(CountNot(image, qRgb(255, 255, 255), QRect(0, line, width, 80 - line)) > 20);
}

void TestEffectLabelPaintPixels::captionCutAt255()
{
    QString caption;
    while (caption.size() < 300) {
        caption += QStringLiteral("да нет ");
    }
    // Character 256 is a visible letter.
    QVERIFY(!caption.at(255).isSpace());
    const QSize size(400, 400);
    EffectLabelModel label;
    FaceOnly(label, clBlack);
    UseFont(label, 12);
    label.SetCaption(caption);
    const QImage image = Paint(label, size, Qt::white);
    const int flags =
        Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs | Qt::TextShowMnemonic;
    QCOMPARE(image, Reference(size, 12, flags, caption.left(255)));
    QVERIFY(image != Reference(size, 12, flags, caption.left(256)));
}

void TestEffectLabelPaintPixels::emptyCaptionHorizontalGradientPaintsNothing()
{
    EffectLabelModel label;
    label.SetCaption(QString());
    label.SetGraduateFace(goHorizontal);
    label.SetGraduateFrom(clRed);
    const QImage picture = Picture(QSize(50, 20));
    QImage work = picture;
    ImagePaintSurface surface(std::move(work));
    PaintEffectLabel(label, picture.size(), surface);
    QCOMPARE(*surface.Finish(), picture);
}

void TestEffectLabelPaintPixels::copiesEqualDrawnText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("align");
    QTest::addColumn<bool>("maskUsedFirst");
    QTest::newRow("centred") << QStringLiteral("Москва является столицей") << int(Qt::AlignHCenter)
                             << false;
    QTest::newRow("left, mnemonic, wrapped")
        << QStringLiteral("&Да\tи && нет, конечно же нет") << int(Qt::AlignLeft) << false;
    QTest::newRow("right, line break") << QStringLiteral("Да\nнет") << int(Qt::AlignRight) << false;
    QTest::newRow("mask drawn on before")
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
    QTest::addColumn<Change>("change");
    QTest::newRow("caption") << Change(
        [](TEffectLabel &l) { l.SetCaption(QStringLiteral("Киев")); });
    QTest::newRow("font height") << Change([](TEffectLabel &l) { l.SetFontHeight(24); });
    QTest::newRow("font style") << Change([](TEffectLabel &l) { l.SetFontStyle(fsItalic); });
    QTest::newRow("font name") << Change(
        [](TEffectLabel &l) { l.SetFontName(QStringLiteral("DejaVu Sans Mono")); });
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

void TestEffectLabelPaintPixels::shadowDarkensPictureBeneath()
{
    QWidget window;
    window.resize(320, 90);
    const QImage picture = Picture(QSize(300, 70));
    auto *background = new QLabel(&window);
    background->setGeometry(10, 10, 300, 70);
    background->setPixmap(QPixmap::fromImage(picture));
    auto *label = new TEffectLabel(&window);
    label->setGeometry(20, 15, 260, 50);
    label->SetEffectStyle(esShadow);
    label->SetStyleShadow(eoReal);
    label->SetDepthShadow(3);
    label->SetFontColor(clRed);
    label->SetCaption(QStringLiteral("Тень"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int darkened = 0;
    int face = 0;
    const QRect area = label->geometry();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb beneath = picture.pixel(x - 10, y - 10);
            const QRgb shown = image.pixel(x, y);
            if (shown == qRgb(255, 0, 0)) {
                ++face;
            } else if (shown != beneath) {
                QCOMPARE(shown, Halved(beneath));
                ++darkened;
            }
        }
    }
    QVERIFY(face > 30);
    QVERIFY(darkened > 30);
}

void TestEffectLabelPaintPixels::screenShowsWhatGrabShows()
{
    // The window system's own paint of a shown window, not a render on request.
    QWidget window;
    window.resize(320, 90);
    auto *background = new QLabel(&window);
    background->setGeometry(0, 0, 320, 90);
    background->setPixmap(QPixmap::fromImage(Picture(QSize(320, 90))));
    auto *label = new TEffectLabel(&window);
    label->setGeometry(10, 10, 300, 60);
    label->SetStyleHighlight(eoReal);
    label->SetDepthHighlight(3);
    label->SetGraduateFace(goHorizontal);
    label->SetCaption(QStringLiteral("Экран"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage screen = window.screen()->grabWindow(window.winId()).toImage();
    if (screen.isNull()) {
        QSKIP("this platform cannot read back a window");
    }
    const QImage grabbed = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage shown = screen.convertToFormat(QImage::Format_RGB32).copy(label->geometry());
    QCOMPARE(shown, grabbed.copy(label->geometry()));
    QVERIFY(shown != Picture(QSize(320, 90)).copy(label->geometry()));
}

void TestEffectLabelPaintPixels::onlyLowerVisibleSiblingsBeneath()
{
    QWidget window;
    window.resize(200, 100);
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(0, 200, 0));
    window.setPalette(palette);

    Block(&window, QRect(0, 0, 60, 100), QColor(200, 0, 0));
    Block(&window, QRect(0, 0, 200, 100), QColor(0, 0, 200))->hide();
    // A sibling that does not fill its background leaves what lies beneath it.
    auto *clear = new QWidget(&window);
    clear->setGeometry(0, 0, 200, 100);
    QPalette magenta = clear->palette();
    magenta.setColor(QPalette::Window, QColor(255, 0, 255));
    clear->setPalette(magenta);
    auto *label = new TEffectLabel(&window);
    label->setGeometry(20, 10, 100, 50);
    label->SetCaption(QString());
    Block(&window, QRect(100, 0, 100, 100), QColor(200, 200, 0));

    const QImage image = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.size(), QSize(100, 50));
    QCOMPARE(CountNot(image, qRgb(200, 0, 0), QRect(0, 0, 40, 50)), 0);
    QCOMPARE(CountNot(image, qRgb(0, 200, 0), QRect(40, 0, 60, 50)), 0);
}

void TestEffectLabelPaintPixels::partlyOutsideParent()
{
    QWidget window;
    window.resize(100, 50);
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(0, 200, 0));
    window.setPalette(palette);
    Block(&window, QRect(0, 0, 100, 50), QColor(0, 0, 200));
    auto *label = new TEffectLabel(&window);
    label->setGeometry(-10, 30, 50, 40);
    label->SetCaption(QString());

    const QImage image = label->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.pixel(10, 0), qRgb(0, 0, 200));
    QCOMPARE(image.pixel(49, 19), qRgb(0, 0, 200));
    QCOMPARE(image.pixel(0, 0), qRgb(0, 200, 0));
    QCOMPARE(image.pixel(20, 39), qRgb(0, 200, 0));
}

QTEST_MAIN(TestEffectLabelPaintPixels)
#include "tst_effectlabelpaintpixels.moc"
