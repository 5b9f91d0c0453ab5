#pragma once

#include "teacher/banksource.h"

#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

// What the editor's check says of one place in a bank as it stands.
struct BankIssue {
    enum class Field { TimeLimit, Questions, QuestionText, Answers, Answer, Correct };

    Field field = Field::Questions;
    // Row of the question (0-based), -1 for the bank as a whole.
    int question = -1;
    // Answer (0-based) for Field::Answer, else -1.
    int answer = -1;
    QString message;
    // The bank cannot be saved: the quiz would misread it or refuse it.
    bool fatal = false;
};

// Every issue of the bank, bank-wide ones first, then by question; none for a sound bank.
std::vector<BankIssue> FindBankIssues(const BankSource &bank);

// A bank file read as far as it can be read, for the editor, with what the bank check says of
// it: a sound bank gives exactly what LoadBank reads; a faulty one gives what can be made of it
// (lines ending in LF alone split too, a missing "#" ends at the file's end, a sixth answer and
// beyond are dropped, a key byte that names no answer leaves the question without a correct
// answer).
struct ReadBank {
    BankSource bank;
    // The file line (1-based, as the bank check counts) each question starts at.
    std::vector<int> questionLines;
    std::vector<BankFinding> findings;
    // The number of questions the header promised, when it is a valid count other than the
    // number read (a bank cut short); else 0.
    int promisedCount = 0;
};

// Raises EInOutError when the file cannot be opened or read.
ReadBank ReadBankAsFarAsPossible(const std::string &fileName);

// A time limit as a teacher says it: "15 мин", "1 мин 30 с", "45 с".
QString TimeLimitText(int seconds);

// Questions as the source text that `ortus-bank build` reads, optionally after the time line.
QString FormatSource(const BankSource &bank, bool withTimeLimit);

// Questions pasted or imported as source text; the time line may be missing (then the time
// limit is 0). Raises BankSourceError with lines as the text counts them.
BankSource ParseSourceBlock(const QByteArray &bytes);
