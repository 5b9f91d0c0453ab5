#pragma once

#include "effectlabel/answerlabelform.h"
#include "effectlabel/effectlabelmodel.h"
#include "effectlabel/paintsurface.h"

#include <QImage>
#include <QWidget>

// The effect label: a windowless-looking label that paints only its own pixels, with the
// properties and rules of EffectLabelModel. Every model change that alters the picture schedules
// a repaint; the pointer handlers either report to the owner or, as a button, sink and rise.
class TEffectLabel : public QWidget, public EffectLabelModel {
    Q_OBJECT

public:
    explicit TEffectLabel(QWidget *parent = nullptr);

    // Chooses the label as a click would, for the keyboard and a screen reader: raises Activated
    // while the label is shown, nothing while it is hidden.
    void Activate();

signals:
    // OnMouseDown, OnMouseMove and OnMouseUp: raised only while AsButton is false. Positions are
    // in client coordinates; `buttons` are the buttons held after the event.
    void MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons,
                   Qt::KeyboardModifiers modifiers, int x, int y);
    void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y);
    void MouseUp(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers,
                 int x, int y);
    // OnClick: a left press on the label, then a left release inside its rectangle.
    void Clicked();
    // Space or Enter on the focused label, or a screen reader's press action.
    void Activated();

protected:
    void RequestRepaint() override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Press(QMouseEvent *event);
    // The label's picture composed over what lies beneath it (the work image, finished), or null
    // when an image could not be made. Only the caption's glyph stamp outlives the call.
    QImage ComposePicture() const;

    // A left press on the label arms the click; the left release decides it.
    bool m_clickArmed = false;
    // The caption as the last paint laid it out; the paint makes it anew when what it was made
    // from has changed.
    mutable GlyphStamp m_stamp;
};

// Renders into `image` (the label's size) what lies beneath the label: its parent's own
// background and painting, then the visible lower siblings that overlap it. A label without a
// parent gets its own window background.
void RenderBeneath(const QWidget &label, QImage &image);
