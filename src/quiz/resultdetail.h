#pragma once

#include "quiz/resultslog.h"
#include "quiz/testfacts.h"

#include <optional>
#include <string>
#include <string_view>

// The detail record of one finished test: what its five log lines cannot say. One UTF-8 line of
// tab-separated fields in the companion file beside the log, and in the queue of records that
// could not be appended yet.
struct ResultDetail {
    std::string time;     // ISO 8601 with the UTC offset: "2026-12-07T21:40:28+03:00"
    std::string computer; // UTF-8
    ResultRecord record;  // CP1251, as in the log
    TestFacts facts;
    std::string recordHash; // ShortHash of the record's five lines as appended
};

// The header line of a detail file, "\n" included.
std::string ResultDetailHeader();
// The detail as one line, "\n" included. A tab, line break or backslash inside a text is written
// as "\t", "\n", "\r" or "\\", so that every test stays one line of the same columns.
std::string ResultDetailLine(const ResultDetail &detail);
// A line of a detail file without its "\n"; nullopt for the header and for anything malformed.
std::optional<ResultDetail> ParseResultDetail(std::string_view line);

// The companion file of the log at path: "Results.txt" gives "Results.details.tsv".
std::string DetailFileName(const std::string &logPath);

// The file in the start directory that keeps records the log could not take.
inline constexpr const char *QueueFileName = "Results.queue.tsv";

// How a test ended, as the detail line names it: "all_answered", "finished_early", "time_out",
// "window_closed".
std::string_view EndingName(TestEnding ending);
