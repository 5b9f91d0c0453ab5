#include "effectlabel/uprightletterslayout.h"

#include <algorithm>

namespace {

// The letters keep this distance from the label's left and top edges whichever way they run.
constexpr int RunMargin = 10;

// The k-th letter (from 1); empty when there is none, as for an empty caption.
QString Letter(const QString &caption, qsizetype k)
{
    return k >= 1 && k <= caption.size() ? QString(caption.at(k - 1)) : QString();
}

} // namespace

UprightLettersLayout::UprightLettersLayout(const EffectLabelModel &label,
                                           const EffectOffsets &offsets)
    : m_label(label), m_offsets(offsets)
{
}

int UprightLettersLayout::Run(PaintSurface &surface, PaintImage image, int before,
                              int lineHeight) const
{
    const QString prefix = m_label.Caption().left(std::max(before, 0));
    return RoundedPixels(surface.TextWidth(image, prefix) * m_label.AngleCosSquared() +
                         static_cast<double>(lineHeight) * before * m_label.AngleSinSquared());
}

UprightLettersLayout::LetterBox UprightLettersLayout::BoxAround(PaintSurface &surface,
                                                                QPoint topLeft,
                                                                const QString &letter,
                                                                int lineHeight) const
{
    // Every layer copy of the letter with a margin of 2 pixels.
    const int grow = m_offsets.Spread + 4;
    LetterBox box;
    box.left = topLeft.x() - 2;
    box.top = topLeft.y() - 2;
    box.right = box.left + surface.TextWidth(PaintImage::Work, letter) + grow;
    box.bottom = box.top + lineHeight + grow;
    return box;
}

void UprightLettersLayout::Prepare(PaintSurface &surface)
{
    const QString &caption = m_label.Caption();
    const auto count = static_cast<int>(caption.size());
    const double cosine = m_label.AngleCos();
    const double sine = m_label.AngleSin();
    const int lineHeight = surface.TextHeight(PaintImage::Work, caption);

    // An empty caption counts -1 letters before its last; its run still gives the shape painted
    // behind it.
    const int run = Run(surface, PaintImage::Work, count - 1, lineHeight);
    const int runX = RoundedPixels(run * cosine);
    const int runY = RoundedPixels(run * sine);
    m_start = QPoint(std::max(0, -runX) + RunMargin, std::max(0, runY) + RunMargin);

    m_first = BoxAround(surface, m_start, Letter(caption, 1), lineHeight);
    m_last = BoxAround(surface, m_start + QPoint(runX, -runY), Letter(caption, count), lineHeight);

    const LetterBox &f = m_first;
    const LetterBox &z = m_last;
    // The six corners that join the two boxes on the outside of the run.
    const int angle = m_label.Angle();
    if (angle <= 90) {
        m_shape = QPolygon({QPoint(f.left, f.top), QPoint(z.left, z.top), QPoint(z.right, z.top),
                            QPoint(z.right, z.bottom), QPoint(f.right, f.bottom),
                            QPoint(f.left, f.bottom)});
    } else if (angle <= 180) {
        m_shape = QPolygon({QPoint(f.right, f.top), QPoint(z.right, z.top), QPoint(z.left, z.top),
                            QPoint(z.left, z.bottom), QPoint(f.left, f.bottom),
                            QPoint(f.right, f.bottom)});
    } else if (angle <= 270) {
        m_shape = QPolygon({QPoint(f.left, f.top), QPoint(z.left, z.top), QPoint(z.left, z.bottom),
                            QPoint(z.right, z.bottom), QPoint(f.right, f.bottom),
                            QPoint(f.right, f.top)});
    } else {
        m_shape =
            QPolygon({QPoint(f.right, f.top), QPoint(z.right, z.top), QPoint(z.right, z.bottom),
                      QPoint(z.left, z.bottom), QPoint(f.left, f.bottom), QPoint(f.left, f.top)});
    }
}

void UprightLettersLayout::PaintBackground(PaintSurface &surface, QColor colour)
{
    surface.FillPolygon(PaintImage::Work, m_shape, colour);
}

void UprightLettersLayout::DrawCaption(PaintSurface &surface, PaintImage image, QPoint offset,
                                       QColor colour)
{
    const QString &caption = m_label.Caption();
    const auto count = static_cast<int>(caption.size());
    if (count == 0) {
        return;
    }
    const double cosine = m_label.AngleCos();
    const double sine = m_label.AngleSin();
    const int lineHeight = surface.TextHeight(image, caption);
    const QPoint first = m_start + QPoint(-m_offsets.Lowest, -m_offsets.Lowest) + offset;
    for (int k = 1; k <= count; ++k) {
        QPoint along;
        if (k > 1) {
            const int run = Run(surface, image, k - 1, lineHeight);
            along = QPoint(RoundedPixels(run * cosine), -RoundedPixels(run * sine));
        }
        surface.DrawTextAt(image, first + along, Letter(caption, k), colour);
    }
}

BandRegion UprightLettersLayout::Bands(PaintSurface &, TGraduateOption direction)
{
    return BandsWithin(std::min(m_first.left, m_last.left), std::min(m_first.top, m_last.top),
                       std::max(m_first.right, m_last.right),
                       std::max(m_first.bottom, m_last.bottom), direction);
}
