#include "effectlabel/effectlabelpaint.h"
#include "effectlabel/recordingsurface.h"
#include "support/paintfixtures.h"

#include <QFontDatabase>
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

BandRegion Region(int left, int top, int extent)
{
    return BandRegion{left, top, extent};
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

QImage Paint(const EffectLabelModel &label, QSize size, QColor background)
{
    return PaintOver(label, size, background);
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

QRect Bounds(const QList<QPoint> &pixels)
{
    QRect bounds;
    for (const QPoint &pixel : pixels) {
        bounds |= QRect(pixel, QSize(1, 1));
    }
    return bounds;
}

} // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(BandRegion)

class TestEffectLabelRotated : public QObject {
    Q_OBJECT

private slots:
    void rotatedGeometry_data();
    void rotatedGeometry();
    void rotatedFontOnBothImages_data();
    void rotatedFontOnBothImages();
    void rotatedFontIsAnOutlineFace();
    void uprightGeometry_data();
    void uprightGeometry();
    void uprightKeepsTheLabelFont();
    void captionIsOneLineOfCharacters_data();
    void captionIsOneLineOfCharacters();
    void emptyCaptionDrawsNoTextButTheShape_data();
    void emptyCaptionDrawsNoTextButTheShape();
    void keepLettersVerticalAtAngleZeroIsFlat();

    void textLandsInItsTurnedCell_data();
    void textLandsInItsTurnedCell();
    void emptyCaptionPaintsTheShape_data();
    void emptyCaptionPaintsTheShape();
    void keepLettersVerticalAtAngleZeroDrawsFlat_data();
    void keepLettersVerticalAtAngleZeroDrawsFlat();
    void lineBreakAndAmpersandOnOneLine_data();
    void lineBreakAndAmpersandOnOneLine();
    void graduatedRotatedFaceFollowsTheRows();
    void outOfRangeInputPaints_data();
    void outOfRangeInputPaints();
};

void TestEffectLabelRotated::rotatedGeometry_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QList<QPoint>>("copies");
    QTest::addColumn<QPolygon>("background");
    QTest::addColumn<BandRegion>("vertical");
    QTest::addColumn<BandRegion>("horizontal");

    // A = 100, B = 20, c = 112 / 2 = 56; a fresh label's effect: lo -1, hi 1, spread 2. The
    // copies are the shadow, the highlight and the face, in drawing order.
    QTest::newRow("90") << Rotated(90) << QList<QPoint>{{48, 108}, {46, 106}, {47, 107}}
                        << Polygon({{49, 113}, {49, 9}, {73, 9}, {73, 113}}) << Region(0, 9, 104)
                        << Region(49, 0, 24);
    QTest::newRow("180 upside down from the cell's bottom-right")
        << Rotated(180) << QList<QPoint>{{108, 68}, {106, 66}, {107, 67}}
        << Polygon({{113, 73}, {9, 73}, {9, 49}, {113, 49}}) << Region(0, 49, 24)
        << Region(9, 0, 104);
    QTest::newRow("270") << Rotated(270) << QList<QPoint>{{68, 8}, {66, 6}, {67, 7}}
                         << Polygon({{73, 9}, {73, 113}, {49, 113}, {49, 9}}) << Region(0, 9, 104)
                         << Region(49, 0, 24);
    // 52 × 0.707 = 36.77 truncates to 36, not 37.
    QTest::newRow("45 truncates") << Rotated(45) << QList<QPoint>{{16, 86}, {14, 84}, {15, 85}}
                                  << Polygon({{17, 89}, {89, 17}, {105, 33}, {33, 105}})
                                  << Region(0, 17, 88) << Region(17, 0, 88);
    // -35.36 truncates toward zero to -35, not -36.
    QTest::newRow("135 truncates toward zero")
        << Rotated(135) << QList<QPoint>{{86, 100}, {84, 98}, {85, 99}}
        << Polygon({{89, 105}, {17, 33}, {33, 17}, {105, 89}}) << Region(0, 17, 88)
        << Region(17, 0, 88);
    // lo 0, hi 2: the face is not shifted, the shape grows by hi + lo = 2.
    const Setup shadowStyle = [](EffectLabelModel &label) {
        label.SetEffectStyle(esShadow);
        label.SetAngle(90);
    };
    QTest::newRow("90 esShadow") << shadowStyle << QList<QPoint>{{48, 108}, {46, 106}, {46, 106}}
                                 << Polygon({{48, 114}, {48, 8}, {74, 8}, {74, 114}})
                                 << Region(0, 8, 106) << Region(48, 0, 26);
    // lo -1, hi 3, spread 4: the centre moves by (4 + 4) / 2, the sides grow by hi + lo = 2.
    const Setup downAndUp = [](EffectLabelModel &label) {
        label.SetDirectionShadow(edDown);
        label.SetDepthShadow(3);
        label.SetDirectionHighlight(edUp);
        label.SetAngle(90);
    };
    QTest::newRow("90 shadow down 3, highlight up 1")
        << downAndUp << QList<QPoint>{{47, 110}, {47, 106}, {47, 107}}
        << Polygon({{49, 115}, {49, 9}, {75, 9}, {75, 115}}) << Region(0, 9, 106)
        << Region(49, 0, 26);
}

void TestEffectLabelRotated::rotatedGeometry()
{
    QFETCH(Setup, setup);
    QFETCH(QList<QPoint>, copies);
    QFETCH(QPolygon, background);
    QFETCH(BandRegion, vertical);
    QFETCH(BandRegion, horizontal);

    EffectLabelModel label;
    label.SetCaption(QStringLiteral("ABCDEFGHIJ"));
    setup(label);
    label.SetTransparent(false);
    label.SetColor(clSilver);

    const std::vector<SurfaceCall> calls = Record(label);
    QCOMPARE(TextPoints(calls), copies);
    for (const QString &text : Texts(calls)) {
        QCOMPARE(text, label.Caption());
    }
    const std::vector<SurfaceCall> shapes = OfKind(calls, SurfaceCall::FillPolygon);
    QCOMPARE(shapes.size(), std::size_t{1});
    QCOMPARE(shapes.front().polygon, background);
    QCOMPARE(shapes.front().colour, QColor(192, 192, 192));
    QVERIFY(OfKind(calls, SurfaceCall::FillRect).empty());

    QCOMPARE(RecordedBands(label, goVertical), vertical);
    QCOMPARE(RecordedBands(label, goHorizontal), horizontal);
}

void TestEffectLabelRotated::rotatedFontOnBothImages_data()
{
    QTest::addColumn<int>("angle");
    QTest::addColumn<int>("escapement");
    QTest::newRow("1") << 1 << 10;
    QTest::newRow("90") << 90 << 900;
    QTest::newRow("360") << 360 << 3600;
}

void TestEffectLabelRotated::rotatedFontOnBothImages()
{
    QFETCH(int, angle);
    QFETCH(int, escapement);

    EffectLabelModel label;
    label.SetCaption(QStringLiteral("Ортус"));
    label.SetFontStyle(fsBold | fsItalic);
    label.SetAngle(static_cast<TAngleRange>(angle));
    const std::vector<SurfaceCall> calls = Record(label);

    // The images first get the label's font, then the turned one, before anything is drawn.
    std::vector<SurfaceCall> fonts;
    for (const SurfaceCall &call : calls) {
        if (call.kind == SurfaceCall::SetFont) {
            fonts.push_back(call);
        } else {
            QCOMPARE(fonts.size(), std::size_t{4});
        }
    }
    QCOMPARE(fonts.size(), std::size_t{4});
    QCOMPARE(fonts[2].image, PaintImage::Work);
    QCOMPARE(fonts[3].image, PaintImage::Mask);
    for (const SurfaceCall &call : {fonts[2], fonts[3]}) {
        QCOMPARE(call.escapement, escapement);
        QCOMPARE(call.font.pixelSize(), 27);
        QCOMPARE(call.font.family(), QStringLiteral("Times New Roman"));
        QVERIFY(call.font.bold());
        QVERIFY(call.font.italic());
        QVERIFY(call.font.styleStrategy() & QFont::NoAntialias);
        QVERIFY(call.font.styleStrategy() & QFont::ForceOutline);
    }
}

void TestEffectLabelRotated::rotatedFontIsAnOutlineFace()
{
    // "MS Sans Serif" is a bitmap face where the program was first written.
    EffectLabelModel label;
    label.SetFontName(QStringLiteral("MS Sans Serif"));
    label.SetFontHeight(11);
    label.SetAngle(30);
    const std::vector<SurfaceCall> fonts = OfKind(Record(label), SurfaceCall::SetFont);
    const QFontInfo face(fonts.back().font);
    QVERIFY2(QFontDatabase::isSmoothlyScalable(face.family(), face.styleName()),
             qPrintable(face.family()));
}

void TestEffectLabelRotated::uprightGeometry_data()
{
    QTest::addColumn<int>("angle");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QList<QPoint>>("faces");
    QTest::addColumn<QPolygon>("background");
    QTest::addColumn<BandRegion>("vertical");
    QTest::addColumn<BandRegion>("horizontal");

    // Letters 10 pixels wide ("W" 16), lines 20 high, lo -1, spread 2: boxes grow by 6.
    const QString abc = QStringLiteral("ABC");
    QTest::newRow("90 one above the other")
        << 90 << abc << QList<QPoint>{{11, 51}, {11, 31}, {11, 11}}
        << Polygon({{8, 48}, {8, 8}, {24, 8}, {24, 34}, {24, 74}, {8, 74}}) << Region(0, 8, 66)
        << Region(8, 0, 16);
    QTest::newRow("180 right to left")
        << 180 << abc << QList<QPoint>{{31, 11}, {21, 11}, {11, 11}}
        << Polygon({{44, 8}, {24, 8}, {8, 8}, {8, 34}, {28, 34}, {44, 34}}) << Region(0, 8, 26)
        << Region(8, 0, 36);
    // Spaced by the widths of the letters before: "W" is 16, "Wi" 20; the boxes by their own.
    QTest::newRow("180 letters of their own widths")
        << 180 << QStringLiteral("WiA") << QList<QPoint>{{31, 11}, {15, 11}, {11, 11}}
        << Polygon({{50, 8}, {24, 8}, {8, 8}, {8, 34}, {28, 34}, {50, 34}}) << Region(0, 8, 26)
        << Region(8, 0, 42);
    // D = 10 + 20 = 30; 30 × 0.707 = 21.2 and 15 × 0.707 = 10.6 round to 21 and 11.
    QTest::newRow("45 range 1 to 90")
        << 45 << abc << QList<QPoint>{{11, 32}, {22, 21}, {32, 11}}
        << Polygon({{8, 29}, {29, 8}, {45, 8}, {45, 34}, {24, 55}, {8, 55}}) << Region(0, 8, 47)
        << Region(8, 0, 37);
    QTest::newRow("135 range 91 to 180")
        << 135 << abc << QList<QPoint>{{32, 32}, {21, 21}, {11, 11}}
        << Polygon({{45, 29}, {24, 8}, {8, 8}, {8, 34}, {29, 55}, {45, 55}}) << Region(0, 8, 47)
        << Region(8, 0, 37);
    QTest::newRow("225 range 181 to 270")
        << 225 << abc << QList<QPoint>{{32, 11}, {21, 22}, {11, 32}}
        << Polygon({{29, 8}, {8, 29}, {8, 55}, {24, 55}, {45, 34}, {45, 8}}) << Region(0, 8, 47)
        << Region(8, 0, 37);
    QTest::newRow("270 one below the other")
        << 270 << abc << QList<QPoint>{{11, 11}, {11, 31}, {11, 51}}
        << Polygon({{8, 8}, {8, 48}, {8, 74}, {24, 74}, {24, 34}, {24, 8}}) << Region(0, 8, 66)
        << Region(8, 0, 16);
    QTest::newRow("315 range 271 to 360")
        << 315 << abc << QList<QPoint>{{11, 11}, {22, 22}, {32, 32}}
        << Polygon({{24, 8}, {45, 29}, {45, 55}, {29, 55}, {8, 34}, {8, 8}}) << Region(0, 8, 47)
        << Region(8, 0, 37);
    QTest::newRow("360 left to right")
        << 360 << abc << QList<QPoint>{{11, 11}, {21, 11}, {31, 11}}
        << Polygon({{24, 8}, {44, 8}, {44, 34}, {28, 34}, {8, 34}, {8, 8}}) << Region(0, 8, 26)
        << Region(8, 0, 36);
}

void TestEffectLabelRotated::uprightGeometry()
{
    QFETCH(int, angle);
    QFETCH(QString, caption);
    QFETCH(QList<QPoint>, faces);
    QFETCH(QPolygon, background);
    QFETCH(BandRegion, vertical);
    QFETCH(BandRegion, horizontal);

    EffectLabelModel label;
    label.SetCaption(caption);
    Upright(angle)(label);
    label.SetTransparent(false);

    // Shadow copies one pixel down-right of the faces, highlight copies one up-left.
    QList<QPoint> copies;
    for (const QPoint &face : faces) {
        copies << face + QPoint(1, 1);
    }
    for (const QPoint &face : faces) {
        copies << face - QPoint(1, 1);
    }
    copies << faces;
    const std::vector<SurfaceCall> calls = Record(label);
    QCOMPARE(TextPoints(calls), copies);
    const QStringList letters = caption.split(QString(), Qt::SkipEmptyParts);
    QCOMPARE(Texts(calls), letters + letters + letters);

    const std::vector<SurfaceCall> shapes = OfKind(calls, SurfaceCall::FillPolygon);
    QCOMPARE(shapes.size(), std::size_t{1});
    QCOMPARE(shapes.front().polygon, background);

    QCOMPARE(RecordedBands(label, goVertical), vertical);
    QCOMPARE(RecordedBands(label, goHorizontal), horizontal);
}

void TestEffectLabelRotated::uprightKeepsTheLabelFont()
{
    EffectLabelModel label;
    label.SetCaption(QStringLiteral("Ортус"));
    Upright(90)(label);
    // The label's own font, once on each image.
    const std::vector<SurfaceCall> calls = Record(label);
    for (const PaintImage image : {PaintImage::Work, PaintImage::Mask}) {
        const std::vector<SurfaceCall> fonts = OfKind(calls, SurfaceCall::SetFont, image);
        QCOMPARE(fonts.size(), std::size_t{1});
        QCOMPARE(fonts.front().escapement, 0);
    }
}

void TestEffectLabelRotated::captionIsOneLineOfCharacters_data()
{
    QTest::addColumn<Setup>("layout");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("faceTexts");

    const QString mixed = QStringLiteral("Да\n&Нет\t&&");
    const QString longCaption = QString(300, u'Ж');
    QTest::newRow("rotated, line break, tab, ampersands")
        << Rotated(90) << mixed << QStringList{mixed};
    QTest::newRow("rotated, 300 characters uncut")
        << Rotated(30) << longCaption << QStringList{longCaption};
    QTest::newRow("upright, line break, tab, ampersands")
        << Upright(90) << mixed
        << QStringList{QStringLiteral("Д"), QStringLiteral("а"),  QStringLiteral("\n"),
                       QStringLiteral("&"), QStringLiteral("Н"),  QStringLiteral("е"),
                       QStringLiteral("т"), QStringLiteral("\t"), QStringLiteral("&"),
                       QStringLiteral("&")};
}

void TestEffectLabelRotated::captionIsOneLineOfCharacters()
{
    QFETCH(Setup, layout);
    QFETCH(QString, caption);
    QFETCH(QStringList, faceTexts);

    EffectLabelModel label;
    label.SetCaption(caption);
    label.SetEffectStyle(esNone);
    layout(label);
    const std::vector<SurfaceCall> calls = Record(label);
    QVERIFY(OfKind(calls, SurfaceCall::TextInRect).empty());
    // esNone still draws one copy of each layer beneath the face.
    QCOMPARE(Texts(calls), faceTexts + faceTexts + faceTexts);
}

void TestEffectLabelRotated::emptyCaptionDrawsNoTextButTheShape_data()
{
    QTest::addColumn<Setup>("layout");
    QTest::addColumn<int>("corners");
    QTest::newRow("rotated") << Rotated(45) << 4;
    QTest::newRow("upright letters") << Upright(90) << 6;
}

void TestEffectLabelRotated::emptyCaptionDrawsNoTextButTheShape()
{
    QFETCH(Setup, layout);
    QFETCH(int, corners);

    EffectLabelModel label;
    label.SetCaption(QString());
    layout(label);
    label.SetTransparent(false);
    label.SetColor(clYellow);
    label.SetGraduateFace(goVertical);
    const std::vector<SurfaceCall> calls = Record(label);
    QVERIFY(OfKind(calls, SurfaceCall::TextAt).empty());
    QVERIFY(OfKind(calls, SurfaceCall::TextAt, PaintImage::Mask).empty());
    const std::vector<SurfaceCall> shapes = OfKind(calls, SurfaceCall::FillPolygon);
    QCOMPARE(shapes.size(), std::size_t{1});
    QCOMPARE(shapes.front().polygon.size(), corners);
    QCOMPARE(shapes.front().colour, QColor(255, 255, 0));
}

void TestEffectLabelRotated::keepLettersVerticalAtAngleZeroIsFlat()
{
    EffectLabelModel flat;
    flat.SetCaption(QStringLiteral("Ортус & 2000"));
    flat.SetGraduateFace(goHorizontal);
    flat.SetTransparent(false);
    EffectLabelModel upright;
    upright.SetCaption(flat.Caption());
    upright.SetGraduateFace(goHorizontal);
    upright.SetTransparent(false);
    upright.SetKeepLettersVertical(true);

    const std::vector<SurfaceCall> expected = Record(flat);
    const std::vector<SurfaceCall> actual = Record(upright);
    QCOMPARE(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        QCOMPARE(actual[i].kind, expected[i].kind);
        QCOMPARE(actual[i].image, expected[i].image);
        QCOMPARE(actual[i].rect, expected[i].rect);
        QCOMPARE(actual[i].text, expected[i].text);
        QCOMPARE(actual[i].flags, expected[i].flags);
        QCOMPARE(actual[i].colour, expected[i].colour);
        QCOMPARE(actual[i].escapement, 0);
    }
    QVERIFY(OfKind(actual, SurfaceCall::TextAt).empty());
}

void TestEffectLabelRotated::textLandsInItsTurnedCell_data()
{
    QTest::addColumn<Setup>("layout");
    QTest::addColumn<int>("angle");
    QTest::addColumn<bool>("upright");
    for (const int angle : {30, 90, 135, 180, 270, 330}) {
        QTest::addRow("rotated %d", angle) << Rotated(angle) << angle << false;
    }
    for (const int angle : {45, 90, 180, 300}) {
        QTest::addRow("upright %d", angle) << Upright(angle) << angle << true;
    }
}

void TestEffectLabelRotated::textLandsInItsTurnedCell()
{
    QFETCH(Setup, layout);
    QFETCH(int, angle);
    QFETCH(bool, upright);

    EffectLabelModel label;
    label.SetCaption(QStringLiteral("Ортус 2000"));
    UseFont(label, 20);
    FaceOnly(label, clRed);
    layout(label);
    label.SetTransparent(false);
    label.SetColor(clWhite);

    const QSize size(220, 220);
    const QColor background(0, 128, 0);
    const QImage image = Paint(label, size, background);
    QVERIFY(!image.isNull());

    // Text at a point in the recorded places, each letter (or the whole caption) a cell of its
    // advance by the line height, turned counter-clockwise about its top-left corner.
    const std::vector<SurfaceCall> calls = RecordMeasured(label, size);
    const std::vector<SurfaceCall> faces = OfKind(calls, SurfaceCall::TextAt);
    const std::vector<SurfaceCall> shapes = OfKind(calls, SurfaceCall::FillPolygon);
    QCOMPARE(shapes.size(), std::size_t{1});
    const QFontMetrics metrics(OfKind(calls, SurfaceCall::SetFont).back().font);
    QList<QPair<QTransform, QSizeF>> cells;
    for (std::size_t i = faces.size() - faces.size() / 3; i < faces.size(); ++i) {
        QTransform frame;
        frame.translate(faces[i].point.x(), faces[i].point.y());
        frame.rotate(upright ? 0 : -angle);
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
    // The shape's outline passes its corners, and the background far from it is untouched.
    for (const QPoint &corner : shapes.front().polygon) {
        if (!image.rect().contains(corner)) {
            continue;
        }
        int outline = 0;
        for (int y = corner.y() - 1; y <= corner.y() + 1; ++y) {
            for (int x = corner.x() - 1; x <= corner.x() + 1; ++x) {
                outline += image.valid(x, y) && image.pixel(x, y) == qRgb(0, 0, 0) ? 1 : 0;
            }
        }
        QVERIFY(outline > 0);
    }
    QCOMPARE(image.pixelColor(size.width() - 1, size.height() - 1), background);
}

void TestEffectLabelRotated::emptyCaptionPaintsTheShape_data()
{
    QTest::addColumn<Setup>("layout");
    QTest::newRow("rotated 45") << Rotated(45);
    QTest::newRow("rotated 180") << Rotated(180);
    QTest::newRow("upright letters 90") << Upright(90);
}

void TestEffectLabelRotated::emptyCaptionPaintsTheShape()
{
    QFETCH(Setup, layout);

    EffectLabelModel label;
    label.SetCaption(QString());
    UseFont(label, 20);
    layout(label);
    label.SetTransparent(false);
    label.SetColor(clYellow);
    label.SetGraduateFace(goHorizontal);

    const QSize size(120, 120);
    const QColor background(0, 0, 128);
    const QImage image = Paint(label, size, background);
    const QList<QPoint> filled = PixelsOf(image, Qt::yellow);
    QVERIFY(filled.size() > 20);
    const QList<QPoint> outline = PixelsOf(image, Qt::black);
    QVERIFY(outline.size() > 20);
    // Inside the outline, nothing but the fill: no text, no face.
    QCOMPARE(filled.size() + outline.size() + PixelsOf(image, background).size(),
             size.width() * size.height());
    QVERIFY(Bounds(outline).contains(Bounds(filled)));
    QCOMPARE(image.pixelColor(size.width() - 1, size.height() - 1), background);
}

void TestEffectLabelRotated::keepLettersVerticalAtAngleZeroDrawsFlat_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::newRow("fresh") << Setup([](EffectLabelModel &) {});
    QTest::newRow("opaque, centred, graduated") << Setup([](EffectLabelModel &label) {
        label.SetTransparent(false);
        label.SetColor(clSilver);
        label.SetAlignment(taCenter);
        label.SetGraduateFrom(clYellow);
        label.SetGraduateFace(goVertical);
    });
    QTest::newRow("turned and back") << Setup([](EffectLabelModel &label) {
        label.SetAngle(90);
        label.SetAngle(0);
        label.SetEffectStyle(esFlying);
    });
}

void TestEffectLabelRotated::keepLettersVerticalAtAngleZeroDrawsFlat()
{
    QFETCH(Setup, setup);

    EffectLabelModel flat;
    flat.SetCaption(QStringLiteral("Да &и нет\nи так"));
    UseFont(flat, 20);
    setup(flat);
    EffectLabelModel upright;
    upright.SetCaption(flat.Caption());
    UseFont(upright, 20);
    setup(upright);
    upright.SetKeepLettersVertical(true);

    const QSize size(160, 60);
    const QImage expected = Paint(flat, size, QColor(40, 90, 160));
    QCOMPARE(Paint(upright, size, QColor(40, 90, 160)), expected);
}

void TestEffectLabelRotated::lineBreakAndAmpersandOnOneLine_data()
{
    QTest::addColumn<Setup>("layout");
    QTest::addColumn<bool>("level");
    QTest::newRow("rotated 180") << Rotated(180) << true;
    QTest::newRow("rotated 90") << Rotated(90) << false;
    QTest::newRow("upright 180") << Upright(180) << true;
    QTest::newRow("upright 90") << Upright(90) << false;
}

void TestEffectLabelRotated::lineBreakAndAmpersandOnOneLine()
{
    QFETCH(Setup, layout);
    QFETCH(bool, level);

    auto inkOf = [&layout](const QString &caption) {
        EffectLabelModel label;
        label.SetCaption(caption);
        UseFont(label, 20);
        FaceOnly(label, clRed);
        layout(label);
        return Bounds(PixelsOf(Paint(label, QSize(240, 240), Qt::white), Qt::red));
    };
    const QRect withAmpersand = inkOf(QStringLiteral("Да\n&Нет"));
    const QRect without = inkOf(QStringLiteral("Да\nНет"));
    const QRect ampersand = inkOf(QStringLiteral("&"));
    QVERIFY(!ampersand.isEmpty());

    // Across the line the ink stays within one line; along it the ampersand adds its width.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(20);
    const int lineHeight = QFontMetrics(font).height();
    const int across = level ? withAmpersand.height() : withAmpersand.width();
    QVERIFY2(across <= lineHeight, qPrintable(QString::number(across)));
    const int along = level ? withAmpersand.width() : withAmpersand.height();
    const int alongWithout = level ? without.width() : without.height();
    const int ampersandWidth = level ? ampersand.width() : ampersand.height();
    QVERIFY2(
        along >= alongWithout + ampersandWidth,
        qPrintable(QStringLiteral("%1 %2 %3").arg(along).arg(alongWithout).arg(ampersandWidth)));
}

void TestEffectLabelRotated::graduatedRotatedFaceFollowsTheRows()
{
    // Text running upward at 90 degrees, graded from top to bottom of the turned background; the
    // highlight lies beneath the face.
    EffectLabelModel label;
    label.SetCaption(QStringLiteral("Градиент"));
    UseFont(label, 20);
    FaceOnly(label, RgbColour(0, 0, 255));
    label.SetColourHighlight(clLime);
    label.SetGraduateFrom(clBlack);
    label.SetGraduateFace(goVertical);
    label.SetAngle(90);
    const QSize size(160, 160);
    const QColor background(Qt::white);
    const QImage image = Paint(label, size, background);

    const std::vector<SurfaceCall> bands =
        OfKind(RecordMeasured(label, size), SurfaceCall::MaskedCopy);
    QVERIFY(bands.size() > 50);
    const int top = bands.front().rect.top();
    const int extent = static_cast<int>(bands.size()) - 1;
    int faces = 0;
    int outside = 0;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel == background) {
                continue;
            }
            // Every face pixel in the band region has its row's colour, none the marker.
            // The turned cell reaches past the region's top: there the layer beneath shows.
            if (y < top || y > top + extent) {
                QCOMPARE(pixel, QColor(0, 255, 0));
                ++outside;
                continue;
            }
            const int blue = static_cast<int>(std::nearbyint(255.0 / extent * (y - top)));
            QCOMPARE(pixel, QColor(0, 0, blue));
            ++faces;
        }
    }
    QVERIFY(faces > 200);
    QVERIFY(outside < faces / 10);
}

void TestEffectLabelRotated::outOfRangeInputPaints_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QSize>("size");
    QTest::newRow("rotated in a 1 × 1 label") << Rotated(90) << QSize(1, 1);
    QTest::newRow("upright in a 1 × 1 label") << Upright(90) << QSize(1, 1);
    QTest::newRow("rotated beyond 360") << Rotated(1000) << QSize(80, 80);
    QTest::newRow("upright beyond 360") << Upright(1000) << QSize(80, 80);
    QTest::newRow("deep layers, long caption") << Setup([](EffectLabelModel &label) {
        label.SetCaption(QString(2000, u'Ш'));
        label.SetDepthShadow(10);
        label.SetStyleShadow(eoGraduated);
        label.SetStyleHighlight(eoReal);
        label.SetGraduateFace(goHorizontal);
        label.SetAngle(200);
        label.SetKeepLettersVertical(true);
    }) << QSize(120, 90);
}

void TestEffectLabelRotated::outOfRangeInputPaints()
{
    QFETCH(Setup, setup);
    QFETCH(QSize, size);

    EffectLabelModel label;
    label.SetCaption(QStringLiteral("Ортус"));
    label.SetTransparent(false);
    setup(label);
    const QImage image = Paint(label, size, Qt::white);
    QCOMPARE(image.size(), size);
}

QTEST_MAIN(TestEffectLabelRotated)
#include "tst_effectlabelrotated.moc"
