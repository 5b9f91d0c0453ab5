#include "effectlabel/answerlabelform.h"
#include "effectlabel/effectlabelpaint.h"

#include <QtTest>

namespace {

class CountingModel : public EffectLabelModel {
public:
    int repaints = 0;

protected:
    void RequestRepaint() override { ++repaints; }
};

using Action = void (*)(CountingModel &);

void PressedButton(CountingModel &m)
{
    m.SetAsButton(true);
    m.ButtonPress(Qt::LeftButton, true);
}

void Drag(CountingModel &m, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys, int x, int y)
{
    m.ButtonMove(buttons, keys, x, y, 142, 33);
}

// A pressed button dragged past its right edge with the given keys, and another button, held.
template <Qt::KeyboardModifier keys, Qt::MouseButton other = Qt::NoButton>
void Held(CountingModel &m)
{
    PressedButton(m);
    Drag(m, Qt::LeftButton | other, keys, 143, 0);
}

QString Name(TColor colour)
{
    static const QMap<TColor, QString> names{
        {clBlack, "black"}, {clWhite, "white"}, {clGray, "grey"},     {clRed, "red"},
        {clLime, "lime"},   {clGreen, "green"}, {clYellow, "yellow"}, {clOlive, "olive"},
        {clAqua, "aqua"},   {clNavy, "navy"},   {clTeal, "teal"}};
    return names.value(colour, QString::number(quint32(colour), 16));
}

// The label's state in words, by property group, so that a row names only what it checks.
QMap<QString, QString> State(const CountingModel &m)
{
    static const QStringList styles{"none", "custom", "raised", "sunken", "shadow", "flying"};
    static const QStringList directions{"none", "up",       "upright", "right", "downright",
                                        "down", "downleft", "left",    "upleft"};
    static const QStringList schemes{"custom", "text", "windows", "embossed", "gold", "steel"};
    static const QStringList alignments{"left", "right", "centre"};
    const auto layer = [](TEffectDirection direction, int depth, TColor colour) {
        return QStringLiteral("%1 %2 %3")
            .arg(directions.value(direction))
            .arg(depth)
            .arg(Name(colour));
    };
    const TSchemeColour custom = m.SchemeColours()[csCustom];
    return {
        {"style", styles.value(m.EffectStyle()) + (m.AsButton() ? " button" : "")},
        {"highlight", layer(m.DirectionHighlight(), m.DepthHighlight(), m.ColourHighlight())},
        {"shadow", layer(m.DirectionShadow(), m.DepthShadow(), m.ColourShadow())},
        {"scheme", QStringList{schemes.value(m.ColourScheme()), Name(custom.Highlight),
                               Name(custom.Shadow), Name(custom.Face)}
                       .join(' ')},
        {"font", QStringLiteral("%1px %2pt %3")
                     .arg(m.FontHeight())
                     .arg(m.FontSize())
                     .arg(Name(m.FontColor()))},
        {"align", alignments.value(m.Alignment())},
        {"angle", QString::asprintf("%d %.3f %.3f", m.Angle(), m.AngleCos(), m.AngleSin())},
        {"repaints", m.repaints > 0 ? "yes" : "no"},
    };
}

} // namespace

Q_DECLARE_METATYPE(Action)

class TestEffectLabelModel : public QObject {
    Q_OBJECT

private slots:
    void rules_data();
    void rules();
    void directionOffsets();
};

void TestEffectLabelModel::rules_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("expected");
    // clang-format off
    QTest::newRow("answer label") << Action([](CountingModel &m) { ApplyAnswerLabelForm(m); })
        << "style raised; highlight upleft 1 lime; scheme custom lime black grey; "
           "font 19px 14pt green; align centre";

    // The effect style presets; depth or direction of its own selects esCustom, ending a button.
    QTest::newRow("esSunken keeps a button")
        << Action([](CountingModel &m) { m.SetAsButton(true); m.SetEffectStyle(esSunken); })
        << "style sunken button; highlight downright 1 white; shadow upleft 1 black";
    QTest::newRow("esNone ends a button")
        << Action([](CountingModel &m) { m.SetAsButton(true); m.SetEffectStyle(esNone); })
        << "style none; highlight none 0 white; shadow none 0 black";
    QTest::newRow("esShadow") << Action([](CountingModel &m) { m.SetEffectStyle(esShadow); })
        << "style shadow; highlight none 0 white; shadow downright 2 black";
    QTest::newRow("esFlying takes the scheme's shadow for its highlight")
        << Action([](CountingModel &m) { m.SetColourScheme(csSteel); m.SetEffectStyle(esFlying); })
        << "style flying; highlight downright 1 navy; shadow downright 5 navy; "
           "scheme steel navy navy teal";
    QTest::newRow("esRaised after esFlying takes the scheme's highlight again")
        << Action([](CountingModel &m) { m.SetEffectStyle(esFlying); m.SetEffectStyle(esRaised); })
        << "style raised; highlight upleft 1 white; shadow downright 1 black";
    QTest::newRow("esCustom keeps the look")
        << Action([](CountingModel &m) { PressedButton(m); m.SetEffectStyle(esCustom); })
        << "style custom; highlight downright 1 white; shadow upleft 1 black";
    QTest::newRow("a depth of its own")
        << Action([](CountingModel &m) { m.SetAsButton(true); m.SetDepthShadow(3); })
        << "style custom; shadow downright 3 black";
    QTest::newRow("a direction of its own")
        << Action([](CountingModel &m) { m.SetDirectionHighlight(edDown); })
        << "style custom; highlight down 1 white";
    QTest::newRow("a button starts raised")
        << Action([](CountingModel &m) { m.SetEffectStyle(esNone); m.SetAsButton(true); })
        << "style raised button; highlight upleft 1 white; shadow downright 1 black";

    // A scheme gives its colours, the font's too; a highlight or shadow of its own selects
    // csCustom.
    QTest::newRow("csGold")
        << Action([](CountingModel &m) { m.SetFontColor(clRed); m.SetColourScheme(csGold); })
        << "scheme gold yellow black olive; highlight upleft 1 yellow; font 27px 20pt olive";
    QTest::newRow("csGold, then a highlight")
        << Action([](CountingModel &m) { m.SetColourScheme(csGold); m.SetColourHighlight(clRed); })
        << "scheme custom red black olive; highlight upleft 1 red; font 27px 20pt olive";
    QTest::newRow("a shadow")
        << Action([](CountingModel &m) { m.SetColourShadow(clNavy); })
        << "scheme custom white navy grey; shadow downright 1 navy";
    QTest::newRow("csCustom keeps the last scheme's colours")
        << Action([](CountingModel &m) {
               m.SetColourScheme(csSteel); m.SetFontColor(clRed); m.SetColourScheme(csCustom); })
        << "scheme custom aqua navy teal; font 27px 20pt teal";
    QTest::newRow("already custom: the font colour stays")
        << Action([](CountingModel &m) {
               m.SetColourHighlight(clLime); m.SetFontColor(clRed); m.SetColourShadow(clNavy); })
        << "scheme custom lime navy grey; font 27px 20pt red";

    QTest::newRow("a turned line is left-aligned")
        << Action([](CountingModel &m) { m.SetAlignment(taCenter); m.SetAngle(90); })
        << "align left; angle 90 0.000 1.000";
    QTest::newRow("turned back, it stays so")
        << Action([](CountingModel &m) { m.SetAlignment(taCenter); m.SetAngle(1); m.SetAngle(0); })
        << "align left; angle 0 1.000 0.000";
    QTest::newRow("not clamped") << Action([](CountingModel &m) { m.SetAngle(400); })
        << "angle 400 0.766 0.643";

    QTest::newRow("a change repaints") << Action([](CountingModel &m) { m.SetCaption("Ответ"); })
        << "repaints yes";

    // A button sinks under a plain left press and drag and rises when the pointer leaves or is
    // released on it (edges included); a press elsewhere, disabled or with keys held does nothing.
    QTest::newRow("left press") << Action(PressedButton) << "style sunken button; repaints yes";
    QTest::newRow("right press")
        << Action([](CountingModel &m) {
               m.SetAsButton(true); m.ButtonPress(Qt::RightButton, true); })
        << "style raised button";
    QTest::newRow("disabled")
        << Action([](CountingModel &m) {
               m.SetAsButton(true); m.ButtonPress(Qt::LeftButton, false); })
        << "style raised button";
    QTest::newRow("released on the corner")
        << Action([](CountingModel &m) { PressedButton(m); m.ButtonRelease(142, 33, 142, 33); })
        << "style raised button";
    QTest::newRow("released outside")
        << Action([](CountingModel &m) { PressedButton(m); m.ButtonRelease(143, 16, 142, 33); })
        << "style sunken button";
    QTest::newRow("dragged off")
        << Action([](CountingModel &m) { PressedButton(m); Drag(m, Qt::LeftButton, {}, 10, 34); })
        << "style raised button";
    QTest::newRow("dragged back")
        << Action([](CountingModel &m) {
               PressedButton(m); Drag(m, Qt::LeftButton, {}, -1, 0);
               Drag(m, Qt::LeftButton, {}, 0, 0); })
        << "style sunken button";
    QTest::newRow("Meta held") << Action(Held<Qt::MetaModifier>) << "style raised button";
    QTest::newRow("Shift held") << Action(Held<Qt::ShiftModifier>) << "style sunken button";
    QTest::newRow("Ctrl held") << Action(Held<Qt::ControlModifier>) << "style sunken button";
    QTest::newRow("Alt held") << Action(Held<Qt::AltModifier>) << "style sunken button";
    QTest::newRow("two buttons held")
        << Action(Held<Qt::NoModifier, Qt::RightButton>) << "style sunken button";
    QTest::newRow("no button held")
        << Action([](CountingModel &m) { m.SetAsButton(true); Drag(m, {}, {}, 50, 10); })
        << "style raised button";
    // clang-format on
}

void TestEffectLabelModel::rules()
{
    QFETCH(Action, action);
    QFETCH(QString, expected);
    CountingModel m;
    action(m);
    const QMap<QString, QString> state = State(m);
    for (const QString &item : expected.split(QStringLiteral("; "))) {
        const QString key = item.section(u' ', 0, 0);
        QCOMPARE(key + u' ' + state.value(key), item);
    }
    // Only the custom scheme entry ever changes.
    const EffectLabelModel fresh;
    for (int scheme = csText; scheme <= csSteel; ++scheme) {
        QVERIFY(m.SchemeColours()[scheme] == fresh.SchemeColours()[scheme]);
    }
    QVERIFY(!m.ApplyingEffectStyle() && !m.ApplyingColourScheme());
}

void TestEffectLabelModel::directionOffsets()
{
    const QPoint expected[] = {{0, 0}, {0, -1}, {1, -1}, {1, 0},  {1, 1},
                               {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}};
    for (int direction = edNone; direction <= edUpLeft; ++direction) {
        QCOMPARE(DirectionOffset(static_cast<TEffectDirection>(direction)), expected[direction]);
    }
}

QTEST_MAIN(TestEffectLabelModel)
#include "tst_effectlabelmodel.moc"
