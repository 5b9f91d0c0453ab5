// ortus-teacher: the teacher's window for the question banks of the start directory, which is
// the directory it is started in (the launcher's, or build/run/ for `make teacher`).
#include "workbench/bankstab.h"
#include "workbench/teacherwindow.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ortus-teacher"));
    QApplication::setDesktopFileName(QStringLiteral("ortus-teacher"));
    // The menu entry's icon, when the package has installed it.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("ortus")));
    TeacherWindow window;
    window.Banks->OpenStartDirectory(QDir::currentPath());
    window.show();
    return QApplication::exec();
}
