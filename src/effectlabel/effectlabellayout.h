#pragma once

#include "effectlabel/effectlabelmodel.h"
#include "effectlabel/paintsurface.h"

#include <QColor>
#include <QPoint>
#include <QSize>
#include <QString>

#include <cmath>
#include <memory>

// The offsets of one paint: the lowest and highest offset of both layers on either axis, their
// spread and the shift that the flat layout's alignment takes from it.
struct EffectOffsets {
    int Lowest = 0;
    int Highest = 0;
    int Spread = 0;
    int AlignmentShift = 0;

    friend bool operator==(const EffectOffsets &, const EffectOffsets &) = default;
};

// Where a graduated face is painted: left edge, top edge and extent (the last band index; below 0
// means no band).
struct BandRegion {
    int Left = 0;
    int Top = 0;
    int Extent = -1;

    friend bool operator==(const BandRegion &, const BandRegion &) = default;
};

// A product of a pixel count and a trigonometric value, rounded to the nearest pixel with halves
// going to the even neighbour.
inline int RoundedPixels(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

// The same, truncated toward zero.
inline int TruncatedPixels(double value)
{
    return static_cast<int>(std::trunc(value));
}

// The band region of a shape whose outermost edges are given: it starts at the left and top edges
// and reaches the bottom edge (goVertical) or the right edge (goHorizontal).
BandRegion BandsWithin(int left, int top, int right, int bottom, TGraduateOption direction);

// How the caption is placed on the label. The paint asks a layout for four things, in this order:
// to prepare (give both images the font it draws with, once, before anything is measured), to
// paint the background shape, to draw the caption at a layer offset on an image, and for the band
// region of a graduated face.
class EffectLabelLayout {
public:
    virtual ~EffectLabelLayout() = default;

    virtual void Prepare(PaintSurface &surface) = 0;
    virtual void PaintBackground(PaintSurface &surface, QColor colour) = 0;
    virtual void DrawCaption(PaintSurface &surface, PaintImage image, QPoint offset,
                             QColor colour) = 0;
    virtual BandRegion Bands(PaintSurface &surface, TGraduateOption direction) = 0;
};

// The caption's first 255 characters as formatted text in the client rectangle, moved by the
// layer offset and by the alignment shift: aligned, broken between words at the right edge and
// at line breaks, tabs expanded, "&" marking the mnemonic.
class FlatLayout final : public EffectLabelLayout {
public:
    FlatLayout(const EffectLabelModel &label, QSize size, const EffectOffsets &offsets);

    // The text flags of an alignment.
    static int TextFlags(TAlignment alignment);

    void Prepare(PaintSurface &surface) override;
    void PaintBackground(PaintSurface &surface, QColor colour) override;
    void DrawCaption(PaintSurface &surface, PaintImage image, QPoint offset,
                     QColor colour) override;
    BandRegion Bands(PaintSurface &surface, TGraduateOption direction) override;

private:
    const EffectLabelModel &m_label;
    QSize m_size;
    EffectOffsets m_offsets;
    QString m_text;
    int m_flags;
};

// The layout for the label's current Angle and KeepLettersVertical.
std::unique_ptr<EffectLabelLayout>
CreateEffectLabelLayout(const EffectLabelModel &label, QSize size, const EffectOffsets &offsets);
