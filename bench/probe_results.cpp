// The teacher's results tab opened on the start directory's log, watched from inside for
// bench_report. It prints "painted" once the table has been painted with the log's rows and
// "marks" once it has been painted with the marks its details give, then follows the log for
// FOLLOW_SECONDS, scrolled to its end as a teacher watching a lesson keeps
// it, printing "row COUNT NANOSECONDS" (steady clock) each time the table is painted with more
// rows than before.
// Usage (in a start directory): probe_results FOLLOW_SECONDS

#include "workbench/resultstab.h"
#include "workbench/teacherdialogs.h"

#include <QApplication>
#include <QDir>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

// No box may open during a measurement: one means the run went wrong.
class BenchDialogs : public TeacherDialogs {
public:
    void Error(const QString &text) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        std::exit(EXIT_FAILURE);
    }
    Unsaved AskUnsaved(const QString &) override { std::exit(EXIT_FAILURE); }
    std::optional<QString> ChooseFolder(const QString &) override { std::exit(EXIT_FAILURE); }
    std::optional<QString> OpenFile(const QString &, const QString &, const QString &) override
    {
        std::exit(EXIT_FAILURE);
    }
    std::optional<QString> SaveFile(const QString &, const QString &, const QString &) override
    {
        std::exit(EXIT_FAILURE);
    }
    bool SetUpPrinter(QPrinter &) override { std::exit(EXIT_FAILURE); }
};

class PaintedRows : public QObject {
public:
    PaintedRows(ResultsTab &tab, int followSeconds)
        : QObject(&tab), m_tab(tab), m_followSeconds(followSeconds)
    {
        tab.table()->viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::Paint) {
            return false;
        }
        const int rows = m_tab.shown().rowCount();
        if (m_reported == 0 && rows > 0) {
            std::printf("painted\n");
            m_tab.table()->scrollToBottom();
        } else if (m_reported > 0 && rows > m_reported) {
            std::printf(
                "row %d %lld\n", rows,
                static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                           std::chrono::steady_clock::now().time_since_epoch())
                                           .count()));
        }
        m_reported = std::max(m_reported, rows);
        if (m_reported > 0 && !m_marked && !m_tab.results().detailsPending()) {
            m_marked = true;
            std::printf("marks\n");
            QTimer::singleShot(m_followSeconds * 1000, qApp, &QApplication::quit);
        }
        std::fflush(stdout);
        return false;
    }

private:
    ResultsTab &m_tab;
    int m_followSeconds;
    int m_reported = 0;
    bool m_marked = false;
};

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLLOW_SECONDS\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    BenchDialogs dialogs;
    ResultsTab tab(dialogs);
    tab.OpenStartDirectory(QDir::currentPath());
    new PaintedRows(tab, std::atoi(argv[1]));
    tab.resize(1180, 720);
    tab.show();
    return QApplication::exec();
}
