// The baseline of the teacher's window in bench_report: the smallest Qt Widgets window holding
// what that window's heaviest tab holds, a table and a bar chart (Qt Charts), at the teacher's
// window's size. It prints "painted" after the window's first paint and ends.

#include "platform/afterpaint.h"

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QTableWidget>
#include <QWidget>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QWidget window;
    auto *table = new QTableWidget(20, 5, &window);
    for (int row = 0; row < table->rowCount(); ++row) {
        for (int column = 0; column < table->columnCount(); ++column) {
            table->setItem(row, column, new QTableWidgetItem(QStringLiteral("Ученик %1").arg(row)));
        }
    }
    auto *bars = new QBarSet(QStringLiteral("«5»"));
    *bars << 3 << 5 << 2;
    auto *series = new QBarSeries;
    series->append(bars);
    auto *chart = new QChart;
    chart->addSeries(series);
    chart->createDefaultAxes();
    auto *layout = new QHBoxLayout(&window);
    layout->addWidget(table);
    layout->addWidget(new QChartView(chart, &window));
    window.resize(1200, 800);
    new AfterPaint(window, [] {
        std::puts("painted");
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    window.show();
    return application.exec();
}
