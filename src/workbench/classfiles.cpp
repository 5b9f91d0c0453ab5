#include "workbench/classfiles.h"

#include "quiz/questionbank.h"
#include "runtime/cp1251.h"
#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "runtime/workingdirectory.h"
#include "settings/settings.h"
#include "teacher/ioreason.h"

#include <QDir>
#include <QFile>

#include <random>

QuizLog QuizResultsLog(const QString &startDirectory)
{
    // The settings are read from the current directory, as the quiz reads them at its start.
    const std::string previous = CurrentDirectory();
    QuizLog log;
    if (!SetCurrentDirectory(QFile::encodeName(startDirectory).toStdString())) {
        log.problem = QStringLiteral("Папка «%1» недоступна.").arg(startDirectory);
        return log;
    }
    Settings settings;
    try {
        ReadSettings(settings);
    } catch (const EInOutError &error) {
        log.problem = QStringLiteral("Не удаётся прочитать %1: %2.")
                          .arg(QString::fromLatin1(SettingsFileName), IoErrorReason(error.Code()));
    }
    if (log.problem.isEmpty() && settings.ResultsLogPath.empty()) {
        log.problem = QStringLiteral("В %1 не указан журнал результатов.")
                          .arg(QString::fromLatin1(SettingsFileName));
    }
    if (log.problem.isEmpty()) {
        // Named relative to the start directory and perhaps in CP1251, as the quiz appends to it.
        log.path = QDir(startDirectory)
                       .filePath(QFile::decodeName(QByteArray::fromStdString(
                           FileSystemPath(settings.ResultsLogPath, EntryExists))));
    }
    SetCurrentDirectory(previous);
    return log;
}

std::map<QString, int> BankQuestionCounts(const QString &startDirectory)
{
    std::map<QString, int> counts;
    std::mt19937 generator;
    for (std::size_t grade = 0; grade < BankFileNames.size(); ++grade) {
        QuestionBank bank;
        try {
            LoadBank(bank,
                     QFile::encodeName(
                         QDir(startDirectory).filePath(QString::fromLatin1(BankFileNames[grade])))
                         .toStdString(),
                     generator);
        } catch (const std::exception &) {
            DiscardPendingIoCode();
            continue;
        }
        counts[QString::number(grade + 5)] = bank.QuestionCount;
    }
    return counts;
}
