#include "effectlabel/effectlabelpaint.h"
#include "support/recordingsurface.h"

#include <QtTest>

#include <functional>

namespace {

using Setup = std::function<void(EffectLabelModel &)>;

// A label of the main window's answer size unless a test needs another.
constexpr QSize LabelSize(200, 40);

// The paint of a label as recorded, every character 10 pixels wide and every line `lineHeight`
// pixels high.
std::vector<SurfaceCall> Record(const EffectLabelModel &label, int lineHeight = 21)
{
    RecordingPaintSurface surface;
    surface.measureWidth = [](const QFont &, const QString &text) {
        return 10 * static_cast<int>(text.size());
    };
    surface.measureHeight = [lineHeight](const QFont &, const QString &) {
        return lineHeight;
    };
    PaintEffectLabel(label, LabelSize, surface);
    return surface.Calls();
}

// The same for a label with the caption "Ответ" after `setup`.
std::vector<SurfaceCall> RecordCaption(const Setup &setup, int lineHeight = 21)
{
    EffectLabelModel label;
    label.SetCaption(QStringLiteral("Ответ"));
    setup(label);
    return Record(label, lineHeight);
}

std::vector<SurfaceCall> OfKind(const std::vector<SurfaceCall> &calls, SurfaceCall::Kind kind)
{
    std::vector<SurfaceCall> result;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(result),
                 [kind](const SurfaceCall &call) { return call.kind == kind; });
    return result;
}

// The corners and colours of the formatted texts, in drawing order.
QList<QPoint> TextCorners(const std::vector<SurfaceCall> &calls)
{
    QList<QPoint> corners;
    for (const SurfaceCall &call : OfKind(calls, SurfaceCall::TextInRect)) {
        corners << call.rect.topLeft();
    }
    return corners;
}

QList<QColor> TextColours(const std::vector<SurfaceCall> &calls)
{
    QList<QColor> colours;
    for (const SurfaceCall &call : OfKind(calls, SurfaceCall::TextInRect)) {
        colours << call.colour;
    }
    return colours;
}

QColor Grey(int level)
{
    return QColor(level, level, level);
}

// A label whose highlight is one copy under the face at (0, 0), so the copies of the shadow
// layer fall at their offsets exactly (lo is 0).
Setup ShadowOnly(TEffectOption style, int depth)
{
    return [style, depth](EffectLabelModel &label) {
        label.SetDirectionHighlight(edNone);
        label.SetDepthHighlight(0);
        label.SetDirectionShadow(edDownRight);
        label.SetDepthShadow(static_cast<TEffectDepth>(depth));
        label.SetStyleShadow(style);
    };
}

// An image in Format_RGB32 of the given width, its pixels row by row.
QImage Pixels(int width, std::initializer_list<QRgb> pixels)
{
    QImage image(width, static_cast<int>(pixels.size()) / width, QImage::Format_RGB32);
    int i = 0;
    for (const QRgb pixel : pixels) {
        image.setPixel(i % width, i / width, pixel);
        ++i;
    }
    return image;
}

} // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(EffectOffsets)
Q_DECLARE_METATYPE(BandRegion)
Q_DECLARE_METATYPE(TAlignment)
Q_DECLARE_METATYPE(TGraduateOption)

class TestEffectLabelPaint : public QObject {
    Q_OBJECT

private slots:
    void stepColourRoundsHalfToEven();
    void directionOffsets();

    void layers_data();
    void layers();
    void drawingOrder_data();
    void drawingOrder();

    void longCaptionIsCut();

    void graduatedFace_data();
    void graduatedFace();
    void graduatedNoBand_data();
    void graduatedNoBand();

    void outOfRangeValuesPaint();

    void pixelPasses();
    void imageSurfaceClipsCopies();
};

void TestEffectLabelPaint::stepColourRoundsHalfToEven()
{
    // Steps of 12.75: index 2 gives 25.5, index 6 gives 76.5.
    const ColourChannels start{0, 0, 0};
    const ColourSteps steps = ColourStepsBetween(start, {255, 0, 255}, 20);
    QCOMPARE(SplitColour(StepColour(start, steps, 2)).Red, 26);
    QCOMPARE(SplitColour(StepColour(start, steps, 6)).Red, 76);
    QCOMPARE(SplitColour(StepColour(start, steps, 10)).Blue, 128);
    // Counting down: from 255 by -12.75.
    const ColourSteps down = ColourStepsBetween({255, 255, 255}, {0, 0, 0}, 20);
    QCOMPARE(SplitColour(StepColour({255, 255, 255}, down, 2)).Green, 255 - 26);
    QCOMPARE(SplitColour(StepColour({255, 255, 255}, down, 20)), (ColourChannels{0, 0, 0}));
}

void TestEffectLabelPaint::directionOffsets()
{
    const QPoint expected[] = {{0, 0}, {0, -1}, {1, -1}, {1, 0},  {1, 1},
                               {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}};
    for (int direction = edNone; direction <= edUpLeft; ++direction) {
        QCOMPARE(DirectionOffset(static_cast<TEffectDirection>(direction)), expected[direction]);
    }
    QCOMPARE(DirectionOffset(static_cast<TEffectDirection>(77)), QPoint(0, 0));
}

void TestEffectLabelPaint::layers_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<EffectOffsets>("offsets");
    QTest::addColumn<QList<QPoint>>("corners"); // shadow copies, highlight copies, face
    QTest::addColumn<QList<QColor>>("colours");

    const QColor black = Grey(0);
    const QColor white = Grey(255);
    const QColor grey = Grey(128);
    const QList<QColor> raised{black, white, grey};
    QTest::newRow("fresh, left") << Setup([](EffectLabelModel &) {}) << EffectOffsets{-1, 1, 2, 0}
                                 << QList<QPoint>{{2, 2}, {0, 0}, {1, 1}} << raised;
    QTest::newRow("fresh, right") << Setup([](EffectLabelModel &l) {
        l.SetAlignment(taRightJustify);
    }) << EffectOffsets{-1, 1, 2, 2}
                                  << QList<QPoint>{{0, 2}, {-2, 0}, {-1, 1}} << raised;
    QTest::newRow("centred, odd spread truncates") << Setup([](EffectLabelModel &l) {
        l.SetAlignment(taCenter);
        l.SetDepthShadow(2);
    }) << EffectOffsets{-1, 2, 3, 1} << QList<QPoint>{{2, 3}, {-1, 0}, {0, 1}}
                                                   << raised;
    QTest::newRow("shadow down 3, highlight up 1") << Setup([](EffectLabelModel &l) {
        l.SetDirectionShadow(edDown);
        l.SetDepthShadow(3);
        l.SetDirectionHighlight(edUp);
    }) << EffectOffsets{-1, 3, 4, 0} << QList<QPoint>{{1, 4}, {1, 0}, {1, 1}}
                                                   << raised;
    QTest::newRow("both layers up-left") << Setup([](EffectLabelModel &l) {
        l.SetDirectionShadow(edUpLeft);
        l.SetDepthShadow(4);
    }) << EffectOffsets{-4, 0, 4, 0} << QList<QPoint>{{0, 0}, {3, 3}, {4, 4}}
                                         << raised;
    // From here on the highlight is one copy under the face, and the layer styles differ.
    QTest::newRow("esShadow: normal, depth 2")
        << Setup([](EffectLabelModel &l) { l.SetEffectStyle(esShadow); })
        << EffectOffsets{0, 2, 2, 0} << QList<QPoint>{{2, 2}, {0, 0}, {0, 0}} << raised;
    QTest::newRow("normal, depth 0") << ShadowOnly(eoNormal, 0) << EffectOffsets{0, 0, 0, 0}
                                     << QList<QPoint>{{0, 0}, {0, 0}, {0, 0}} << raised;
    QTest::newRow("extrude, depth 3") << ShadowOnly(eoExtrude, 3) << EffectOffsets{0, 3, 3, 0}
                                      << QList<QPoint>{{3, 3}, {2, 2}, {1, 1}, {0, 0}, {0, 0}}
                                      << QList<QColor>{black, black, black, white, grey};
    QTest::newRow("graduated, depth 1") << ShadowOnly(eoGraduated, 1) << EffectOffsets{0, 1, 1, 0}
                                        << QList<QPoint>{{1, 1}, {0, 0}, {0, 0}} << raised;
    QTest::newRow("graduated, depth 3") << ShadowOnly(eoGraduated, 3) << EffectOffsets{0, 3, 3, 0}
                                        << QList<QPoint>{{3, 3}, {2, 2}, {1, 1}, {0, 0}, {0, 0}}
                                        << QList<QColor>{black, Grey(64), grey, white, grey};
    QTest::newRow("graduated, to a system font colour split raw")
        << Setup([](EffectLabelModel &l) {
               ShadowOnly(eoGraduated, 3)(l);
               l.SetColourShadow(RgbColour(0, 0, 100));
               l.SetFontColor(clWindowText);
           })
        << EffectOffsets{0, 3, 3, 0} << QList<QPoint>{{3, 3}, {2, 2}, {1, 1}, {0, 0}, {0, 0}}
        << QList<QColor>{QColor(0, 0, 100), QColor(4, 0, 50), QColor(8, 0, 0), white,
                         QGuiApplication::palette().color(QPalette::WindowText)};
}

void TestEffectLabelPaint::layers()
{
    QFETCH(Setup, setup);
    QFETCH(EffectOffsets, offsets);
    QFETCH(QList<QPoint>, corners);
    QFETCH(QList<QColor>, colours);

    EffectLabelModel label;
    label.SetCaption(QStringLiteral("&Да\tи && нет"));
    setup(label);
    QCOMPARE(ComputeEffectOffsets(label), offsets);

    const std::vector<SurfaceCall> calls = Record(label);
    QCOMPARE(TextCorners(calls), corners);
    QCOMPARE(TextColours(calls), colours);
    // Formatted text in the label's rectangle, aligned, broken between words, tabs expanded, "&"
    // marking the mnemonic.
    const int align[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter};
    for (const SurfaceCall &call : OfKind(calls, SurfaceCall::TextInRect)) {
        QCOMPARE(call.image, PaintImage::Work);
        QCOMPARE(call.rect.size(), LabelSize);
        QCOMPARE(call.text, label.Caption());
        QCOMPARE(call.flags, align[label.Alignment()] | Qt::AlignTop | Qt::TextWordWrap |
                                 Qt::TextExpandTabs | Qt::TextShowMnemonic);
    }
    // Transparent, no real layer: nothing but text is drawn.
    QCOMPARE(OfKind(calls, SurfaceCall::FillRect).size(), std::size_t(0));
    QCOMPARE(OfKind(calls, SurfaceCall::Translucent).size(), std::size_t(0));
}

void TestEffectLabelPaint::drawingOrder_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QStringList>("calls");
    const QString button = QGuiApplication::palette().color(QPalette::Button).name();
    QTest::newRow("opaque: the background first, over the whole label")
        << Setup([](EffectLabelModel &l) { l.SetTransparent(false); })
        << QStringList{"fill work " + button + " QRect(0,0 200x40)", "text work #000000",
                       "text work #ffffff", "text work #808080"};
    // Real copies are black on the mask whatever the layer's colour. The highlight whitens the
    // mask first: a real shadow may have left its glyphs there.
    QTest::newRow("real highlight")
        << Setup([](EffectLabelModel &l) { l.SetStyleHighlight(eoReal); })
        << QStringList{"text work #000000", "fill mask #ffffff QRect(0,0 200x40)",
                       "text mask #000000", "highlight pass", "text work #808080"};
    QTest::newRow("both real") << Setup([](EffectLabelModel &l) {
        l.SetStyleShadow(eoReal);
        l.SetDepthShadow(4);
        l.SetColourShadow(clRed);
        l.SetStyleHighlight(eoReal);
    }) << QStringList{"text mask #000000", "shadow pass",    "fill mask #ffffff QRect(0,0 200x40)",
                      "text mask #000000", "highlight pass", "text work #808080"};
}

void TestEffectLabelPaint::drawingOrder()
{
    QFETCH(Setup, setup);
    QFETCH(QStringList, calls);
    QStringList seen;
    for (const SurfaceCall &call : RecordCaption(setup)) {
        const QString image = call.image == PaintImage::Work ? "work" : "mask";
        QString rect;
        QDebug(&rect).nospace() << call.rect;
        if (call.kind == SurfaceCall::FillRect) {
            seen << "fill " + image + ' ' + call.colour.name() + ' ' + rect;
        } else if (call.kind == SurfaceCall::TextInRect) {
            seen << "text " + image + ' ' + call.colour.name();
        } else if (call.kind == SurfaceCall::Translucent) {
            seen << (call.layer == TranslucentLayer::Shadow ? "shadow pass" : "highlight pass");
        } else if (call.kind != SurfaceCall::SetFont) {
            seen << QString::number(call.kind);
        }
    }
    QCOMPARE(seen, calls);
}

void TestEffectLabelPaint::longCaptionIsCut()
{
    EffectLabelModel label;
    QString caption;
    for (int i = 0; i < 300; ++i) {
        caption += QChar(u'а' + i % 32);
    }
    label.SetCaption(caption);
    const auto texts = OfKind(Record(label), SurfaceCall::TextInRect);
    QCOMPARE(texts.size(), std::size_t(3));
    for (const SurfaceCall &call : texts) {
        QCOMPARE(call.text, caption.left(255));
    }
}

void TestEffectLabelPaint::graduatedFace_data()
{
    QTest::addColumn<TGraduateOption>("graduate");
    QTest::addColumn<TAlignment>("alignment");
    QTest::addColumn<BandRegion>("region");

    // Fresh effect (lo -1, hi 1, spread 2), caption 5 characters of 10 pixels: TW 50, line 21.
    QTest::newRow("vertical, left") << goVertical << taLeftJustify << BandRegion{1, 1, 20};
    QTest::newRow("horizontal, left") << goHorizontal << taLeftJustify << BandRegion{1, 1, 49};
    QTest::newRow("horizontal, right")
        << goHorizontal << taRightJustify << BandRegion{200 - 1 - 50, 1, 49};
    QTest::newRow("horizontal, centred")
        << goHorizontal << taCenter << BandRegion{(200 - 50) / 2 + 1 - 1, 1, 49};
}

void TestEffectLabelPaint::graduatedFace()
{
    QFETCH(TGraduateOption, graduate);
    QFETCH(TAlignment, alignment);
    QFETCH(BandRegion, region);

    // The gradient starts at the fresh GraduateFrom, the window text colour split raw.
    const std::vector<SurfaceCall> calls = RecordCaption([&](EffectLabelModel &l) {
        l.SetAlignment(alignment);
        l.SetGraduateFace(graduate);
        l.SetFontColor(RgbColour(0, 0, 255));
    });

    // The layers on the work image, then the picture so far copied to the mask and the face
    // drawn there in the marker colour.
    const auto texts = OfKind(calls, SurfaceCall::TextInRect);
    QCOMPARE(texts.size(), std::size_t(3));
    const QColor marker(241, 9, 254);
    QCOMPARE(texts.back().image, PaintImage::Mask);
    QCOMPARE(texts.back().colour, marker);
    const auto copies = OfKind(calls, SurfaceCall::Copy);
    QCOMPARE(copies.size(), std::size_t(1));
    QCOMPARE(copies[0].source, PaintImage::Work);
    QCOMPARE(copies[0].image, PaintImage::Mask);
    QCOMPARE(copies[0].rect, QRect(QPoint(0, 0), LabelSize));

    const auto bands = OfKind(calls, SurfaceCall::MaskedCopy);
    QCOMPARE(static_cast<int>(bands.size()), region.Extent + 1);
    for (int i = 0; i <= region.Extent; ++i) {
        const SurfaceCall &band = bands[static_cast<std::size_t>(i)];
        QCOMPARE(band.source, PaintImage::Mask);
        QCOMPARE(band.image, PaintImage::Work);
        QCOMPARE(band.replaced, marker);
        const QRect expected = graduate == goVertical ? QRect(0, region.Top + i, 200, 1)
                                                      : QRect(region.Left + i, 0, 1, 40);
        QCOMPARE(band.rect, expected);
    }
    QCOMPARE(bands.front().colour, QColor(8, 0, 0));
    QCOMPARE(bands.back().colour, QColor(0, 0, 255));
    // The masked copies are the last thing drawn.
    QCOMPARE(calls.back().kind, SurfaceCall::MaskedCopy);
}

void TestEffectLabelPaint::graduatedNoBand_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<TGraduateOption>("graduate");
    QTest::addColumn<int>("lineHeight");
    QTest::addColumn<int>("bands");
    QTest::newRow("empty caption, horizontal") << QString() << goHorizontal << 21 << 0;
    QTest::newRow("one-pixel line, vertical: one band")
        << QStringLiteral("Ответ") << goVertical << 1 << 1;
    QTest::newRow("zero-height line, vertical: no band")
        << QStringLiteral("Ответ") << goVertical << 0 << 0;
}

void TestEffectLabelPaint::graduatedNoBand()
{
    QFETCH(QString, caption);
    QFETCH(TGraduateOption, graduate);
    QFETCH(int, lineHeight);
    QFETCH(int, bands);
    EffectLabelModel label;
    label.SetCaption(caption);
    label.SetGraduateFace(graduate);
    label.SetGraduateFrom(clRed);
    const auto copies = OfKind(Record(label, lineHeight), SurfaceCall::MaskedCopy);
    QCOMPARE(static_cast<int>(copies.size()), bands);
    if (bands == 1) {
        QCOMPARE(copies.front().colour, QColor(255, 0, 0));
    }
}

void TestEffectLabelPaint::outOfRangeValuesPaint()
{
    // Callers keep to the ranges; values beyond them still give a picture and no fault.
    EffectLabelModel label;
    label.SetCaption(QStringLiteral("Ответ"));
    label.SetDepthShadow(255);
    label.SetDirectionShadow(static_cast<TEffectDirection>(200));
    label.SetStyleShadow(static_cast<TEffectOption>(9));
    label.SetDirectionHighlight(edDown);
    label.SetDepthHighlight(255);
    label.SetStyleHighlight(eoGraduated);
    label.SetAlignment(static_cast<TAlignment>(7));
    label.SetGraduateFace(static_cast<TGraduateOption>(5));
    const std::vector<SurfaceCall> calls = Record(label);
    QCOMPARE(ComputeEffectOffsets(label), (EffectOffsets{0, 255, 255, 0}));
    const auto texts = OfKind(calls, SurfaceCall::TextInRect);
    // 255 copies of each layer (the unknown direction stays in place), then a plain face.
    QCOMPARE(texts.size(), std::size_t(255 + 255 + 1));
    QCOMPARE(texts[255].rect.topLeft(), QPoint(0, 255));
    QCOMPARE(texts.back().rect.topLeft(), QPoint(0, 0));
    QCOMPARE(texts.back().flags & Qt::AlignHorizontal_Mask, int(Qt::AlignLeft));
    QCOMPARE(OfKind(calls, SurfaceCall::MaskedCopy).size(), std::size_t(0));

    // The same on real images, down to a label of one pixel.
    for (QSize size : {QSize(1, 1), QSize(3, 200), QSize(120, 30)}) {
        QImage work(size, QImage::Format_RGB32);
        work.fill(Qt::white);
        ImagePaintSurface surface(std::move(work));
        PaintEffectLabel(label, size, surface);
        QVERIFY(surface.Finish() != nullptr);
    }
}

void TestEffectLabelPaint::pixelPasses()
{
    // Under black mask pixels only, each channel is halved or brought halfway to 255, rounding
    // down and never carrying into the next channel.
    const QRgb black = qRgb(0, 0, 0);
    const QRgb any = qRgb(10, 20, 30);
    const QImage mask =
        Pixels(3, {black, qRgb(0, 0, 1), qRgb(255, 255, 255), qRgb(1, 0, 0), black, black});
    const QImage work =
        Pixels(3, {qRgb(101, 50, 7), any, any, any, qRgb(0, 255, 1), qRgb(200, 201, 202)});
    QImage shadow = work;
    ApplyTranslucentPass(shadow, mask, TranslucentLayer::Shadow);
    QCOMPARE(shadow,
             Pixels(3, {qRgb(50, 25, 3), any, any, any, qRgb(0, 127, 0), qRgb(100, 100, 101)}));
    QImage highlight = work;
    ApplyTranslucentPass(highlight, mask, TranslucentLayer::Highlight);
    QCOMPARE(highlight, Pixels(3, {qRgb(178, 152, 131), any, any, any, qRgb(127, 255, 128),
                                   qRgb(227, 228, 228)}));

    // The masked copy brushes exactly the marker colour, clipped to both images.
    const QRgb marker = qRgb(241, 9, 254);
    const QRgb brush = qRgb(12, 34, 56);
    const QRgb old = qRgb(1, 1, 1);
    const QImage source =
        Pixels(3, {marker, qRgb(241, 9, 255), marker, marker, qRgb(240, 9, 254), marker});
    QImage target = Pixels(3, {old, old, old, old, old, old});
    ApplyMaskedCopy(source, target, QRect(-1, 0, 3, 5), marker, brush);
    ApplyMaskedCopy(source, target, QRect(5, 5, 2, 2), marker, brush);
    QCOMPARE(target, Pixels(3, {brush, qRgb(241, 9, 255), old, brush, qRgb(240, 9, 254), old}));
}

void TestEffectLabelPaint::imageSurfaceClipsCopies()
{
    QImage work(20, 10, QImage::Format_RGB32);
    work.fill(qRgb(10, 20, 30));
    ImagePaintSurface surface(work);
    // The untouched mask is white: a copy from it, sticking out on every side, whitens all.
    surface.CopyRect(PaintImage::Mask, PaintImage::Work, QRect(-5, -5, 40, 40));
    surface.TranslucentPass(TranslucentLayer::Shadow);
    const QImage *result = surface.Finish();
    QVERIFY(result != nullptr);
    QCOMPARE(result->pixel(0, 0), qRgb(255, 255, 255));
    QCOMPARE(result->pixel(19, 9), qRgb(255, 255, 255));

    ImagePaintSurface broken{QImage()};
    broken.FillRect(PaintImage::Work, QRect(0, 0, 5, 5), Qt::red);
    broken.TranslucentPass(TranslucentLayer::Highlight);
    QVERIFY(broken.Finish() == nullptr);
}

QTEST_MAIN(TestEffectLabelPaint)
#include "tst_effectlabelpaint.moc"
