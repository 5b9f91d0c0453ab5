#pragma once

#include "workbench/resultsmodel.h"

#include <QString>

#include <vector>

class QChart;

// "7А (7 кл.)": a group named within its grade, as the chart and the sheet name it.
QString GroupCaption(const GroupSummary &group);

// An empty chart of marks: white, no animation, the legend below.
QChart *NewMarksChart();

// Bars of the marks 5, 4, 3 and 2 per group, each mark in its own hatching so that the bars stay
// apart on a black and white print; for a single group the marks are the captions of its bars.
// The counts are written above the bars.
void ShowMarks(QChart &chart, const std::vector<ShownGroup> &groups);

// The chart's counts in words, for a screen reader: "7А (7 кл.): «5» 3, «4» 2, «3» 1, «2» 0",
// one group a line; "Нет оценок" for none.
QString MarksDescription(const std::vector<ShownGroup> &groups);
