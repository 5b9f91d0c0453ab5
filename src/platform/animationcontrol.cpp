#include "platform/animationcontrol.h"

#include "imageformats/avireader.h"

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
    AviClipResult result = ReadAviClipFile(QDir::current().absoluteFilePath(fileName));
    if (!result.Ok()) {
        throw AviOpenError();
    }
    m_timer.stop();
    m_playing = false;
    m_clip = std::move(*result.clip);
    m_timer.setInterval(m_clip.FrameIntervalMs());
    ShowFrame(1);
    m_from = 1;
    m_to = FrameCount();
    update();
}

void AnimationControl::Play(int fromFrame, int toFrame)
{
    if (FrameCount() == 0) {
        return;
    }
    m_to = std::clamp(toFrame, 1, FrameCount());
    m_from = std::clamp(fromFrame, 1, m_to);
    ShowFrame(m_from);
    m_playing = true;
    if (isVisible()) {
        m_timer.start();
    }
    update();
}

void AnimationControl::Close()
{
    m_timer.stop();
    m_playing = false;
    m_clip = AviClip();
    m_shown = QImage();
    m_current = 0;
    m_from = 0;
    m_to = 0;
    update();
}

void AnimationControl::AdvanceFrame()
{
    if (!m_playing) {
        return;
    }
    ShowFrame(m_current >= m_to ? m_from : m_current + 1);
    update();
}

void AnimationControl::ShowFrame(int frame)
{
    m_current = frame;
    m_shown = m_clip.Frame(frame - 1);
}

void AnimationControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_current < 1) {
        return;
    }
    painter.drawImage((width() - m_shown.width()) / 2, (height() - m_shown.height()) / 2, m_shown);
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
