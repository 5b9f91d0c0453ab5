#pragma once

#include "quiz/questionbank.h"
#include "quiz/resultdetail.h"
#include "teacher/resultsreader.h"
#include "teacher/resultstable.h"

#include <string>
#include <vector>

// The companion file of a log as read: its details in their order, and what could not be read.
struct DetailsFile {
    bool present = false;
    std::vector<ResultDetail> details;
    std::vector<LogNote> notes;
    // How far the file has been read: whole lines only, so that a growing file is read on.
    qint64 bytesRead = 0;
    int linesRead = 0;
};

// Reads the detail file at path (UTF-8, tab-separated, a header line first). A missing file is
// not present; a line that is no detail is a note. Raises nothing.
DetailsFile ReadResultDetails(const std::string &path);
// Reads the lines added to the file since it was read into file; false when the file is shorter
// than what was read (it was replaced or cut), and file is then as it was.
bool ReadMoreResultDetails(const std::string &path, DetailsFile &file);

// Which detail belongs to which record: found by the hash of the record's five lines, in the
// log's order. What does not match is a finding, with its line (0 for a detail without a record):
// a record whose lines were changed after the test (paired with the detail that stands in its
// place), a detail whose record is gone, and a record without a detail after the first detailed
// one (those before it are from before the companion file).
struct DetailMatch {
    std::vector<int> detailOf; // per record: the index of its detail, -1 for none
    std::vector<LogNote> findings;
};
DetailMatch MatchDetails(const std::vector<LogRecord> &records,
                         const std::vector<ResultDetail> &details);

// Gives the records the questions and the time of their details.
void ApplyDetails(std::vector<LogRecord> &records, const std::vector<ResultDetail> &details,
                  const std::vector<int> &detailOf);

// How the pupils of the chosen tests fared on one question of a bank.
struct QuestionFigures {
    int number = 0; // in the bank
    int shown = 0;
    int right = 0;
    int wrong = 0;
    int none = 0;             // shown, but the test ended before it was answered
    int commonWrong = 0;      // the wrong answer chosen most (the lower number on a tie), 0: none
    int commonWrongTimes = 0; // how often it was chosen
    // Every pupil who answered it answered it wrong: a bad key is the usual cause. A test that
    // ended before the question was answered tells nothing of its key.
    bool allWrong() const { return wrong > 0 && right == 0; }
};

struct QuestionStatistics {
    // Every question of the bank, hardest first: the smallest share right, then the most wrong,
    // then the bank's order; questions nobody was shown last.
    std::vector<QuestionFigures> questions;
    int tests = 0; // tests of this version of the bank
    // Tests of another version of the bank (its hash differs): their numbers may name other
    // questions now, so they are counted here and not matched.
    int otherVersion = 0;
};

// The figures of the details whose bank is the one with bankHash (the bank as it is now).
QuestionStatistics ComputeQuestionStatistics(const std::vector<const ResultDetail *> &details,
                                             const QuestionBank &bank, const std::string &bankHash);

// Columns: №, Вопрос (its text's start), Показан, Верно, Неверно, Без ответа, Частый неверный.
TextTable QuestionStatisticsTable(const QuestionStatistics &statistics, const QuestionBank &bank);
