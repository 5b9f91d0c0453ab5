#pragma once

#include "quiz/bankscan.h"
#include "quiz/questionbank.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <string>
#include <vector>

// One question of a bank to be written; correct is the number (1-based) of the right answer.
struct BankQuestion {
    QString text;
    QStringList answers;
    int correct = 0;
};

// The bytes of a bank file: CP1251, CR LF line ends, the key line computed from the questions.
// Throws std::invalid_argument for what cannot be written as a bank line by line (a text holding
// a line end or Ctrl+Z, a "#" answer that would end the answers early, a correct answer outside
// the question's answers or a key byte above 255). More than 50 questions or 5 answers are
// written as given, so that broken banks can be made too.
std::string WriteBankBytes(int timeLimitSeconds, const std::vector<BankQuestion> &questions);

// The readable source of a question bank (UTF-8 text), from which the bank files are made:
//
//     Время: 20 мин              <- time limit of the test: "Время: 20 мин", "Время: 1200"
//                                   (seconds) or a bare number of seconds
//     Сколько будет 7 · 8?       <- a question
//     -54                        <- its answers, "+" before the correct one, "-" before the others
//     +56
//
//     Next question …            <- blank lines separate the questions
//
// Blanks around texts and after the marks are dropped.
struct BankSource {
    int timeLimitSeconds = 0;
    std::vector<BankQuestion> questions;
};

// A source that would not make a sound bank: every problem found, in line order. The message
// (UTF-8) has one "строка N: …" line per problem.
class BankSourceError : public std::runtime_error {
public:
    explicit BankSourceError(std::vector<BankFinding> findings);

    const std::vector<BankFinding> &Findings() const { return m_findings; }

private:
    std::vector<BankFinding> m_findings;
};

BankSource ParseBankSource(const QString &text);

// The text of a source file; bytes that are not UTF-8 (a source saved in Windows-1251) raise
// BankSourceError at the first line that holds them.
QString DecodeBankSource(const QByteArray &bytes);

// The bank file made from the bytes of a source file. Raises BankSourceError.
std::string BuildBankFromSource(const QByteArray &bytes);

// A loaded bank written back as a source. A question whose key byte names none of its answers
// gets no "+", so the source shows the fault instead of hiding it.
QString FormatBankSource(const QuestionBank &bank);
