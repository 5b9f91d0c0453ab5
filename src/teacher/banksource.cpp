#include "teacher/banksource.h"

#include "runtime/cp1251.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <limits>

namespace {

const QString AnswersEnd = QStringLiteral("#");

std::string BankFileLine(const QString &text)
{
    std::string bytes = ToCp1251(text);
    if (bytes.find_first_of("\r\n\x1a") != std::string::npos) {
        throw std::invalid_argument("a bank line cannot hold a line end or Ctrl+Z: " +
                                    text.toStdString());
    }
    return bytes + "\r\n";
}

std::string JoinedFindings(const std::vector<BankFinding> &findings)
{
    QStringList lines;
    for (const BankFinding &finding : findings) {
        lines.append(QStringLiteral("строка %1: %2").arg(finding.line).arg(finding.message));
    }
    return lines.join(QLatin1Char('\n')).toStdString();
}

// "Время: 20 мин", "Время: 1200 с", "Время: 1200" or a bare "1200"; the word and the unit are
// optional, so that both the shipped sources and the teacher's notation read.
const QRegularExpression &TimeLimitPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^(?:время\\s*:?\\s*)?\\+?(\\d+)\\s*"
                       "(?:(мин(?:ут[аы]?)?|с(?:ек(?:унд[аы]?)?)?)\\.?)?$"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

// Reads a source line by line and collects every problem, so that the teacher sees them all at
// once rather than one per attempt.
class SourceParser {
public:
    BankSource Parse(const QString &text)
    {
        QStringList lines = text.split(QLatin1Char('\n'));
        if (lines.front().startsWith(QChar(0xFEFF))) {
            lines.front().remove(0, 1);
        }
        for (qsizetype index = 0; index < lines.size(); ++index) {
            QString line = lines[index];
            if (line.endsWith(QLatin1Char('\r'))) {
                line.chop(1);
            }
            ReadLine(static_cast<int>(index) + 1, line.trimmed());
        }
        if (!m_haveTime) {
            Report(1, QStringLiteral("файл пуст: нет времени на тест."));
        }
        if (m_inQuestion) {
            FinishQuestion();
        }
        if (m_questionCount == 0 && m_haveTime) {
            Report(static_cast<int>(lines.size()),
                   QStringLiteral("в банке нет ни одного вопроса."));
        }
        if (!m_findings.empty()) {
            std::stable_sort(
                m_findings.begin(), m_findings.end(),
                [](const BankFinding &a, const BankFinding &b) { return a.line < b.line; });
            throw BankSourceError(m_findings);
        }
        return m_source;
    }

private:
    void Report(int line, const QString &message) { m_findings.push_back({line, message}); }

    void ReadLine(int number, const QString &trimmed)
    {
        if (!m_haveTime) {
            if (!trimmed.isEmpty()) {
                ReadTimeLimit(number, trimmed);
            }
            return;
        }
        if (trimmed.isEmpty()) {
            if (m_inQuestion) {
                FinishQuestion();
            }
            return;
        }
        CheckText(number, trimmed);
        if (!m_inQuestion) {
            StartQuestion(number, trimmed);
        } else {
            AddAnswer(number, trimmed);
        }
    }

    void ReadTimeLimit(int number, const QString &trimmed)
    {
        m_haveTime = true;
        const QRegularExpressionMatch match = TimeLimitPattern().match(trimmed);
        if (!match.hasMatch()) {
            Report(number,
                   QStringLiteral("первой строкой ожидалось время на тест: «Время: 20 мин», "
                                  "«Время: 1200» (в секундах) или просто число секунд."));
            // A first line that does not even try to be a time is the first question: the time
            // was forgotten, and the rest of the source is still worth checking.
            if (!trimmed.front().isDigit() && trimmed.front() != QLatin1Char('-') &&
                !trimmed.startsWith(QStringLiteral("время"), Qt::CaseInsensitive)) {
                CheckText(number, trimmed);
                StartQuestion(number, trimmed);
            }
            return;
        }
        const bool minutes = match.captured(2).startsWith(QStringLiteral("м"), Qt::CaseInsensitive);
        bool ok = false;
        const qlonglong value = match.captured(1).toLongLong(&ok);
        const qlonglong seconds = minutes ? value * 60 : value;
        if (!ok || seconds <= 0 || seconds > std::numeric_limits<std::int32_t>::max() ||
            value > std::numeric_limits<std::int32_t>::max()) {
            Report(number, QStringLiteral("время на тест должно быть больше 0 и не больше %1 "
                                          "секунд.")
                               .arg(std::numeric_limits<std::int32_t>::max()));
            return;
        }
        m_source.timeLimitSeconds = static_cast<int>(seconds);
    }

    // Every character must survive the trip to code page 1251, and none may end a bank line early.
    void CheckText(int number, const QString &text)
    {
        if (text.contains(QChar(0x1A))) {
            Report(number, QStringLiteral("символ конца файла (код 26) обрывает текст банка."));
        }
        if (text.contains(QLatin1Char('\r'))) {
            Report(number, QStringLiteral("символ возврата каретки (CR) внутри строки разорвал бы "
                                          "её в банке на две."));
        }
        if (FromCp1251(ToCp1251(text)) != text) {
            Report(number,
                   QStringLiteral("«%1» содержит символ, которого нет в кодировке Windows-1251.")
                       .arg(text));
        }
    }

    void StartQuestion(int number, const QString &text)
    {
        m_question = BankQuestion{text, {}, 0};
        m_questionLine = number;
        m_correctCount = 0;
        m_tooManyAnswers = false;
        m_inQuestion = true;
    }

    void AddAnswer(int number, const QString &trimmed)
    {
        const QChar mark = trimmed.front();
        if (mark != QLatin1Char('+') && mark != QLatin1Char('-')) {
            Report(number, QStringLiteral("строка ответа должна начинаться с «+» (верный ответ) "
                                          "или «-» (неверный)."));
            return;
        }
        if (m_question.answers.size() == MaxAnswers) {
            if (!m_tooManyAnswers) {
                Report(
                    number,
                    QStringLiteral("у вопроса не может быть больше %1 ответов.").arg(MaxAnswers));
                m_tooManyAnswers = true;
            }
            return;
        }
        const QString answer = trimmed.mid(1).trimmed();
        if (answer == AnswersEnd) {
            Report(number, QStringLiteral("ответ «#» нельзя записать в банк: там строка «#» "
                                          "закрывает список ответов."));
        }
        m_question.answers.append(answer);
        if (mark == QLatin1Char('+')) {
            ++m_correctCount;
            m_question.correct = static_cast<int>(m_question.answers.size());
        }
    }

    void FinishQuestion()
    {
        m_inQuestion = false;
        if (m_question.answers.isEmpty()) {
            Report(m_questionLine, QStringLiteral("у вопроса нет ответов."));
        } else if (m_correctCount != 1) {
            Report(m_questionLine,
                   QStringLiteral("у вопроса должен быть ровно один верный ответ «+», а их %1.")
                       .arg(m_correctCount));
        }
        ++m_questionCount;
        if (m_questionCount == MaxQuestions + 1) {
            Report(m_questionLine,
                   QStringLiteral("в банке не может быть больше %1 вопросов.").arg(MaxQuestions));
        }
        if (m_questionCount <= MaxQuestions) {
            m_source.questions.push_back(m_question);
        }
    }

    BankSource m_source;
    std::vector<BankFinding> m_findings;
    bool m_haveTime = false;
    bool m_inQuestion = false;
    BankQuestion m_question;
    int m_questionLine = 0;
    int m_correctCount = 0;
    bool m_tooManyAnswers = false;
    int m_questionCount = 0;
};

QString TimeLimitLine(std::int32_t seconds)
{
    if (seconds > 0 && seconds % 60 == 0) {
        return QStringLiteral("Время: %1 мин").arg(seconds / 60);
    }
    return QStringLiteral("Время: %1").arg(seconds);
}

} // namespace

std::string WriteBankBytes(int timeLimitSeconds, const std::vector<BankQuestion> &questions)
{
    std::string key;
    std::string body;
    for (std::size_t n = 0; n < questions.size(); ++n) {
        const int number = static_cast<int>(n) + 1;
        const BankQuestion &question = questions[n];
        if (question.correct < 1 || question.correct > MaxAnswers ||
            question.correct > question.answers.size()) {
            throw std::invalid_argument("question " + std::to_string(number) +
                                        " has no correct answer among its answers");
        }
        const int keyByte = 100 + number + question.correct;
        if (keyByte > 255) {
            throw std::invalid_argument("question " + std::to_string(number) +
                                        " is beyond what a key byte can hold");
        }
        key.push_back(static_cast<char>(keyByte));

        body += BankFileLine(question.text);
        for (qsizetype k = 0; k < question.answers.size(); ++k) {
            if (k > 0 && question.answers[k] == AnswersEnd) {
                throw std::invalid_argument("answer " + std::to_string(k + 1) + " of question " +
                                            std::to_string(number) +
                                            " would end the answers early");
            }
            body += BankFileLine(question.answers[k]);
        }
        body += BankFileLine(AnswersEnd);
    }
    return std::to_string(questions.size()) + " " + std::to_string(timeLimitSeconds) + "\r\n" +
           key + "\r\n" + body;
}

BankSourceError::BankSourceError(std::vector<BankFinding> findings)
    : std::runtime_error(JoinedFindings(findings)), m_findings(std::move(findings))
{
}

BankSource ParseBankSource(const QString &text)
{
    return SourceParser().Parse(text);
}

QString DecodeBankSource(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (!decoder.hasError()) {
        return text;
    }
    const QList<QByteArray> lines = bytes.split('\n');
    int number = 1;
    for (const QByteArray &line : lines) {
        QStringDecoder lineDecoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
        [[maybe_unused]] const QString decoded = lineDecoder.decode(line);
        if (lineDecoder.hasError()) {
            break;
        }
        ++number;
    }
    throw BankSourceError({{number, QStringLiteral("текст не в кодировке UTF-8 (возможно, файл "
                                                   "сохранён в Windows-1251); сохраните исходник "
                                                   "в UTF-8.")}});
}

std::string BuildBankFromSource(const QByteArray &bytes)
{
    const BankSource source = ParseBankSource(DecodeBankSource(bytes));
    return WriteBankBytes(source.timeLimitSeconds, source.questions);
}

QString FormatBankSource(const QuestionBank &bank)
{
    QString text = TimeLimitLine(bank.TimeLeft) + QLatin1Char('\n');
    for (int i = 1; i <= bank.QuestionCount; ++i) {
        text += QLatin1Char('\n') + FromCp1251(bank.QuestionTexts[i]) + QLatin1Char('\n');
        for (int k = 1; k <= bank.AnswerCounts[i]; ++k) {
            text += (IsCorrectAnswer(bank, i, k) ? QLatin1Char('+') : QLatin1Char('-')) +
                    FromCp1251(bank.AnswerTexts[i][k]) + QLatin1Char('\n');
        }
    }
    return text;
}
