#include "teacher/bankcheck.h"

#include "quiz/bankscan.h"
#include "runtime/cp1251.h"
#include "runtime/textfile.h"
#include "teacher/bankfindings.h"

#include <algorithm>
#include <memory>

namespace {

void SortByLine(std::vector<BankFinding> &findings)
{
    std::stable_sort(findings.begin(), findings.end(),
                     [](const BankFinding &a, const BankFinding &b) { return a.line < b.line; });
}

QByteArray FileBytes(const std::string &fileName)
{
    return QByteArray::fromStdString(ReadFileBytes(fileName, BankByteLimit));
}

// The end-of-text mark stops the reader wherever it stands; only one after the last line, with
// nothing but blanks behind it (as old editors leave it), is harmless. TextFile cannot tell the
// mark from the file's end, so this looks at the bytes themselves.
void CheckEndOfTextMark(const QByteArray &bytes, std::vector<BankFinding> &findings)
{
    const qsizetype mark = bytes.indexOf(char(TextFile::EndOfText));
    if (mark < 0) {
        return;
    }
    const bool afterLineEnd = mark > 0 && (bytes[mark - 1] == '\n' || bytes[mark - 1] == '\r');
    const bool onlyBlanksFollow = std::all_of(bytes.begin() + mark, bytes.end(), [](char c) {
        return c == TextFile::EndOfText || c == ' ' || c == '\t' || c == '\r' || c == '\n';
    });
    if (afterLineEnd && onlyBlanksFollow) {
        return;
    }
    findings.push_back({static_cast<int>(bytes.left(mark).count('\r')) + 1,
                        QStringLiteral("символ конца файла (код 26): всё, что стоит после него, "
                                       "программа не прочтёт.")});
}

// Every finding of the whole text, in line order.
BankScan ScanWholeBank(const std::string &fileName, const QByteArray &bytes)
{
    BankScan scan = ScanBankForTeacher(fileName, bytes.toStdString(), BankScanReach::WholeText);
    CheckEndOfTextMark(bytes, scan.findings);
    SortByLine(scan.findings);
    return scan;
}

// Texts the source cannot carry as they are: the source drops blanks at both ends.
void NoteUntrimmedTexts(const BankScan &scan, std::vector<BankFinding> &notes)
{
    const auto note = [&notes](const BankLine &line) {
        const QString text = FromCp1251(line.text);
        if (!text.isEmpty() && text.trimmed() != text) {
            notes.push_back({line.number, QStringLiteral("пробелы в начале или в конце текста «%1» "
                                                         "при сборке пропадут.")
                                              .arg(text)});
        }
    };
    const std::size_t read = std::min(scan.questions.size(), static_cast<std::size_t>(scan.count));
    for (std::size_t n = 0; n < read; ++n) {
        note(scan.questions[n].text);
        for (const BankLine &answer : scan.questions[n].answers) {
            note(answer);
        }
    }
}

} // namespace

std::vector<BankFinding> CheckBankFile(const std::string &fileName)
{
    return ScanWholeBank(fileName, FileBytes(fileName)).findings;
}

std::vector<BankFinding> CheckBankSource(const QByteArray &bytes)
{
    try {
        ParseBankSource(DecodeBankSource(bytes));
    } catch (const BankSourceError &error) {
        return error.Findings();
    }
    return {};
}

BankListing ListBank(const std::string &fileName)
{
    const QByteArray bytes = FileBytes(fileName);
    BankScan scan = ScanWholeBank(fileName, bytes);
    auto bank = std::make_unique<QuestionBank>();
    TakeBank(scan, *bank);

    BankListing listing{FormatBankSource(*bank), {}};
    std::string rebuilt;
    try {
        rebuilt = BuildBankFromSource(listing.source.toUtf8());
    } catch (const BankSourceError &) {
        // The findings below say which lines the source cannot carry.
    }
    if (QByteArray::fromStdString(rebuilt) == bytes) {
        return listing;
    }
    listing.notes = std::move(scan.findings);
    NoteUntrimmedTexts(scan, listing.notes);
    SortByLine(listing.notes);
    if (listing.notes.empty()) {
        listing.notes.push_back({1, QStringLiteral("собранный заново файл не совпадёт с этим "
                                                   "байт в байт (запись заголовка, концы строк, "
                                                   "лишние символы ключа или пустые строки в "
                                                   "конце), но вопросы, ответы и ключ останутся "
                                                   "прежними.")});
    }
    return listing;
}
