#include "workbench/classfiles.h"

#include "quiz/questionbank.h"
#include "runtime/cp1251.h"
#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "settings/settings.h"
#include "teacher/ioreason.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <random>

QuizLog QuizResultsLog(const QString &startDirectory)
{
    QuizLog log;
    if (!QFileInfo(startDirectory).isDir()) {
        log.problem = QStringLiteral("Папка «%1» недоступна.").arg(startDirectory);
        return log;
    }
    const std::string directory = QFile::encodeName(startDirectory).toStdString();
    Settings settings;
    try {
        ReadSettings(settings, directory);
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
        log.path = QFile::decodeName(
            QByteArray::fromStdString(FileSystemPathIn(directory, settings.ResultsLogPath)));
    }
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

QString BanksStamp(const QString &startDirectory)
{
    QString stamp;
    for (const char *name : BankFileNames) {
        const QFileInfo bank(QDir(startDirectory).filePath(QString::fromLatin1(name)));
        stamp += QStringLiteral("%1:%2:%3;")
                     .arg(QLatin1String(name))
                     .arg(bank.exists() ? bank.size() : -1)
                     .arg(bank.exists() ? bank.lastModified().toMSecsSinceEpoch() : 0);
    }
    return stamp;
}
