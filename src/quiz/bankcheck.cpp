#include "quiz/bankcheck.h"

#include "runtime/cp1251.h"
#include "runtime/textfile.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <memory>
#include <optional>
#include <random>

namespace {

constexpr int InvalidNumericInput = 106;
const std::string AnswersEnd = "#";

struct Line {
    int number = 0;
    std::string text;
};

struct ScannedQuestion {
    Line text;
    std::vector<Line> answers;
    bool closed = false;
};

// What a lenient pass over the file found: the findings, and the questions as the program would
// take them (the first `count` of them are what LoadBank reads when it succeeds).
struct BankScan {
    std::vector<BankFinding> findings;
    std::vector<ScannedQuestion> questions;
    int count = 0;
};

QString Quoted(const std::string &bytes)
{
    return QStringLiteral("«%1»").arg(FromCp1251(bytes));
}

bool IsBlank(const std::string &text)
{
    return text.find_first_not_of(" \t") == std::string::npos;
}

std::string Trimmed(const std::string &text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Texts saved from a UTF-8 editor: Cyrillic would show as pairs of wrong letters.
bool LooksLikeUtf8(const std::string &text)
{
    if (std::all_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return false;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    [[maybe_unused]] const QString decoded = decoder.decode(QByteArray::fromStdString(text));
    return !decoder.hasError();
}

// Walks the file with the bank reader's own statements (ReadNumber, ReadText, SkipLine on a
// TextFile), but notes each rule a line breaks and reads on, where LoadBank stops at the first.
class BankScanner {
public:
    explicit BankScanner(const std::string &fileName) : m_file(fileName) {}

    BankScan Scan()
    {
        m_file.OpenForReading();
        CheckIo();
        if (ScanHeader() && ScanKey()) {
            std::vector<Line> lines;
            if (ReadBody(lines)) {
                SplitQuestions(lines);
                CheckQuestions();
                CheckCount();
                CheckKey();
            }
        }
        m_file.CloseFile();
        CheckIo();
        return std::move(m_scan);
    }

private:
    void Report(int line, const QString &message) { m_scan.findings.push_back({line, message}); }

    // The header statement: two numbers, then the rest of the line is skipped.
    bool ScanHeader()
    {
        const bool empty = m_file.AtEndOfText();
        CheckIo();
        if (empty) {
            Report(1, QStringLiteral("файл пуст."));
            return false;
        }
        const std::optional<std::int32_t> count = ReadHeaderNumber();
        const int countLine = m_file.LineNumber();
        const std::optional<std::int32_t> time = ReadHeaderNumber();
        const int timeLine = m_file.LineNumber();
        // The rest of the header line is skipped whatever it holds, even at the end of the text.
        const Line rest{m_file.LineNumber(), m_file.ReadText()};
        m_file.SkipLine();
        CheckIo();

        if (!count || !time) {
            Report(count ? timeLine : countLine,
                   QStringLiteral("первая строка должна начинаться с двух целых чисел: числа "
                                  "вопросов и времени на тест в секундах."));
        }
        if (count && (*count < 1 || *count > MaxQuestions)) {
            Report(countLine, QStringLiteral("число вопросов %1, а должно быть от 1 до %2.")
                                  .arg(*count)
                                  .arg(MaxQuestions));
        }
        if (time && *time <= 0) {
            Report(timeLine, QStringLiteral("время на тест %1 с: тест кончится, не начавшись; "
                                            "нужно число секунд больше 0.")
                                 .arg(*time));
        }
        m_scan.count = count.value_or(0);
        m_countValid = count && *count >= 1 && *count <= MaxQuestions;
        m_countLine = countLine;
        return !RejectLineFeed(rest);
    }

    bool ScanKey()
    {
        const std::optional<Line> key = ReadLine();
        if (!key) {
            Report(m_file.LineNumber(),
                   QStringLiteral("файл кончился сразу после заголовка: нет ни строки ключа, ни "
                                  "вопросов."));
            return false;
        }
        if (RejectLineFeed(*key)) {
            return false;
        }
        m_key = *key;
        return true;
    }

    bool ReadBody(std::vector<Line> &lines)
    {
        while (const std::optional<Line> line = ReadLine()) {
            if (RejectLineFeed(*line)) {
                return false;
            }
            lines.push_back(*line);
        }
        return true;
    }

    // Questions as the reader takes them: the question line, then the line after it as the first
    // answer whatever it holds, then answers up to a line that is exactly "#". Blank lines after
    // the last question are never read and are no question.
    void SplitQuestions(const std::vector<Line> &lines)
    {
        std::size_t end = lines.size();
        while (end > 0 && IsBlank(lines[end - 1].text)) {
            --end;
        }
        std::size_t next = 0;
        while (next < end) {
            ScannedQuestion question;
            question.text = lines[next++];
            while (next < lines.size() && !question.closed) {
                const Line &line = lines[next++];
                if (!question.answers.empty() && line.text == AnswersEnd) {
                    question.closed = true;
                } else {
                    question.answers.push_back(line);
                }
            }
            m_scan.questions.push_back(std::move(question));
        }
    }

    void CheckQuestions()
    {
        bool utf8Reported = false;
        for (std::size_t n = 0; n < m_scan.questions.size(); ++n) {
            const ScannedQuestion &question = m_scan.questions[n];
            const int number = static_cast<int>(n) + 1;
            CheckQuestionLine(question.text);
            if (!question.answers.empty() && question.answers.front().text == AnswersEnd) {
                Report(question.answers.front().number,
                       QStringLiteral("сразу за вопросом стоит «#»: программа примет её за первый "
                                      "ответ, и ответы вопроса продолжатся до следующей «#»."));
            }
            for (const Line &answer : question.answers) {
                CheckBlanksAroundEnd(answer);
            }
            if (question.answers.size() > static_cast<std::size_t>(MaxAnswers)) {
                Report(question.answers[MaxAnswers].number,
                       QStringLiteral("шестой ответ вопроса %1 (строка %2): больше %3 ответов "
                                      "программа не примет; возможно, пропущена строка «#».")
                           .arg(number)
                           .arg(question.text.number)
                           .arg(MaxAnswers));
            }
            if (!question.closed) {
                Report(question.text.number,
                       QStringLiteral("у вопроса %1 нет завершающей строки «#»: файл кончился "
                                      "раньше.")
                           .arg(number));
            }
            if (!utf8Reported) {
                utf8Reported = ReportUtf8(question);
            }
        }
    }

    void CheckQuestionLine(const Line &line)
    {
        if (line.text == AnswersEnd) {
            Report(line.number, QStringLiteral("лишняя строка «#»: программа примет её за текст "
                                               "вопроса."));
        } else if (IsBlank(line.text)) {
            Report(line.number,
                   QStringLiteral("пустая строка на месте текста вопроса: между вопросами не "
                                  "должно быть пустых строк, программа примет её за вопрос."));
        } else {
            CheckBlanksAroundEnd(line);
        }
    }

    void CheckBlanksAroundEnd(const Line &line)
    {
        if (line.text != AnswersEnd && Trimmed(line.text) == AnswersEnd) {
            Report(line.number, QStringLiteral("в строке «%1» вокруг «#» есть пробелы: программа "
                                               "примет её за текст, а не за конец ответов.")
                                    .arg(FromCp1251(line.text)));
        }
    }

    bool ReportUtf8(const ScannedQuestion &question)
    {
        std::vector<Line> texts{question.text};
        texts.insert(texts.end(), question.answers.begin(), question.answers.end());
        for (const Line &line : texts) {
            if (LooksLikeUtf8(line.text)) {
                Report(line.number,
                       QStringLiteral("текст записан в UTF-8, а программа читает Windows-1251: "
                                      "на экране будут не те буквы. Сохраните файл в "
                                      "Windows-1251."));
                return true;
            }
        }
        return false;
    }

    void CheckCount()
    {
        if (!m_countValid) {
            return;
        }
        const int found = static_cast<int>(m_scan.questions.size());
        if (found < m_scan.count) {
            Report(m_countLine, QStringLiteral("в заголовке указано вопросов: %1, а в файле их %2.")
                                    .arg(m_scan.count)
                                    .arg(found));
        } else if (found > m_scan.count) {
            const ScannedQuestion &extra = m_scan.questions[static_cast<std::size_t>(m_scan.count)];
            Report(extra.text.number,
                   QStringLiteral("в заголовке указано вопросов: %1, а в файле их %2: с этой "
                                  "строки программа ничего не прочтёт.")
                       .arg(m_scan.count)
                       .arg(found));
        }
    }

    // The key rule is IsCorrectAnswer's: a key byte must name one of its question's answers.
    void CheckKey()
    {
        const int found = static_cast<int>(m_scan.questions.size());
        const int keyed = m_countValid ? m_scan.count : std::min(found, MaxQuestions);
        const int keyLength = static_cast<int>(m_key.text.size());
        if (keyLength < keyed) {
            Report(m_key.number,
                   QStringLiteral("ключ короче числа вопросов (символов в нём: %1, вопросов: %2): "
                                  "на вопросы после %1-го нельзя ответить верно.")
                       .arg(keyLength)
                       .arg(keyed));
        }
        auto bank = std::make_unique<QuestionBank>();
        bank->AnswerKey = m_key.text;
        const int checked = std::min({keyed, keyLength, found});
        for (int i = 1; i <= checked; ++i) {
            const ScannedQuestion &question = m_scan.questions[static_cast<std::size_t>(i - 1)];
            const int answers =
                std::min(static_cast<int>(question.answers.size()), static_cast<int>(MaxAnswers));
            bool named = false;
            for (int k = 1; k <= answers; ++k) {
                named = named || IsCorrectAnswer(*bank, i, k);
            }
            if (!named && answers > 0) {
                const int value = static_cast<unsigned char>(m_key.text[i - 1]);
                const QString needed = answers == 1 ? QStringLiteral("нужен байт %1").arg(101 + i)
                                                    : QStringLiteral("нужен байт от %1 до %2")
                                                          .arg(101 + i)
                                                          .arg(100 + i + answers);
                Report(m_key.number,
                       QStringLiteral("символ %1 ключа (байт %2) не указывает ни на один ответ "
                                      "вопроса %1 (строка %3): верного ответа у него нет; %4.")
                           .arg(i)
                           .arg(value)
                           .arg(question.text.number)
                           .arg(needed));
            }
        }
    }

    // A file saved with Unix line ends reads as one long line, and nothing after it can be
    // judged.
    bool RejectLineFeed(const Line &line)
    {
        if (line.text.find('\n') == std::string::npos) {
            return false;
        }
        Report(line.number, QStringLiteral("строка кончается одним символом LF, без CR: программа "
                                           "прочтёт её и следующие как одну строку. Сохраните файл "
                                           "с концами строк CR LF; дальше файл не проверялся."));
        return true;
    }

    std::optional<std::int32_t> ReadHeaderNumber()
    {
        const std::int32_t value = m_file.ReadNumber();
        if (PendingIoCode() == InvalidNumericInput) {
            DiscardPendingIoCode();
            return std::nullopt;
        }
        CheckIo();
        return value;
    }

    // One line statement; none at the end of the text, where the reader would read empty lines
    // for ever.
    std::optional<Line> ReadLine()
    {
        const bool ended = m_file.AtEndOfText();
        CheckIo();
        if (ended) {
            return std::nullopt;
        }
        Line line{m_file.LineNumber(), m_file.ReadText()};
        m_file.SkipLine();
        CheckIo();
        return line;
    }

    TextFile m_file;
    BankScan m_scan;
    Line m_key;
    int m_countLine = 1;
    bool m_countValid = false;
};

// The end-of-text mark stops the reader wherever it stands; only one after the last line, with
// nothing but blanks behind it (as old editors leave it), is harmless. TextFile cannot tell the
// mark from the file's end, so this looks at the bytes themselves.
void CheckEndOfTextMark(const std::string &fileName, std::vector<BankFinding> &findings)
{
    QFile file(QString::fromLocal8Bit(fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QByteArray bytes = file.readAll();
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
                        QStringLiteral("символ конца текста (Ctrl+Z, байт 26): всё, что стоит "
                                       "после него, программа не прочтёт.")});
}

BankScan ScanBank(const std::string &fileName)
{
    BankScan scan = BankScanner(fileName).Scan();
    CheckEndOfTextMark(fileName, scan.findings);
    std::stable_sort(scan.findings.begin(), scan.findings.end(),
                     [](const BankFinding &a, const BankFinding &b) { return a.line < b.line; });
    return scan;
}

// Texts the source cannot carry as they are: the source drops blanks at both ends.
void NoteUntrimmedTexts(const BankScan &scan, std::vector<BankFinding> &notes)
{
    const auto note = [&notes](const Line &line) {
        const QString text = FromCp1251(line.text);
        if (!text.isEmpty() && text.trimmed() != text) {
            notes.push_back({line.number, QStringLiteral("пробелы в начале или в конце текста %1 "
                                                         "при сборке пропадут.")
                                              .arg(Quoted(line.text))});
        }
    };
    const std::size_t read = std::min(scan.questions.size(), static_cast<std::size_t>(scan.count));
    for (std::size_t n = 0; n < read; ++n) {
        note(scan.questions[n].text);
        for (const Line &answer : scan.questions[n].answers) {
            note(answer);
        }
    }
}

QByteArray FileBytes(const std::string &fileName)
{
    QFile file(QString::fromLocal8Bit(fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

} // namespace

std::vector<BankFinding> CheckBankFile(const std::string &fileName)
{
    return ScanBank(fileName).findings;
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
    auto bank = std::make_unique<QuestionBank>();
    std::mt19937 generator;
    LoadBank(*bank, fileName, generator);

    BankListing listing{FormatBankSource(*bank), {}};
    std::string rebuilt;
    try {
        rebuilt = BuildBankFromSource(listing.source.toUtf8());
    } catch (const BankSourceError &) {
        // The scan below says which lines the source cannot carry.
    }
    if (QByteArray::fromStdString(rebuilt) == FileBytes(fileName)) {
        return listing;
    }
    BankScan scan = ScanBank(fileName);
    listing.notes = std::move(scan.findings);
    NoteUntrimmedTexts(scan, listing.notes);
    std::stable_sort(listing.notes.begin(), listing.notes.end(),
                     [](const BankFinding &a, const BankFinding &b) { return a.line < b.line; });
    if (listing.notes.empty()) {
        listing.notes.push_back({1, QStringLiteral("собранный заново файл не совпадёт с этим "
                                                   "байт в байт (запись заголовка, концы строк, "
                                                   "лишние символы ключа или пустые строки в "
                                                   "конце), но вопросы, ответы и ключ останутся "
                                                   "прежними.")});
    }
    return listing;
}
