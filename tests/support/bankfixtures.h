#pragma once

#include <QByteArray>

// The two-question bank of the format description: 120 seconds, correct answers 3 and 1 (key
// bytes 104 and 103); the questions start at lines 3 and 8.
extern const QByteArray TwoQuestions;
