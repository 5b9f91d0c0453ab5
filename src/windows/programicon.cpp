#include "windows/programicon.h"

#include <QPainter>
#include <QPainterPath>

#include <vector>

QImage DrawProgramIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 32.0;

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 20, 60));
    painter.drawRoundedRect(QRectF(0, 0, size, size), 5 * unit, 5 * unit);

    // The "O" of the name as a thick red ring.
    painter.setPen(QPen(QColor(230, 30, 30), 4.5 * unit));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(6 * unit, 6 * unit, 20 * unit, 20 * unit));

    // A tick inside the ring: the answer chosen.
    QPainterPath tick;
    tick.moveTo(11 * unit, 16.5 * unit);
    tick.lineTo(15 * unit, 20.5 * unit);
    tick.lineTo(22 * unit, 11.5 * unit);
    painter.setPen(QPen(QColor(0, 220, 0), 3 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(tick);
    return image;
}

QIcon ProgramIcon()
{
    // Drawn once for all the windows: their pixmaps share these images.
    static const std::vector<QImage> images = [] {
        std::vector<QImage> drawn;
        for (const int size : {16, 32, 48, 64, 128, 256}) {
            drawn.push_back(DrawProgramIcon(size));
        }
        return drawn;
    }();
    QIcon icon;
    for (const QImage &image : images) {
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
