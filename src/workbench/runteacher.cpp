#include "workbench/runteacher.h"

#include "platform/qtsetup.h"
#include "workbench/bankstab.h"
#include "workbench/teacherwindow.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

int RunTeacher(int &argc, char **argv, const std::function<void(TeacherWindow &)> &started)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ortus-teacher"));
    QApplication::setDesktopFileName(QStringLiteral("ortus-teacher"));
    LoadQtTranslations();
    // The window keeps nothing outside the start directory but its own size and position.
    KeepQtSettingsOutOfHome();
    // The menu entry's icon, when the package has installed it.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("ortus")));
    TeacherWindow window;
    window.Banks->OpenStartDirectory(QDir::currentPath());
    if (started) {
        started(window);
    }
    window.show();
    return QApplication::exec();
}
