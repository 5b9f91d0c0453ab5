#pragma once

#include <chrono>
#include <cstdint>
#include <string>

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

// Appends the record to the existing log at logPath, the path as the settings store it; a relative
// path resolves against startDirectory (made current first; a failure of that is ignored). The
// record is written in one piece: when writing fails part-way the log is cut back to its length
// before the append. While another writer holds the log the append is retried as `retry` says.
// Failures raise EInOutError.
void AppendResult(const std::string &logPath, const std::string &startDirectory,
                  const ResultRecord &record, const AppendRetry &retry = {});

// Creates a new log at the full path: one empty line. Raises EInOutError when it cannot.
void CreateResultsLog(const std::string &path);
