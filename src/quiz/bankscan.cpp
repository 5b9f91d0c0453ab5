#include "quiz/bankscan.h"

#include "runtime/cp1251.h"
#include "runtime/ioerror.h"
#include "runtime/textfile.h"

#include <algorithm>
#include <deque>
#include <limits>
#include <optional>

namespace {

constexpr int InvalidNumericInput = 106;
const std::string AnswersEnd = "#";
constexpr std::size_t AnswerCapacity = MaxAnswers;

// How the program's message names the bank: most point at a line, a few speak of the whole file.
enum class Naming { AtLine, FileSentence, FileColon };

} // namespace

QString MoreThanFiveAnswersMessage(int number, int questionLine)
{
    return QStringLiteral("у вопроса %1 (строка %2) больше пяти ответов; возможно, после его "
                          "ответов пропущена строка «#».")
        .arg(number)
        .arg(questionLine);
}

QString EndedInQuestionMessage(int number, int questionLine)
{
    return QStringLiteral("кончился, а у вопроса %1 (строка %2) нет завершающей строки «#».")
        .arg(number)
        .arg(questionLine);
}

namespace {

// Reads the bank with the program's statements (ReadNumber, ReadText, SkipLine on a TextFile) and
// notes each rule a line breaks. Reading as the program, it stops where the program would.
class BankScanner {
public:
    BankScanner(const std::string &fileName, std::string bytes, BankScanReach reach)
        : m_fileName(fileName), m_file(fileName), m_reach(reach)
    {
        m_file.OpenBytesForReading(std::move(bytes));
    }

    BankScan Scan()
    {
        ScanHeader();
        if (Reading()) {
            if (std::optional<BankLine> key = ReadLine()) {
                m_scan.key = *key;
                m_scan.keyRead = true;
            }
            ScanQuestions();
        }
        m_file.CloseFile();
        CheckIo();
        return std::move(m_scan);
    }

private:
    bool Reading() const { return !m_stopped; }
    bool Counted(int number) const { return m_countValid && number <= m_scan.count; }

    void Report(int line, const QString &message, bool fatal = false)
    {
        m_scan.findings.push_back({line, message, fatal});
        if (fatal && m_reach == BankScanReach::AsTheProgram) {
            m_stopped = true;
        }
    }

    // One message for the fault: the finding carries it without the file's name, which the
    // program's refusal puts in front.
    void Refuse(int line, Naming naming, const QString &text, bool fatal = true)
    {
        Report(line, naming == Naming::FileSentence ? QStringLiteral("файл ") + text : text, fatal);
        if (!fatal || m_scan.refusalCode != 0 || !m_scan.refusal.empty()) {
            return;
        }
        const std::string file = "Файл вопросов «" + m_fileName + "»";
        switch (naming) {
        case Naming::AtLine:
            m_scan.refusal = file + ", строка " + std::to_string(line) + ": " + text.toStdString();
            break;
        case Naming::FileSentence:
            m_scan.refusal = file + " " + text.toStdString();
            break;
        case Naming::FileColon:
            m_scan.refusal = file + ": " + text.toStdString();
            break;
        }
    }

    // The program raises the pending input/output error of the header statement.
    void RefuseWithCode(int line, const QString &text, int code)
    {
        Report(line, text, true);
        if (m_scan.refusalCode == 0 && m_scan.refusal.empty()) {
            m_scan.refusalCode = code;
        }
    }

    void ScanHeader()
    {
        if (!LineFollows()) {
            Refuse(1, Naming::FileSentence, QStringLiteral("пуст."));
            m_stopped = true;
            return;
        }
        const std::optional<std::int32_t> count = ReadHeaderNumber(m_scan.count);
        m_countLine = m_file.LineNumber();
        const std::optional<std::int32_t> time = ReadHeaderNumber(m_scan.timeLimit);
        const int timeLine = m_file.LineNumber();
        // The rest of the header line is skipped whatever it holds, even at the end of the text.
        const BankLine rest{m_file.LineNumber(), m_file.ReadText()};
        m_file.SkipLine();
        CheckIo();
        NoteLine(rest);
        if (m_reach == BankScanReach::EveryLine) {
            QueueAfterLineFeed(rest, rest.text.find('\n'));
        }

        if (!count || !time) {
            RefuseWithCode(count ? timeLine : m_countLine,
                           QStringLiteral("первая строка должна начинаться с двух целых чисел: "
                                          "числа вопросов и времени на тест в секундах."),
                           InvalidNumericInput);
        }
        // No CR after the numbers: the rest of the file is one line, and neither a key nor a
        // question can follow.
        if (Reading() && m_lastLineFeed && !LineFollows()) {
            TextEnded(rest.number, Naming::AtLine, {});
        }
        if (Reading() && count && (*count < 1 || *count > MaxQuestions)) {
            Refuse(m_countLine, Naming::AtLine,
                   QStringLiteral("число вопросов %1, а должно быть от 1 до %2.")
                       .arg(*count)
                       .arg(MaxQuestions));
        }
        // The countdown could not go below the lowest number: the test would never end.
        if (Reading() && time && *time == std::numeric_limits<std::int32_t>::min()) {
            Refuse(timeLine, Naming::AtLine,
                   QStringLiteral("время на тест %1 с: такое время программа отсчитать не "
                                  "может; нужно число секунд больше 0.")
                       .arg(*time));
        } else if (Reading() && time && *time <= 0) {
            Report(timeLine, QStringLiteral("время на тест %1 с: тест кончится, не начавшись; "
                                            "нужно число секунд больше 0.")
                                 .arg(*time));
        }
        m_countValid = count && *count >= 1 && *count <= MaxQuestions;
    }

    void ScanQuestions()
    {
        for (int number = 1; Reading(); ++number) {
            const bool counted = Counted(number);
            if (!counted && m_reach == BankScanReach::AsTheProgram) {
                return;
            }
            if (!LineFollows()) {
                if (counted) {
                    TextEnded(m_countLine, Naming::FileColon,
                              QStringLiteral("в первой строке указано число вопросов %1, а в "
                                             "файле найдено только %2.")
                                  .arg(m_scan.count)
                                  .arg(number - 1));
                }
                return;
            }
            ScannedQuestion &question = m_scan.questions.emplace_back();
            question.text = *ReadLine();
            ScanAnswers(question, number, counted);
        }
    }

    // The line after the question is its first answer whatever it holds; the answers end at a
    // line that is exactly "#".
    void ScanAnswers(ScannedQuestion &question, int number, bool counted)
    {
        while (Reading()) {
            const std::optional<BankLine> line = ReadLine();
            if (!line) {
                if (counted) {
                    TextEnded(question.text.number, Naming::FileSentence,
                              EndedInQuestionMessage(number, question.text.number));
                }
                return;
            }
            if (!question.answers.empty() && line->text == AnswersEnd) {
                question.closed = true;
                return;
            }
            question.answers.push_back(*line);
            if (counted && question.answers.size() == AnswerCapacity + 1) {
                Refuse(line->number, Naming::AtLine,
                       MoreThanFiveAnswersMessage(number, question.text.number));
            }
        }
    }

    // The text ended where the program needs another line. When the last line read holds an LF,
    // the file (or its end) was saved with LF alone: that is what the teacher must hear.
    void TextEnded(int line, Naming naming, const QString &text)
    {
        m_stopped = true;
        if (!m_lastLineFeed) {
            Refuse(line, naming, text);
            return;
        }
        m_scan.findings.erase(m_scan.findings.begin() +
                              static_cast<std::ptrdiff_t>(*m_lastLineFeed));
        Refuse(m_lastLine, Naming::AtLine,
               QStringLiteral("строки разделены только символом LF (перевод строки без возврата "
                              "каретки CR). Сохраните файл с концами строк CR LF, как принято в "
                              "Windows."));
    }

    // An LF without CR is an ordinary character to the program: it stays in the text.
    void NoteLine(const BankLine &line)
    {
        m_lastLine = line.number;
        m_lastLineFeed.reset();
        if (line.text.find('\n') != std::string::npos) {
            m_lastLineFeed = m_scan.findings.size();
            Report(
                line.number,
                QStringLiteral("в строке есть символ LF без CR: программа не начнёт с него новую "
                               "строку, а оставит перенос внутри текста. Если здесь две строки, "
                               "сохраните файл с концами строк CR LF."));
        }
    }

    // The value as the program stores it; none when it is no number.
    std::optional<std::int32_t> ReadHeaderNumber(std::int32_t &target)
    {
        target = m_file.ReadNumber();
        if (PendingIoCode() == InvalidNumericInput) {
            DiscardPendingIoCode();
            return std::nullopt;
        }
        CheckIo();
        return target;
    }

    // At the end of the text every read gives an empty line for ever, so a line that should come
    // must be seen to be there before it is read.
    bool LineFollows()
    {
        if (!m_split.empty()) {
            return true;
        }
        const bool ended = m_file.AtEndOfText();
        CheckIo();
        return !ended;
    }

    // One line statement; none at the end of the text.
    std::optional<BankLine> ReadLine()
    {
        if (!m_split.empty()) {
            BankLine line = std::move(m_split.front());
            m_split.pop_front();
            return line;
        }
        if (!LineFollows()) {
            return std::nullopt;
        }
        BankLine line{m_file.LineNumber(), m_file.ReadText()};
        m_file.SkipLine();
        CheckIo();
        NoteLine(line);
        if (m_reach == BankScanReach::EveryLine) {
            const std::size_t feed = line.text.find('\n');
            QueueAfterLineFeed(line, feed);
            line.text.resize(std::min(feed, line.text.size()));
        }
        return line;
    }

    // The pieces of a line after its LFs, each read as a line of its own.
    void QueueAfterLineFeed(const BankLine &line, std::size_t feed)
    {
        while (feed != std::string::npos) {
            const std::size_t next = line.text.find('\n', feed + 1);
            m_split.push_back({line.number, line.text.substr(feed + 1, next - feed - 1)});
            feed = next;
        }
    }

    const std::string &m_fileName;
    TextFile m_file;
    BankScanReach m_reach;
    BankScan m_scan;
    // EveryLine: the rest of a line split at its LFs, not yet read.
    std::deque<BankLine> m_split;
    bool m_stopped = false;
    bool m_countValid = false;
    int m_countLine = 1;
    int m_lastLine = 1;
    // The finding of the last line read when that line holds an LF.
    std::optional<std::size_t> m_lastLineFeed;
};

} // namespace

BankScan ScanBank(const std::string &fileName, BankScanReach reach)
{
    return ScanBankBytes(fileName, ReadFileBytes(fileName, BankByteLimit), reach);
}

BankScan ScanBankBytes(const std::string &fileName, std::string bytes, BankScanReach reach)
{
    return BankScanner(fileName, std::move(bytes), reach).Scan();
}

void TakeBank(const BankScan &scan, QuestionBank &bank)
{
    bank.QuestionCount = static_cast<std::uint8_t>(scan.count);
    bank.TimeLeft = scan.timeLimit;
    if (scan.keyRead) {
        bank.AnswerKey = scan.key.text;
    }
    const std::size_t stored = std::min(
        scan.questions.size(), static_cast<std::size_t>(std::clamp(scan.count, std::int32_t{0},
                                                                   std::int32_t{MaxQuestions})));
    for (std::size_t n = 0; n < stored; ++n) {
        const ScannedQuestion &question = scan.questions[n];
        const std::size_t answers = std::min(question.answers.size(), AnswerCapacity);
        bank.QuestionTexts[n + 1] = question.text.text;
        for (std::size_t k = 0; k < answers; ++k) {
            bank.AnswerTexts[n + 1][k + 1] = question.answers[k].text;
        }
        bank.AnswerCounts[n + 1] = static_cast<std::uint8_t>(answers);
    }
    if (scan.refusalCode != 0) {
        throw EInOutError(scan.refusalCode);
    }
    if (!scan.refusal.empty()) {
        throw BankFormatError(scan.refusal);
    }
}
