#pragma once

#include "teacher/resultsreader.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

// Percentage thresholds of the marks 3, 4 and 5; below the first one the mark is 2.
struct MarkScale {
    std::array<int, 3> thresholds{50, 70, 85};
};

// "50,70,85": three whole percentages from 0 to 100, each above the one before; nullopt otherwise.
std::optional<MarkScale> ParseMarkScale(const QString &text);

// The school mark 2..5 of a score out of the number of questions (at least 1).
int SchoolMark(int score, int questions, const MarkScale &scale);

// The share of the questions answered correctly, in percent, cut (not rounded, so that it never
// shows a threshold that was not reached) to one decimal with a decimal comma: "84,6", "85".
QString PercentText(int score, int questions);

// The results of one grade and group.
struct GroupSummary {
    QString grade;
    QString group;
    int pupils = 0;
    int total = 0;
    int lowest = 0;
    int highest = 0;
};

// Grades are numbers ("5" … "11") and sort as numbers; anything else comes after them.
bool GradeBefore(const QString &a, const QString &b);

// One summary per grade and group, grades in numeric order, groups in alphabetical order.
std::vector<GroupSummary> SummarizeResults(const std::vector<LogRecord> &records);

// A table of texts, to print aligned or to save as CSV.
struct TextTable {
    QStringList header;
    std::vector<QStringList> rows;
    std::vector<bool> rightAligned; // per column: numbers line up on the right
};

// The columns that --questions adds: the percentage and the school mark. A record's own number
// of questions (from its detail) goes before this one; with neither the columns stay empty.
struct MarkColumns {
    int questions = 0;
    MarkScale scale;
};

TextTable ResultsTable(const std::vector<LogRecord> &records,
                       const std::optional<MarkColumns> &marks);
TextTable SummaryTable(const std::vector<GroupSummary> &summaries);

// Columns padded with blanks, a dashed line under the header, "\n" after every line.
QString FormatTextTable(const TextTable &table);

// CSV for a spreadsheet in a Russian locale: UTF-8 with a byte order mark, ";" between fields,
// every field quoted, CR LF line ends. A field starting with "=", "+", "-" or "@" gets an
// apostrophe in front, so that a name a pupil typed is never run as a formula.
QByteArray CsvBytes(const TextTable &table);
