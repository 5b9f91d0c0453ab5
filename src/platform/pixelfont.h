#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QWidget;

// The program's faces at a character height in pixels, so that drawing does not depend on the
// screen's dpi. "MS Sans Serif" is substituted by a face with its metrics.
QFont PixelFont(const QString &family, int pixelHeight, bool bold);

// One colour of a control's palette, the rest left as they are.
void SetPaletteColour(QWidget *widget, QPalette::ColorRole role, const QColor &colour);
