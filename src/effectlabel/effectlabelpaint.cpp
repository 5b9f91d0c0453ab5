#include "effectlabel/effectlabelpaint.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

int StepChannel(int start, double step, int index)
{
    // Halves go to the even neighbour in the default rounding mode: 25.5 gives 26, 76.5 gives 76.
    return start + static_cast<int>(std::nearbyint(step * index));
}

struct Layer {
    TEffectDepth depth;
    TEffectDirection direction;
    TColor colour;
    TEffectOption style;
    TranslucentLayer kind;
};

void DrawLayer(const EffectLabelModel &label, QSize size, PaintSurface &surface,
               EffectLabelLayout &layout, const Layer &layer)
{
    const int depth = layer.depth;
    ColourChannels start = SplitColour(layer.colour);
    ColourSteps steps;
    int last = depth;
    if (layer.style == eoReal) {
        start = {};
    } else if (layer.style != eoNormal && depth > 1) {
        last = 1;
        if (layer.style == eoGraduated) {
            steps = ColourStepsBetween(start, SplitColour(label.FontColor()), depth - 1);
        }
    }

    PaintImage target = PaintImage::Work;
    if (layer.style == eoReal) {
        target = PaintImage::Mask;
        // A translucent shadow may have left its glyphs on the mask.
        if (layer.kind == TranslucentLayer::Highlight) {
            surface.FillRect(PaintImage::Mask, QRect(QPoint(0, 0), size), Qt::white);
        }
    }

    const QPoint unit = DirectionOffset(layer.direction);
    for (int q = depth; q >= last; --q) {
        // A composed colour is plain, so ToQColor takes it as it is.
        layout.DrawCaption(surface, target, unit * q,
                           ToQColor(StepColour(start, steps, depth - q)));
    }

    if (layer.style == eoReal) {
        surface.TranslucentPass(layer.kind);
    }
}

void DrawFace(const EffectLabelModel &label, QSize size, PaintSurface &surface,
              EffectLabelLayout &layout)
{
    const TGraduateOption graduate = label.GraduateFace();
    if (graduate != goVertical && graduate != goHorizontal) {
        layout.DrawCaption(surface, PaintImage::Work, QPoint(0, 0), ToQColor(label.FontColor()));
        return;
    }

    const QColor marker = ToQColor(MarkerColour);
    surface.CopyRect(PaintImage::Work, PaintImage::Mask, QRect(QPoint(0, 0), size));
    layout.DrawCaption(surface, PaintImage::Mask, QPoint(0, 0), marker);

    const BandRegion region = layout.Bands(surface, graduate);
    const ColourChannels start = SplitColour(label.GraduateFrom());
    ColourSteps steps;
    if (region.Extent > 0) {
        steps = ColourStepsBetween(start, SplitColour(label.FontColor()), region.Extent);
    }
    for (int i = 0; i <= region.Extent; ++i) {
        const QRect band = graduate == goVertical ? QRect(0, region.Top + i, size.width(), 1)
                                                  : QRect(region.Left + i, 0, 1, size.height());
        surface.MaskedCopy(PaintImage::Mask, PaintImage::Work, band, marker,
                           ToQColor(StepColour(start, steps, i)));
    }
}

} // namespace

ColourChannels SplitColour(TColor colour)
{
    const auto value = static_cast<std::uint32_t>(colour);
    return {static_cast<int>(value & 0xFF), static_cast<int>(value >> 8 & 0xFF),
            static_cast<int>(value >> 16 & 0xFF)};
}

TColor ComposeColour(const ColourChannels &channels)
{
    return RgbColour(channels.Red, channels.Green, channels.Blue);
}

ColourSteps ColourStepsBetween(const ColourChannels &from, const ColourChannels &to, int count)
{
    return {static_cast<double>(to.Red - from.Red) / count,
            static_cast<double>(to.Green - from.Green) / count,
            static_cast<double>(to.Blue - from.Blue) / count};
}

TColor StepColour(const ColourChannels &start, const ColourSteps &steps, int index)
{
    return ComposeColour({StepChannel(start.Red, steps.Red, index),
                          StepChannel(start.Green, steps.Green, index),
                          StepChannel(start.Blue, steps.Blue, index)});
}

QPoint DirectionOffset(TEffectDirection direction)
{
    switch (direction) {
    case edNone:
        return {0, 0};
    case edUp:
        return {0, -1};
    case edUpRight:
        return {1, -1};
    case edRight:
        return {1, 0};
    case edDownRight:
        return {1, 1};
    case edDown:
        return {0, 1};
    case edDownLeft:
        return {-1, 1};
    case edLeft:
        return {-1, 0};
    case edUpLeft:
        return {-1, -1};
    }
    return {0, 0};
}

EffectOffsets ComputeEffectOffsets(const EffectLabelModel &label)
{
    const QPoint highlight = DirectionOffset(label.DirectionHighlight()) * label.DepthHighlight();
    const QPoint shadow = DirectionOffset(label.DirectionShadow()) * label.DepthShadow();
    const auto values = {0, highlight.x(), highlight.y(), shadow.x(), shadow.y()};
    EffectOffsets offsets;
    offsets.Lowest = std::min(values);
    offsets.Highest = std::max(values);
    offsets.Spread = offsets.Highest - offsets.Lowest;
    switch (label.Alignment()) {
    case taRightJustify:
        offsets.AlignmentShift = offsets.Spread;
        break;
    case taCenter:
        offsets.AlignmentShift = offsets.Spread / 2;
        break;
    case taLeftJustify:
        break;
    }
    return offsets;
}

QFont EffectLabelImageFont(const EffectLabelModel &label)
{
    QFont font = ToQFont(label.Font());
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

void PaintEffectLabel(const EffectLabelModel &label, QSize size, PaintSurface &surface)
{
    const EffectOffsets offsets = ComputeEffectOffsets(label);
    const QFont font = EffectLabelImageFont(label);
    surface.SetFont(PaintImage::Work, font, 0);
    surface.SetFont(PaintImage::Mask, font, 0);

    const std::unique_ptr<EffectLabelLayout> layout = CreateEffectLabelLayout(label, size, offsets);
    layout->Prepare(surface);

    if (!label.Transparent()) {
        layout->PaintBackground(surface, ToQColor(label.Color()));
    }

    DrawLayer(label, size, surface, *layout,
              {label.DepthShadow(), label.DirectionShadow(), label.ColourShadow(),
               label.StyleShadow(), TranslucentLayer::Shadow});
    DrawLayer(label, size, surface, *layout,
              {label.DepthHighlight(), label.DirectionHighlight(), label.ColourHighlight(),
               label.StyleHighlight(), TranslucentLayer::Highlight});
    DrawFace(label, size, surface, *layout);
}
