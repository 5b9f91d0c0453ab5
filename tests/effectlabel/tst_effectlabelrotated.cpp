#include "effectlabel/effectlabelpaint.h"
#include "support/paintfixtures.h"
#include "support/recordingsurface.h"

#include <QFontMetrics>
#include <QTransform>
#include <QtTest>

#include <functional>
#include <set>

namespace {

using Setup = std::function<void(EffectLabelModel &)>;

// Room for every layout below; the geometry never depends on the label's size.
constexpr QSize LabelSize(200, 200);

// Known widths: most letters 10 pixels, a space 4, "W" 16 and "i" 4; every line 20 pixels high.
int StubWidth(const QString &text)
{
    int width = 0;
    for (const QChar ch : text) {
        width += ch == u' ' || ch == u'i' ? 4 : ch == u'W' ? 16 : 10;
    }
    return width;
}

std::vector<SurfaceCall> Record(const EffectLabelModel &label)
{
    RecordingPaintSurface surface;
    surface.measureWidth = [](const QFont &, const QString &text) {
        return StubWidth(text);
    };
    surface.measureHeight = [](const QFont &, const QString &) {
        return 20;
    };
    PaintEffectLabel(label, LabelSize, surface);
    return surface.Calls();
}

// Measured in the fonts the paint sets, as the image surface measures.
std::vector<SurfaceCall> RecordMeasured(const EffectLabelModel &label, QSize size)
{
    RecordingPaintSurface surface;
    PaintEffectLabel(label, size, surface);
    return surface.Calls();
}

std::vector<SurfaceCall> OfKind(const std::vector<SurfaceCall> &calls, SurfaceCall::Kind kind,
                                PaintImage image = PaintImage::Work)
{
    std::vector<SurfaceCall> result;
    for (const SurfaceCall &call : calls) {
        if (call.kind == kind && call.image == image) {
            result.push_back(call);
        }
    }
    return result;
}

QList<QPoint> TextPoints(const std::vector<SurfaceCall> &calls)
{
    QList<QPoint> points;
    for (const SurfaceCall &call : OfKind(calls, SurfaceCall::TextAt)) {
        points << call.point;
    }
    return points;
}

QStringList Texts(const std::vector<SurfaceCall> &calls)
{
    QStringList texts;
    for (const SurfaceCall &call : OfKind(calls, SurfaceCall::TextAt)) {
        texts << call.text;
    }
    return texts;
}

// The band region a graduated face of the given direction is painted in, from the masked copies.
BandRegion RecordedBands(EffectLabelModel &label, TGraduateOption direction)
{
    label.SetGraduateFace(direction);
    const std::vector<SurfaceCall> copies = OfKind(Record(label), SurfaceCall::MaskedCopy);
    label.SetGraduateFace(goNone);
    BandRegion region;
    region.Extent = static_cast<int>(copies.size()) - 1;
    if (!copies.empty()) {
        region.Left = direction == goHorizontal ? copies.front().rect.left() : 0;
        region.Top = direction == goVertical ? copies.front().rect.top() : 0;
    }
    return region;
}

QPolygon Polygon(std::initializer_list<QPoint> corners)
{
    return QPolygon(QList<QPoint>(corners));
}

Setup Rotated(int angle)
{
    return [angle](EffectLabelModel &label) {
        label.SetAngle(static_cast<TAngleRange>(angle));
    };
}

Setup Upright(int angle)
{
    return [angle](EffectLabelModel &label) {
        label.SetAngle(static_cast<TAngleRange>(angle));
        label.SetKeepLettersVertical(true);
    };
}

// Every layer copy falls under the face, so only the face's pixels show.
void FaceOnly(EffectLabelModel &label, TColor face)
{
    label.SetEffectStyle(esNone);
    label.SetColourHighlight(face);
    label.SetColourShadow(face);
    label.SetFontColor(face);
}

void UseFont(EffectLabelModel &label, int pixels)
{
    EffectLabelFont font = label.Font();
    font.Name = QStringLiteral("Liberation Sans");
    font.Height = pixels;
    font.Style = 0;
    label.SetFont(font);
}

// The pixels of one colour.
QList<QPoint> PixelsOf(const QImage &image, QColor colour)
{
    QList<QPoint> pixels;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == colour.rgb()) {
                pixels << QPoint(x, y);
            }
        }
    }
    return pixels;
}

} // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(BandRegion)

class TestEffectLabelRotated : public QObject {
    Q_OBJECT

private slots:
    void geometry_data();
    void geometry();
    void fontsOnBothImages_data();
    void fontsOnBothImages();
    void keepLettersVerticalAtAngleZeroIsFlat();

    void textLandsInItsTurnedCell_data();
    void textLandsInItsTurnedCell();
};

void TestEffectLabelRotated::geometry_data()
{
    QTest::addColumn<Setup>("layout");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QList<QPoint>>("faces");
    QTest::addColumn<QPolygon>("background");

    // A fresh label's effect: lo -1, hi 1, spread 2. Rotated, the caption is one piece: A = 100
    // wide, B = 20 high, turned about c = 112 / 2 = 56; a line break, a tab and "&" are ordinary
    // characters.
    const QString caption = QStringLiteral("AB\nD&F\tHIJ");
    QTest::newRow("rotated 90") << Rotated(90) << caption << QList<QPoint>{{47, 107}}
                                << Polygon({{49, 113}, {49, 9}, {73, 9}, {73, 113}});
    QTest::newRow("rotated 180, upside down from the cell's bottom-right")
        << Rotated(180) << caption << QList<QPoint>{{107, 67}}
        << Polygon({{113, 73}, {9, 73}, {9, 49}, {113, 49}});
    // 52 × 0.707 = 36.77 truncates to 36, not 37.
    QTest::newRow("rotated 45 truncates") << Rotated(45) << caption << QList<QPoint>{{15, 85}}
                                          << Polygon({{17, 89}, {89, 17}, {105, 33}, {33, 105}});
    // -35.36 truncates toward zero to -35, not -36.
    QTest::newRow("rotated 135 truncates toward zero")
        << Rotated(135) << caption << QList<QPoint>{{85, 99}}
        << Polygon({{89, 105}, {17, 33}, {33, 17}, {105, 89}});
    // lo -1, hi 3, spread 4: the centre moves by (4 + 4) / 2, the sides grow by hi + lo = 2.
    QTest::newRow("rotated 90, shadow down 3, highlight up 1")
        << Setup([](EffectLabelModel &label) {
               label.SetDirectionShadow(edDown);
               label.SetDepthShadow(3);
               label.SetDirectionHighlight(edUp);
               label.SetAngle(90);
           })
        << caption << QList<QPoint>{{47, 107}} << Polygon({{49, 115}, {49, 9}, {75, 9}, {75, 115}});
    QTest::newRow("rotated 45, empty caption: the shape alone")
        << Rotated(45) << QString() << QList<QPoint>{}
        << Polygon({{2, 4}, {4, 2}, {20, 18}, {18, 20}});

    // Upright, letters 10 pixels wide ("W" 16), lines 20 high: the boxes around the first and
    // last letters grow by 6. The shape joins them on the outside of the run, by the quarter the
    // angle is in (its upper bound included).
    const QString abc = QStringLiteral("ABC");
    // D = 10 + 20 = 30; 30 × 0.707 = 21.2 and 15 × 0.707 = 10.6 round to 21 and 11.
    QTest::newRow("upright 45") << Upright(45) << abc << QList<QPoint>{{11, 32}, {22, 21}, {32, 11}}
                                << Polygon(
                                       {{8, 29}, {29, 8}, {45, 8}, {45, 34}, {24, 55}, {8, 55}});
    QTest::newRow("upright 90, one above the other")
        << Upright(90) << QStringLiteral("A\n&") << QList<QPoint>{{11, 51}, {11, 31}, {11, 11}}
        << Polygon({{8, 48}, {8, 8}, {24, 8}, {24, 34}, {24, 74}, {8, 74}});
    // Spaced by the widths of the letters before: "W" is 16, "Wi" 20; the boxes by their own.
    QTest::newRow("upright 180, right to left, letters of their own widths")
        << Upright(180) << QStringLiteral("WiA") << QList<QPoint>{{31, 11}, {15, 11}, {11, 11}}
        << Polygon({{50, 8}, {24, 8}, {8, 8}, {8, 34}, {28, 34}, {50, 34}});
    QTest::newRow("upright 270, one below the other")
        << Upright(270) << abc << QList<QPoint>{{11, 11}, {11, 31}, {11, 51}}
        << Polygon({{8, 8}, {8, 48}, {8, 74}, {24, 74}, {24, 34}, {24, 8}});
    QTest::newRow("upright 360, left to right")
        << Upright(360) << abc << QList<QPoint>{{11, 11}, {21, 11}, {31, 11}}
        << Polygon({{24, 8}, {44, 8}, {44, 34}, {28, 34}, {8, 34}, {8, 8}});
    QTest::newRow("upright 90, empty caption: the shape alone")
        << Upright(90) << QString() << QList<QPoint>{}
        << Polygon({{8, 8}, {8, 28}, {14, 28}, {14, 54}, {14, 34}, {8, 34}});
}

void TestEffectLabelRotated::geometry()
{
    QFETCH(Setup, layout);
    QFETCH(QString, caption);
    QFETCH(QList<QPoint>, faces);
    QFETCH(QPolygon, background);

    EffectLabelModel label;
    label.SetCaption(caption);
    layout(label);
    label.SetTransparent(false);
    label.SetColor(clSilver);

    // The shadow's copies, the highlight's and the faces, each copy its layer's offset from its
    // face; a turned caption is drawn whole, upright letters one by one.
    QList<QPoint> copies;
    for (const QPoint offset :
         {DirectionOffset(label.DirectionShadow()) * label.DepthShadow(),
          DirectionOffset(label.DirectionHighlight()) * label.DepthHighlight(), QPoint()}) {
        for (const QPoint &face : faces) {
            copies << face + offset;
        }
    }
    const QStringList texts = label.KeepLettersVertical()
                                  ? caption.split(QString(), Qt::SkipEmptyParts)
                                  : QStringList(faces.size(), caption);
    const std::vector<SurfaceCall> calls = Record(label);
    QCOMPARE(TextPoints(calls), copies);
    QCOMPARE(Texts(calls), texts + texts + texts);
    QVERIFY(OfKind(calls, SurfaceCall::TextInRect).empty());
    const std::vector<SurfaceCall> shapes = OfKind(calls, SurfaceCall::FillPolygon);
    QCOMPARE(shapes.size(), std::size_t{1});
    QCOMPARE(shapes.front().polygon, background);
    QCOMPARE(shapes.front().colour, QColor(192, 192, 192));
    QVERIFY(OfKind(calls, SurfaceCall::FillRect).empty());

    // A graduated face is banded over the background shape's outermost edges.
    const QRect bounds = background.boundingRect();
    QCOMPARE(RecordedBands(label, goVertical), (BandRegion{0, bounds.top(), bounds.height() - 1}));
    QCOMPARE(RecordedBands(label, goHorizontal),
             (BandRegion{bounds.left(), 0, bounds.width() - 1}));

    // Unlike a flat caption, neither layout cuts one at 255 characters.
    label.SetCaption(QString(300, u'Ж'));
    QCOMPARE(Texts(Record(label)).join(QString()).size(), 3 * 300);
}

void TestEffectLabelRotated::fontsOnBothImages_data()
{
    QTest::addColumn<Setup>("layout");
    QTest::addColumn<int>("escapement"); // of a turned font; 0 where the label's font stays
    QTest::newRow("flat") << Setup([](EffectLabelModel &) {}) << 0;
    QTest::newRow("rotated") << Rotated(90) << 900;
    QTest::newRow("upright letters") << Upright(90) << 0;
}

void TestEffectLabelRotated::fontsOnBothImages()
{
    QFETCH(Setup, layout);
    QFETCH(int, escapement);

    EffectLabelModel label;
    label.SetCaption(QStringLiteral("Ортус"));
    label.SetFontStyle(fsBold | fsItalic);
    layout(label);

    // The images first get the label's font, without antialiasing; then a rotated caption's
    // turned one, restricted to outline faces; all before anything is drawn.
    const std::size_t count = escapement != 0 ? 4 : 2;
    std::vector<SurfaceCall> fonts;
    for (const SurfaceCall &call : Record(label)) {
        if (call.kind == SurfaceCall::SetFont) {
            fonts.push_back(call);
        } else {
            QCOMPARE(fonts.size(), count);
        }
    }
    QCOMPARE(fonts.size(), count);
    for (std::size_t i = 0; i < count; ++i) {
        const SurfaceCall &call = fonts[i];
        QCOMPARE(call.image, i % 2 == 0 ? PaintImage::Work : PaintImage::Mask);
        QCOMPARE(call.escapement, i < 2 ? 0 : escapement);
        QCOMPARE(call.font.pixelSize(), 27);
        QCOMPARE(call.font.family(), QStringLiteral("Times New Roman"));
        QVERIFY(call.font.bold() && call.font.italic());
        QVERIFY(call.font.styleStrategy() & QFont::NoAntialias);
        QCOMPARE(bool(call.font.styleStrategy() & QFont::ForceOutline), i >= 2);
    }
}

void TestEffectLabelRotated::keepLettersVerticalAtAngleZeroIsFlat()
{
    const auto record = [](bool upright) {
        EffectLabelModel label;
        label.SetCaption(QStringLiteral("Ортус & 2000"));
        label.SetGraduateFace(goHorizontal);
        label.SetTransparent(false);
        label.SetKeepLettersVertical(upright);
        if (upright) {
            label.SetAngle(90);
            label.SetAngle(0);
        }
        QString calls;
        for (const SurfaceCall &c : Record(label)) {
            QDebug(&calls) << c.kind << int(c.image) << c.rect << c.text << c.flags << c.colour
                           << c.escapement << '\n';
        }
        return calls;
    };
    QCOMPARE(record(true), record(false));
}

void TestEffectLabelRotated::textLandsInItsTurnedCell_data()
{
    QTest::addColumn<Setup>("layout");
    // Turned counter-clockwise: a turn the other way would land the text elsewhere.
    QTest::newRow("rotated 30") << Rotated(30);
    QTest::newRow("rotated 270") << Rotated(270);
    QTest::newRow("upright 135") << Upright(135);
}

void TestEffectLabelRotated::textLandsInItsTurnedCell()
{
    QFETCH(Setup, layout);

    EffectLabelModel label;
    label.SetCaption(QStringLiteral("Орт&ус\n2000"));
    UseFont(label, 20);
    FaceOnly(label, clRed);
    layout(label);
    label.SetTransparent(false);
    label.SetColor(clWhite);

    const QSize size(220, 220);
    const QColor background(0, 128, 0);
    const QImage image = PaintOver(label, size, background);
    const bool upright = label.KeepLettersVertical();

    // Text at a point in the recorded places, each letter (or the whole caption) a cell of its
    // advance by the line height, turned counter-clockwise about its top-left corner. The line
    // break does not start a line and "&" is drawn like any other character.
    const std::vector<SurfaceCall> calls = RecordMeasured(label, size);
    const std::vector<SurfaceCall> faces = OfKind(calls, SurfaceCall::TextAt);
    const QFontMetrics metrics(OfKind(calls, SurfaceCall::SetFont).back().font);
    QList<QPair<QTransform, QSizeF>> cells;
    for (std::size_t i = faces.size() - faces.size() / 3; i < faces.size(); ++i) {
        QTransform frame;
        frame.translate(faces[i].point.x(), faces[i].point.y());
        frame.rotate(upright ? 0 : -label.Angle());
        cells.append(
            {frame.inverted(), QSizeF(metrics.horizontalAdvance(faces[i].text), metrics.height())});
    }

    // Glyph bearings may reach a pixel beyond the advance.
    constexpr double Slack = 1.5;
    const QList<QPoint> ink = PixelsOf(image, Qt::red);
    QVERIFY(ink.size() > 200);
    double firstAlong = 1e9;
    double lastAlong = -1e9;
    for (const QPoint &pixel : ink) {
        bool inside = false;
        for (const auto &[toCell, cellSize] : cells) {
            const QPointF at = toCell.map(QPointF(pixel) + QPointF(0.5, 0.5));
            if (at.x() >= -Slack && at.x() <= cellSize.width() + Slack && at.y() >= -Slack &&
                at.y() <= cellSize.height() + Slack) {
                inside = true;
                firstAlong = std::min(firstAlong, at.x());
                lastAlong = std::max(lastAlong, at.x());
                break;
            }
        }
        QVERIFY2(inside, qPrintable(QStringLiteral("ink at %1,%2").arg(pixel.x()).arg(pixel.y())));
    }
    if (!upright) {
        // The ink runs the whole length of the one cell.
        QVERIFY(firstAlong < 4);
        QVERIFY(lastAlong > cells.front().second.width() - 4);
    }

    // No antialiasing, also when turned: every pixel is exactly one of the colours drawn.
    const std::set<QRgb> allowed = {background.rgb(), QColor(Qt::white).rgb(),
                                    QColor(Qt::black).rgb(), QColor(Qt::red).rgb()};
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            QVERIFY(allowed.count(image.pixel(x, y)) == 1);
        }
    }
    // The shape has its outline, and the background far from it is untouched.
    QVERIFY(!PixelsOf(image, Qt::black).isEmpty());
    QCOMPARE(image.pixelColor(size.width() - 1, size.height() - 1), background);
}

QTEST_MAIN(TestEffectLabelRotated)
#include "tst_effectlabelrotated.moc"
