#include "effectlabel/answerlabelform.h"
#include "effectlabel/effectlabelmodel.h"

#include <QtTest>

#include <cmath>
#include <numbers>

namespace {

class CountingModel : public EffectLabelModel {
public:
    int repaints = 0;

protected:
    void RequestRepaint() override { ++repaints; }
};

using Action = void (*)(EffectLabelModel &);

// Every value a setter can touch, so a test can tell "nothing changed" from "something did".
QString Dump(const EffectLabelModel &m)
{
    QStringList parts;
    parts << QString::number(m.DepthHighlight()) << QString::number(m.DepthShadow())
          << QString::number(m.DirectionHighlight()) << QString::number(m.DirectionShadow())
          << QString::number(m.ColourHighlight()) << QString::number(m.ColourShadow())
          << QString::number(m.GraduateFace()) << QString::number(m.GraduateFrom())
          << QString::number(m.StyleHighlight()) << QString::number(m.StyleShadow())
          << QString::number(m.EffectStyle()) << QString::number(m.ColourScheme())
          << QString::number(m.AsButton()) << QString::number(m.Angle())
          << QString::number(m.KeepLettersVertical()) << QString::number(m.AngleCos(), 'g', 17)
          << QString::number(m.AngleSin(), 'g', 17) << m.Caption() << m.FontName()
          << QString::number(m.FontHeight()) << QString::number(m.FontStyle())
          << QString::number(m.FontColor()) << QString::number(m.Color())
          << QString::number(m.Alignment()) << QString::number(m.Transparent());
    for (const TSchemeColour &entry : m.SchemeColours()) {
        parts << QString::number(entry.Highlight) << QString::number(entry.Shadow)
              << QString::number(entry.Face);
    }
    return parts.join(QLatin1Char(','));
}

// The fixed scheme entries; only the custom one may ever differ from this.
const TSchemeColours FixedSchemes = {{
    {clWhite, clBlack, clGray},
    {clWhite, clGray, clBlack},
    {clWhite, clBlack, clGray},
    {clWhite, clBlack, clSilver},
    {clYellow, clBlack, clOlive},
    {clAqua, clNavy, clTeal},
}};

// In the angle table: the cosine or sine of the nearest representable angle, tiny but not 0.
constexpr double NearZero = -42.0;

void VerifyFixedSchemesUntouched(const EffectLabelModel &m)
{
    for (int scheme = csText; scheme <= csSteel; ++scheme) {
        QCOMPARE(m.SchemeColours()[scheme], FixedSchemes[scheme]);
    }
}

} // namespace

Q_DECLARE_METATYPE(TEffectDirection)
Q_DECLARE_METATYPE(TEffectStyle)
Q_DECLARE_METATYPE(TColourScheme)
Q_DECLARE_METATYPE(TAlignment)
Q_DECLARE_METATYPE(TSchemeColour)
Q_DECLARE_METATYPE(Action)

class TestEffectLabelModel : public QObject {
    Q_OBJECT

private slots:
    void freshLabel();
    void freshSchemeColours_data();
    void freshSchemeColours();
    void fontSizeConversion_data();
    void fontSizeConversion();
    void badFontHeightStillGivesAFont();
    void rangesAreNotClamped();

    void presets_data();
    void presets();
    void presetLeavesOtherPropertiesAlone_data();
    void presetLeavesOtherPropertiesAlone();
    void raisedOnFreshLabelDoesNothing();
    void flyingRewritesOnlyTheCustomHighlight();
    void asButtonEntersRaised_data();
    void asButtonEntersRaised();
    void directGeometryChangeSelectsCustom_data();
    void directGeometryChangeSelectsCustom();
    void drawingStyleKeepsEffectStyle_data();
    void drawingStyleKeepsEffectStyle();

    void schemes_data();
    void schemes();
    void colourChangeSelectsCustomScheme_data();
    void colourChangeSelectsCustomScheme();
    void fontColourDoesNotReachCustomFace();
    void fontColourAndHighlightOrder_data();
    void fontColourAndHighlightOrder();

    void angle_data();
    void angle();
    void angleBackToZeroKeepsLeftAlignment();

    void unchangedValueDoesNothing_data();
    void unchangedValueDoesNothing();
    void changedValueRepaints_data();
    void changedValueRepaints();
    void repaintOnlyWhenPictureCanChange_data();
    void repaintOnlyWhenPictureCanChange();

    void answerLabelForm();
    void answerLabelHoverPressAndRelease();

    void buttonPress_data();
    void buttonPress();
    void buttonMove_data();
    void buttonMove();
    void buttonRelease_data();
    void buttonRelease();
};

void TestEffectLabelModel::freshLabel()
{
    CountingModel m;
    QCOMPARE(m.EffectStyle(), esRaised);
    QCOMPARE(m.ColourScheme(), csWindows);
    QCOMPARE(m.DepthHighlight(), TEffectDepth(1));
    QCOMPARE(m.DepthShadow(), TEffectDepth(1));
    QCOMPARE(m.DirectionHighlight(), edUpLeft);
    QCOMPARE(m.DirectionShadow(), edDownRight);
    QCOMPARE(m.ColourHighlight(), clWhite);
    QCOMPARE(m.ColourShadow(), clBlack);
    QCOMPARE(m.StyleHighlight(), eoNormal);
    QCOMPARE(m.StyleShadow(), eoNormal);
    QCOMPARE(m.GraduateFace(), goNone);
    QCOMPARE(m.GraduateFrom(), clWindowText);
    QCOMPARE(m.GraduateFrom(), TColor(0x80000008));
    QCOMPARE(m.AsButton(), false);
    QCOMPARE(m.Angle(), TAngleRange(0));
    QCOMPARE(m.KeepLettersVertical(), false);
    QCOMPARE(m.ApplyingEffectStyle(), false);
    QCOMPARE(m.ApplyingColourScheme(), false);
    QCOMPARE(m.DegreesToRadians(), std::numbers::pi / 180.0);
    QCOMPARE(m.AngleCos(), 1.0);
    QCOMPARE(m.AngleSin(), 0.0);
    QCOMPARE(m.AngleCosSquared(), 1.0);
    QCOMPARE(m.AngleSinSquared(), 0.0);
    QCOMPARE(m.FontName(), QStringLiteral("Times New Roman"));
    QCOMPARE(m.FontSize(), 20);
    QCOMPARE(m.FontHeight(), 27);
    QCOMPARE(m.FontColor(), clGray);
    QCOMPARE(m.FontStyle(), TFontStyles(0));
    QCOMPARE(m.Transparent(), true);
    QCOMPARE(m.Alignment(), taLeftJustify);
    QCOMPARE(m.Color(), clBtnFace);
    QVERIFY(m.Caption().isEmpty());
    QCOMPARE(m.repaints, 0);
}

void TestEffectLabelModel::freshSchemeColours_data()
{
    QTest::addColumn<TColourScheme>("scheme");
    QTest::addColumn<TSchemeColour>("colours");
    QTest::newRow("csCustom copies csWindows") << csCustom << TSchemeColour{0xFFFFFF, 0, 0x808080};
    QTest::newRow("csText") << csText << TSchemeColour{0xFFFFFF, 0x808080, 0};
    QTest::newRow("csWindows") << csWindows << TSchemeColour{0xFFFFFF, 0, 0x808080};
    QTest::newRow("csEmbossed") << csEmbossed << TSchemeColour{0xFFFFFF, 0, 0xC0C0C0};
    QTest::newRow("csGold") << csGold << TSchemeColour{0x00FFFF, 0, 0x008080};
    QTest::newRow("csSteel") << csSteel << TSchemeColour{0xFFFF00, 0x800000, 0x808000};
}

void TestEffectLabelModel::freshSchemeColours()
{
    QFETCH(TColourScheme, scheme);
    QFETCH(TSchemeColour, colours);
    const EffectLabelModel m;
    QCOMPARE(m.SchemeColours()[scheme], colours);
}

void TestEffectLabelModel::fontSizeConversion_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<int>("pointsBack");
    QTest::newRow("answer at rest") << 14 << 19 << 14;
    QTest::newRow("answer enlarged") << 18 << 24 << 18;
    QTest::newRow("constructor size") << 20 << 27 << 20;
    QTest::newRow("toolkit default") << 8 << 11 << 8;
    QTest::newRow("exact half rounds away") << 3 << 4 << 3;
    QTest::newRow("below a half rounds down") << 1 << 1 << 1;
    QTest::newRow("zero") << 0 << 0 << 0;
    QTest::newRow("negative rounds away from zero") << -14 << -19 << -14;
}

void TestEffectLabelModel::fontSizeConversion()
{
    QFETCH(int, points);
    QFETCH(int, pixels);
    QFETCH(int, pointsBack);
    QCOMPARE(PointsToPixels(points), pixels);
    QCOMPARE(PixelsToPoints(pixels), pointsBack);

    CountingModel m;
    m.SetFontSize(points);
    QCOMPARE(m.FontHeight(), pixels);
    QCOMPARE(m.FontSize(), pointsBack);
}

void TestEffectLabelModel::badFontHeightStillGivesAFont()
{
    for (const int height : {0, -5}) {
        CountingModel m;
        m.SetFontHeight(height);
        QCOMPARE(m.FontHeight(), height);
        const QFont font = ToQFont(m.Font());
        QVERIFY(font.pixelSize() > 0 || font.pointSizeF() > 0);
    }
}

void TestEffectLabelModel::rangesAreNotClamped()
{
    CountingModel m;
    m.SetDepthShadow(200);
    m.SetAngle(400);
    QCOMPARE(m.DepthShadow(), TEffectDepth(200));
    QCOMPARE(m.Angle(), TAngleRange(400));
    QVERIFY(std::isfinite(m.AngleCos()));
    QVERIFY(std::isfinite(m.AngleSin()));
}

void TestEffectLabelModel::presets_data()
{
    QTest::addColumn<Action>("setup");
    QTest::addColumn<TEffectStyle>("style");
    QTest::addColumn<TEffectDirection>("directionHighlight");
    QTest::addColumn<TEffectDirection>("directionShadow");
    QTest::addColumn<TEffectDepth>("depthHighlight");
    QTest::addColumn<TEffectDepth>("depthShadow");
    QTest::addColumn<TColor>("colourHighlight");
    QTest::addColumn<bool>("asButton");

    const Action button = [](EffectLabelModel &m) {
        m.SetAsButton(true);
    };
    const Action sunkenButton = [](EffectLabelModel &m) {
        m.SetAsButton(true);
        m.SetEffectStyle(esSunken);
    };
    QTest::newRow("esNone ends a button") << button << esNone << edNone << edNone << TEffectDepth(0)
                                          << TEffectDepth(0) << clWhite << false;
    QTest::newRow("esCustom keeps the geometry, ends a button")
        << sunkenButton << esCustom << edDownRight << edUpLeft << TEffectDepth(1) << TEffectDepth(1)
        << clWhite << false;
    QTest::newRow("esRaised from a sunken button stays a button")
        << sunkenButton << esRaised << edUpLeft << edDownRight << TEffectDepth(1) << TEffectDepth(1)
        << clWhite << true;
    QTest::newRow("esSunken keeps a button")
        << button << esSunken << edDownRight << edUpLeft << TEffectDepth(1) << TEffectDepth(1)
        << clWhite << true;
    QTest::newRow("esSunken on a plain label")
        << Action([](EffectLabelModel &) {}) << esSunken << edDownRight << edUpLeft
        << TEffectDepth(1) << TEffectDepth(1) << clWhite << false;
    QTest::newRow("esShadow ends a button")
        << button << esShadow << edNone << edDownRight << TEffectDepth(0) << TEffectDepth(2)
        << clWhite << false;
    QTest::newRow("esFlying under csWindows takes the scheme shadow")
        << button << esFlying << edDownRight << edDownRight << TEffectDepth(1) << TEffectDepth(5)
        << clBlack << false;
    QTest::newRow("esFlying under csSteel")
        << Action([](EffectLabelModel &m) { m.SetColourScheme(csSteel); }) << esFlying
        << edDownRight << edDownRight << TEffectDepth(1) << TEffectDepth(5) << clNavy << false;
    QTest::newRow("esRaised after esFlying restores the scheme highlight")
        << Action([](EffectLabelModel &m) { m.SetEffectStyle(esFlying); }) << esRaised << edUpLeft
        << edDownRight << TEffectDepth(1) << TEffectDepth(1) << clWhite << false;
    QTest::newRow("esRaised under csGold takes the gold highlight")
        << Action([](EffectLabelModel &m) {
               m.SetColourScheme(csGold);
               m.SetEffectStyle(esNone);
           })
        << esRaised << edUpLeft << edDownRight << TEffectDepth(1) << TEffectDepth(1) << clYellow
        << false;
    QTest::newRow("esFlying under csCustom takes the custom shadow")
        << Action([](EffectLabelModel &m) { m.SetColourShadow(clRed); }) << esFlying << edDownRight
        << edDownRight << TEffectDepth(1) << TEffectDepth(5) << clRed << false;
    QTest::newRow("esRaised after esFlying under csCustom keeps the shadow colour")
        << Action([](EffectLabelModel &m) {
               m.SetColourShadow(clRed);
               m.SetEffectStyle(esFlying);
           })
        << esRaised << edUpLeft << edDownRight << TEffectDepth(1) << TEffectDepth(1) << clRed
        << false;
}

void TestEffectLabelModel::presets()
{
    QFETCH(Action, setup);
    QFETCH(TEffectStyle, style);
    QFETCH(TEffectDirection, directionHighlight);
    QFETCH(TEffectDirection, directionShadow);
    QFETCH(TEffectDepth, depthHighlight);
    QFETCH(TEffectDepth, depthShadow);
    QFETCH(TColor, colourHighlight);
    QFETCH(bool, asButton);

    CountingModel m;
    setup(m);
    const TColourScheme scheme = m.ColourScheme();
    m.SetEffectStyle(style);

    QCOMPARE(m.EffectStyle(), style);
    QCOMPARE(m.DirectionHighlight(), directionHighlight);
    QCOMPARE(m.DirectionShadow(), directionShadow);
    QCOMPARE(m.DepthHighlight(), depthHighlight);
    QCOMPARE(m.DepthShadow(), depthShadow);
    QCOMPARE(m.ColourHighlight(), colourHighlight);
    QCOMPARE(m.AsButton(), asButton);
    // A preset never changes the scheme, and it leaves both flags down.
    QCOMPARE(m.ColourScheme(), scheme);
    QCOMPARE(m.ApplyingEffectStyle(), false);
    QCOMPARE(m.ApplyingColourScheme(), false);
    // The highlight setter always writes the custom entry.
    QCOMPARE(m.SchemeColours()[csCustom].Highlight, colourHighlight);
    VerifyFixedSchemesUntouched(m);
}

void TestEffectLabelModel::presetLeavesOtherPropertiesAlone_data()
{
    QTest::addColumn<TEffectStyle>("style");
    QTest::newRow("esNone") << esNone;
    QTest::newRow("esCustom") << esCustom;
    QTest::newRow("esSunken") << esSunken;
    QTest::newRow("esShadow") << esShadow;
    QTest::newRow("esFlying") << esFlying;
}

void TestEffectLabelModel::presetLeavesOtherPropertiesAlone()
{
    QFETCH(TEffectStyle, style);
    CountingModel m;
    m.SetColourShadow(clNavy);
    m.SetStyleHighlight(eoExtrude);
    m.SetStyleShadow(eoReal);
    m.SetGraduateFace(goHorizontal);
    m.SetGraduateFrom(clRed);
    m.SetAngle(45);
    m.SetFontColor(clTeal);
    m.SetEffectStyle(style);
    QCOMPARE(m.ColourShadow(), clNavy);
    QCOMPARE(m.StyleHighlight(), eoExtrude);
    QCOMPARE(m.StyleShadow(), eoReal);
    QCOMPARE(m.GraduateFace(), goHorizontal);
    QCOMPARE(m.GraduateFrom(), clRed);
    QCOMPARE(m.Angle(), TAngleRange(45));
    QCOMPARE(m.FontColor(), clTeal);
}

void TestEffectLabelModel::raisedOnFreshLabelDoesNothing()
{
    CountingModel m;
    const QString before = Dump(m);
    m.SetEffectStyle(esRaised);
    QCOMPARE(Dump(m), before);
    QCOMPARE(m.repaints, 0);
}

void TestEffectLabelModel::flyingRewritesOnlyTheCustomHighlight()
{
    CountingModel m;
    m.SetEffectStyle(esFlying);
    QCOMPARE(m.ColourScheme(), csWindows);
    QCOMPARE(m.SchemeColours()[csCustom], (TSchemeColour{clBlack, clBlack, clGray}));
    QCOMPARE(m.SchemeColours()[csWindows], (TSchemeColour{clWhite, clBlack, clGray}));
}

void TestEffectLabelModel::asButtonEntersRaised_data()
{
    QTest::addColumn<TEffectStyle>("from");
    QTest::newRow("from esNone") << esNone;
    QTest::newRow("from esCustom") << esCustom;
    QTest::newRow("from esSunken") << esSunken;
    QTest::newRow("from esShadow") << esShadow;
    QTest::newRow("from esFlying") << esFlying;
}

void TestEffectLabelModel::asButtonEntersRaised()
{
    QFETCH(TEffectStyle, from);
    CountingModel m;
    m.SetEffectStyle(from);
    m.SetAsButton(true);
    QCOMPARE(m.AsButton(), true);
    QCOMPARE(m.EffectStyle(), esRaised);
    QCOMPARE(m.DepthHighlight(), TEffectDepth(1));
    QCOMPARE(m.DepthShadow(), TEffectDepth(1));
    QCOMPARE(m.DirectionHighlight(), edUpLeft);
    QCOMPARE(m.DirectionShadow(), edDownRight);

    // Turning it off again leaves the look alone and asks for no repaint of its own.
    m.repaints = 0;
    m.SetAsButton(false);
    QCOMPARE(m.EffectStyle(), esRaised);
    QCOMPARE(m.repaints, 0);
}

void TestEffectLabelModel::directGeometryChangeSelectsCustom_data()
{
    QTest::addColumn<Action>("change");
    QTest::addColumn<TEffectDepth>("depthHighlight");
    QTest::addColumn<TEffectDepth>("depthShadow");
    QTest::addColumn<TEffectDirection>("directionHighlight");
    QTest::addColumn<TEffectDirection>("directionShadow");
    QTest::newRow("DepthShadow 3") << Action([](EffectLabelModel &m) { m.SetDepthShadow(3); })
                                   << TEffectDepth(1) << TEffectDepth(3) << edUpLeft << edDownRight;
    QTest::newRow("DepthHighlight 0")
        << Action([](EffectLabelModel &m) { m.SetDepthHighlight(0); }) << TEffectDepth(0)
        << TEffectDepth(1) << edUpLeft << edDownRight;
    QTest::newRow("DirectionHighlight edUp")
        << Action([](EffectLabelModel &m) { m.SetDirectionHighlight(edUp); }) << TEffectDepth(1)
        << TEffectDepth(1) << edUp << edDownRight;
    QTest::newRow("DirectionShadow edLeft")
        << Action([](EffectLabelModel &m) { m.SetDirectionShadow(edLeft); }) << TEffectDepth(1)
        << TEffectDepth(1) << edUpLeft << edLeft;
}

void TestEffectLabelModel::directGeometryChangeSelectsCustom()
{
    QFETCH(Action, change);
    QFETCH(TEffectDepth, depthHighlight);
    QFETCH(TEffectDepth, depthShadow);
    QFETCH(TEffectDirection, directionHighlight);
    QFETCH(TEffectDirection, directionShadow);

    CountingModel m;
    m.SetAsButton(true);
    change(m);
    QCOMPARE(m.EffectStyle(), esCustom);
    QCOMPARE(m.AsButton(), false);
    QCOMPARE(m.DepthHighlight(), depthHighlight);
    QCOMPARE(m.DepthShadow(), depthShadow);
    QCOMPARE(m.DirectionHighlight(), directionHighlight);
    QCOMPARE(m.DirectionShadow(), directionShadow);
    QVERIFY(m.repaints > 0);
}

void TestEffectLabelModel::drawingStyleKeepsEffectStyle_data()
{
    QTest::addColumn<Action>("change");
    QTest::newRow("StyleHighlight eoExtrude")
        << Action([](EffectLabelModel &m) { m.SetStyleHighlight(eoExtrude); });
    QTest::newRow("StyleShadow eoGraduated")
        << Action([](EffectLabelModel &m) { m.SetStyleShadow(eoGraduated); });
    QTest::newRow("GraduateFace goVertical")
        << Action([](EffectLabelModel &m) { m.SetGraduateFace(goVertical); });
}

void TestEffectLabelModel::drawingStyleKeepsEffectStyle()
{
    QFETCH(Action, change);
    CountingModel m;
    m.SetAsButton(true);
    change(m);
    QCOMPARE(m.EffectStyle(), esRaised);
    QCOMPARE(m.AsButton(), true);
    QCOMPARE(m.repaints, 1);
}

void TestEffectLabelModel::schemes_data()
{
    QTest::addColumn<TColourScheme>("before");
    QTest::addColumn<TColourScheme>("scheme");
    QTest::addColumn<TSchemeColour>("colours");
    QTest::newRow("csText") << csWindows << csText << FixedSchemes[csText];
    QTest::newRow("csWindows after csGold") << csGold << csWindows << FixedSchemes[csWindows];
    QTest::newRow("csEmbossed") << csWindows << csEmbossed << FixedSchemes[csEmbossed];
    QTest::newRow("csGold") << csWindows << csGold << FixedSchemes[csGold];
    QTest::newRow("csSteel") << csWindows << csSteel << FixedSchemes[csSteel];
    QTest::newRow("csCustom keeps the last scheme's colours")
        << csSteel << csCustom << FixedSchemes[csSteel];
}

void TestEffectLabelModel::schemes()
{
    QFETCH(TColourScheme, before);
    QFETCH(TColourScheme, scheme);
    QFETCH(TSchemeColour, colours);

    CountingModel m;
    m.SetColourScheme(before);
    m.SetColourScheme(scheme);
    QCOMPARE(m.ColourScheme(), scheme);
    QCOMPARE(m.ColourHighlight(), colours.Highlight);
    QCOMPARE(m.ColourShadow(), colours.Shadow);
    QCOMPARE(m.FontColor(), colours.Face);
    QCOMPARE(m.SchemeColours()[csCustom], colours);
    QCOMPARE(m.EffectStyle(), esRaised);
    QCOMPARE(m.ApplyingColourScheme(), false);
    VerifyFixedSchemesUntouched(m);
}

void TestEffectLabelModel::colourChangeSelectsCustomScheme_data()
{
    QTest::addColumn<Action>("change");
    QTest::addColumn<TSchemeColour>("custom");
    QTest::addColumn<TColor>("fontColor");
    QTest::newRow("gold, then ColourHighlight red") << Action([](EffectLabelModel &m) {
        m.SetColourScheme(csGold);
        m.SetColourHighlight(clRed);
    }) << TSchemeColour{clRed, clBlack, clOlive} << clOlive;
    QTest::newRow("gold, then ColourShadow navy") << Action([](EffectLabelModel &m) {
        m.SetColourScheme(csGold);
        m.SetColourShadow(clNavy);
    }) << TSchemeColour{clYellow, clNavy, clOlive} << clOlive;
    QTest::newRow("gold, font teal, then ColourHighlight red: font takes the gold face")
        << Action([](EffectLabelModel &m) {
               m.SetColourScheme(csGold);
               m.SetFontColor(clTeal);
               m.SetColourHighlight(clRed);
           })
        << TSchemeColour{clRed, clBlack, clOlive} << clOlive;
    QTest::newRow("already custom: font colour kept") << Action([](EffectLabelModel &m) {
        m.SetColourHighlight(clRed);
        m.SetFontColor(clTeal);
        m.SetColourShadow(clNavy);
    }) << TSchemeColour{clRed, clNavy, clGray} << clTeal;
}

void TestEffectLabelModel::colourChangeSelectsCustomScheme()
{
    QFETCH(Action, change);
    QFETCH(TSchemeColour, custom);
    QFETCH(TColor, fontColor);

    CountingModel m;
    change(m);
    QCOMPARE(m.ColourScheme(), csCustom);
    QCOMPARE(m.SchemeColours()[csCustom], custom);
    QCOMPARE(m.ColourHighlight(), custom.Highlight);
    QCOMPARE(m.ColourShadow(), custom.Shadow);
    QCOMPARE(m.FontColor(), fontColor);
    VerifyFixedSchemesUntouched(m);
}

void TestEffectLabelModel::fontColourDoesNotReachCustomFace()
{
    CountingModel m;
    m.SetColourScheme(csCustom);
    QCOMPARE(m.ColourScheme(), csCustom);
    m.SetFontColor(clRed);
    QCOMPARE(m.SchemeColours()[csCustom].Face, clGray);
    // Leaving and re-entering the custom scheme brings back the copied face, not the font's.
    m.SetColourScheme(csText);
    m.SetFontColor(clRed);
    m.SetColourScheme(csCustom);
    QCOMPARE(m.FontColor(), clBlack);
}

void TestEffectLabelModel::fontColourAndHighlightOrder_data()
{
    QTest::addColumn<bool>("fontFirst");
    QTest::addColumn<TColor>("fontColor");
    QTest::newRow("font colour, then highlight: the scheme switch wins") << true << clGray;
    QTest::newRow("highlight, then font colour: the font colour wins") << false << clRed;
}

void TestEffectLabelModel::fontColourAndHighlightOrder()
{
    QFETCH(bool, fontFirst);
    QFETCH(TColor, fontColor);
    CountingModel m;
    if (fontFirst) {
        m.SetFontColor(clRed);
        m.SetColourHighlight(clLime);
    } else {
        m.SetColourHighlight(clLime);
        m.SetFontColor(clRed);
    }
    QCOMPARE(m.ColourScheme(), csCustom);
    QCOMPARE(m.ColourHighlight(), clLime);
    QCOMPARE(m.FontColor(), fontColor);
}

void TestEffectLabelModel::angle_data()
{
    QTest::addColumn<int>("angle");
    QTest::addColumn<double>("cosine");
    QTest::addColumn<double>("sine");
    QTest::addColumn<TAlignment>("alignment");
    QTest::newRow("0 keeps centred") << 0 << 1.0 << 0.0 << taCenter;
    QTest::newRow("90") << 90 << NearZero << 1.0 << taLeftJustify;
    QTest::newRow("180") << 180 << -1.0 << NearZero << taLeftJustify;
    QTest::newRow("270") << 270 << NearZero << -1.0 << taLeftJustify;
    QTest::newRow("360") << 360 << 1.0 << NearZero << taLeftJustify;
    QTest::newRow("60") << 60 << 0.5 << std::sqrt(3.0) / 2 << taLeftJustify;
}

void TestEffectLabelModel::angle()
{
    QFETCH(int, angle);
    QFETCH(double, cosine);
    QFETCH(double, sine);
    QFETCH(TAlignment, alignment);

    CountingModel m;
    m.SetAlignment(taCenter);
    m.repaints = 0;
    m.SetAngle(static_cast<TAngleRange>(angle));
    QCOMPARE(m.Angle(), TAngleRange(angle));
    QCOMPARE(m.Alignment(), alignment);

    const auto check = [](double actual, double expected) {
        if (expected == NearZero) {
            return actual != 0.0 && std::abs(actual) < 1e-15;
        }
        return std::abs(actual - expected) < 1e-15;
    };
    QVERIFY2(check(m.AngleCos(), cosine), qPrintable(QString::number(m.AngleCos(), 'g', 17)));
    QVERIFY2(check(m.AngleSin(), sine), qPrintable(QString::number(m.AngleSin(), 'g', 17)));
    QCOMPARE(m.AngleCosSquared(), m.AngleCos() * m.AngleCos());
    QCOMPARE(m.AngleSinSquared(), m.AngleSin() * m.AngleSin());
    if (angle == 90) {
        QCOMPARE(m.AngleSin(), 1.0);
    }
    // One repaint for the angle, one more when the alignment had to change.
    QCOMPARE(m.repaints, angle == 0 ? 0 : 2);
}

void TestEffectLabelModel::angleBackToZeroKeepsLeftAlignment()
{
    CountingModel m;
    m.SetAlignment(taRightJustify);
    m.SetAngle(90);
    QCOMPARE(m.Alignment(), taLeftJustify);
    // A later alignment is accepted while the angle stays.
    m.SetAlignment(taCenter);
    QCOMPARE(m.Alignment(), taCenter);
    m.SetAlignment(taLeftJustify);
    m.repaints = 0;
    m.SetAngle(0);
    QCOMPARE(m.Alignment(), taLeftJustify);
    QCOMPARE(m.AngleCos(), 1.0);
    QCOMPARE(m.AngleSin(), 0.0);
    QCOMPARE(m.AngleCosSquared(), 1.0);
    QCOMPARE(m.AngleSinSquared(), 0.0);
    QCOMPARE(m.repaints, 1);
}

namespace {

void AddSetterRows()
{
    QTest::addColumn<Action>("setSame");
    QTest::addColumn<Action>("setOther");
    // clang-format off
    QTest::newRow("DepthHighlight")
        << Action([](EffectLabelModel &m) { m.SetDepthHighlight(m.DepthHighlight()); })
        << Action([](EffectLabelModel &m) { m.SetDepthHighlight(m.DepthHighlight() + 1); });
    QTest::newRow("DepthShadow")
        << Action([](EffectLabelModel &m) { m.SetDepthShadow(m.DepthShadow()); })
        << Action([](EffectLabelModel &m) { m.SetDepthShadow(m.DepthShadow() + 1); });
    QTest::newRow("DirectionHighlight")
        << Action([](EffectLabelModel &m) { m.SetDirectionHighlight(m.DirectionHighlight()); })
        << Action([](EffectLabelModel &m) { m.SetDirectionHighlight(edDown); });
    QTest::newRow("DirectionShadow")
        << Action([](EffectLabelModel &m) { m.SetDirectionShadow(m.DirectionShadow()); })
        << Action([](EffectLabelModel &m) { m.SetDirectionShadow(edRight); });
    QTest::newRow("ColourHighlight")
        << Action([](EffectLabelModel &m) { m.SetColourHighlight(m.ColourHighlight()); })
        << Action([](EffectLabelModel &m) { m.SetColourHighlight(clRed); });
    QTest::newRow("ColourShadow")
        << Action([](EffectLabelModel &m) { m.SetColourShadow(m.ColourShadow()); })
        << Action([](EffectLabelModel &m) { m.SetColourShadow(clRed); });
    QTest::newRow("GraduateFace")
        << Action([](EffectLabelModel &m) { m.SetGraduateFace(m.GraduateFace()); })
        << Action([](EffectLabelModel &m) { m.SetGraduateFace(goHorizontal); });
    QTest::newRow("GraduateFrom")
        << Action([](EffectLabelModel &m) { m.SetGraduateFrom(m.GraduateFrom()); })
        << Action([](EffectLabelModel &m) { m.SetGraduateFrom(clRed); });
    QTest::newRow("StyleHighlight")
        << Action([](EffectLabelModel &m) { m.SetStyleHighlight(m.StyleHighlight()); })
        << Action([](EffectLabelModel &m) { m.SetStyleHighlight(eoGraduated); });
    QTest::newRow("StyleShadow")
        << Action([](EffectLabelModel &m) { m.SetStyleShadow(m.StyleShadow()); })
        << Action([](EffectLabelModel &m) { m.SetStyleShadow(eoGraduated); });
    QTest::newRow("EffectStyle")
        << Action([](EffectLabelModel &m) { m.SetEffectStyle(m.EffectStyle()); })
        << Action([](EffectLabelModel &m) { m.SetEffectStyle(esShadow); });
    QTest::newRow("ColourScheme")
        << Action([](EffectLabelModel &m) { m.SetColourScheme(m.ColourScheme()); })
        << Action([](EffectLabelModel &m) { m.SetColourScheme(csEmbossed); });
    QTest::newRow("Angle")
        << Action([](EffectLabelModel &m) { m.SetAngle(m.Angle()); })
        << Action([](EffectLabelModel &m) { m.SetAngle(m.Angle() + 15); });
    QTest::newRow("KeepLettersVertical")
        << Action([](EffectLabelModel &m) { m.SetKeepLettersVertical(m.KeepLettersVertical()); })
        << Action([](EffectLabelModel &m) { m.SetKeepLettersVertical(!m.KeepLettersVertical()); });
    QTest::newRow("Caption")
        << Action([](EffectLabelModel &m) { m.SetCaption(m.Caption()); })
        << Action([](EffectLabelModel &m) { m.SetCaption(QStringLiteral("Ответ &1")); });
    QTest::newRow("Font")
        << Action([](EffectLabelModel &m) { m.SetFont(m.Font()); })
        << Action([](EffectLabelModel &m) { m.SetFontStyle(fsItalic | fsUnderline); });
    QTest::newRow("Font.Color")
        << Action([](EffectLabelModel &m) { m.SetFontColor(m.FontColor()); })
        << Action([](EffectLabelModel &m) { m.SetFontColor(clRed); });
    QTest::newRow("Font.Height")
        << Action([](EffectLabelModel &m) { m.SetFontHeight(m.FontHeight()); })
        << Action([](EffectLabelModel &m) { m.SetFontHeight(m.FontHeight() + 1); });
    QTest::newRow("Font.Size")
        << Action([](EffectLabelModel &m) { m.SetFontSize(m.FontSize()); })
        << Action([](EffectLabelModel &m) { m.SetFontSize(m.FontSize() + 4); });
    QTest::newRow("Font.Name")
        << Action([](EffectLabelModel &m) { m.SetFontName(m.FontName()); })
        << Action([](EffectLabelModel &m) { m.SetFontName(QStringLiteral("Arial")); });
    QTest::newRow("Font.Style")
        << Action([](EffectLabelModel &m) { m.SetFontStyle(m.FontStyle()); })
        << Action([](EffectLabelModel &m) { m.SetFontStyle(fsBold); });
    QTest::newRow("Color")
        << Action([](EffectLabelModel &m) { m.SetColor(m.Color()); })
        << Action([](EffectLabelModel &m) { m.SetColor(clYellow); });
    QTest::newRow("Alignment")
        << Action([](EffectLabelModel &m) { m.SetAlignment(m.Alignment()); })
        << Action([](EffectLabelModel &m) { m.SetAlignment(taRightJustify); });
    QTest::newRow("Transparent")
        << Action([](EffectLabelModel &m) { m.SetTransparent(m.Transparent()); })
        << Action([](EffectLabelModel &m) { m.SetTransparent(!m.Transparent()); });
    // clang-format on
}

// A label far from its fresh state: another scheme, a gradient, a turned line, a button.
void MakeBusy(EffectLabelModel &m)
{
    m.SetColourScheme(csGold);
    m.SetGraduateFace(goVertical);
    m.SetAngle(30);
    m.SetKeepLettersVertical(true);
    m.SetAsButton(true);
    m.SetEffectStyle(esSunken);
    m.SetCaption(QStringLiteral("Ответ"));
    m.SetTransparent(false);
}

} // namespace

void TestEffectLabelModel::unchangedValueDoesNothing_data()
{
    AddSetterRows();
}

void TestEffectLabelModel::unchangedValueDoesNothing()
{
    QFETCH(Action, setSame);
    for (const bool busy : {false, true}) {
        CountingModel m;
        if (busy) {
            MakeBusy(m);
        }
        m.repaints = 0;
        const QString before = Dump(m);
        setSame(m);
        QCOMPARE(Dump(m), before);
        QCOMPARE(m.repaints, 0);
    }
}

void TestEffectLabelModel::changedValueRepaints_data()
{
    AddSetterRows();
}

void TestEffectLabelModel::changedValueRepaints()
{
    QFETCH(Action, setOther);
    CountingModel m;
    MakeBusy(m);
    m.repaints = 0;
    const QString before = Dump(m);
    setOther(m);
    QVERIFY(Dump(m) != before);
    QVERIFY(m.repaints > 0);
}

void TestEffectLabelModel::repaintOnlyWhenPictureCanChange_data()
{
    QTest::addColumn<Action>("setup");
    QTest::addColumn<Action>("change");
    QTest::addColumn<int>("repaints");
    const Action none = [](EffectLabelModel &) {
    };
    const Action graduateFrom = [](EffectLabelModel &m) {
        m.SetGraduateFrom(clRed);
    };
    const Action keepVertical = [](EffectLabelModel &m) {
        m.SetKeepLettersVertical(true);
    };
    QTest::newRow("GraduateFrom without a gradient") << none << graduateFrom << 0;
    QTest::newRow("GraduateFrom with a vertical gradient")
        << Action([](EffectLabelModel &m) { m.SetGraduateFace(goVertical); }) << graduateFrom << 1;
    QTest::newRow("GraduateFrom with a horizontal gradient")
        << Action([](EffectLabelModel &m) { m.SetGraduateFace(goHorizontal); }) << graduateFrom
        << 1;
    QTest::newRow("KeepLettersVertical at Angle 0") << none << keepVertical << 0;
    QTest::newRow("KeepLettersVertical at Angle 1")
        << Action([](EffectLabelModel &m) { m.SetAngle(1); }) << keepVertical << 1;
    QTest::newRow("AsButton on a raised label")
        << none << Action([](EffectLabelModel &m) { m.SetAsButton(true); }) << 0;
}

void TestEffectLabelModel::repaintOnlyWhenPictureCanChange()
{
    QFETCH(Action, setup);
    QFETCH(Action, change);
    QFETCH(int, repaints);
    CountingModel m;
    setup(m);
    m.repaints = 0;
    const QString before = Dump(m);
    change(m);
    QVERIFY(Dump(m) != before);
    QCOMPARE(m.repaints, repaints);
}

void TestEffectLabelModel::answerLabelForm()
{
    CountingModel m;
    ApplyAnswerLabelForm(m);
    QCOMPARE(m.ColourScheme(), csCustom);
    QCOMPARE(m.SchemeColours()[csCustom], (TSchemeColour{clLime, clBlack, clGray}));
    QCOMPARE(m.ColourHighlight(), clLime);
    QCOMPARE(m.ColourShadow(), clBlack);
    QCOMPARE(m.GraduateFrom(), clWindowText);
    QCOMPARE(m.Alignment(), taCenter);
    QCOMPARE(m.FontColor(), clGreen);
    QCOMPARE(m.FontHeight(), 19);
    QCOMPARE(m.FontSize(), 14);
    QCOMPARE(m.FontName(), QStringLiteral("Times New Roman"));
    QCOMPARE(m.FontStyle(), TFontStyles(0));
    QCOMPARE(m.EffectStyle(), esRaised);
    QCOMPARE(m.DepthHighlight(), TEffectDepth(1));
    QCOMPARE(m.DepthShadow(), TEffectDepth(1));
    QCOMPARE(m.DirectionHighlight(), edUpLeft);
    QCOMPARE(m.DirectionShadow(), edDownRight);
    QCOMPARE(m.StyleHighlight(), eoNormal);
    QCOMPARE(m.StyleShadow(), eoNormal);
    QCOMPARE(m.GraduateFace(), goNone);
    QCOMPARE(m.AsButton(), false);
    QCOMPARE(m.Angle(), TAngleRange(0));
    QCOMPARE(m.Transparent(), true);
    VerifyFixedSchemesUntouched(m);
}

void TestEffectLabelModel::answerLabelHoverPressAndRelease()
{
    CountingModel m;
    ApplyAnswerLabelForm(m);
    m.repaints = 0;

    // At rest the font is already 14 points: the hover reset costs nothing.
    m.SetFontSize(14);
    m.SetFontColor(clGreen);
    QCOMPARE(m.repaints, 0);

    m.SetFontSize(18);
    QCOMPARE(m.FontHeight(), 24);
    m.SetFontSize(14);
    QCOMPARE(m.FontHeight(), 19);

    // The settings recolour the highlight; on the custom scheme the font keeps its colour.
    m.SetColourHighlight(clRed);
    m.SetFontColor(clTeal);
    m.SetColourHighlight(clYellow);
    QCOMPARE(m.FontColor(), clTeal);

    // Press flattens, release raises again with the custom highlight.
    m.SetEffectStyle(esNone);
    QCOMPARE(m.DepthHighlight(), TEffectDepth(0));
    QCOMPARE(m.DepthShadow(), TEffectDepth(0));
    QCOMPARE(m.ColourHighlight(), clYellow);
    m.SetEffectStyle(esRaised);
    QCOMPARE(m.DepthHighlight(), TEffectDepth(1));
    QCOMPARE(m.DepthShadow(), TEffectDepth(1));
    QCOMPARE(m.ColourHighlight(), clYellow);
    QCOMPARE(m.FontColor(), clTeal);
    QCOMPARE(m.ColourScheme(), csCustom);
}

void TestEffectLabelModel::buttonPress_data()
{
    QTest::addColumn<TEffectStyle>("before");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<TEffectStyle>("after");
    QTest::addColumn<bool>("repaint");
    QTest::newRow("left sinks") << esRaised << Qt::LeftButton << true << esSunken << true;
    QTest::newRow("left on sunken: nothing")
        << esSunken << Qt::LeftButton << true << esSunken << false;
    QTest::newRow("right: nothing") << esRaised << Qt::RightButton << true << esRaised << false;
    QTest::newRow("middle: nothing") << esRaised << Qt::MiddleButton << true << esRaised << false;
    QTest::newRow("left while disabled: nothing")
        << esRaised << Qt::LeftButton << false << esRaised << false;
}

void TestEffectLabelModel::buttonPress()
{
    QFETCH(TEffectStyle, before);
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, enabled);
    QFETCH(TEffectStyle, after);
    QFETCH(bool, repaint);
    CountingModel m;
    m.SetAsButton(true);
    m.SetEffectStyle(before);
    m.repaints = 0;
    m.ButtonPress(button, enabled);
    QCOMPARE(m.EffectStyle(), after);
    QCOMPARE(m.AsButton(), true);
    QCOMPARE(m.repaints > 0, repaint);
}

void TestEffectLabelModel::buttonMove_data()
{
    QTest::addColumn<Qt::MouseButtons>("buttons");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QPoint>("position");
    // What a raised and a sunken button become; "moved" is false where nothing may happen.
    QTest::addColumn<bool>("moved");
    QTest::addColumn<bool>("inside");

    const Qt::MouseButtons left(Qt::LeftButton);
    const Qt::KeyboardModifiers none;
    QTest::newRow("left inside") << left << none << QPoint(50, 10) << true << true;
    QTest::newRow("left on the top-left corner") << left << none << QPoint(0, 0) << true << true;
    QTest::newRow("left on the right edge x = width")
        << left << none << QPoint(142, 10) << true << true;
    QTest::newRow("left on the bottom edge y = height")
        << left << none << QPoint(10, 33) << true << true;
    QTest::newRow("left just right of the edge")
        << left << none << QPoint(143, 10) << true << false;
    QTest::newRow("left just below the edge") << left << none << QPoint(10, 34) << true << false;
    QTest::newRow("left just left of the edge") << left << none << QPoint(-1, 10) << true << false;
    QTest::newRow("left just above the edge") << left << none << QPoint(10, -1) << true << false;
    QTest::newRow("left far away") << left << none << QPoint(-500, 900) << true << false;
    QTest::newRow("left with Meta still counts")
        << left << Qt::KeyboardModifiers(Qt::MetaModifier) << QPoint(-1, 10) << true << false;
    QTest::newRow("left and Shift")
        << left << Qt::KeyboardModifiers(Qt::ShiftModifier) << QPoint(-1, 10) << false << false;
    QTest::newRow("left and Ctrl")
        << left << Qt::KeyboardModifiers(Qt::ControlModifier) << QPoint(50, 10) << false << true;
    QTest::newRow("left and Alt") << left << Qt::KeyboardModifiers(Qt::AltModifier)
                                  << QPoint(-1, 10) << false << false;
    QTest::newRow("left and right") << Qt::MouseButtons(Qt::LeftButton | Qt::RightButton) << none
                                    << QPoint(-1, 10) << false << false;
    QTest::newRow("left and middle") << Qt::MouseButtons(Qt::LeftButton | Qt::MiddleButton) << none
                                     << QPoint(50, 10) << false << true;
    QTest::newRow("right only") << Qt::MouseButtons(Qt::RightButton) << none << QPoint(50, 10)
                                << false << true;
    QTest::newRow("no button") << Qt::MouseButtons() << none << QPoint(-1, 10) << false << false;
}

void TestEffectLabelModel::buttonMove()
{
    QFETCH(Qt::MouseButtons, buttons);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QPoint, position);
    QFETCH(bool, moved);
    QFETCH(bool, inside);

    for (const TEffectStyle before : {esRaised, esSunken}) {
        CountingModel m;
        m.SetAsButton(true);
        m.SetEffectStyle(before);
        m.ButtonMove(buttons, modifiers, position.x(), position.y(), 142, 33);
        const TEffectStyle expected = moved ? (inside ? esSunken : esRaised) : before;
        QCOMPARE(m.EffectStyle(), expected);
        QCOMPARE(m.AsButton(), true);
    }
}

void TestEffectLabelModel::buttonRelease_data()
{
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<TEffectStyle>("after");
    QTest::newRow("inside") << QPoint(70, 16) << esRaised;
    QTest::newRow("bottom-right corner, edges included") << QPoint(142, 33) << esRaised;
    QTest::newRow("outside right") << QPoint(143, 16) << esSunken;
    QTest::newRow("outside above") << QPoint(70, -1) << esSunken;
}

void TestEffectLabelModel::buttonRelease()
{
    QFETCH(QPoint, position);
    QFETCH(TEffectStyle, after);
    CountingModel m;
    m.SetAsButton(true);
    m.ButtonPress(Qt::LeftButton, true);
    m.ButtonRelease(position.x(), position.y(), 142, 33);
    QCOMPARE(m.EffectStyle(), after);
}

QTEST_MAIN(TestEffectLabelModel)
#include "tst_effectlabelmodel.moc"
