// Question banks for the teacher: made from a readable source, shown as that source, checked.
//
//     ortus-bank build SOURCE -o FILE    makes the bank FILE from the UTF-8 source
//     ortus-bank show FILE               prints the bank as a source to edit and build again
//     ortus-bank check FILE...           lists what is wrong, with file and line; a FILE ending
//                                        in .txt is taken as a source, any other as a bank
//     ortus-bank --help | --version
//
// Exit status: 0 when all is well, 1 when something is wrong with a bank or source, 2 when a file
// cannot be read or written or the command line is wrong.
#include "quiz/questionbank.h"
#include "runtime/ioerror.h"
#include "teacher/bankcheck.h"
#include "teacher/banksource.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int Clean = 0;
constexpr int Findings = 1;
constexpr int Failure = 2;

const char Usage[] = "Использование:\n"
                     "  ortus-bank build ИСХОДНИК -o ФАЙЛ   собрать банк вопросов из исходника\n"
                     "  ortus-bank show ФАЙЛ                показать банк в виде исходника\n"
                     "  ortus-bank check ФАЙЛ...            проверить банки (.dat) и исходники "
                     "(.txt)\n";

const char ExitStatuses[] =
    "\nКод завершения: 0 - замечаний нет, 1 - есть замечания к банку или исходнику,\n"
    "2 - файл не читается или не записывается либо неверна командная строка.\n";

QString Name(const std::string &fileName)
{
    return QString::fromLocal8Bit(fileName);
}

void PrintLine(std::FILE *stream, const QString &text)
{
    std::fprintf(stream, "%s\n", text.toUtf8().constData());
}

void PrintFindings(std::FILE *stream, const std::string &fileName,
                   const std::vector<BankFinding> &findings)
{
    for (const BankFinding &finding : findings) {
        PrintLine(stream, QStringLiteral("%1:%2: %3")
                              .arg(Name(fileName), QString::number(finding.line), finding.message));
    }
}

// The file's bytes; none, with the reason printed, when it cannot be read.
bool ReadBytes(const std::string &fileName, QByteArray &bytes)
{
    QFile file(Name(fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        PrintLine(stderr, QStringLiteral("%1: не удаётся прочитать файл: %2")
                              .arg(Name(fileName), file.errorString()));
        return false;
    }
    bytes = file.readAll();
    return true;
}

void ReportIoError(const std::string &fileName, const EInOutError &error)
{
    PrintLine(stderr, QStringLiteral("%1: не удаётся прочитать файл: %2")
                          .arg(Name(fileName), QString::fromUtf8(error.what())));
}

int Build(const std::vector<std::string> &arguments, const QStringList &outputs)
{
    if (arguments.size() != 1 || outputs.size() != 1) {
        std::fputs(Usage, stderr);
        return Failure;
    }
    const std::string &source = arguments.front();
    const std::string output = QFile::encodeName(outputs.front()).toStdString();
    QByteArray text;
    if (!ReadBytes(source, text)) {
        return Failure;
    }
    std::string bank;
    try {
        bank = BuildBankFromSource(text);
    } catch (const BankSourceError &error) {
        PrintFindings(stderr, source, error.Findings());
        PrintLine(stderr, QStringLiteral("Банк не собран."));
        return Findings;
    }
    // Written whole or not at all: a failed build never leaves half a bank in place of the old.
    QSaveFile file(Name(output));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bank.data(), static_cast<qint64>(bank.size())) !=
            static_cast<qint64>(bank.size()) ||
        !file.commit()) {
        PrintLine(stderr, QStringLiteral("%1: не удаётся записать файл: %2")
                              .arg(Name(output), file.errorString()));
        return Failure;
    }
    return Clean;
}

int Show(const std::vector<std::string> &arguments)
{
    if (arguments.size() != 1) {
        std::fputs(Usage, stderr);
        return Failure;
    }
    const std::string &fileName = arguments.front();
    BankListing listing;
    try {
        listing = ListBank(fileName);
    } catch (const EInOutError &error) {
        ReportIoError(fileName, error);
        return Failure;
    } catch (const BankFormatError &error) {
        PrintLine(stderr, QString::fromUtf8(error.what()));
        PrintLine(
            stderr,
            QStringLiteral("Все ошибки файла покажет: ortus-bank check %1").arg(Name(fileName)));
        return Findings;
    }
    std::fputs(listing.source.toUtf8().constData(), stdout);
    if (listing.notes.empty()) {
        return Clean;
    }
    PrintLine(stderr, QStringLiteral("Внимание: банк, собранный из этого текста, будет отличаться "
                                     "от %1:")
                          .arg(Name(fileName)));
    PrintFindings(stderr, fileName, listing.notes);
    return Findings;
}

bool IsSource(const std::string &fileName)
{
    return Name(fileName).endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive);
}

int CheckOne(const std::string &fileName)
{
    std::vector<BankFinding> findings;
    if (IsSource(fileName)) {
        QByteArray bytes;
        if (!ReadBytes(fileName, bytes)) {
            return Failure;
        }
        findings = CheckBankSource(bytes);
    } else {
        try {
            findings = CheckBankFile(fileName);
        } catch (const EInOutError &error) {
            ReportIoError(fileName, error);
            return Failure;
        }
    }
    if (findings.empty()) {
        PrintLine(stdout, QStringLiteral("%1: замечаний нет.").arg(Name(fileName)));
        return Clean;
    }
    PrintFindings(stdout, fileName, findings);
    return Findings;
}

int Check(const std::vector<std::string> &arguments)
{
    if (arguments.empty()) {
        std::fputs(Usage, stderr);
        return Failure;
    }
    int status = Clean;
    for (const std::string &fileName : arguments) {
        status = std::max(status, CheckOne(fileName));
    }
    return status;
}

QString OptionName(const QString &name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// The options as the help lists them.
QString OptionsHelp(const QList<QCommandLineOption> &options)
{
    QString text = QStringLiteral("\nПараметры:\n");
    for (const QCommandLineOption &option : options) {
        QStringList names;
        for (const QString &name : option.names()) {
            names.append(OptionName(name));
        }
        QString left = names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty()) {
            left += QLatin1Char(' ') + option.valueName();
        }
        text += QStringLiteral("  %1  %2\n").arg(left, -18).arg(option.description());
    }
    return text;
}

// What is wrong with the command line, in the program's language (the parser's texts are
// English): an unknown option, an option without its value, or a value the option does not take.
QString CommandLineError(const QCommandLineParser &parser, const QStringList &arguments)
{
    if (!parser.unknownOptionNames().isEmpty()) {
        return QStringLiteral("неизвестный параметр «%1».")
            .arg(OptionName(parser.unknownOptionNames().front()));
    }
    const QString &last = arguments.back();
    if (last == QStringLiteral("-o") || last == QStringLiteral("--output")) {
        return QStringLiteral("после %1 нужно имя файла банка.").arg(last);
    }
    for (const QString &argument : arguments) {
        if (argument.startsWith(QLatin1Char('-')) && argument.contains(QLatin1Char('='))) {
            return QStringLiteral("параметр «%1» не принимает значения.")
                .arg(argument.section(QLatin1Char('='), 0, 0));
        }
    }
    return QStringLiteral("неверная командная строка.");
}

// The positional arguments as the bytes given: a file name that is not text in the locale (one
// copied from Windows in code page 1251) still opens. The parser keeps them in order and whole.
std::vector<std::string> RawArguments(const QStringList &positional, int argc, char **argv)
{
    std::vector<std::string> raw;
    int next = 1;
    for (const QString &argument : positional) {
        while (next < argc && QString::fromLocal8Bit(argv[next]) != argument) {
            ++next;
        }
        raw.push_back(next < argc ? argv[next++] : QFile::encodeName(argument).toStdString());
    }
    return raw;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(ORTUS_VERSION));
    QCommandLineParser parser;
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("файл, в который build записывает банк"),
                                    QStringLiteral("ФАЙЛ"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("показать эту справку"));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("показать версию"));
    const QList<QCommandLineOption> options{output, help, version};
    parser.addOptions(options);
    if (!parser.parse(QCoreApplication::arguments())) {
        PrintLine(stderr, QStringLiteral("ortus-bank: ") +
                              CommandLineError(parser, QCoreApplication::arguments()));
        std::fputs(Usage, stderr);
        return Failure;
    }
    if (parser.isSet(help)) {
        std::fputs(Usage, stdout);
        std::fputs(OptionsHelp(options).toUtf8().constData(), stdout);
        std::fputs(ExitStatuses, stdout);
        return Clean;
    }
    if (parser.isSet(version)) {
        PrintLine(stdout, QStringLiteral("ortus-bank (Ортус 2000) %1")
                              .arg(QCoreApplication::applicationVersion()));
        return Clean;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        std::fputs(Usage, stderr);
        return Failure;
    }
    const QString command = positional.front();
    std::vector<std::string> arguments = RawArguments(positional, argc, argv);
    arguments.erase(arguments.begin());
    const QStringList outputs = parser.values(output);
    if (command == QStringLiteral("build")) {
        return Build(arguments, outputs);
    }
    // Only a build writes a file.
    if (!outputs.isEmpty()) {
        std::fputs(Usage, stderr);
        return Failure;
    }
    if (command == QStringLiteral("show")) {
        return Show(arguments);
    }
    if (command == QStringLiteral("check")) {
        return Check(arguments);
    }
    std::fputs(Usage, stderr);
    return Failure;
}
