#include "teacher/bankfindings.h"

#include "runtime/cp1251.h"

#include <QStringDecoder>

#include <algorithm>
#include <memory>

namespace {

const std::string AnswersEnd = "#";
constexpr std::size_t AnswerCapacity = MaxAnswers;

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

// What the program never complains of but a teacher should hear: checks over the whole scan, made
// after it has been read.
class TeacherChecks {
public:
    explicit TeacherChecks(BankScan &scan)
        : m_scan(scan), m_countValid(scan.count >= 1 && scan.count <= MaxQuestions)
    {
    }

    void Run()
    {
        CheckQuestions();
        CheckKey();
    }

private:
    bool Counted(int number) const { return m_countValid && number <= m_scan.count; }

    void Report(int line, const QString &message)
    {
        m_scan.findings.push_back({line, message, false});
    }

    // Blank lines after the last question are never read and are no question.
    void DropTrailingBlankQuestions()
    {
        const auto blank = [](const ScannedQuestion &question) {
            return IsBlank(question.text.text) &&
                   std::all_of(question.answers.begin(), question.answers.end(),
                               [](const BankLine &line) { return IsBlank(line.text); });
        };
        while (!m_scan.questions.empty() && !Counted(static_cast<int>(m_scan.questions.size())) &&
               blank(m_scan.questions.back())) {
            m_scan.questions.pop_back();
        }
    }

    void CheckQuestions()
    {
        DropTrailingBlankQuestions();
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
            for (const BankLine &answer : question.answers) {
                CheckBlanksAroundEnd(answer);
            }
            // Counted questions had these noted while they were read.
            if (!Counted(number) && question.answers.size() > AnswerCapacity) {
                Report(question.answers[AnswerCapacity].number,
                       MoreThanFiveAnswersMessage(number, question.text.number));
            }
            if (!Counted(number) && !question.closed) {
                Report(question.text.number,
                       QStringLiteral("файл ") +
                           EndedInQuestionMessage(number, question.text.number));
            }
            if (!utf8Reported) {
                utf8Reported = ReportUtf8(question);
            }
        }
        const int found = static_cast<int>(m_scan.questions.size());
        if (m_countValid && found > m_scan.count) {
            Report(m_scan.questions[static_cast<std::size_t>(m_scan.count)].text.number,
                   QStringLiteral("в заголовке указано вопросов: %1, а в файле их %2: с этой "
                                  "строки программа ничего не прочтёт.")
                       .arg(m_scan.count)
                       .arg(found));
        }
    }

    void CheckQuestionLine(const BankLine &line)
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

    void CheckBlanksAroundEnd(const BankLine &line)
    {
        if (line.text != AnswersEnd && Trimmed(line.text) == AnswersEnd) {
            Report(line.number, QStringLiteral("в строке «%1» вокруг «#» есть пробелы: программа "
                                               "примет её за текст, а не за конец ответов.")
                                    .arg(FromCp1251(line.text)));
        }
    }

    bool ReportUtf8(const ScannedQuestion &question)
    {
        std::vector<BankLine> texts{question.text};
        texts.insert(texts.end(), question.answers.begin(), question.answers.end());
        for (const BankLine &line : texts) {
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

    // The key rule is IsCorrectAnswer's: a key byte must name one of its question's answers.
    void CheckKey()
    {
        if (!m_scan.keyRead) {
            return;
        }
        const BankLine &key = m_scan.key;
        const int found = static_cast<int>(m_scan.questions.size());
        const int keyed = m_countValid ? m_scan.count : std::min(found, MaxQuestions);
        const int keyLength = static_cast<int>(key.text.size());
        if (keyLength < keyed) {
            Report(key.number,
                   QStringLiteral("ключ короче числа вопросов (символов в нём: %1, вопросов: %2): "
                                  "на вопросы после %1-го нельзя ответить верно.")
                       .arg(keyLength)
                       .arg(keyed));
        }
        auto bank = std::make_unique<QuestionBank>();
        bank->AnswerKey = key.text;
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
                const int value = static_cast<unsigned char>(key.text[i - 1]);
                const QString needed = answers == 1 ? QStringLiteral("нужен байт %1").arg(101 + i)
                                                    : QStringLiteral("нужен байт от %1 до %2")
                                                          .arg(101 + i)
                                                          .arg(100 + i + answers);
                Report(key.number,
                       QStringLiteral("символ %1 ключа (байт %2) не указывает ни на один ответ "
                                      "вопроса %1 (строка %3): верного ответа у него нет; %4.")
                           .arg(i)
                           .arg(value)
                           .arg(question.text.number)
                           .arg(needed));
            }
        }
    }

    BankScan &m_scan;
    bool m_countValid = false;
};

} // namespace

void AddTeacherFindings(BankScan &scan)
{
    TeacherChecks(scan).Run();
}

BankScan ScanBankForTeacher(const std::string &fileName, const std::string &bytes,
                            BankScanReach reach)
{
    BankScan scan = ScanBankBytes(fileName, bytes, reach);
    AddTeacherFindings(scan);
    return scan;
}
