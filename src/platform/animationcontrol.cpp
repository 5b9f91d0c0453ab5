#include "platform/animationcontrol.h"

#include "platform/avireader.h"

#include <QDir>
#include <QPainter>

#include <algorithm>

AnimationControl::AnimationControl(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&m_timer, &QTimer::timeout, this, &AnimationControl::AdvanceFrame);
}

void AnimationControl::Open(const QString &fileName)
{
    AviReadResult result = ReadAviFile(QDir::current().absoluteFilePath(fileName));
    if (!result.Ok()) {
        throw AviOpenError();
    }
    m_timer.stop();
    m_playing = false;
    m_frames = std::move(result.movie->frames);
    m_timer.setInterval(result.movie->FrameIntervalMs());
    m_current = 1;
    m_from = 1;
    m_to = FrameCount();
    update();
}

void AnimationControl::Play(int fromFrame, int toFrame)
{
    if (m_frames.empty()) {
        return;
    }
    m_to = std::clamp(toFrame, 1, FrameCount());
    m_from = std::clamp(fromFrame, 1, m_to);
    m_current = m_from;
    m_playing = true;
    if (isVisible()) {
        m_timer.start();
    }
    update();
}

void AnimationControl::AdvanceFrame()
{
    if (!m_playing) {
        return;
    }
    m_current = m_current >= m_to ? m_from : m_current + 1;
    update();
}

void AnimationControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_current < 1) {
        return;
    }
    const QImage &frame = m_frames[static_cast<std::size_t>(m_current - 1)];
    painter.drawImage((width() - frame.width()) / 2, (height() - frame.height()) / 2, frame);
}

// A hidden intro costs no time: the timer runs only while the control can be seen.
void AnimationControl::showEvent(QShowEvent *)
{
    if (m_playing) {
        m_timer.start();
    }
}

void AnimationControl::hideEvent(QHideEvent *)
{
    m_timer.stop();
}
