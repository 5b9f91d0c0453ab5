#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <string>
#include <vector>

// One pupil's result as read back from the results log.
struct LogRecord {
    int line = 0; // the line of the pupil's name
    QString name;
    QString grade;
    QString group;
    int score = 0;
};

// A line of the log that is not part of a whole record, told to the teacher in Russian.
struct LogNote {
    int line = 0;
    QString message;
};

struct ResultsLog {
    std::vector<LogRecord> records;
    std::vector<LogNote> notes;
};

// Reads the log through TextFile as CP1251 text. Empty lines between records are skipped (a new
// log starts with one more), a record cut short is left out with a note, and so is any other line
// that belongs to no record. Lines ended by LF alone (a log saved by another editor) are read as
// lines too. Raises EInOutError when the log cannot be opened or read.
ResultsLog ReadResultsLog(const std::string &path);

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

// One summary per grade and group, grades in numeric order, groups in alphabetical order.
std::vector<GroupSummary> SummarizeResults(const std::vector<LogRecord> &records);

// A table of texts, to print aligned or to save as CSV.
struct TextTable {
    QStringList header;
    std::vector<QStringList> rows;
    std::vector<bool> rightAligned; // per column: numbers line up on the right
};

// The columns that --questions adds: the percentage and the school mark.
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
