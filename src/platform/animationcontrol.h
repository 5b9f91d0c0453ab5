#pragma once

#include "imageformats/avireader.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <stdexcept>

// The file given to AnimationControl::Open is missing, unreadable or no AVI it can play.
class AviOpenError : public std::runtime_error {
public:
    AviOpenError() : std::runtime_error("Cannot open AVI") {}
};

// Plays the frames of an AVI file in a loop, centred on black, as the animation control does.
class AnimationControl : public QWidget {
    Q_OBJECT

public:
    explicit AnimationControl(QWidget *parent = nullptr);

    // Loads every frame of the file (a bare name is taken from the current directory) and shows
    // the first; playing stops. Throws AviOpenError, and keeps the clip it had, when the file
    // cannot be played.
    void Open(const QString &fileName);
    // Plays frames fromFrame to toFrame (counted from 1) over and over at the file's rate. The
    // range is kept within the clip, so a shorter file plays all it has.
    void Play(int fromFrame, int toFrame);
    // Stops and lets the clip go, with the memory its file and frames take; the control then
    // shows black until a file is opened again.
    void Close();

    // The frame shown, counted from 1; 0 before a file is open.
    int CurrentFrame() const { return m_current; }
    int FrameCount() const { return m_clip.FrameCount(); }
    // A loop was started; it advances only while the control is visible.
    bool IsPlaying() const { return m_playing; }
    // Whether the frame timer runs now.
    bool IsTimerActive() const { return m_timer.isActive(); }
    int FrameInterval() const { return m_timer.interval(); }

    // Steps to the next frame of the loop; the frame timer calls it.
    void AdvanceFrame();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void ShowFrame(int frame);

    // The clip decodes a frame as it comes on screen: only the one shown is kept.
    AviClip m_clip;
    QImage m_shown;
    QTimer m_timer;
    int m_current = 0;
    int m_from = 0;
    int m_to = 0;
    bool m_playing = false;
};
