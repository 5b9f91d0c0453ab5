#include "effectlabel/effectlabellayout.h"

#include "effectlabel/rotatedlayout.h"
#include "effectlabel/uprightletterslayout.h"

namespace {

constexpr int MaxFlatCaption = 255;

} // namespace

FlatLayout::FlatLayout(const EffectLabelModel &label, QSize size, const EffectOffsets &offsets)
    : m_label(label), m_size(size), m_offsets(offsets),
      m_text(label.Caption().left(MaxFlatCaption)), m_flags(TextFlags(label.Alignment()))
{
}

int FlatLayout::TextFlags(TAlignment alignment)
{
    // WordWrap and ShowAccelChar of the label play no part: lines always break, "&" always marks.
    int flags = Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs | Qt::TextShowMnemonic;
    switch (alignment) {
    case taRightJustify:
        return flags | Qt::AlignRight;
    case taCenter:
        return flags | Qt::AlignHCenter;
    case taLeftJustify:
        break;
    }
    return flags | Qt::AlignLeft;
}

void FlatLayout::Prepare(PaintSurface &)
{
    // The images keep the label's own font.
}

void FlatLayout::PaintBackground(PaintSurface &surface, QColor colour)
{
    surface.FillRect(PaintImage::Work, QRect(QPoint(0, 0), m_size), colour);
}

void FlatLayout::DrawCaption(PaintSurface &surface, PaintImage image, QPoint offset, QColor colour)
{
    const QPoint topLeft(offset.x() - m_offsets.Lowest - m_offsets.AlignmentShift,
                         offset.y() - m_offsets.Lowest);
    surface.DrawTextInRect(image, QRect(topLeft, m_size), m_flags, m_text, colour);
}

BandRegion FlatLayout::Bands(PaintSurface &surface, TGraduateOption direction)
{
    const QString &caption = m_label.Caption();
    const int textWidth = surface.TextWidth(PaintImage::Work, caption);
    BandRegion region;
    region.Top = -m_offsets.Lowest;
    switch (m_label.Alignment()) {
    case taRightJustify:
        region.Left = m_size.width() - m_offsets.Highest - textWidth;
        break;
    case taCenter:
        region.Left =
            (m_size.width() - textWidth) / 2 - m_offsets.Lowest - m_offsets.AlignmentShift;
        break;
    case taLeftJustify:
    default:
        region.Left = -m_offsets.Lowest;
        break;
    }
    if (direction == goVertical) {
        region.Extent = surface.TextHeight(PaintImage::Work, caption) - 1;
    } else if (direction == goHorizontal) {
        region.Extent = textWidth - 1;
    }
    return region;
}

BandRegion BandsWithin(int left, int top, int right, int bottom, TGraduateOption direction)
{
    BandRegion region;
    region.Left = left;
    region.Top = top;
    if (direction == goVertical) {
        region.Extent = bottom - top;
    } else if (direction == goHorizontal) {
        region.Extent = right - left;
    }
    return region;
}

std::unique_ptr<EffectLabelLayout> CreateEffectLabelLayout(const EffectLabelModel &label,
                                                           QSize size, const EffectOffsets &offsets)
{
    // Upright letters need a turned line: with Angle 0 the flat layout serves both.
    if (label.Angle() == 0) {
        return std::make_unique<FlatLayout>(label, size, offsets);
    }
    if (label.KeepLettersVertical()) {
        return std::make_unique<UprightLettersLayout>(label, offsets);
    }
    return std::make_unique<RotatedLayout>(label, offsets);
}
