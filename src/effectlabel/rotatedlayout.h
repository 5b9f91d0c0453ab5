#pragma once

#include "effectlabel/effectlabellayout.h"

#include <QFont>
#include <QPoint>
#include <QPolygon>

// The font both images draw a rotated caption with: the label's, restricted to outline faces, so
// that a request for a bitmap face falls back to one that turns cleanly.
QFont RotatedCaptionFont(const EffectLabelModel &label);

// The whole caption in one piece, in a font turned counter-clockwise by Angle about the top-left
// corner of its cell, one line of ordinary characters: line breaks, tabs and "&" are not
// interpreted. The cell is centred on the point (c, c), c being half the width of the caption
// followed by three spaces.
class RotatedLayout final : public EffectLabelLayout {
public:
    RotatedLayout(const EffectLabelModel &label, const EffectOffsets &offsets);

    // Turns the font of both images, then measures the caption on the work image.
    void Prepare(PaintSurface &surface) override;
    void PaintBackground(PaintSurface &surface, QColor colour) override;
    void DrawCaption(PaintSurface &surface, PaintImage image, QPoint offset,
                     QColor colour) override;
    BandRegion Bands(PaintSurface &surface, TGraduateOption direction) override;

private:
    const EffectLabelModel &m_label;
    EffectOffsets m_offsets;
    // The top-left corner of the turned text cell.
    QPoint m_start;
    // The background rectangle turned with the text, four corners.
    QPolygon m_corners;
};
