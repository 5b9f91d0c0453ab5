#pragma once

#include <QString>

#include <map>

// Where the quiz of a start directory appends its results: the log named in its settings file, a
// relative path taken from the start directory. Empty with the reason when there is none.
struct QuizLog {
    QString path;
    QString problem;
};
QuizLog QuizResultsLog(const QString &startDirectory);

// The number of questions of each grade ("5" … "11") in the start directory's banks; a grade whose
// bank cannot be loaded is left out.
std::map<QString, int> BankQuestionCounts(const QString &startDirectory);

// What tells a change of the start directory's banks: their sizes and modification times. A bank
// saved in the teacher's window or changed on disk gives another stamp.
QString BanksStamp(const QString &startDirectory);
