#include "platform/windowplacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <optional>

namespace {

// The frame of the last framed window: a window manager frames this program's windows alike, so
// it is the best guess for the next window before that one is on screen.
QMargins g_lastFrame;

const QString PlacementName = QStringLiteral("FramePlacement");

// How long the window manager must leave the window alone before it counts as settled. KWin's
// late move follows the first expose within a few tens of milliseconds.
constexpr int QuietMilliseconds = 400;
// A bound on the corrections, should a window manager keep moving the window.
constexpr int MaxCorrections = 6;

// Places a window's frame from the frame's size while the window manager settles the window.
class FramePlacement : public QObject {
public:
    FramePlacement(QWidget &window, std::function<QPoint(QSize)> place)
        : QObject(&window), m_window(window), m_place(std::move(place))
    {
        setObjectName(PlacementName);
        m_quiet.setSingleShot(true);
        m_quiet.setInterval(QuietMilliseconds);
        connect(&m_quiet, &QTimer::timeout, this, [this] { Settle(true); });
        window.installEventFilter(this);
        Apply(Frameless() ? QMargins() : g_lastFrame);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        QWindow *handle = m_window.windowHandle();
        // The native window is made when the window is shown, and anew after a change of flags.
        if (watched == &m_window && event->type() == QEvent::Show && handle != nullptr) {
            handle->installEventFilter(this);
        } else if (watched == handle && handle->isExposed()) {
            switch (event->type()) {
            case QEvent::Expose:
            case QEvent::Move:
            case QEvent::Resize:
                // Looked at once the window system has delivered the whole change.
                QTimer::singleShot(0, this, [this] { Settle(false); });
                break;
            default:
                break;
            }
        }
        return false;
    }

private:
    bool Frameless() const { return m_window.windowFlags().testFlag(Qt::FramelessWindowHint); }

    // Puts the window in place with the frame the window manager tells now. When it has been
    // quiet and the window is in place, the placement is done.
    void Settle(bool quiet)
    {
        const QWindow *handle = m_window.windowHandle();
        if (handle == nullptr || !m_window.isVisible()) {
            deleteLater();
            return;
        }
        // A frame not told yet is guessed from the last one.
        QMargins frame = Frameless() ? QMargins() : handle->frameMargins();
        if (!frame.isNull()) {
            g_lastFrame = frame;
        } else if (!Frameless()) {
            frame = g_lastFrame;
        }
        const QPoint at = handle->geometry().topLeft();
        const bool placed = at == Target(frame);
        // A window manager that puts the window back where it put it before keeps it there on
        // purpose (out of GNOME's top bar): it is left there.
        const bool refused = !placed && at == m_refusedAt;
        if (placed ? quiet : refused || m_corrections >= MaxCorrections) {
            deleteLater();
            return;
        }
        if (!placed) {
            m_refusedAt = at;
            ++m_corrections;
            Apply(frame);
        }
        m_quiet.start();
    }

    QPoint Target(QMargins frame) const
    {
        return m_place(m_window.size().grownBy(frame)) + QPoint(frame.left(), frame.top());
    }

    void Apply(QMargins frame)
    {
        // The client's position, not the frame's: Qt turns a frame position into a client one
        // with the frame it knew before a change of flags.
        m_window.setGeometry(QRect(Target(frame), m_window.size()));
    }

    QWidget &m_window;
    std::function<QPoint(QSize)> m_place;
    QTimer m_quiet;
    int m_corrections = 0;
    std::optional<QPoint> m_refusedAt;
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
