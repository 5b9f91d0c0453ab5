#include "effectlabel/effectlabelpaint.h"
#include "effectlabel/recordingsurface.h"

#include <QRandomGenerator>
#include <QtTest>

#include <functional>

namespace {

using Setup = std::function<void(EffectLabelModel &)>;

// A label of the main window's answer size unless a test needs another.
constexpr QSize LabelSize(200, 40);

std::vector<SurfaceCall> Record(const EffectLabelModel &label, QSize size = LabelSize,
                                int charWidth = 10, int lineHeight = 21)
{
    RecordingPaintSurface surface;
    surface.measureWidth = [charWidth](const QFont &, const QString &text) {
        return charWidth * static_cast<int>(text.size());
    };
    surface.measureHeight = [lineHeight](const QFont &, const QString &) {
        return lineHeight;
    };
    PaintEffectLabel(label, size, surface);
    return surface.Calls();
}

std::vector<SurfaceCall> OfKind(const std::vector<SurfaceCall> &calls, SurfaceCall::Kind kind)
{
    std::vector<SurfaceCall> result;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(result),
                 [kind](const SurfaceCall &call) { return call.kind == kind; });
    return result;
}

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
// layer are the first texts drawn and fall at their offsets exactly (lo is 0).
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

// The translucent pass as described: pixel by pixel, through the image's own accessors.
void NaiveTranslucentPass(QImage &work, const QImage &mask, TranslucentLayer layer)
{
    for (int y = 0; y < work.height(); ++y) {
        for (int x = 0; x < work.width(); ++x) {
            const QRgb m = mask.pixel(x, y);
            if (qRed(m) != 0 || qGreen(m) != 0 || qBlue(m) != 0) {
                continue;
            }
            const QRgb p = work.pixel(x, y);
            auto change = [layer](int c) {
                return layer == TranslucentLayer::Shadow ? c / 2 : (c + 255) / 2;
            };
            work.setPixel(x, y, qRgb(change(qRed(p)), change(qGreen(p)), change(qBlue(p))));
        }
    }
}

void NaiveMaskedCopy(const QImage &source, QImage &target, const QRect &rect, QRgb replaced,
                     QRgb brush)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (!source.rect().contains(x, y) || !target.rect().contains(x, y)) {
                continue;
            }
            const QRgb p = source.pixel(x, y);
            target.setPixel(x, y,
                            qRgb(qRed(p), qGreen(p), qBlue(p)) ==
                                    qRgb(qRed(replaced), qGreen(replaced), qBlue(replaced))
                                ? brush
                                : p);
        }
    }
}

// Random pixels, a good share of them exactly black or exactly the marker, and some one step
// away from either.
QImage RandomImage(QRandomGenerator &random, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    const QRgb special[] = {qRgb(0, 0, 0),     qRgb(241, 9, 254), qRgb(0, 0, 1),      qRgb(1, 0, 0),
                            qRgb(241, 9, 255), qRgb(240, 9, 254), qRgb(255, 255, 255)};
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const quint32 pick = random.bounded(10u);
            image.setPixel(x, y, pick < 7 ? special[pick] : (random.generate() | 0xFF000000u));
        }
    }
    return image;
}

} // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(TranslucentLayer)
Q_DECLARE_METATYPE(PaintImage)
Q_DECLARE_METATYPE(SurfaceCall::Kind)
Q_DECLARE_METATYPE(EffectOffsets)
Q_DECLARE_METATYPE(BandRegion)
Q_DECLARE_METATYPE(TAlignment)
Q_DECLARE_METATYPE(TGraduateOption)

class TestEffectLabelPaint : public QObject {
    Q_OBJECT

private slots:
    void colourSplitIgnoresSystemFlag_data();
    void colourSplitIgnoresSystemFlag();
    void stepColourRoundsHalfToEven();
    void verticalGradientBandColours();
    void directionOffsets();

    void offsets_data();
    void offsets();
    void layerStyles_data();
    void layerStyles();
    void translucentLayers_data();
    void translucentLayers();

    void background_data();
    void background();
    void flatTextFlags_data();
    void flatTextFlags();
    void longCaptionIsCut();
    void fontOnBothImages();

    void graduatedFace_data();
    void graduatedFace();
    void graduatedVerticalBandColours();
    void graduateFromDefaultStartsAtWindowTextBytes();
    void graduatedNoBand_data();
    void graduatedNoBand();

    void outOfRangeValuesPaint();

    void scanLinePassesEqualNaive_data();
    void scanLinePassesEqualNaive();
    void imageSurfaceClipsCopies();
};

void TestEffectLabelPaint::colourSplitIgnoresSystemFlag_data()
{
    QTest::addColumn<TColor>("colour");
    QTest::addColumn<int>("red");
    QTest::addColumn<int>("green");
    QTest::addColumn<int>("blue");
    QTest::newRow("window text") << clWindowText << 8 << 0 << 0;
    QTest::newRow("button face") << clBtnFace << 15 << 0 << 0;
    QTest::newRow("marker") << MarkerColour << 241 << 9 << 254;
    QTest::newRow("teal") << clTeal << 0 << 128 << 128;
    QTest::newRow("top byte set") << static_cast<TColor>(0x12345678) << 0x78 << 0x56 << 0x34;
}

void TestEffectLabelPaint::colourSplitIgnoresSystemFlag()
{
    QFETCH(TColor, colour);
    QFETCH(int, red);
    QFETCH(int, green);
    QFETCH(int, blue);
    const ColourChannels channels = SplitColour(colour);
    QCOMPARE(channels, (ColourChannels{red, green, blue}));
    QCOMPARE(ComposeColour(channels), RgbColour(red, green, blue));
}

void TestEffectLabelPaint::stepColourRoundsHalfToEven()
{
    // Steps of 12.75: index 2 gives 25.5, index 6 gives 76.5.
    const ColourChannels start{0, 0, 0};
    const ColourSteps steps = ColourStepsBetween(start, {255, 0, 255}, 20);
    QCOMPARE(SplitColour(StepColour(start, steps, 2)).Red, 26);
    QCOMPARE(SplitColour(StepColour(start, steps, 6)).Red, 76);
    QCOMPARE(SplitColour(StepColour(start, steps, 10)).Blue, 128);
    QCOMPARE(SplitColour(StepColour(start, steps, 14)).Blue, 178);
    // Counting down: from 255 by -12.75.
    const ColourSteps down = ColourStepsBetween({255, 255, 255}, {0, 0, 0}, 20);
    QCOMPARE(SplitColour(StepColour({255, 255, 255}, down, 2)).Green, 255 - 26);
    QCOMPARE(SplitColour(StepColour({255, 255, 255}, down, 20)), (ColourChannels{0, 0, 0}));
}

void TestEffectLabelPaint::verticalGradientBandColours()
{
    const int expected[] = {0,   13,  26,  38,  51,  64,  76,  89,  102, 115, 128,
                            140, 153, 166, 178, 191, 204, 217, 230, 242, 255};
    const ColourChannels start = SplitColour(clBlack);
    const ColourSteps steps = ColourStepsBetween(start, SplitColour(RgbColour(0, 0, 255)), 20);
    for (int i = 0; i <= 20; ++i) {
        QCOMPARE(StepColour(start, steps, i), RgbColour(0, 0, expected[i]));
    }
}

void TestEffectLabelPaint::directionOffsets()
{
    QCOMPARE(DirectionOffset(edNone), QPoint(0, 0));
    QCOMPARE(DirectionOffset(edUp), QPoint(0, -1));
    QCOMPARE(DirectionOffset(edUpRight), QPoint(1, -1));
    QCOMPARE(DirectionOffset(edRight), QPoint(1, 0));
    QCOMPARE(DirectionOffset(edDownRight), QPoint(1, 1));
    QCOMPARE(DirectionOffset(edDown), QPoint(0, 1));
    QCOMPARE(DirectionOffset(edDownLeft), QPoint(-1, 1));
    QCOMPARE(DirectionOffset(edLeft), QPoint(-1, 0));
    QCOMPARE(DirectionOffset(edUpLeft), QPoint(-1, -1));
    QCOMPARE(DirectionOffset(static_cast<TEffectDirection>(77)), QPoint(0, 0));
}

void TestEffectLabelPaint::offsets_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<EffectOffsets>("offsets");
    QTest::addColumn<QList<QPoint>>("corners"); // shadow copies, highlight copies, face
    QTest::addColumn<QList<QColor>>("colours");

    const QList<QColor> raised{Grey(0), Grey(255), Grey(128)};
    QTest::newRow("fresh, left") << Setup([](EffectLabelModel &) {}) << EffectOffsets{-1, 1, 2, 0}
                                 << QList<QPoint>{{2, 2}, {0, 0}, {1, 1}} << raised;
    QTest::newRow("fresh, right") << Setup([](EffectLabelModel &l) {
        l.SetAlignment(taRightJustify);
    }) << EffectOffsets{-1, 1, 2, 2}
                                  << QList<QPoint>{{0, 2}, {-2, 0}, {-1, 1}} << raised;
    QTest::newRow("fresh, centred")
        << Setup([](EffectLabelModel &l) { l.SetAlignment(taCenter); })
        << EffectOffsets{-1, 1, 2, 1} << QList<QPoint>{{1, 2}, {-1, 0}, {0, 1}} << raised;
    QTest::newRow("esShadow") << Setup([](EffectLabelModel &l) { l.SetEffectStyle(esShadow); })
                              << EffectOffsets{0, 2, 2, 0} << QList<QPoint>{{2, 2}, {0, 0}, {0, 0}}
                              << raised;
    QTest::newRow("shadow down 3, highlight up 1") << Setup([](EffectLabelModel &l) {
        l.SetDirectionShadow(edDown);
        l.SetDepthShadow(3);
        l.SetDirectionHighlight(edUp);
    }) << EffectOffsets{-1, 3, 4, 0} << QList<QPoint>{{1, 4}, {1, 0}, {1, 1}}
                                                   << raised;
    QTest::newRow("extrusion 3 down-right")
        << Setup([](EffectLabelModel &l) {
               l.SetStyleShadow(eoExtrude);
               l.SetDepthShadow(3);
           })
        << EffectOffsets{-1, 3, 4, 0} << QList<QPoint>{{4, 4}, {3, 3}, {2, 2}, {0, 0}, {1, 1}}
        << QList<QColor>{Grey(0), Grey(0), Grey(0), Grey(255), Grey(128)};
    QTest::newRow("centred, odd spread truncates") << Setup([](EffectLabelModel &l) {
        l.SetAlignment(taCenter);
        l.SetDepthShadow(2);
    }) << EffectOffsets{-1, 2, 3, 1} << QList<QPoint>{{2, 3}, {-1, 0}, {0, 1}}
                                                   << raised;
    QTest::newRow("both layers up-left") << Setup([](EffectLabelModel &l) {
        l.SetDirectionShadow(edUpLeft);
        l.SetDepthShadow(4);
    }) << EffectOffsets{-4, 0, 4, 0} << QList<QPoint>{{0, 0}, {3, 3}, {4, 4}}
                                         << raised;
}

void TestEffectLabelPaint::offsets()
{
    QFETCH(Setup, setup);
    QFETCH(EffectOffsets, offsets);
    QFETCH(QList<QPoint>, corners);
    QFETCH(QList<QColor>, colours);

    EffectLabelModel label;
    label.SetCaption(QStringLiteral("Ответ"));
    setup(label);
    QCOMPARE(ComputeEffectOffsets(label), offsets);

    const std::vector<SurfaceCall> calls = Record(label);
    QCOMPARE(TextCorners(calls), corners);
    QCOMPARE(TextColours(calls), colours);
    for (const SurfaceCall &call : OfKind(calls, SurfaceCall::TextInRect)) {
        QCOMPARE(call.image, PaintImage::Work);
        QCOMPARE(call.rect.size(), LabelSize);
    }
    // Transparent: nothing but text is drawn.
    QCOMPARE(OfKind(calls, SurfaceCall::FillRect).size(), std::size_t(0));
}

void TestEffectLabelPaint::layerStyles_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QList<QPoint>>("corners");
    QTest::addColumn<QList<QColor>>("colours");

    QTest::newRow("normal, depth 3")
        << ShadowOnly(eoNormal, 3) << QList<QPoint>{{3, 3}} << QList<QColor>{Grey(0)};
    QTest::newRow("normal, depth 0")
        << ShadowOnly(eoNormal, 0) << QList<QPoint>{{0, 0}} << QList<QColor>{Grey(0)};
    QTest::newRow("extrude, depth 1")
        << ShadowOnly(eoExtrude, 1) << QList<QPoint>{{1, 1}} << QList<QColor>{Grey(0)};
    QTest::newRow("extrude, depth 3")
        << ShadowOnly(eoExtrude, 3) << QList<QPoint>{{3, 3}, {2, 2}, {1, 1}}
        << QList<QColor>{Grey(0), Grey(0), Grey(0)};
    QTest::newRow("extrude, depth 4")
        << ShadowOnly(eoExtrude, 4) << QList<QPoint>{{4, 4}, {3, 3}, {2, 2}, {1, 1}}
        << QList<QColor>{Grey(0), Grey(0), Grey(0), Grey(0)};
    QTest::newRow("extrude, depth 0")
        << ShadowOnly(eoExtrude, 0) << QList<QPoint>{{0, 0}} << QList<QColor>{Grey(0)};
    QTest::newRow("graduated, depth 1")
        << ShadowOnly(eoGraduated, 1) << QList<QPoint>{{1, 1}} << QList<QColor>{Grey(0)};
    QTest::newRow("graduated, depth 3")
        << ShadowOnly(eoGraduated, 3) << QList<QPoint>{{3, 3}, {2, 2}, {1, 1}}
        << QList<QColor>{Grey(0), Grey(64), Grey(128)};
    QTest::newRow("graduated, depth 4")
        << ShadowOnly(eoGraduated, 4) << QList<QPoint>{{4, 4}, {3, 3}, {2, 2}, {1, 1}}
        << QList<QColor>{Grey(0), Grey(43), Grey(85), Grey(128)};
    QTest::newRow("graduated, to a system font colour")
        << Setup([](EffectLabelModel &l) {
               ShadowOnly(eoGraduated, 3)(l);
               l.SetColourShadow(RgbColour(0, 0, 100));
               l.SetFontColor(clWindowText);
           })
        << QList<QPoint>{{3, 3}, {2, 2}, {1, 1}}
        << QList<QColor>{QColor(0, 0, 100), QColor(4, 0, 50), QColor(8, 0, 0)};
    QTest::newRow("normal, system colour split raw") << Setup([](EffectLabelModel &l) {
        ShadowOnly(eoNormal, 2)(l);
        l.SetColourShadow(clWindowText);
    }) << QList<QPoint>{{2, 2}} << QList<QColor>{QColor(8, 0, 0)};
}

void TestEffectLabelPaint::layerStyles()
{
    QFETCH(Setup, setup);
    QFETCH(QList<QPoint>, corners);
    QFETCH(QList<QColor>, colours);

    EffectLabelModel label;
    label.SetCaption(QStringLiteral("Ответ"));
    setup(label);
    const std::vector<SurfaceCall> calls = Record(label);
    // The shadow's copies, then the highlight's one copy and the face, both at (0, 0).
    const QList<QPoint> underFace{{0, 0}, {0, 0}};
    QCOMPARE(TextCorners(calls), corners + underFace);
    QCOMPARE(TextColours(calls).mid(0, colours.size()), colours);
    QCOMPARE(TextColours(calls).back(), ToQColor(label.FontColor()));
    QCOMPARE(OfKind(calls, SurfaceCall::Translucent).size(), std::size_t(0));
}

void TestEffectLabelPaint::translucentLayers_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QList<SurfaceCall::Kind>>("kinds");
    QTest::addColumn<QList<PaintImage>>("images");
    QTest::addColumn<QList<TranslucentLayer>>("passes");

    using K = SurfaceCall::Kind;
    const PaintImage W = PaintImage::Work;
    const PaintImage M = PaintImage::Mask;
    QTest::newRow("real shadow") << Setup([](EffectLabelModel &l) {
        l.SetStyleShadow(eoReal);
        l.SetDepthShadow(4);
        l.SetColourShadow(clRed);
    }) << QList<K>{K::TextInRect, K::Translucent, K::TextInRect, K::TextInRect}
                                 << QList<PaintImage>{M, W, W, W}
                                 << QList<TranslucentLayer>{TranslucentLayer::Shadow};
    QTest::newRow("real highlight")
        << Setup([](EffectLabelModel &l) { l.SetStyleHighlight(eoReal); })
        << QList<K>{K::TextInRect, K::FillRect, K::TextInRect, K::Translucent, K::TextInRect}
        << QList<PaintImage>{W, M, M, W, W} << QList<TranslucentLayer>{TranslucentLayer::Highlight};
    QTest::newRow("both real") << Setup([](EffectLabelModel &l) {
        l.SetStyleShadow(eoReal);
        l.SetStyleHighlight(eoReal);
    }) << QList<K>{K::TextInRect, K::Translucent, K::FillRect,
                   K::TextInRect, K::Translucent, K::TextInRect}
                               << QList<PaintImage>{M, W, M, M, W, W}
                               << QList<TranslucentLayer>{TranslucentLayer::Shadow,
                                                          TranslucentLayer::Highlight};
}

void TestEffectLabelPaint::translucentLayers()
{
    QFETCH(Setup, setup);
    QFETCH(QList<SurfaceCall::Kind>, kinds);
    QFETCH(QList<PaintImage>, images);
    QFETCH(QList<TranslucentLayer>, passes);

    EffectLabelModel label;
    label.SetCaption(QStringLiteral("Ответ"));
    setup(label);
    std::vector<SurfaceCall> calls = Record(label);
    std::erase_if(calls, [](const SurfaceCall &c) { return c.kind == SurfaceCall::SetFont; });

    QList<SurfaceCall::Kind> seenKinds;
    QList<PaintImage> seenImages;
    QList<TranslucentLayer> seenPasses;
    for (const SurfaceCall &call : calls) {
        seenKinds << call.kind;
        seenImages << call.image;
        if (call.kind == SurfaceCall::Translucent) {
            seenPasses << call.layer;
        }
        // Real copies are black on the mask whatever the layer's colour.
        if (call.kind == SurfaceCall::TextInRect && call.image == PaintImage::Mask) {
            QCOMPARE(call.colour, QColor(0, 0, 0));
        }
        if (call.kind == SurfaceCall::FillRect) {
            QCOMPARE(call.rect, QRect(QPoint(0, 0), LabelSize));
            QCOMPARE(call.colour, QColor(255, 255, 255));
        }
    }
    QCOMPARE(seenKinds, kinds);
    QCOMPARE(seenImages, images);
    QCOMPARE(seenPasses, passes);
}

void TestEffectLabelPaint::background_data()
{
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<TColor>("color");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("transparent") << true << clYellow << QColor();
    QTest::newRow("opaque yellow") << false << clYellow << QColor(255, 255, 0);
    QTest::newRow("opaque button face, resolved")
        << false << clBtnFace << QGuiApplication::palette().color(QPalette::Button);
}

void TestEffectLabelPaint::background()
{
    QFETCH(bool, transparent);
    QFETCH(TColor, color);
    QFETCH(QColor, expected);

    EffectLabelModel label;
    label.SetCaption(QStringLiteral("Ответ"));
    label.SetTransparent(transparent);
    label.SetColor(color);
    std::vector<SurfaceCall> calls = Record(label);
    std::erase_if(calls, [](const SurfaceCall &c) { return c.kind == SurfaceCall::SetFont; });
    const std::vector<SurfaceCall> fills = OfKind(calls, SurfaceCall::FillRect);
    if (transparent) {
        QCOMPARE(fills.size(), std::size_t(0));
        return;
    }
    QCOMPARE(fills.size(), std::size_t(1));
    // The background comes before any text, over the whole client rectangle, without outline.
    QCOMPARE(calls.front().kind, SurfaceCall::FillRect);
    QCOMPARE(calls.front().image, PaintImage::Work);
    QCOMPARE(calls.front().rect, QRect(QPoint(0, 0), LabelSize));
    QCOMPARE(calls.front().colour, expected);
    QCOMPARE(OfKind(calls, SurfaceCall::FillPolygon).size(), std::size_t(0));
}

void TestEffectLabelPaint::flatTextFlags_data()
{
    QTest::addColumn<TAlignment>("alignment");
    QTest::addColumn<int>("align");
    QTest::newRow("left") << taLeftJustify << int(Qt::AlignLeft);
    QTest::newRow("right") << taRightJustify << int(Qt::AlignRight);
    QTest::newRow("centred") << taCenter << int(Qt::AlignHCenter);
}

void TestEffectLabelPaint::flatTextFlags()
{
    QFETCH(TAlignment, alignment);
    QFETCH(int, align);
    EffectLabelModel label;
    label.SetCaption(QStringLiteral("&Да\tи && нет"));
    label.SetAlignment(alignment);
    for (const SurfaceCall &call : OfKind(Record(label), SurfaceCall::TextInRect)) {
        QCOMPARE(call.flags, align | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs |
                                 Qt::TextShowMnemonic);
        QCOMPARE(call.text, QStringLiteral("&Да\tи && нет"));
    }
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
    label.SetCaption(caption.left(255));
    QCOMPARE(OfKind(Record(label), SurfaceCall::TextInRect).front().text, caption.left(255));
}

void TestEffectLabelPaint::fontOnBothImages()
{
    EffectLabelModel label;
    label.SetFontStyle(fsBold | fsItalic);
    const auto fonts = OfKind(Record(label), SurfaceCall::SetFont);
    QCOMPARE(fonts.size(), std::size_t(2));
    QCOMPARE(fonts[0].image, PaintImage::Work);
    QCOMPARE(fonts[1].image, PaintImage::Mask);
    for (const SurfaceCall &call : fonts) {
        QCOMPARE(call.font.pixelSize(), 27);
        QCOMPARE(call.font.family(), QStringLiteral("Times New Roman"));
        QVERIFY(call.font.bold());
        QVERIFY(call.font.italic());
        QVERIFY(call.font.styleStrategy() & QFont::NoAntialias);
        QCOMPARE(call.escapement, 0);
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

    EffectLabelModel label;
    label.SetCaption(QStringLiteral("Ответ"));
    label.SetAlignment(alignment);
    label.SetGraduateFace(graduate);
    label.SetGraduateFrom(clRed);
    label.SetFontColor(RgbColour(0, 0, 255));
    const std::vector<SurfaceCall> calls = Record(label);

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
    QCOMPARE(bands.front().colour, QColor(255, 0, 0));
    QCOMPARE(bands.back().colour, QColor(0, 0, 255));
    // The masked copies are the last thing drawn.
    QCOMPARE(calls.back().kind, SurfaceCall::MaskedCopy);
}

void TestEffectLabelPaint::graduatedVerticalBandColours()
{
    const int blue[] = {0,   13,  26,  38,  51,  64,  76,  89,  102, 115, 128,
                        140, 153, 166, 178, 191, 204, 217, 230, 242, 255};
    EffectLabelModel label;
    label.SetCaption(QStringLiteral("Ответ"));
    label.SetGraduateFace(goVertical);
    label.SetGraduateFrom(clBlack);
    label.SetFontColor(RgbColour(0, 0, 255));
    const auto bands = OfKind(Record(label, LabelSize, 10, 21), SurfaceCall::MaskedCopy);
    QCOMPARE(bands.size(), std::size_t(21));
    for (int i = 0; i < 21; ++i) {
        QCOMPARE(bands[static_cast<std::size_t>(i)].colour, QColor(0, 0, blue[i]));
    }
}

void TestEffectLabelPaint::graduateFromDefaultStartsAtWindowTextBytes()
{
    EffectLabelModel label;
    QCOMPARE(label.GraduateFrom(), clWindowText);
    label.SetCaption(QStringLiteral("Ответ"));
    label.SetGraduateFace(goHorizontal);
    label.SetFontColor(RgbColour(8, 100, 200));
    const auto bands = OfKind(Record(label), SurfaceCall::MaskedCopy);
    QCOMPARE(bands.size(), std::size_t(50));
    QCOMPARE(bands.front().colour, QColor(8, 0, 0));
    QCOMPARE(bands.back().colour, QColor(8, 100, 200));
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
    const auto copies = OfKind(Record(label, LabelSize, 10, lineHeight), SurfaceCall::MaskedCopy);
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
    QCOMPARE(texts.front().rect.topLeft(), QPoint(0, 0));
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

void TestEffectLabelPaint::scanLinePassesEqualNaive_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("answer row") << 1u << QSize(790, 3) << QRect(0, 1, 790, 1);
    QTest::newRow("column") << 2u << QSize(31, 17) << QRect(7, 0, 1, 17);
    QTest::newRow("sticking out") << 3u << QSize(40, 40) << QRect(-5, 30, 60, 20);
    QTest::newRow("outside") << 4u << QSize(10, 10) << QRect(20, 20, 5, 5);
    QTest::newRow("one pixel") << 5u << QSize(1, 1) << QRect(0, 0, 1, 1);
}

void TestEffectLabelPaint::scanLinePassesEqualNaive()
{
    QFETCH(quint32, seed);
    QFETCH(QSize, size);
    QFETCH(QRect, rect);
    QRandomGenerator random(seed);
    const QImage mask = RandomImage(random, size);
    const QImage work = RandomImage(random, size);

    for (TranslucentLayer layer : {TranslucentLayer::Shadow, TranslucentLayer::Highlight}) {
        QImage fast = work;
        QImage naive = work;
        ApplyTranslucentPass(fast, mask, layer);
        NaiveTranslucentPass(naive, mask, layer);
        QCOMPARE(fast, naive);
    }

    const QRgb marker = qRgb(241, 9, 254);
    const QRgb brush = qRgb(12, 34, 56);
    QImage fast = work;
    QImage naive = work;
    ApplyMaskedCopy(mask, fast, rect, marker, brush);
    NaiveMaskedCopy(mask, naive, rect, marker, brush);
    QCOMPARE(fast, naive);
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
