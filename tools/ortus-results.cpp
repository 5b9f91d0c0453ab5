// The results log as a table for the teacher.
//
//     ortus-results LOG [--questions N [--marks 50,70,85]] [--summary] [--csv FILE]
//
// Prints name, grade, group and score of every record; --questions adds the percentage and the
// school mark, --summary prints counts, mean, lowest and highest score per grade and group instead
// of the table, --csv also saves the table for a spreadsheet. Lines that are not whole records are
// reported on the error output. Exit status: 0 when the table was made, 2 when the log cannot be
// read, the CSV file cannot be written or the command line is wrong.
#include "runtime/ioerror.h"
#include "teacher/resultstable.h"

#include <QSaveFile>
#include <QString>

#include <cstdio>
#include <optional>
#include <string>

namespace {

constexpr int Done = 0;
constexpr int Failure = 2;

const char Usage[] =
    "Использование: ortus-results ЖУРНАЛ [--questions N [--marks 50,70,85]] [--summary] "
    "[--csv ФАЙЛ]\n"
    "  --questions N   число вопросов теста: добавить процент и оценку\n"
    "  --marks A,B,C   проценты для оценок 3, 4 и 5 (по умолчанию 50,70,85)\n"
    "  --summary       итоги по классам и ЮГП вместо списка\n"
    "  --csv ФАЙЛ      сохранить список в CSV для электронной таблицы\n";

struct Options {
    std::string log;
    std::string csv;
    std::optional<int> questions;
    std::optional<MarkScale> scale;
    bool summary = false;
};

void PrintLine(std::FILE *stream, const QString &text)
{
    std::fprintf(stream, "%s\n", text.toUtf8().constData());
}

bool Fail(const QString &message)
{
    PrintLine(stderr, message);
    return false;
}

bool ParseOptions(int argc, char **argv, Options &options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--summary") {
            options.summary = true;
        } else if (argument == "--csv" && hasValue) {
            options.csv = argv[++i];
        } else if (argument == "--questions" && hasValue) {
            bool ok = false;
            const int questions = QString::fromLocal8Bit(argv[++i]).toInt(&ok);
            if (!ok || questions < 1) {
                return Fail(QStringLiteral("--questions: нужно целое число вопросов больше 0."));
            }
            options.questions = questions;
        } else if (argument == "--marks" && hasValue) {
            options.scale = ParseMarkScale(QString::fromLocal8Bit(argv[++i]));
            if (!options.scale) {
                return Fail(QStringLiteral("--marks: нужны три процента от 0 до 100 по "
                                           "возрастанию через запятую, например 50,70,85."));
            }
        } else if (options.log.empty() && !argument.starts_with("--")) {
            options.log = argument;
        } else {
            return Fail(QString::fromUtf8(Usage));
        }
    }
    if (options.log.empty()) {
        return Fail(QString::fromUtf8(Usage));
    }
    if (options.scale && !options.questions) {
        return Fail(QStringLiteral("--marks действует только вместе с --questions."));
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        return Failure;
    }
    const QString logName = QString::fromLocal8Bit(options.log);

    ResultsLog log;
    try {
        log = ReadResultsLog(options.log);
    } catch (const EInOutError &error) {
        PrintLine(stderr, QStringLiteral("%1: не удаётся прочитать журнал: %2")
                              .arg(logName, QString::fromUtf8(error.what())));
        return Failure;
    }
    for (const LogNote &note : log.notes) {
        PrintLine(
            stderr,
            QStringLiteral("%1:%2: %3").arg(logName, QString::number(note.line), note.message));
    }

    std::optional<MarkColumns> marks;
    if (options.questions) {
        marks = MarkColumns{*options.questions, options.scale.value_or(MarkScale{})};
        for (const LogRecord &record : log.records) {
            if (record.score > *options.questions) {
                PrintLine(stderr, QStringLiteral("%1:%2: у ученика «%3» баллов (%4) больше, чем "
                                                 "вопросов (%5): верно ли указано --questions?")
                                      .arg(logName, QString::number(record.line), record.name,
                                           QString::number(record.score),
                                           QString::number(*options.questions)));
            }
        }
    }
    const TextTable table = ResultsTable(log.records, marks);

    if (log.records.empty()) {
        PrintLine(stdout, QStringLiteral("В журнале нет ни одной записи."));
    } else if (options.summary) {
        std::fputs(
            FormatTextTable(SummaryTable(SummarizeResults(log.records))).toUtf8().constData(),
            stdout);
    } else {
        std::fputs(FormatTextTable(table).toUtf8().constData(), stdout);
    }

    if (!options.csv.empty()) {
        const QString csvName = QString::fromLocal8Bit(options.csv);
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
