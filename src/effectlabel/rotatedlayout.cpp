#include "effectlabel/rotatedlayout.h"

#include "effectlabel/effectlabelpaint.h"

#include <algorithm>

QFont RotatedCaptionFont(const EffectLabelModel &label)
{
    QFont font = EffectLabelImageFont(label);
    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::ForceOutline));
    return font;
}

RotatedLayout::RotatedLayout(const EffectLabelModel &label, const EffectOffsets &offsets)
    : m_label(label), m_offsets(offsets)
{
}

void RotatedLayout::Prepare(PaintSurface &surface)
{
    const QFont font = RotatedCaptionFont(m_label);
    const int escapement = m_label.Angle() * 10;
    surface.SetFont(PaintImage::Work, font, escapement);
    surface.SetFont(PaintImage::Mask, font, escapement);

    const QString &caption = m_label.Caption();
    const double cosine = m_label.AngleCos();
    const double sine = m_label.AngleSin();
    const int width = surface.TextWidth(PaintImage::Work, caption);
    const int height = surface.TextHeight(PaintImage::Work, caption);
    const int centre = surface.TextWidth(PaintImage::Work, caption + QStringLiteral("   ")) / 2;

    // The cell's corner turned about the cell's centre (centre, centre).
    m_start = QPoint(
        centre - TruncatedPixels(width * 0.5 * cosine) - TruncatedPixels(height * 0.5 * sine),
        centre + TruncatedPixels(width * 0.5 * sine) - TruncatedPixels(height * 0.5 * cosine));

    // The background holds every layer copy: the cell grown by both extreme offsets and a margin,
    // turned about a centre moved by half the spread.
    const int shapeCentre = centre + (m_offsets.Spread + 4) / 2;
    const int shapeWidth = width + m_offsets.Highest + m_offsets.Lowest + 4;
    const int shapeHeight = height + m_offsets.Highest + m_offsets.Lowest + 4;
    const int a1 = TruncatedPixels(shapeWidth * 0.5 * cosine);
    const int b1 = TruncatedPixels(shapeHeight * 0.5 * sine);
    const int a2 = TruncatedPixels(shapeWidth * 0.5 * sine);
    const int b2 = TruncatedPixels(shapeHeight * 0.5 * cosine);
    const int x = shapeCentre + 2;
    const int y = shapeCentre + 2;
    m_corners = QPolygon({QPoint(x - a1 - b1, y + a2 - b2), QPoint(x + a1 - b1, y - a2 - b2),
                          QPoint(x + a1 + b1, y - a2 + b2), QPoint(x - a1 + b1, y + a2 + b2)});
}

void RotatedLayout::PaintBackground(PaintSurface &surface, QColor colour)
{
    surface.FillPolygon(PaintImage::Work, m_corners, colour);
}

void RotatedLayout::DrawCaption(PaintSurface &surface, PaintImage image, QPoint offset,
                                QColor colour)
{
    const QString &caption = m_label.Caption();
    if (caption.isEmpty()) {
        return;
    }
    const int shift = -m_offsets.Lowest;
    surface.DrawTextAt(image, m_start + QPoint(shift, shift) + offset, caption, colour);
}

BandRegion RotatedLayout::Bands(PaintSurface &, TGraduateOption direction)
{
    const auto [left, right] =
        std::minmax({m_corners[0].x(), m_corners[1].x(), m_corners[2].x(), m_corners[3].x()});
    const auto [top, bottom] =
        std::minmax({m_corners[0].y(), m_corners[1].y(), m_corners[2].y(), m_corners[3].y()});
    return BandsWithin(left, top, right, bottom, direction);
}
