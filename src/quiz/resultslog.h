#pragma once

#include "quiz/testfacts.h"

#include <QDateTime>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ResultDetail;

// One pupil's entry in the results log. Texts are CP1251 bytes.
struct ResultRecord {
    std::string PupilName;
    std::string GradeText; // as the grade list shows it: "5" … "11"
    std::string PupilGroup;
    int Score = 0;
};

// The five lines of a record, each ended by CR LF: an empty line, the name, "Класс: " with the
// grade, "ЮГП: " with the group and "Результат: " with the score.
std::string ResultRecordBytes(const ResultRecord &record);

// How long an append waits for another writer (another PC appending to a shared log) to finish.
struct AppendRetry {
    int attempts = 40;
    std::chrono::milliseconds pause{50};
};

// Where a detail record takes its time and the computer's name from: the system's clock and host
// name, until a test puts fixed ones in.
struct DetailSources {
    std::function<QDateTime()> now;
    std::function<std::string()> computerName;
};
DetailSources &ResultDetailSources();

// The file name of the log at logPath (the path as the settings store it), a relative path taken
// in startDirectory. A name longer than a file name may be (259 bytes) raises EInOutError 206:
// cut, it would name another file.
std::string ResultsLogFileName(const std::string &logPath, const std::string &startDirectory);

// Appends the record to the existing log at logPath, and its detail (the facts, the time, the
// computer) to the companion file beside it, both under the log's lock and each whole or not at
// all: when writing fails part-way both go back to their length before the append. Records that
// earlier appends could not write (the queue in startDirectory) go first, oldest first. While
// another writer holds the log the append is retried as `retry` says. The current directory is
// not used. When the log cannot be written the record and its detail join the queue, and the
// failure raises EInOutError as before.
void AppendResult(const std::string &logPath, const std::string &startDirectory,
                  const ResultRecord &record, const TestFacts &facts,
                  const AppendRetry &retry = {});

// Appends the queued records to the log, oldest first, as AppendResult does with its own; raises
// EInOutError when the log cannot take them, and they stay queued. Nothing queued: nothing done.
void FlushQueuedResults(const std::string &logPath, const std::string &startDirectory,
                        const AppendRetry &retry = {});

// The records waiting in the queue of startDirectory, oldest first.
std::vector<ResultDetail> QueuedResults(const std::string &startDirectory);

// Creates a new log at the full path: one empty line. Raises EInOutError when it cannot, and
// EInOutError 206 for a path longer than a file name may be, creating nothing.
void CreateResultsLog(const std::string &path);
