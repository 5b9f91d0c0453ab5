#pragma once

#include "quiz/questionbank.h"

#include <QByteArray>
#include <QString>

#include <stdexcept>
#include <string>
#include <vector>

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

// Something wrong at a line of a bank or of its source, told to the teacher in Russian.
struct BankFinding {
    int line = 0;
    QString message;
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
