#pragma once

#include "quiz/questionbank.h"

#include <QString>

#include <stdexcept>
#include <vector>

// The readable source of a shipped question bank (UTF-8 text), from which the bank files are made:
//
//     600                        <- time limit of the test in seconds
//
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

// A source that would not make a sound bank; the message (UTF-8) starts with the line number.
class BankSourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

BankSource ParseBankSource(const QString &text);
