#include "effectlabel/answerlabelform.h"
#include "effectlabel/effectlabelmodel.h"

#include <QtTest>

#include <cmath>

namespace {

class CountingModel : public EffectLabelModel {
public:
    int repaints = 0;

protected:
    void RequestRepaint() override { ++repaints; }
};

using Action = void (*)(EffectLabelModel &);

template <typename... Values> QString Numbers(Values... values)
{
    return QStringList{QString::number(double(values), 'g', 17)...}.join(QLatin1Char(','));
}

// Every value a setter can touch, so a test can tell "nothing changed" from "something did".
QString Dump(const EffectLabelModel &m)
{
    QString dump =
        Numbers(m.DepthHighlight(), m.DepthShadow(), m.DirectionHighlight(), m.DirectionShadow(),
                m.ColourHighlight(), m.ColourShadow(), m.GraduateFace(), m.GraduateFrom(),
                m.StyleHighlight(), m.StyleShadow(), m.EffectStyle(), m.ColourScheme(),
                m.AsButton(), m.Angle(), m.KeepLettersVertical(), m.AngleCos(), m.AngleSin(),
                m.FontHeight(), m.FontStyle(), m.FontColor(), m.Color(), m.Alignment(),
                m.Transparent()) +
        u'|' + m.Caption() + u'|' + m.FontName();
    for (const TSchemeColour &entry : m.SchemeColours()) {
        dump += u'|' + Numbers(entry.Highlight, entry.Shadow, entry.Face);
    }
    return dump;
}

// The scheme entries of a fresh label; only the custom one may ever differ from the others.
const TSchemeColours FixedSchemes = {{
    {clWhite, clBlack, clGray},
    {clWhite, clGray, clBlack},
    {clWhite, clBlack, clGray},
    {clWhite, clBlack, clSilver},
    {clYellow, clBlack, clOlive},
    {clAqua, clNavy, clTeal},
}};

void VerifyFixedSchemesUntouched(const EffectLabelModel &m)
{
    for (int scheme = csText; scheme <= csSteel; ++scheme) {
        QCOMPARE(m.SchemeColours()[scheme], FixedSchemes[scheme]);
    }
}

// The part of the label an effect style preset sets.
QString Look(int directionHighlight, int directionShadow, int depthHighlight, int depthShadow,
             TColor colourHighlight, bool asButton)
{
    return Numbers(directionHighlight, directionShadow, depthHighlight, depthShadow,
                   colourHighlight, asButton);
}

QString LookOf(const EffectLabelModel &m)
{
    return Look(m.DirectionHighlight(), m.DirectionShadow(), m.DepthHighlight(), m.DepthShadow(),
                m.ColourHighlight(), m.AsButton());
}

const QString Raised = Look(edUpLeft, edDownRight, 1, 1, clWhite, false);

} // namespace

Q_DECLARE_METATYPE(TEffectStyle)
Q_DECLARE_METATYPE(TColourScheme)
Q_DECLARE_METATYPE(TSchemeColour)
Q_DECLARE_METATYPE(Action)

class TestEffectLabelModel : public QObject {
    Q_OBJECT

private slots:
    void freshLabel();
    void fontSizeConversion_data();
    void fontSizeConversion();

    void presets_data();
    void presets();
    void asButtonEntersRaised();

    void schemes_data();
    void schemes();

    void angle_data();
    void angle();

    void setters_data();
    void setters();
    void repaintOnlyWhenPictureCanChange_data();
    void repaintOnlyWhenPictureCanChange();

    void answerLabelForm();

    void buttonPressAndRelease_data();
    void buttonPressAndRelease();
    void buttonMove_data();
    void buttonMove();
};

void TestEffectLabelModel::freshLabel()
{
    const EffectLabelModel m;
    QCOMPARE(m.EffectStyle(), esRaised);
    QCOMPARE(LookOf(m), Raised);
    QCOMPARE(m.ColourShadow(), clBlack);
    QCOMPARE(m.ColourScheme(), csWindows);
    QVERIFY(m.SchemeColours() == FixedSchemes);
    QCOMPARE(m.StyleHighlight(), eoNormal);
    QCOMPARE(m.StyleShadow(), eoNormal);
    QCOMPARE(m.GraduateFace(), goNone);
    QCOMPARE(m.GraduateFrom(), clWindowText);
    QCOMPARE(m.Angle(), TAngleRange(0));
    QCOMPARE(m.KeepLettersVertical(), false);
    QCOMPARE(QList<double>({m.AngleCos(), m.AngleSin(), m.AngleCosSquared(), m.AngleSinSquared()}),
             QList<double>({1.0, 0.0, 1.0, 0.0}));
    QVERIFY(m.Font() == (EffectLabelFont{QStringLiteral("Times New Roman"), 27, 0, clGray}));
    QCOMPARE(m.FontSize(), 20);
    QCOMPARE(m.Transparent(), true);
    QCOMPARE(m.Alignment(), taLeftJustify);
    QCOMPARE(m.Color(), clBtnFace);
    QVERIFY(m.Caption().isEmpty());
}

void TestEffectLabelModel::fontSizeConversion_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("pixels");
    QTest::newRow("answer at rest") << 14 << 19;
    QTest::newRow("answer enlarged") << 18 << 24;
    QTest::newRow("exact half rounds away") << 3 << 4;
    QTest::newRow("below a half rounds down") << 1 << 1;
    QTest::newRow("zero") << 0 << 0;
    QTest::newRow("negative rounds away from zero") << -14 << -19;
}

void TestEffectLabelModel::fontSizeConversion()
{
    QFETCH(int, points);
    QFETCH(int, pixels);
    QCOMPARE(PointsToPixels(points), pixels);
    QCOMPARE(PixelsToPoints(pixels), points);

    CountingModel m;
    m.SetFontSize(points);
    QCOMPARE(m.FontHeight(), pixels);
    QCOMPARE(m.FontSize(), points);
    // A height Qt refuses still gives a font, of Qt's default size.
    const QFont font = ToQFont(m.Font());
    QVERIFY(pixels > 0 ? font.pixelSize() == pixels : font.pointSizeF() > 0);
}

void TestEffectLabelModel::presets_data()
{
    QTest::addColumn<Action>("setup");
    QTest::addColumn<TEffectStyle>("style");
    QTest::addColumn<QString>("look");

    const Action button = [](EffectLabelModel &m) {
        m.SetAsButton(true);
    };
    const Action sunkenButton = [](EffectLabelModel &m) {
        m.SetAsButton(true);
        m.SetEffectStyle(esSunken);
    };
    QTest::newRow("esNone ends a button")
        << button << esNone << Look(edNone, edNone, 0, 0, clWhite, false);
    QTest::newRow("esCustom keeps the geometry, ends a button")
        << sunkenButton << esCustom << Look(edDownRight, edUpLeft, 1, 1, clWhite, false);
    QTest::newRow("esSunken keeps a button")
        << button << esSunken << Look(edDownRight, edUpLeft, 1, 1, clWhite, true);
    QTest::newRow("esShadow ends a button")
        << button << esShadow << Look(edNone, edDownRight, 0, 2, clWhite, false);
    QTest::newRow("esFlying under csWindows takes the scheme shadow")
        << button << esFlying << Look(edDownRight, edDownRight, 1, 5, clBlack, false);
    QTest::newRow("esFlying under csSteel")
        << Action([](EffectLabelModel &m) { m.SetColourScheme(csSteel); }) << esFlying
        << Look(edDownRight, edDownRight, 1, 5, clNavy, false);
    QTest::newRow("esRaised after esFlying restores the scheme highlight")
        << Action([](EffectLabelModel &m) { m.SetEffectStyle(esFlying); }) << esRaised << Raised;
    QTest::newRow("esRaised under csGold takes the gold highlight")
        << Action([](EffectLabelModel &m) {
               m.SetColourScheme(csGold);
               m.SetEffectStyle(esNone);
           })
        << esRaised << Look(edUpLeft, edDownRight, 1, 1, clYellow, false);
    QTest::newRow("esFlying under csCustom takes the custom shadow, which esRaised keeps")
        << Action([](EffectLabelModel &m) {
               m.SetColourShadow(clRed);
               m.SetEffectStyle(esFlying);
           })
        << esRaised << Look(edUpLeft, edDownRight, 1, 1, clRed, false);
}

void TestEffectLabelModel::presets()
{
    QFETCH(Action, setup);
    QFETCH(TEffectStyle, style);
    QFETCH(QString, look);

    CountingModel m;
    // Properties no preset may touch, away from their fresh values.
    m.SetStyleHighlight(eoExtrude);
    m.SetStyleShadow(eoReal);
    m.SetGraduateFace(goHorizontal);
    m.SetGraduateFrom(clRed);
    m.SetAngle(45);
    setup(m);
    const auto untouched = [](const EffectLabelModel &l) {
        return QList<int>{l.ColourScheme(), int(l.ColourShadow()), l.StyleHighlight(),
                          l.StyleShadow(),  l.GraduateFace(),      int(l.GraduateFrom()),
                          l.Angle(),        int(l.FontColor())};
    };
    const QList<int> before = untouched(m);
    m.SetEffectStyle(style);

    QCOMPARE(m.EffectStyle(), style);
    QCOMPARE(LookOf(m), look);
    QCOMPARE(untouched(m), before);
    QCOMPARE(m.ApplyingEffectStyle(), false);
    QCOMPARE(m.ApplyingColourScheme(), false);
    // The highlight setter always writes the custom entry.
    QCOMPARE(m.SchemeColours()[csCustom].Highlight, m.ColourHighlight());
    VerifyFixedSchemesUntouched(m);
}

void TestEffectLabelModel::asButtonEntersRaised()
{
    for (const TEffectStyle from : {esNone, esFlying}) {
        CountingModel m;
        m.SetEffectStyle(from);
        m.SetAsButton(true);
        QCOMPARE(m.EffectStyle(), esRaised);
        QCOMPARE(LookOf(m), Look(edUpLeft, edDownRight, 1, 1, clWhite, true));

        // Turning it off again leaves the look alone and asks for no repaint of its own.
        m.repaints = 0;
        m.SetAsButton(false);
        QCOMPARE(m.EffectStyle(), esRaised);
        QCOMPARE(m.repaints, 0);
    }
}

void TestEffectLabelModel::schemes_data()
{
    QTest::addColumn<Action>("change");
    QTest::addColumn<TColourScheme>("scheme");
    QTest::addColumn<TSchemeColour>("custom");
    QTest::addColumn<TColor>("fontColor");
    // A scheme gives the label its colours, the font's too, and copies them to the custom entry.
    QTest::newRow("csText") << Action([](EffectLabelModel &m) {
        m.SetFontColor(clRed);
        m.SetColourScheme(csText);
    }) << csText << FixedSchemes[csText]
                            << clBlack;
    QTest::newRow("csWindows after csGold") << Action([](EffectLabelModel &m) {
        m.SetColourScheme(csGold);
        m.SetFontColor(clRed);
        m.SetColourScheme(csWindows);
    }) << csWindows << FixedSchemes[csWindows]
                                            << clGray;
    QTest::newRow("csCustom keeps the last scheme's colours") << Action([](EffectLabelModel &m) {
        m.SetColourScheme(csSteel);
        m.SetFontColor(clRed);
        m.SetColourScheme(csCustom);
    }) << csCustom << FixedSchemes[csSteel] << clTeal;
    // A highlight or shadow colour of its own selects the custom scheme.
    QTest::newRow("gold, then ColourHighlight red") << Action([](EffectLabelModel &m) {
        m.SetColourScheme(csGold);
        m.SetColourHighlight(clRed);
    }) << csCustom << TSchemeColour{clRed, clBlack, clOlive}
                                                    << clOlive;
    QTest::newRow("gold, then ColourShadow navy") << Action([](EffectLabelModel &m) {
        m.SetColourScheme(csGold);
        m.SetColourShadow(clNavy);
    }) << csCustom << TSchemeColour{clYellow, clNavy, clOlive}
                                                  << clOlive;
    QTest::newRow("font colour, then highlight: the scheme switch wins")
        << Action([](EffectLabelModel &m) {
               m.SetFontColor(clRed);
               m.SetColourHighlight(clLime);
           })
        << csCustom << TSchemeColour{clLime, clBlack, clGray} << clGray;
    QTest::newRow("already custom: the font colour stays and does not reach the face")
        << Action([](EffectLabelModel &m) {
               m.SetColourHighlight(clLime);
               m.SetFontColor(clRed);
               m.SetColourShadow(clNavy);
           })
        << csCustom << TSchemeColour{clLime, clNavy, clGray} << clRed;
}

void TestEffectLabelModel::schemes()
{
    QFETCH(Action, change);
    QFETCH(TColourScheme, scheme);
    QFETCH(TSchemeColour, custom);
    QFETCH(TColor, fontColor);

    CountingModel m;
    change(m);
    QCOMPARE(m.ColourScheme(), scheme);
    QCOMPARE(m.SchemeColours()[csCustom], custom);
    QCOMPARE(m.ColourHighlight(), custom.Highlight);
    QCOMPARE(m.ColourShadow(), custom.Shadow);
    QCOMPARE(m.FontColor(), fontColor);
    QCOMPARE(m.EffectStyle(), esRaised);
    QCOMPARE(m.ApplyingColourScheme(), false);
    VerifyFixedSchemesUntouched(m);
}

void TestEffectLabelModel::angle_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("angle");
    QTest::addColumn<double>("cosine");
    QTest::addColumn<double>("sine");
    // One repaint for the angle, one more when the alignment has to change.
    QTest::addColumn<int>("repaints");
    QTest::newRow("0 keeps the alignment") << 0 << 0 << 1.0 << 0.0 << 0;
    QTest::newRow("60") << 0 << 60 << 0.5 << std::sqrt(3.0) / 2 << 2;
    QTest::newRow("90") << 0 << 90 << 0.0 << 1.0 << 2;
    QTest::newRow("180") << 0 << 180 << -1.0 << 0.0 << 2;
    QTest::newRow("360") << 0 << 360 << 1.0 << 0.0 << 2;
    QTest::newRow("400, not clamped") << 0 << 400 << 0.766044443118978 << 0.6427876096865393 << 2;
    QTest::newRow("back to 0 keeps the left alignment") << 90 << 0 << 1.0 << 0.0 << 1;
}

void TestEffectLabelModel::angle()
{
    QFETCH(int, from);
    QFETCH(int, angle);
    QFETCH(double, cosine);
    QFETCH(double, sine);
    QFETCH(int, repaints);

    CountingModel m;
    m.SetAlignment(taCenter);
    m.SetAngle(static_cast<TAngleRange>(from));
    m.repaints = 0;
    m.SetAngle(static_cast<TAngleRange>(angle));
    QCOMPARE(m.Angle(), TAngleRange(angle));
    QCOMPARE(m.Alignment(), from == 0 && angle == 0 ? taCenter : taLeftJustify);
    QVERIFY2(std::abs(m.AngleCos() - cosine) < 1e-15, qPrintable(QString::number(m.AngleCos())));
    QVERIFY2(std::abs(m.AngleSin() - sine) < 1e-15, qPrintable(QString::number(m.AngleSin())));
    QCOMPARE(m.AngleCosSquared(), m.AngleCos() * m.AngleCos());
    QCOMPARE(m.AngleSinSquared(), m.AngleSin() * m.AngleSin());
    QCOMPARE(m.repaints, repaints);
}

void TestEffectLabelModel::setters_data()
{
    QTest::addColumn<Action>("set");
    QTest::addColumn<TEffectStyle>("style"); // what it makes of a fresh button
    // clang-format off
    QTest::newRow("DepthHighlight") << Action([](EffectLabelModel &m) { m.SetDepthHighlight(4); }) << esCustom;
    QTest::newRow("DepthShadow") << Action([](EffectLabelModel &m) { m.SetDepthShadow(200); }) << esCustom; // not clamped
    QTest::newRow("DirectionHighlight") << Action([](EffectLabelModel &m) { m.SetDirectionHighlight(edDown); }) << esCustom;
    QTest::newRow("DirectionShadow") << Action([](EffectLabelModel &m) { m.SetDirectionShadow(edRight); }) << esCustom;
    QTest::newRow("ColourHighlight") << Action([](EffectLabelModel &m) { m.SetColourHighlight(clRed); }) << esRaised;
    QTest::newRow("ColourShadow") << Action([](EffectLabelModel &m) { m.SetColourShadow(clRed); }) << esRaised;
    QTest::newRow("GraduateFace") << Action([](EffectLabelModel &m) { m.SetGraduateFace(goHorizontal); }) << esRaised;
    QTest::newRow("GraduateFrom") << Action([](EffectLabelModel &m) { m.SetGraduateFrom(clRed); }) << esRaised;
    QTest::newRow("StyleHighlight") << Action([](EffectLabelModel &m) { m.SetStyleHighlight(eoGraduated); }) << esRaised;
    QTest::newRow("StyleShadow") << Action([](EffectLabelModel &m) { m.SetStyleShadow(eoGraduated); }) << esRaised;
    QTest::newRow("EffectStyle") << Action([](EffectLabelModel &m) { m.SetEffectStyle(esShadow); }) << esShadow;
    QTest::newRow("ColourScheme") << Action([](EffectLabelModel &m) { m.SetColourScheme(csEmbossed); }) << esRaised;
    QTest::newRow("Angle") << Action([](EffectLabelModel &m) { m.SetAngle(45); }) << esRaised;
    QTest::newRow("KeepLettersVertical") << Action([](EffectLabelModel &m) { m.SetKeepLettersVertical(false); }) << esRaised;
    QTest::newRow("Caption") << Action([](EffectLabelModel &m) { m.SetCaption(QStringLiteral("Ответ &1")); }) << esRaised;
    QTest::newRow("Font") << Action([](EffectLabelModel &m) { m.SetFont({QStringLiteral("Arial"), 30, fsItalic | fsUnderline, clRed}); }) << esRaised;
    QTest::newRow("Font.Color") << Action([](EffectLabelModel &m) { m.SetFontColor(clRed); }) << esRaised;
    QTest::newRow("Font.Height") << Action([](EffectLabelModel &m) { m.SetFontHeight(30); }) << esRaised;
    QTest::newRow("Font.Size") << Action([](EffectLabelModel &m) { m.SetFontSize(18); }) << esRaised;
    QTest::newRow("Font.Name") << Action([](EffectLabelModel &m) { m.SetFontName(QStringLiteral("Arial")); }) << esRaised;
    QTest::newRow("Font.Style") << Action([](EffectLabelModel &m) { m.SetFontStyle(fsBold); }) << esRaised;
    QTest::newRow("Color") << Action([](EffectLabelModel &m) { m.SetColor(clYellow); }) << esRaised;
    QTest::newRow("Alignment") << Action([](EffectLabelModel &m) { m.SetAlignment(taRightJustify); }) << esRaised;
    QTest::newRow("Transparent") << Action([](EffectLabelModel &m) { m.SetTransparent(true); }) << esRaised;
    // clang-format on
}

void TestEffectLabelModel::setters()
{
    // Depth and direction select the custom style, which ends a button; nothing else but the style
    // itself touches it.
    QFETCH(Action, set);
    QFETCH(TEffectStyle, style);
    CountingModel fresh;
    fresh.SetAsButton(true);
    set(fresh);
    QCOMPARE(fresh.EffectStyle(), style);
    QCOMPARE(fresh.AsButton(), style == esRaised);

    // A new value changes the label and repaints it, here on one far from a fresh label: another
    // scheme, a gradient, a turned line, a sunken button.
    CountingModel busy;
    busy.SetColourScheme(csGold);
    busy.SetGraduateFace(goVertical);
    busy.SetAngle(30);
    busy.SetKeepLettersVertical(true);
    busy.SetAsButton(true);
    busy.SetEffectStyle(esSunken);
    busy.SetCaption(QStringLiteral("Ответ"));
    busy.SetTransparent(false);
    busy.repaints = 0;
    const QString before = Dump(busy);
    set(busy);
    QVERIFY(Dump(busy) != before);
    QVERIFY(busy.repaints > 0);

    // The same value again does nothing at all.
    for (CountingModel *m : {&fresh, &busy}) {
        const QString now = Dump(*m);
        m->repaints = 0;
        set(*m);
        QCOMPARE(Dump(*m), now);
        QCOMPARE(m->repaints, 0);
    }
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
    QTest::newRow("GraduateFrom with a gradient")
        << Action([](EffectLabelModel &m) { m.SetGraduateFace(goVertical); }) << graduateFrom << 1;
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
    QCOMPARE(m.GraduateFrom(), clWindowText);
    QCOMPARE(m.Alignment(), taCenter);
    QVERIFY(m.Font() == (EffectLabelFont{QStringLiteral("Times New Roman"), 19, 0, clGreen}));
    QCOMPARE(m.EffectStyle(), esRaised);
    QCOMPARE(LookOf(m), Look(edUpLeft, edDownRight, 1, 1, clLime, false));
    VerifyFixedSchemesUntouched(m);
}

void TestEffectLabelModel::buttonPressAndRelease_data()
{
    QTest::addColumn<TEffectStyle>("before");
    QTest::addColumn<Action>("pointer");
    QTest::addColumn<TEffectStyle>("after");
    QTest::newRow("left press sinks")
        << esRaised << Action([](EffectLabelModel &m) { m.ButtonPress(Qt::LeftButton, true); })
        << esSunken;
    QTest::newRow("left press on sunken: nothing")
        << esSunken << Action([](EffectLabelModel &m) { m.ButtonPress(Qt::LeftButton, true); })
        << esSunken;
    QTest::newRow("right press: nothing")
        << esRaised << Action([](EffectLabelModel &m) { m.ButtonPress(Qt::RightButton, true); })
        << esRaised;
    QTest::newRow("left press while disabled: nothing")
        << esRaised << Action([](EffectLabelModel &m) { m.ButtonPress(Qt::LeftButton, false); })
        << esRaised;
    QTest::newRow("release inside rises")
        << esSunken << Action([](EffectLabelModel &m) { m.ButtonRelease(70, 16, 142, 33); })
        << esRaised;
    QTest::newRow("release on the bottom-right corner, edges included")
        << esSunken << Action([](EffectLabelModel &m) { m.ButtonRelease(142, 33, 142, 33); })
        << esRaised;
    QTest::newRow("release outside: nothing")
        << esSunken << Action([](EffectLabelModel &m) { m.ButtonRelease(143, 16, 142, 33); })
        << esSunken;
}

void TestEffectLabelModel::buttonPressAndRelease()
{
    QFETCH(TEffectStyle, before);
    QFETCH(Action, pointer);
    QFETCH(TEffectStyle, after);
    CountingModel m;
    m.SetAsButton(true);
    m.SetEffectStyle(before);
    m.repaints = 0;
    pointer(m);
    QCOMPARE(m.EffectStyle(), after);
    QCOMPARE(m.AsButton(), true);
    QCOMPARE(m.repaints > 0, before != after);
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
    QTest::newRow("left on the bottom-right corner, edges included")
        << left << none << QPoint(142, 33) << true << true;
    QTest::newRow("left just right of the edge")
        << left << none << QPoint(143, 10) << true << false;
    QTest::newRow("left just below the edge") << left << none << QPoint(10, 34) << true << false;
    QTest::newRow("left just left of the edge") << left << none << QPoint(-1, 10) << true << false;
    QTest::newRow("left just above the edge") << left << none << QPoint(10, -1) << true << false;
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
        QCOMPARE(m.EffectStyle(), moved ? (inside ? esSunken : esRaised) : before);
        QCOMPARE(m.AsButton(), true);
    }
}

QTEST_MAIN(TestEffectLabelModel)
#include "tst_effectlabelmodel.moc"
