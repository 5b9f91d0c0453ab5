#pragma once

#include "runtime/tcolor.h"

#include <QFont>
#include <QString>
#include <Qt>

#include <array>
#include <cstdint>

using TEffectDepth = std::uint8_t; // 0..10; callers keep to the range, setters do not clamp
using TAngleRange = std::uint16_t; // 0..360 degrees; likewise not clamped

enum TEffectDirection : std::uint8_t {
    edNone,
    edUp,
    edUpRight,
    edRight,
    edDownRight,
    edDown,
    edDownLeft,
    edLeft,
    edUpLeft
};

enum TEffectStyle : std::uint8_t { esNone, esCustom, esRaised, esSunken, esShadow, esFlying };

enum TColourScheme : std::uint8_t { csCustom, csText, csWindows, csEmbossed, csGold, csSteel };

enum TEffectOption : std::uint8_t { eoNormal, eoReal, eoExtrude, eoGraduated };

enum TGraduateOption : std::uint8_t { goNone, goVertical, goHorizontal };

enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

// Font style bits, combinable.
enum TFontStyle : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = std::uint8_t;

// The label's font as plain values. Height is the character height in pixels (sizes in points
// are converted at 96 pixels per inch, so drawing does not depend on the screen).
struct EffectLabelFont {
    QString Name = QStringLiteral("MS Sans Serif");
    int Height = 11;
    TFontStyles Style = 0;
    TColor Color = clWindowText;

    friend bool operator==(const EffectLabelFont &, const EffectLabelFont &) = default;
};

// Points at 96 pixels per inch, rounded half away from zero: 14 pt = 19 px, 20 pt = 27 px.
int PointsToPixels(int points);
// The reverse, as the font reports its size: 19 px = 14 pt.
int PixelsToPoints(int pixels);

// A QFont with the pixel height, family and style of the label's font. The colour is drawn
// separately, so it is not part of the result.
QFont ToQFont(const EffectLabelFont &font);

struct TSchemeColour {
    TColor Highlight;
    TColor Shadow;
    TColor Face;

    friend bool operator==(const TSchemeColour &, const TSchemeColour &) = default;
};

using TSchemeColours = std::array<TSchemeColour, 6>; // indexed by TColourScheme

// Every property of the effect label and the rules by which they drive one another: the effect
// style presets, the colour schemes, the cached trigonometry of Angle and the button states.
// Setting a property to the value it already has does nothing at all; every other change that
// alters the picture calls RequestRepaint().
class EffectLabelModel {
public:
    EffectLabelModel();
    virtual ~EffectLabelModel() = default;

    TEffectDepth DepthHighlight() const { return m_depthHighlight; }
    TEffectDepth DepthShadow() const { return m_depthShadow; }
    TEffectDirection DirectionHighlight() const { return m_directionHighlight; }
    TEffectDirection DirectionShadow() const { return m_directionShadow; }
    TColor ColourHighlight() const { return m_colourHighlight; }
    TColor ColourShadow() const { return m_colourShadow; }
    TGraduateOption GraduateFace() const { return m_graduateFace; }
    TColor GraduateFrom() const { return m_graduateFrom; }
    TEffectOption StyleHighlight() const { return m_styleHighlight; }
    TEffectOption StyleShadow() const { return m_styleShadow; }
    TEffectStyle EffectStyle() const { return m_effectStyle; }
    TColourScheme ColourScheme() const { return m_colourScheme; }
    bool AsButton() const { return m_asButton; }
    TAngleRange Angle() const { return m_angle; }
    bool KeepLettersVertical() const { return m_keepLettersVertical; }
    bool ApplyingEffectStyle() const { return m_applyingEffectStyle; }
    bool ApplyingColourScheme() const { return m_applyingColourScheme; }
    const TSchemeColours &SchemeColours() const { return m_schemeColours; }
    double DegreesToRadians() const { return m_degreesToRadians; }
    double AngleCos() const { return m_angleCos; }
    double AngleSin() const { return m_angleSin; }
    double AngleCosSquared() const { return m_angleCosSquared; }
    double AngleSinSquared() const { return m_angleSinSquared; }

    void SetDepthHighlight(TEffectDepth value);
    void SetDepthShadow(TEffectDepth value);
    void SetDirectionHighlight(TEffectDirection value);
    void SetDirectionShadow(TEffectDirection value);
    void SetColourHighlight(TColor value);
    void SetColourShadow(TColor value);
    void SetGraduateFace(TGraduateOption value);
    void SetGraduateFrom(TColor value);
    void SetStyleHighlight(TEffectOption value);
    void SetStyleShadow(TEffectOption value);
    void SetEffectStyle(TEffectStyle value);
    void SetColourScheme(TColourScheme value);
    void SetAsButton(bool value);
    void SetAngle(TAngleRange value);
    void SetKeepLettersVertical(bool value);

    // The base label's state that the paint reads.
    const QString &Caption() const { return m_caption; }
    const EffectLabelFont &Font() const { return m_font; }
    TColor FontColor() const { return m_font.Color; }
    int FontHeight() const { return m_font.Height; }
    int FontSize() const { return PixelsToPoints(m_font.Height); }
    const QString &FontName() const { return m_font.Name; }
    TFontStyles FontStyle() const { return m_font.Style; }
    TColor Color() const { return m_color; }
    TAlignment Alignment() const { return m_alignment; }
    bool Transparent() const { return m_transparent; }

    void SetCaption(const QString &value);
    void SetFont(const EffectLabelFont &value);
    void SetFontColor(TColor value);
    void SetFontHeight(int pixels);
    void SetFontSize(int points);
    void SetFontName(const QString &value);
    void SetFontStyle(TFontStyles value);
    void SetColor(TColor value);
    void SetAlignment(TAlignment value);
    void SetTransparent(bool value);

    // What a button label does with the pointer (the caller checks AsButton). Positions are in
    // client coordinates; the bounds test includes the right and bottom edges.
    void ButtonPress(Qt::MouseButton button, bool enabled);
    void ButtonMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y,
                    int width, int height);
    void ButtonRelease(int x, int y, int width, int height);

protected:
    virtual void RequestRepaint() {}

private:
    TEffectDepth m_depthHighlight = 0;
    TEffectDepth m_depthShadow = 0;
    TEffectDirection m_directionHighlight = edNone;
    TEffectDirection m_directionShadow = edNone;
    TColor m_colourHighlight = clBlack;
    TColor m_colourShadow = clBlack;
    TGraduateOption m_graduateFace = goNone;
    TColor m_graduateFrom = clBlack;
    TEffectOption m_styleHighlight = eoNormal;
    TEffectOption m_styleShadow = eoNormal;
    TEffectStyle m_effectStyle = esNone;
    TColourScheme m_colourScheme = csCustom;
    bool m_asButton = false;
    TAngleRange m_angle = 0;
    bool m_keepLettersVertical = false;
    bool m_applyingEffectStyle = false;
    bool m_applyingColourScheme = false;
    TSchemeColours m_schemeColours{};
    double m_degreesToRadians = 0.0;
    double m_angleCos = 0.0;
    double m_angleSin = 0.0;
    double m_angleCosSquared = 0.0;
    double m_angleSinSquared = 0.0;

    // The base label's state, at the toolkit's defaults until the constructor sets its own.
    QString m_caption;
    EffectLabelFont m_font;
    TColor m_color = clBtnFace;
    TAlignment m_alignment = taLeftJustify;
    bool m_transparent = false;
};
