// The teacher's window started exactly as ortus-teacher's main starts it, watched from inside for
// bench_report, in a start directory whose log holds the records to show:
//   start   ends right after the window's first paint;
//   log     opens the results tab and ends once its table has been painted with every record of
//           the log, for the peak memory of a window showing a large log.
// It prints "painted" after the window's first paint, and "rows COUNT" before it ends in log
// mode.

#include "platform/afterpaint.h"
#include "workbench/resultsmodel.h"
#include "workbench/resultstab.h"
#include "workbench/runteacher.h"
#include "workbench/teacherwindow.h"

#include <QApplication>
#include <QTableView>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

void Say(const char *text)
{
    std::puts(text);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    const bool log = argc == 2 && std::strcmp(argv[1], "log") == 0;
    if (!log && !(argc == 2 && std::strcmp(argv[1], "start") == 0)) {
        std::fprintf(stderr, "usage: %s start|log\n", argv[0]);
        return 2;
    }
    return RunTeacher(argc, argv, [log](TeacherWindow &window) {
        new AfterPaint(window, [log, &window] {
            Say("painted");
            if (!log) {
                QCoreApplication::quit();
                return;
            }
            ResultsTab &tab = window.OpenResultsTab();
            QWidget &table = *tab.table()->viewport();
            new AfterPaint(
                table,
                [&tab] {
                    std::printf("rows %d\n", tab.results().rowCount());
                    std::fflush(stdout);
                    QCoreApplication::quit();
                },
                [&tab] { return tab.results().rowCount() > 0; });
        });
    });
}
