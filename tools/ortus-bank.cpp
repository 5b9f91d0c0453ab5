// Question banks for the teacher: made from a readable source, shown as that source, checked.
//
//     ortus-bank build SOURCE -o FILE    makes the bank FILE from the UTF-8 source
//     ortus-bank show FILE               prints the bank as a source to edit and build again
//     ortus-bank check FILE...           lists what is wrong, with file and line; a FILE ending
//                                        in .txt is taken as a source, any other as a bank
//
// Exit status: 0 when all is well, 1 when something is wrong with a bank or source, 2 when a file
// cannot be read or written or the command line is wrong.
#include "quiz/questionbank.h"
#include "runtime/ioerror.h"
#include "teacher/bankcheck.h"
#include "teacher/banksource.h"

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

int Build(const std::vector<std::string> &arguments)
{
    std::string source;
    std::string output;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "-o" && i + 1 < arguments.size() && output.empty()) {
            output = arguments[++i];
        } else if (source.empty() && arguments[i] != "-o") {
            source = arguments[i];
        } else {
            std::fputs(Usage, stderr);
            return Failure;
        }
    }
    if (source.empty() || output.empty()) {
        std::fputs(Usage, stderr);
        return Failure;
    }
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

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fputs(Usage, stderr);
        return Failure;
    }
    const std::string command = argv[1];
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    if (command == "build") {
        return Build(arguments);
    }
    if (command == "show") {
        return Show(arguments);
    }
    if (command == "check") {
        return Check(arguments);
    }
    std::fputs(Usage, stderr);
    return Failure;
}
