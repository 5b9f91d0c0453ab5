#pragma once

#include "effectlabel/effectlabellayout.h"
#include "effectlabel/effectlabelmodel.h"
#include "effectlabel/paintsurface.h"
#include "runtime/tcolor.h"

#include <QPoint>
#include <QSize>

// The colour in which a graduated face is first drawn on the mask image: red 241, green 9,
// blue 254.
constexpr TColor MarkerColour = 0xFE09F1;

// A colour split into its stored bytes. The top byte is ignored, so a system colour is not
// resolved: clWindowText splits as red 8, green 0, blue 0.
struct ColourChannels {
    int Red = 0;
    int Green = 0;
    int Blue = 0;

    friend bool operator==(const ColourChannels &, const ColourChannels &) = default;
};

// Per-channel steps between two colours, in double precision.
struct ColourSteps {
    double Red = 0.0;
    double Green = 0.0;
    double Blue = 0.0;
};

ColourChannels SplitColour(TColor colour);
TColor ComposeColour(const ColourChannels &channels);
// (to - from) / count per channel; count must not be 0.
ColourSteps ColourStepsBetween(const ColourChannels &from, const ColourChannels &to, int count);
// The colour at `index`: start + step times index, rounded to nearest with halves to even.
TColor StepColour(const ColourChannels &start, const ColourSteps &steps, int index);

// The unit offset of a direction, x growing to the right and y downward.
QPoint DirectionOffset(TEffectDirection direction);

// lo, hi, spread and the alignment shift p of the label's current layers and alignment.
EffectOffsets ComputeEffectOffsets(const EffectLabelModel &label);

// The font drawn on the off-screen images: the label's font in pixels, without antialiasing.
QFont EffectLabelImageFont(const EffectLabelModel &label);

// Composes the label's picture on the surface, whose work image holds what lies beneath the label
// and whose mask image is white: background, shadow layer, highlight layer, face. Reads the label
// and changes nothing of it.
void PaintEffectLabel(const EffectLabelModel &label, QSize size, PaintSurface &surface);
