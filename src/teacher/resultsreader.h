#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <string_view>
#include <vector>

// One pupil's result as read back from the results log.
struct LogRecord {
    int line = 0; // the line of the pupil's name
    QString name;
    QString grade;
    QString group;
    int score = 0;
    // ShortHash of the record's five lines as they stand in the log, to compare with its detail.
    std::string recordHash{};
    // From the record's detail, when the companion file holds one: the number of questions of
    // the test (0: no detail) and when it ended, ISO 8601 with the UTC offset.
    int questions = 0;
    QString time{};
};

// A line of the log that is not part of a whole record, told to the teacher in Russian.
struct LogNote {
    int line = 0;
    QString message;
};

struct ResultsLog {
    std::vector<LogRecord> records;
    std::vector<LogNote> notes;
    // The lines up to the score line of the last whole record: lines added after them cannot
    // change what these hold, so a log that grows is read on from there.
    int settledLines = 0;
};

// Reads the log through TextFile as CP1251 text. Empty lines between records are skipped (a new
// log starts with one more), a record cut short is left out with a note, and so is any other line
// that belongs to no record. Lines ended by LF alone (a log saved by another editor) are read as
// lines too. Raises EInOutError when the log cannot be opened or read.
ResultsLog ReadResultsLog(const std::string &path);

// The same for lines already read (code page 1251, line ends removed), the first of them being
// line firstLine of the log.
ResultsLog ParseResultsLines(const std::vector<std::string_view> &lines, int firstLine = 1);
