#pragma once

#include "quiz/bankscan.h"
#include "teacher/banksource.h"

#include <QByteArray>
#include <QStringList>

#include <vector>

// The two-question bank of the format description: 120 seconds, correct answers 3 and 1 (key
// bytes 104 and 103); the questions start at lines 3 and 8.
extern const QByteArray TwoQuestions;

// Three questions with 3, 2 and 5 answers; the correct answers are 2, 1 and 5.
const std::vector<BankQuestion> &ThreeQuestions();

// The time limit, then each question as "text: answer|answer = number of the correct one", 0
// when none of the five is.
QStringList DescribedBank(const QuestionBank &bank);

// The findings in line order, each "line: message", or "line! message" for a fatal one, against
// the starts of those texts.
void CompareFindings(std::vector<BankFinding> findings, const QStringList &expected);
