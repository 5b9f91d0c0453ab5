#include "platform/pixelfont.h"

#include <QWidget>

QFont PixelFont(const QString &family, int pixelHeight, bool bold)
{
    // The program's texts are laid out for these faces; Liberation Sans has their metrics.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont font(family);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

void SetPaletteColour(QWidget *widget, QPalette::ColorRole role, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}
