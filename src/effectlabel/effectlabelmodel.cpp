#include "effectlabel/effectlabelmodel.h"

#include <cmath>
#include <numbers>

int PointsToPixels(int points)
{
    return static_cast<int>(std::lround(points * 96.0 / 72.0));
}

int PixelsToPoints(int pixels)
{
    return static_cast<int>(std::lround(pixels * 72.0 / 96.0));
}

QFont ToQFont(const EffectLabelFont &font)
{
    QFont result(font.Name);
    // Qt refuses a pixel size below 1; such a font keeps Qt's default size.
    if (font.Height > 0) {
        result.setPixelSize(font.Height);
    }
    result.setBold(font.Style & fsBold);
    result.setItalic(font.Style & fsItalic);
    result.setUnderline(font.Style & fsUnderline);
    result.setStrikeOut(font.Style & fsStrikeOut);
    return result;
}

EffectLabelModel::EffectLabelModel()
{
    // The colours the schemes give; the custom entry starts as a copy of the Windows one.
    m_schemeColours[csText] = {clWhite, clGray, clBlack};
    m_schemeColours[csWindows] = {clWhite, clBlack, clGray};
    m_schemeColours[csEmbossed] = {clWhite, clBlack, clSilver};
    m_schemeColours[csGold] = {clYellow, clBlack, clOlive};
    m_schemeColours[csSteel] = {clAqua, clNavy, clTeal};
    m_schemeColours[csCustom] = m_schemeColours[csWindows];

    // The raised look under the Windows scheme, stored without the setters' side effects.
    m_depthHighlight = 1;
    m_depthShadow = 1;
    m_directionHighlight = edUpLeft;
    m_directionShadow = edDownRight;
    m_styleHighlight = eoNormal;
    m_styleShadow = eoNormal;
    m_effectStyle = esRaised;
    m_colourScheme = csWindows;
    m_colourHighlight = m_schemeColours[csWindows].Highlight;
    m_colourShadow = m_schemeColours[csWindows].Shadow;

    // Read before the font gets its own colour below, so it is the fresh font's window text.
    m_graduateFace = goNone;
    m_graduateFrom = m_font.Color;

    m_asButton = false;
    m_angle = 0;
    m_keepLettersVertical = false;
    m_applyingEffectStyle = false;
    m_applyingColourScheme = false;
    m_degreesToRadians = std::numbers::pi / 180.0;
    m_angleCos = 1.0;
    m_angleSin = 0.0;
    m_angleCosSquared = 1.0;
    m_angleSinSquared = 0.0;

    m_transparent = true;

    m_font.Color = m_schemeColours[csWindows].Face;
    m_font.Name = QStringLiteral("Times New Roman");
    m_font.Height = PointsToPixels(20);
}

void EffectLabelModel::SetDepthHighlight(TEffectDepth value)
{
    if (value == m_depthHighlight) {
        return;
    }
    m_depthHighlight = value;
    if (!m_applyingEffectStyle) {
        SetEffectStyle(esCustom);
    }
    RequestRepaint();
}

void EffectLabelModel::SetDepthShadow(TEffectDepth value)
{
    if (value == m_depthShadow) {
        return;
    }
    m_depthShadow = value;
    if (!m_applyingEffectStyle) {
        SetEffectStyle(esCustom);
    }
    RequestRepaint();
}

void EffectLabelModel::SetDirectionHighlight(TEffectDirection value)
{
    if (value == m_directionHighlight) {
        return;
    }
    m_directionHighlight = value;
    if (!m_applyingEffectStyle) {
        SetEffectStyle(esCustom);
    }
    RequestRepaint();
}

void EffectLabelModel::SetDirectionShadow(TEffectDirection value)
{
    if (value == m_directionShadow) {
        return;
    }
    m_directionShadow = value;
    if (!m_applyingEffectStyle) {
        SetEffectStyle(esCustom);
    }
    RequestRepaint();
}

void EffectLabelModel::SetColourHighlight(TColor value)
{
    if (value == m_colourHighlight) {
        return;
    }
    m_colourHighlight = value;
    m_schemeColours[csCustom].Highlight = value;
    if (!m_applyingColourScheme) {
        SetColourScheme(csCustom);
    }
    RequestRepaint();
}

void EffectLabelModel::SetColourShadow(TColor value)
{
    if (value == m_colourShadow) {
        return;
    }
    m_colourShadow = value;
    m_schemeColours[csCustom].Shadow = value;
    if (!m_applyingColourScheme) {
        SetColourScheme(csCustom);
    }
    RequestRepaint();
}

void EffectLabelModel::SetGraduateFace(TGraduateOption value)
{
    if (value == m_graduateFace) {
        return;
    }
    m_graduateFace = value;
    RequestRepaint();
}

void EffectLabelModel::SetGraduateFrom(TColor value)
{
    if (value == m_graduateFrom) {
        return;
    }
    m_graduateFrom = value;
    // Without a gradient the start colour is not drawn.
    if (m_graduateFace != goNone) {
        RequestRepaint();
    }
}

void EffectLabelModel::SetStyleHighlight(TEffectOption value)
{
    if (value == m_styleHighlight) {
        return;
    }
    m_styleHighlight = value;
    RequestRepaint();
}

void EffectLabelModel::SetStyleShadow(TEffectOption value)
{
    if (value == m_styleShadow) {
        return;
    }
    m_styleShadow = value;
    RequestRepaint();
}

void EffectLabelModel::SetEffectStyle(TEffectStyle value)
{
    if (value == m_effectStyle) {
        return;
    }
    // The flags keep the depth, direction and colour setters below from selecting the custom
    // style or the custom scheme.
    m_applyingEffectStyle = true;
    m_applyingColourScheme = true;
    m_effectStyle = value;
    SetColourHighlight(m_schemeColours[m_colourScheme].Highlight);
    switch (value) {
    case esNone:
        SetDirectionHighlight(edNone);
        SetDirectionShadow(edNone);
        SetDepthHighlight(0);
        SetDepthShadow(0);
        SetAsButton(false);
        break;
    case esCustom:
        SetAsButton(false);
        break;
    case esRaised:
        SetDirectionHighlight(edUpLeft);
        SetDirectionShadow(edDownRight);
        SetDepthHighlight(1);
        SetDepthShadow(1);
        break;
    case esSunken:
        SetDirectionHighlight(edDownRight);
        SetDirectionShadow(edUpLeft);
        SetDepthHighlight(1);
        SetDepthShadow(1);
        break;
    case esShadow:
        SetDirectionHighlight(edNone);
        SetDirectionShadow(edDownRight);
        SetDepthHighlight(0);
        SetDepthShadow(2);
        SetAsButton(false);
        break;
    case esFlying:
        SetDirectionHighlight(edDownRight);
        SetDirectionShadow(edDownRight);
        SetDepthHighlight(1);
        SetDepthShadow(5);
        SetColourHighlight(m_schemeColours[m_colourScheme].Shadow);
        SetAsButton(false);
        break;
    }
    m_applyingEffectStyle = false;
    m_applyingColourScheme = false;
}

void EffectLabelModel::SetColourScheme(TColourScheme value)
{
    if (value == m_colourScheme) {
        return;
    }
    m_applyingColourScheme = true;
    m_colourScheme = value;
    const TSchemeColour entry = m_schemeColours[value];
    SetColourHighlight(entry.Highlight);
    SetFontColor(entry.Face);
    SetColourShadow(entry.Shadow);
    if (value != csCustom) {
        m_schemeColours[csCustom] = entry;
    }
    m_applyingColourScheme = false;
}

void EffectLabelModel::SetAsButton(bool value)
{
    if (value == m_asButton) {
        return;
    }
    m_asButton = value;
    // A button starts raised; the preset repaints if the look changes.
    if (value) {
        SetEffectStyle(esRaised);
    }
}

void EffectLabelModel::SetAngle(TAngleRange value)
{
    if (value == m_angle) {
        return;
    }
    m_angle = value;
    // Computed once here so that no paint evaluates a trigonometric function.
    m_angleCos = std::cos(m_angle * m_degreesToRadians);
    m_angleCosSquared = m_angleCos * m_angleCos;
    m_angleSin = std::sin(m_angle * m_degreesToRadians);
    m_angleSinSquared = m_angleSin * m_angleSin;
    if (value != 0) {
        SetAlignment(taLeftJustify);
    }
    RequestRepaint();
}

void EffectLabelModel::SetKeepLettersVertical(bool value)
{
    if (value == m_keepLettersVertical) {
        return;
    }
    m_keepLettersVertical = value;
    // Upright letters differ from the flat layout only on a turned line.
    if (m_angle != 0) {
        RequestRepaint();
    }
}

void EffectLabelModel::SetCaption(const QString &value)
{
    if (value == m_caption) {
        return;
    }
    m_caption = value;
    RequestRepaint();
}

void EffectLabelModel::SetFont(const EffectLabelFont &value)
{
    if (value == m_font) {
        return;
    }
    m_font = value;
    RequestRepaint();
}

void EffectLabelModel::SetFontColor(TColor value)
{
    EffectLabelFont font = m_font;
    font.Color = value;
    SetFont(font);
}

void EffectLabelModel::SetFontHeight(int pixels)
{
    EffectLabelFont font = m_font;
    font.Height = pixels;
    SetFont(font);
}

void EffectLabelModel::SetFontSize(int points)
{
    SetFontHeight(PointsToPixels(points));
}

void EffectLabelModel::SetFontName(const QString &value)
{
    EffectLabelFont font = m_font;
    font.Name = value;
    SetFont(font);
}

void EffectLabelModel::SetFontStyle(TFontStyles value)
{
    EffectLabelFont font = m_font;
    font.Style = value;
    SetFont(font);
}

void EffectLabelModel::SetColor(TColor value)
{
    if (value == m_color) {
        return;
    }
    m_color = value;
    RequestRepaint();
}

void EffectLabelModel::SetAlignment(TAlignment value)
{
    if (value == m_alignment) {
        return;
    }
    m_alignment = value;
    RequestRepaint();
}

void EffectLabelModel::SetTransparent(bool value)
{
    if (value == m_transparent) {
        return;
    }
    m_transparent = value;
    RequestRepaint();
}

void EffectLabelModel::ButtonPress(Qt::MouseButton button, bool enabled)
{
    if (button == Qt::LeftButton && m_effectStyle != esSunken && enabled) {
        SetEffectStyle(esSunken);
    }
}

namespace {

bool InsideInclusive(int x, int y, int width, int height)
{
    return x >= 0 && x <= width && y >= 0 && y <= height;
}

} // namespace

void EffectLabelModel::ButtonMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x,
                                  int y, int width, int height)
{
    // Only a plain left drag moves the button; any other button or Shift, Ctrl or Alt held
    // leaves it as it is.
    constexpr Qt::KeyboardModifiers shiftKeys =
        Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    if (buttons != Qt::MouseButtons(Qt::LeftButton) || modifiers.testAnyFlags(shiftKeys)) {
        return;
    }
    SetEffectStyle(InsideInclusive(x, y, width, height) ? esSunken : esRaised);
}

void EffectLabelModel::ButtonRelease(int x, int y, int width, int height)
{
    if (InsideInclusive(x, y, width, height)) {
        SetEffectStyle(esRaised);
    }
}
