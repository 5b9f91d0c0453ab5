#include "platform/windowplacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <functional>

namespace {

// The frame of the last framed window: a window manager frames this program's windows alike, so
// it is the best guess for the next window before that one is on screen.
QMargins g_lastFrame;

const QString PlacementName = QStringLiteral("FramePlacement");

// Places a window's frame from the frame's size until the window is first exposed; from then on
// the window is the user's to move.
class FramePlacement : public QObject {
public:
    FramePlacement(QWidget &window, std::function<QPoint(QSize)> place)
        : QObject(&window), m_window(window), m_place(std::move(place))
    {
        setObjectName(PlacementName);
        window.installEventFilter(this);
        Apply(window.windowFlags().testFlag(Qt::FramelessWindowHint) ? QMargins() : g_lastFrame);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        QWindow *handle = m_window.windowHandle();
        // The native window is made when the window is shown, and anew after a change of flags.
        if (watched == &m_window && event->type() == QEvent::Show && handle != nullptr) {
            handle->installEventFilter(this);
        } else if (watched == handle && event->type() == QEvent::Expose && handle->isExposed()) {
            Settle(*handle);
        }
        return false;
    }

private:
    void Settle(const QWindow &handle)
    {
        if (m_settled) {
            return;
        }
        m_settled = true;
        const QMargins frame = handle.frameMargins();
        if (!frame.isNull()) {
            g_lastFrame = frame;
        }
        Apply(frame);
        deleteLater();
    }

    void Apply(QMargins frame)
    {
        const QPoint client =
            m_place(m_window.size().grownBy(frame)) + QPoint(frame.left(), frame.top());
        if (m_window.geometry().topLeft() != client) {
            // The client's position, not the frame's: Qt turns a frame position into a client
            // one with the frame it knew before a change of flags.
            m_window.setGeometry(QRect(client, m_window.size()));
        }
    }

    QWidget &m_window;
    std::function<QPoint(QSize)> m_place;
    bool m_settled = false;
};

void Place(QWidget &window, std::function<QPoint(QSize)> place)
{
    delete window.findChild<QObject *>(PlacementName, Qt::FindDirectChildrenOnly);
    new FramePlacement(window, std::move(place));
}

} // namespace

void CentreFrameOnScreen(QWidget &window)
{
    Place(window, [](QSize frame) {
        const QScreen *screen = QGuiApplication::primaryScreen();
        const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
        return area.topLeft() +
               QPoint((area.width() - frame.width()) / 2, (area.height() - frame.height()) / 2);
    });
}

void PlaceFrameAt(QWidget &window, QPoint topLeft)
{
    Place(window, [topLeft](QSize) { return topLeft; });
}
