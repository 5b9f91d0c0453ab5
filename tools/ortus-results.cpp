// The results log as a table for the teacher.
//
//     ortus-results LOG [--questions N] [--marks 50,70,85] [--summary] [--csv FILE]
//                   [--details FILE] [--since DATE] [--questions-stats [--banks FOLDER]]
//
// Prints name, grade, group and score of every record. The detail file beside the log (or the one
// --details names) gives each test its time and number of questions, so the percentage and the
// school mark are those of the test as it was; --questions N is the number for records without a
// detail. --summary prints counts, mean, lowest and highest score per grade and group instead of
// the table, --csv also saves the table for a spreadsheet, --since keeps the tests from that day
// (or moment) on, --questions-stats prints how each question of the banks fared. Lines that are
// not whole records and edits of the log are reported on the error output. Exit status: 0 when
// the table was made, 2 when the log cannot be read, the CSV file cannot be written or the command
// line is wrong.
#include "quiz/questionbank.h"
#include "runtime/cp1251.h"
#include "runtime/ioerror.h"
#include "teacher/resultsdetails.h"
#include "teacher/resultstable.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <string>

namespace {

constexpr int Done = 0;
constexpr int Failure = 2;

const char Usage[] =
    "Использование: ortus-results ЖУРНАЛ [параметры]\n"
    "Таблица результатов из журнала теста.\n"
    "  --questions N        число вопросов для записей без подробностей: процент и оценка\n"
    "  --marks A,B,C        проценты для оценок 3, 4 и 5 (по умолчанию 50,70,85)\n"
    "  --summary            итоги по классам и ЮГП вместо списка\n"
    "  --csv ФАЙЛ           сохранить список в CSV для электронной таблицы\n"
    "  --details ФАЙЛ       файл подробностей (по умолчанию рядом с журналом: "
    "ЖУРНАЛ.details.tsv)\n"
    "  --since ДАТА         только тесты с этой даты (2026-12-07) или этого момента "
    "(2026-12-07T09:00)\n"
    "  --questions-stats    как ответили на каждый вопрос банков, трудные первыми\n"
    "  --banks ПАПКА        где банки для --questions-stats (по умолчанию папка журнала)\n"
    "  -h, --help           эта справка\n"
    "  -v, --version        версия программы\n";

void PrintLine(std::FILE *stream, const QString &text)
{
    std::fprintf(stream, "%s\n", text.toUtf8().constData());
}

std::string LocalPath(const QString &name)
{
    return QFile::encodeName(name).toStdString();
}

// "2026-12-07" is that day from its start, in this computer's time; a moment may carry its offset.
std::optional<QDateTime> ParseSince(const QString &text)
{
    const QDate day = QDate::fromString(text, Qt::ISODate);
    if (day.isValid()) {
        return day.startOfDay();
    }
    const QDateTime moment = QDateTime::fromString(text, Qt::ISODate);
    return moment.isValid() ? std::optional<QDateTime>(moment) : std::nullopt;
}

// Per-question tables of the banks that the details name, each as the bank is now.
void PrintQuestionStatistics(const std::vector<const ResultDetail *> &details,
                             const QString &banksFolder)
{
    std::map<std::string, std::vector<const ResultDetail *>> byBank;
    for (const ResultDetail *detail : details) {
        byBank[detail->facts.bankFileName].push_back(detail);
    }
    if (byBank.empty()) {
        PrintLine(stdout, QStringLiteral("Нет тестов с подробностями: разбирать по вопросам "
                                         "нечего."));
    }
    for (const auto &[fileName, tests] : byBank) {
        const QString bankName = FromCp1251(fileName);
        const QString path = QDir(banksFolder).filePath(bankName);
        QFile file(path);
        QuestionBank bank;
        std::mt19937 generator;
        try {
            if (!file.open(QIODevice::ReadOnly)) {
                throw EInOutError(2);
            }
            LoadBank(bank, LocalPath(path), generator);
        } catch (const std::exception &error) {
            PrintLine(stderr, QStringLiteral("%1: не удаётся прочитать банк: %2")
                                  .arg(path, QString::fromUtf8(error.what())));
            continue;
        }
        const QuestionStatistics statistics = ComputeQuestionStatistics(
            tests, bank, ShortHash(file.seek(0) ? file.readAll().toStdString() : std::string()));
        PrintLine(stdout, QStringLiteral("\n%1: тестов %2").arg(bankName).arg(statistics.tests));
        if (statistics.otherVersion > 0) {
            PrintLine(stdout, QStringLiteral("Ещё %1 тестов шли по прежней версии банка: их "
                                             "вопросы не сопоставлены по номерам.")
                                  .arg(statistics.otherVersion));
        }
        std::fputs(FormatTextTable(QuestionStatisticsTable(statistics, bank)).toUtf8().constData(),
                   stdout);
        if (std::any_of(statistics.questions.begin(), statistics.questions.end(),
                        [](const QuestionFigures &figures) { return figures.allWrong(); })) {
            PrintLine(stdout,
                      QStringLiteral("! все ответившие ответили неверно: проверьте ключ вопроса."));
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(ORTUS_VERSION));

    QCommandLineParser parser;
    const QCommandLineOption help({"h", "help"}, {});
    const QCommandLineOption version({"v", "version"}, {});
    const QCommandLineOption questionsOption("questions", {}, "N");
    const QCommandLineOption marksOption("marks", {}, "A,B,C");
    const QCommandLineOption summaryOption("summary", {});
    const QCommandLineOption csvOption("csv", {}, "FILE");
    const QCommandLineOption detailsOption("details", {}, "FILE");
    const QCommandLineOption sinceOption("since", {}, "DATE");
    const QCommandLineOption statisticsOption("questions-stats", {});
    const QCommandLineOption banksOption("banks", {}, "FOLDER");
    parser.addOptions({help, version, questionsOption, marksOption, summaryOption, csvOption,
                       detailsOption, sinceOption, statisticsOption, banksOption});
    parser.addPositionalArgument("log", {});
    if (!parser.parse(QCoreApplication::arguments())) {
        PrintLine(stderr, QString::fromUtf8(Usage));
        return Failure;
    }
    if (parser.isSet(help)) {
        std::fputs(Usage, stdout);
        return Done;
    }
    if (parser.isSet(version)) {
        PrintLine(stdout, QStringLiteral("ortus-results (Ортус 2000), версия " ORTUS_VERSION));
        return Done;
    }
    if (parser.positionalArguments().size() != 1) {
        PrintLine(stderr, QString::fromUtf8(Usage));
        return Failure;
    }
    const QString logName = parser.positionalArguments().front();

    std::optional<int> questions;
    if (parser.isSet(questionsOption)) {
        bool ok = false;
        questions = parser.value(questionsOption).toInt(&ok);
        if (!ok || *questions < 1) {
            PrintLine(stderr, QStringLiteral("--questions: нужно целое число вопросов больше 0."));
            return Failure;
        }
    }
    std::optional<MarkScale> scale;
    if (parser.isSet(marksOption)) {
        scale = ParseMarkScale(parser.value(marksOption));
        if (!scale) {
            PrintLine(stderr, QStringLiteral("--marks: нужны три процента от 0 до 100 по "
                                             "возрастанию через запятую, например 50,70,85."));
            return Failure;
        }
    }
    std::optional<QDateTime> since;
    if (parser.isSet(sinceOption)) {
        since = ParseSince(parser.value(sinceOption));
        if (!since) {
            PrintLine(stderr, QStringLiteral("--since: нужна дата вида 2026-12-07 или момент "
                                             "вида 2026-12-07T09:00."));
            return Failure;
        }
    }

    ResultsLog log;
    try {
        log = ReadResultsLog(LocalPath(logName));
    } catch (const EInOutError &error) {
        PrintLine(stderr, QStringLiteral("%1: не удаётся прочитать журнал: %2")
                              .arg(logName, QString::fromUtf8(error.what())));
        return Failure;
    }
    const QString detailsName =
        parser.isSet(detailsOption)
            ? parser.value(detailsOption)
            : QFile::decodeName(QByteArray::fromStdString(DetailFileName(LocalPath(logName))));
    const DetailsFile details = ReadResultDetails(LocalPath(detailsName));
    if (parser.isSet(detailsOption) && !details.present) {
        PrintLine(stderr, QStringLiteral("%1: не удаётся прочитать подробности.").arg(detailsName));
        return Failure;
    }
    const DetailMatch match = MatchDetails(log.records, details.details);
    const std::vector<int> &detailOf = match.detailOf;
    ApplyDetails(log.records, details.details, detailOf);
    std::vector<LogNote> findings = log.notes;
    findings.insert(findings.end(), match.findings.begin(), match.findings.end());
    for (const LogNote &note : details.notes) {
        PrintLine(
            stderr,
            QStringLiteral("%1:%2: %3").arg(detailsName, QString::number(note.line), note.message));
    }
    for (const LogNote &note : findings) {
        PrintLine(
            stderr,
            note.line > 0
                ? QStringLiteral("%1:%2: %3").arg(logName, QString::number(note.line), note.message)
                : QStringLiteral("%1: %2").arg(logName, note.message));
    }
    if (scale && !questions && !details.present) {
        PrintLine(stderr, QStringLiteral("--marks действует только вместе с --questions или с "
                                         "файлом подробностей."));
        return Failure;
    }

    std::vector<LogRecord> records;
    std::vector<const ResultDetail *> shownDetails;
    int untimed = 0;
    for (std::size_t r = 0; r < log.records.size(); ++r) {
        const LogRecord &record = log.records[r];
        if (since) {
            const QDateTime time = QDateTime::fromString(record.time, Qt::ISODate);
            if (!time.isValid()) {
                ++untimed;
                continue;
            }
            if (time < *since) {
                continue;
            }
        }
        records.push_back(record);
        if (detailOf[r] >= 0) {
            shownDetails.push_back(&details.details[std::size_t(detailOf[r])]);
        }
    }
    if (untimed > 0) {
        PrintLine(stderr, QStringLiteral("%1: записей без времени (без подробностей): %2; с "
                                         "--since они не показаны.")
                              .arg(logName)
                              .arg(untimed));
    }

    std::optional<MarkColumns> marks;
    if (questions || details.present) {
        marks = MarkColumns{questions.value_or(0), scale.value_or(MarkScale{})};
        for (const LogRecord &record : records) {
            const int count = record.questions > 0 ? record.questions : questions.value_or(0);
            if (count > 0 && record.score > count) {
                PrintLine(stderr, QStringLiteral("%1:%2: у ученика «%3» баллов (%4) больше, чем "
                                                 "вопросов (%5): верно ли указано --questions?")
                                      .arg(logName, QString::number(record.line), record.name,
                                           QString::number(record.score), QString::number(count)));
            }
        }
    }
    const TextTable table = ResultsTable(records, marks);

    if (parser.isSet(statisticsOption)) {
        PrintQuestionStatistics(shownDetails, parser.isSet(banksOption)
                                                  ? parser.value(banksOption)
                                                  : QFileInfo(logName).absolutePath());
    } else if (records.empty()) {
        PrintLine(stdout, QStringLiteral("В журнале нет ни одной записи."));
    } else if (parser.isSet(summaryOption)) {
        std::fputs(FormatTextTable(SummaryTable(SummarizeResults(records))).toUtf8().constData(),
                   stdout);
    } else {
        std::fputs(FormatTextTable(table).toUtf8().constData(), stdout);
    }

    if (parser.isSet(csvOption)) {
        const QString csvName = parser.value(csvOption);
        const QByteArray bytes = CsvBytes(table);
        QSaveFile file(csvName);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() ||
            !file.commit()) {
            PrintLine(stderr, QStringLiteral("%1: не удаётся записать файл: %2")
                                  .arg(csvName, file.errorString()));
            return Failure;
        }
    }
    return Done;
}
