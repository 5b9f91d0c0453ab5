// Makes the question bank files from their readable sources: every <name>.txt of the source
// folder (UTF-8, the format of teacher/banksource.h) becomes <name>.dat in the output folder.
//
//     ortus-make-banks data/banks data
#include "teacher/banksource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <exception>

namespace {

void Report(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

bool MakeBank(const QFileInfo &source, const QDir &output)
{
    QFile input(source.filePath());
    if (!input.open(QIODevice::ReadOnly)) {
        Report(QStringLiteral("%1: не удаётся открыть.").arg(source.filePath()));
        return false;
    }
    const QString target = output.filePath(source.completeBaseName() + QStringLiteral(".dat"));
    try {
        const BankSource bank = ParseBankSource(QString::fromUtf8(input.readAll()));
        const std::string bytes = WriteBankBytes(bank.timeLimitSeconds, bank.questions);
        QFile file(target);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
                static_cast<qint64>(bytes.size())) {
            Report(QStringLiteral("%1: не удаётся записать.").arg(target));
            return false;
        }
        std::printf("%s: вопросов %zu, время %d с\n", target.toUtf8().constData(),
                    bank.questions.size(), bank.timeLimitSeconds);
        return true;
    } catch (const std::exception &error) {
        Report(source.filePath() + QStringLiteral(", ") + QString::fromUtf8(error.what()));
        return false;
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SOURCE_FOLDER OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir sources(QString::fromLocal8Bit(argv[1]));
    const QDir output(QString::fromLocal8Bit(argv[2]));
    const QFileInfoList files =
        sources.entryInfoList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    if (files.isEmpty()) {
        Report(QStringLiteral("%1: нет исходных файлов *.txt.").arg(sources.path()));
        return 1;
    }
    bool allMade = true;
    for (const QFileInfo &source : files) {
        allMade = MakeBank(source, output) && allMade;
    }
    return allMade ? 0 : 1;
}
