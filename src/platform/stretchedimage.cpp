#include "platform/stretchedimage.h"

#include <QMouseEvent>
#include <QPainter>

StretchedImage::StretchedImage(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
}

void StretchedImage::SetPicture(const QImage &picture)
{
    m_picture = picture;
    update();
}

void StretchedImage::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), m_picture);
}

void StretchedImage::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    emit MouseMove(event->buttons(), event->modifiers(), at.x(), at.y());
}
