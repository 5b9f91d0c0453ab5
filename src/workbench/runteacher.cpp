#include "workbench/runteacher.h"

#include "platform/afterpaint.h"
#include "platform/qtsetup.h"
#include "workbench/bankstab.h"
#include "workbench/questionpreview.h"
#include "workbench/teacherwindow.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QScreen>

int RunTeacher(int &argc, char **argv, const std::function<void(TeacherWindow &)> &started)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ortus-teacher"));
    QApplication::setDesktopFileName(QStringLiteral("ortus-teacher"));
    LoadQtTranslations();
    // The window keeps nothing outside the start directory but its own size and position.
    KeepQtSettingsOutOfHome();
    // The results tab, hidden behind the banks, is built and reads its log right after the first
    // paint.
    TeacherWindow window(nullptr, TeacherWindow::DefaultGeometryFile(), nullptr,
                         TeacherWindow::ResultsBuilt::AfterFirstPaint);
    // The menu entry's icon, when the package has installed it, looked up after the first paint:
    // the icon theme loads Qt's icon engines and image plugins, which the first picture does not
    // need.
    new AfterPaint(window,
                   [] { QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("ortus"))); });
    // The question's preview too: its background picture and the test screen's fonts take as
    // long to draw as the rest of the window.
    QuestionPreview &preview = *window.Banks->Preview;
    preview.HoldStage(true);
    new AfterPaint(window, [&preview] { preview.HoldStage(false); });
    if (started) {
        started(window);
    }
    window.FitToScreen(window.screen()->availableGeometry());
    // Shown first, so that the results wait for the first paint; the banks are there before it.
    window.show();
    window.Banks->OpenStartDirectory(QDir::currentPath());
    return QApplication::exec();
}
