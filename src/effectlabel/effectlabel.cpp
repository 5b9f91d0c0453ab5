#include "effectlabel/effectlabel.h"

#include "effectlabel/effectlabelpaint.h"
#include "effectlabel/paintsurface.h"

#include <QAccessibleWidget>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

// A screen reader sees the label as a push button named by its caption (unless its owner names
// it), with a press action that chooses it.
class EffectLabelAccessible : public QAccessibleWidget {
public:
    explicit EffectLabelAccessible(TEffectLabel *label)
        : QAccessibleWidget(label, QAccessible::Button)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            return static_cast<const TEffectLabel *>(widget())->Caption();
        }
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString &actionName) override
    {
        if (actionName != pressAction()) {
            return;
        }
        // Queued: the screen reader's call returns before whatever the choice opens (a message
        // box runs its own event loop).
        QMetaObject::invokeMethod(static_cast<TEffectLabel *>(widget()), &TEffectLabel::Activate,
                                  Qt::QueuedConnection);
    }

    QStringList keyBindingsForAction(const QString &) const override { return {}; }
};

QAccessibleInterface *EffectLabelAccessibleFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("TEffectLabel") && object->isWidgetType()) {
        return new EffectLabelAccessible(static_cast<TEffectLabel *>(object));
    }
    return nullptr;
}

} // namespace

TEffectLabel::TEffectLabel(QWidget *parent) : QWidget(parent)
{
    resize(142, 33);
    // The paint composes what lies beneath and covers every pixel, so nothing needs painting
    // under it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The owner's hover handling needs pointer moves with no button held.
    setMouseTracking(true);
    // Reached by Tab, never focused by a click: a mouse user's labels look as they always did.
    setFocusPolicy(Qt::TabFocus);
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(EffectLabelAccessibleFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
}

void TEffectLabel::Activate()
{
    if (isVisible()) {
        emit Activated();
    }
}

void TEffectLabel::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter) {
        QWidget::keyPressEvent(event);
        return;
    }
    // A held key chooses once, not once per repeat.
    if (!event->isAutoRepeat()) {
        Activate();
    }
}

void TEffectLabel::RequestRepaint()
{
    update();
}

void TEffectLabel::paintEvent(QPaintEvent *)
{
    if (width() <= 0 || height() <= 0) {
        return;
    }
    QImage picture = ComposePicture();
    if (picture.isNull()) {
        // An image could not be made: the label shows what lies beneath it, as if it had
        // painted nothing.
        picture = QImage(size(), QImage::Format_RGB32);
        if (picture.isNull()) {
            return;
        }
        RenderBeneath(*this, picture);
    }
    // Only the finished picture reaches the screen, in one copy.
    QPainter(this).drawImage(0, 0, picture);
}

QImage TEffectLabel::ComposePicture() const
{
    QImage work(size(), QImage::Format_RGB32);
    if (work.isNull()) {
        return work;
    }
    RenderBeneath(*this, work);
    ImagePaintSurface surface(std::move(work), &m_stamp);
    PaintEffectLabel(*this, size(), surface);
    const QImage *picture = surface.Finish();
    return picture != nullptr ? *picture : QImage();
}

void TEffectLabel::Press(QMouseEvent *event)
{
    const QPoint position = event->position().toPoint();
    if (AsButton()) {
        ButtonPress(event->button(), isEnabled());
    } else {
        emit MouseDown(event->button(), event->buttons(), event->modifiers(), position.x(),
                       position.y());
    }
}

void TEffectLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_clickArmed = true;
    }
    Press(event);
}

void TEffectLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click is a press like any other, but its release is no click.
    Press(event);
}

void TEffectLabel::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint position = event->position().toPoint();
    if (AsButton()) {
        ButtonMove(event->buttons(), event->modifiers(), position.x(), position.y(), width(),
                   height());
    } else {
        emit MouseMove(event->buttons(), event->modifiers(), position.x(), position.y());
    }
}

void TEffectLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint position = event->position().toPoint();
    // The click comes first, so a button label is still sunken when its owner hears of it.
    if (event->button() == Qt::LeftButton && m_clickArmed) {
        m_clickArmed = false;
        if (rect().contains(position)) {
            emit Clicked();
        }
    }
    if (AsButton()) {
        ButtonRelease(position.x(), position.y(), width(), height());
    } else {
        emit MouseUp(event->button(), event->buttons(), event->modifiers(), position.x(),
                     position.y());
    }
}

void RenderBeneath(const QWidget &label, QImage &image)
{
    QWidget *parent = label.parentWidget();
    if (parent == nullptr) {
        image.fill(label.palette().color(QPalette::Window));
        return;
    }
    const QRect area = label.geometry();
    const QRect inside = area & parent->rect();
    if (inside != area) {
        image.fill(parent->palette().color(QPalette::Window));
    }
    // The parent's background is drawn even when it does not fill it itself, so no pixel of the
    // image is left undefined.
    if (!inside.isEmpty()) {
        parent->render(&image, inside.topLeft() - area.topLeft(), QRegion(inside),
                       QWidget::DrawWindowBackground);
    }
    // Children are in stacking order: those before the label lie beneath it.
    for (QObject *child : parent->children()) {
        if (child == &label) {
            break;
        }
        auto *sibling = qobject_cast<QWidget *>(child);
        if (sibling == nullptr || sibling->isWindow() || sibling->isHidden()) {
            continue;
        }
        const QRect overlap = sibling->geometry() & area;
        if (overlap.isEmpty()) {
            continue;
        }
        // A sibling that does not fill its background lets the parent show through.
        QWidget::RenderFlags flags = QWidget::DrawChildren;
        if (sibling->autoFillBackground()) {
            flags |= QWidget::DrawWindowBackground;
        }
        sibling->render(&image, overlap.topLeft() - area.topLeft(),
                        QRegion(overlap.translated(-sibling->pos())), flags);
    }
}
