#include "windows/emblem.h"

#include <QPainter>
#include <QPainterPath>

#include <array>

namespace {

constexpr int EmblemWidth = 192;
constexpr int EmblemHeight = 92;

void DrawLandscape(QPainter &painter)
{
    const QRect frame(10, 28, 36, 36);
    QLinearGradient sky(frame.topLeft(), frame.bottomLeft());
    sky.setColorAt(0, QColor(0, 0, 128));
    sky.setColorAt(1, QColor(0, 80, 170));
    painter.fillRect(frame, sky);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 210, 0));
    painter.drawEllipse(QPoint(36, 38), 5, 5);

    QPainterPath hills;
    hills.moveTo(frame.left(), frame.bottom() + 1);
    hills.lineTo(frame.left(), 54);
    hills.quadTo(20, 44, 30, 52);
    hills.quadTo(38, 47, frame.right() + 1, 55);
    hills.lineTo(frame.right() + 1, frame.bottom() + 1);
    hills.closeSubpath();
    painter.setBrush(QColor(0, 128, 0));
    painter.drawPath(hills);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(160, 160, 160), 2));
    painter.drawRect(frame.adjusted(-1, -1, 1, 1));
}

void DrawRing(QPainter &painter)
{
    // Dark enough that the aqua captions over it stay readable.
    painter.setPen(QPen(QColor(110, 0, 0), 5));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPoint(96, 46), 38, 38);
}

void DrawSwatches(QPainter &painter)
{
    const std::array<QColor, 9> colours{
        QColor(255, 0, 0),     QColor(255, 255, 0),   QColor(0, 255, 0),
        QColor(0, 255, 255),   QColor(0, 0, 255),     QColor(255, 0, 255),
        QColor(255, 255, 255), QColor(128, 128, 128), QColor(128, 0, 0)};
    for (std::size_t i = 0; i < colours.size(); ++i) {
        const int column = static_cast<int>(i % 3);
        const int row = static_cast<int>(i / 3);
        painter.fillRect(QRect(150 + column * 12, 29 + row * 12, 10, 10), colours[i]);
    }
}

} // namespace

QImage DrawBackgroundChoiceEmblem()
{
    QImage image(EmblemWidth, EmblemHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawRing(painter);
    DrawLandscape(painter);
    DrawSwatches(painter);
    painter.end();
    return image.convertToFormat(QImage::Format_RGB888);
}
