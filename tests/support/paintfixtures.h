#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

class EffectLabelModel;

// The label painted on an image of the given size that starts filled with the background colour;
// a null image when the paint could not make its images.
QImage PaintOver(const EffectLabelModel &label, QSize size, QColor background);
