#include "workbench/runteacher.h"

#include "platform/qtsetup.h"
#include "workbench/bankstab.h"
#include "workbench/teacherwindow.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

namespace {

// Sets the window icon of the menu entry once the window has first been painted: looking it up
// in the icon theme loads Qt's icon engines and image plugins, which the first paint does not
// need.
class IconAfterFirstPaint : public QObject {
public:
    explicit IconAfterFirstPaint(QWidget &window) : QObject(&window)
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Queued: the paint finishes first.
            QMetaObject::invokeMethod(
                this,
                [] { QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("ortus"))); },
                Qt::QueuedConnection);
        }
        return false;
    }
};

} // namespace

int RunTeacher(int &argc, char **argv, const std::function<void(TeacherWindow &)> &started)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ortus-teacher"));
    QApplication::setDesktopFileName(QStringLiteral("ortus-teacher"));
    LoadQtTranslations();
    // The window keeps nothing outside the start directory but its own size and position.
    KeepQtSettingsOutOfHome();
    TeacherWindow window;
    // The menu entry's icon, when the package has installed it.
    new IconAfterFirstPaint(window);
    if (started) {
        started(window);
    }
    // Shown first: the results tab, hidden behind the banks, then reads its log after the first
    // paint. The banks are there before it.
    window.show();
    window.Banks->OpenStartDirectory(QDir::currentPath());
    return QApplication::exec();
}
