#pragma once

#include <QImage>
#include <QWidget>

// The background picture control: draws its picture stretched to its own size, aspect ratio not
// kept, and reports pointer moves over it.
class StretchedImage : public QWidget {
    Q_OBJECT
public:
    explicit StretchedImage(QWidget *parent = nullptr);

    void SetPicture(const QImage &picture);
    const QImage &Picture() const { return m_picture; }

signals:
    void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
};
