#pragma once

#include <QEvent>
#include <QMetaObject>
#include <QWidget>

#include <functional>
#include <utility>

// Runs an action once, right after the first paint of a widget that `ready` allows (any paint
// when it is empty): work that the first picture does not need waits until it is on the screen.
// Owned by the widget. Header-only, so that the benchmarks' plain Qt baselines can use it too.
class AfterPaint : public QObject {
public:
    AfterPaint(QWidget &widget, std::function<void()> action, std::function<bool()> ready = {})
        : QObject(&widget), m_action(std::move(action)), m_ready(std::move(ready))
    {
        widget.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && (!m_ready || m_ready())) {
            watched->removeEventFilter(this);
            // Queued: the paint of the widget and its children finishes first.
            QMetaObject::invokeMethod(this, m_action, Qt::QueuedConnection);
        }
        return false;
    }

private:
    std::function<void()> m_action;
    std::function<bool()> m_ready;
};
