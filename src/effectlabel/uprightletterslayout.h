#pragma once

#include "effectlabel/effectlabellayout.h"

#include <QPoint>
#include <QPolygon>

// The caption letter by letter in the label's own font, each letter upright, along a line turned
// counter-clockwise by Angle. A letter's place along the line is the advance of the letters before
// it weighted by cos² plus one line height per letter weighted by sin², so the run is the
// caption's width on a level line and one line per letter on a vertical one. Every letter is an
// ordinary character: line breaks, tabs and "&" are not interpreted.
class UprightLettersLayout final : public EffectLabelLayout {
public:
    UprightLettersLayout(const EffectLabelModel &label, const EffectOffsets &offsets);

    // Measures the run and the first and last letters on the work image; the fonts stay.
    void Prepare(PaintSurface &surface) override;
    void PaintBackground(PaintSurface &surface, QColor colour) override;
    // Measures every letter's place anew, in the font of the image drawn on.
    void DrawCaption(PaintSurface &surface, PaintImage image, QPoint offset,
                     QColor colour) override;
    BandRegion Bands(PaintSurface &surface, TGraduateOption direction) override;

private:
    // A rectangle by its edges: right is left plus the width, bottom is top plus the height.
    struct LetterBox {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
    };

    // The distance along the line from the first letter to the one that follows `before` letters.
    int Run(PaintSurface &surface, PaintImage image, int before, int lineHeight) const;
    LetterBox BoxAround(PaintSurface &surface, QPoint topLeft, const QString &letter,
                        int lineHeight) const;

    const EffectLabelModel &m_label;
    EffectOffsets m_offsets;
    // The top-left corner of the first letter.
    QPoint m_start;
    LetterBox m_first;
    LetterBox m_last;
    QPolygon m_shape;
};
