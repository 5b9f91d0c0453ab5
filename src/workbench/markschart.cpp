#include "workbench/markschart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QValueAxis>

#include <algorithm>

namespace {

struct MarkLook {
    QColor colour;
    Qt::BrushStyle pattern;
};

// Indexed by mark - 2.
const MarkLook MarkLooks[] = {
    {QColor(170, 30, 30), Qt::DiagCrossPattern},
    {QColor(190, 110, 0), Qt::Dense4Pattern},
    {QColor(30, 70, 160), Qt::BDiagPattern},
    {QColor(30, 100, 50), Qt::SolidPattern},
};

// Grid lines a printer still draws, lighter than the bars' black outlines.
const QColor DarkGrid(96, 96, 96);

} // namespace

QString GroupCaption(const GroupSummary &group)
{
    return QStringLiteral("%1 (%2 кл.)").arg(group.group, group.grade);
}

QString MarksDescription(const std::vector<ShownGroup> &groups)
{
    if (groups.empty()) {
        return QStringLiteral("Нет оценок");
    }
    QStringList lines;
    for (const ShownGroup &group : groups) {
        QStringList counts;
        for (int mark = 5; mark >= 2; --mark) {
            counts.append(
                QStringLiteral("«%1» %2").arg(mark).arg(group.marks[std::size_t(mark - 2)]));
        }
        lines.append(GroupCaption(group.scores) + QStringLiteral(": ") +
                     counts.join(QStringLiteral(", ")));
    }
    return lines.join(QLatin1Char('\n'));
}

QChart *NewMarksChart()
{
    auto *chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setBackgroundBrush(Qt::white);
    chart->setDropShadowEnabled(false);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setTitle(QStringLiteral("Оценки"));
    // Black captions: the theme's greys fade on a black-and-white laser printer.
    chart->setTitleBrush(Qt::black);
    chart->legend()->setLabelColor(Qt::black);
    return chart;
}

void ShowMarks(QChart &chart, const std::vector<ShownGroup> &groups)
{
    chart.removeAllSeries();
    for (QAbstractAxis *axis : chart.axes()) {
        chart.removeAxis(axis);
        delete axis;
    }
    auto *series = new QBarSeries;
    auto *captions = new QBarCategoryAxis;
    const auto addBars = [series](const QString &name, const MarkLook &look) {
        auto *bars = new QBarSet(name);
        bars->setBrush(QBrush(look.colour, look.pattern));
        bars->setPen(QPen(Qt::black, 1));
        bars->setLabelColor(Qt::black);
        series->append(bars);
        return bars;
    };
    int highest = 0;
    if (groups.size() == 1) {
        // One group: the marks name the bars, which no legend can make clearer on paper.
        QBarSet *bars = addBars(GroupCaption(groups.front().scores), MarkLooks[3]);
        for (int mark = 5; mark >= 2; --mark) {
            captions->append(QStringLiteral("«%1»").arg(mark));
            bars->append(groups.front().marks[std::size_t(mark - 2)]);
            highest = std::max(highest, groups.front().marks[std::size_t(mark - 2)]);
        }
        chart.legend()->hide();
    } else {
        for (int mark = 5; mark >= 2; --mark) {
            QBarSet *bars = addBars(QStringLiteral("«%1»").arg(mark), MarkLooks[mark - 2]);
            for (const ShownGroup &group : groups) {
                bars->append(group.marks[std::size_t(mark - 2)]);
                highest = std::max(highest, group.marks[std::size_t(mark - 2)]);
            }
        }
        for (const ShownGroup &group : groups) {
            captions->append(GroupCaption(group.scores));
        }
        chart.legend()->show();
    }
    series->setLabelsVisible(true);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    chart.addSeries(series);
    chart.addAxis(captions, Qt::AlignBottom);
    series->attachAxis(captions);

    auto *counts = new QValueAxis;
    // Whole numbers at most ten steps apart, with room above the highest bar for its label.
    const int step = highest / 10 + 1;
    const int steps = highest / step + 1;
    counts->setRange(0, steps * step);
    counts->setTickCount(steps + 1);
    counts->setLabelFormat(QStringLiteral("%d"));
    chart.addAxis(counts, Qt::AlignLeft);
    series->attachAxis(counts);
    for (QAbstractAxis *axis : chart.axes()) {
        axis->setLinePen(QPen(Qt::black, 1));
        axis->setGridLinePen(QPen(DarkGrid, 1));
        axis->setLabelsColor(Qt::black);
    }
}
