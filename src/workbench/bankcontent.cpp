#include "workbench/bankcontent.h"

#include "quiz/bankscan.h"
#include "quiz/questionbank.h"
#include "runtime/cp1251.h"
#include "runtime/textfile.h"
#include "teacher/bankcheck.h"
#include "teacher/bankfindings.h"

#include <QStringList>

#include <memory>

namespace {

const std::string AnswersEnd = "#";

// The characters of a text that code page 1251 cannot hold, each once.
QString LostCharacters(const QString &text)
{
    QString lost;
    for (const char32_t code : text.toUcs4()) {
        const QString character = QString::fromUcs4(&code, 1);
        if (FromCp1251(ToCp1251(character)) != character && !lost.contains(character)) {
            lost += character;
        }
    }
    return lost;
}

// What would break the bank's lines or read wrongly; empty for a text the quiz shows as typed.
QString TextFault(const QString &text)
{
    if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'))) {
        return QStringLiteral("перевод строки в тексте разорвал бы строку банка");
    }
    if (text.contains(QChar(TextFile::EndOfText))) {
        return QStringLiteral("символ конца файла (код 26) в тексте оборвал бы чтение банка");
    }
    const QString lost = LostCharacters(text);
    if (lost.size() == 1) {
        return QStringLiteral("символа %1 нет в кодировке Windows-1251: ученик увидит «?»")
            .arg(lost);
    }
    if (!lost.isEmpty()) {
        return QStringLiteral("символов %1 нет в кодировке Windows-1251: ученик увидит «?»")
            .arg(lost);
    }
    return {};
}

class IssueList {
public:
    void Add(BankIssue::Field field, int question, int answer, const QString &message, bool fatal)
    {
        m_issues.push_back({field, question, answer, message, fatal});
    }

    void CheckQuestion(int row, const BankQuestion &question)
    {
        const QString textFault = TextFault(question.text);
        if (!textFault.isEmpty()) {
            Add(BankIssue::Field::QuestionText, row, -1,
                QStringLiteral("Текст вопроса: %1.").arg(textFault), true);
        } else if (question.text.trimmed().isEmpty()) {
            Add(BankIssue::Field::QuestionText, row, -1,
                QStringLiteral("Пустой текст вопроса: ученик увидит одни ответы."), true);
        }
        if (question.answers.isEmpty()) {
            Add(BankIssue::Field::Answers, row, -1, QStringLiteral("У вопроса нет ответов."), true);
        }
        for (int k = 0; k < question.answers.size(); ++k) {
            CheckAnswer(row, k, question.answers[k]);
        }
        CheckRepeatedAnswers(row, question);
        if (!question.answers.isEmpty() &&
            (question.correct < 1 || question.correct > question.answers.size())) {
            Add(BankIssue::Field::Correct, row, -1,
                QStringLiteral("Не выбран верный ответ: ответить верно будет нельзя."), true);
        }
    }

    std::vector<BankIssue> Take() { return std::move(m_issues); }

private:
    void CheckAnswer(int row, int k, const QString &answer)
    {
        const QString fault = TextFault(answer);
        if (!fault.isEmpty()) {
            Add(BankIssue::Field::Answer, row, k,
                QStringLiteral("Ответ %1: %2.").arg(k + 1).arg(fault), true);
        } else if (answer == QString::fromStdString(AnswersEnd)) {
            Add(BankIssue::Field::Answer, row, k,
                QStringLiteral("Ответ %1: «#» нельзя записать в банк, там строка «#» "
                               "закрывает список ответов.")
                    .arg(k + 1),
                true);
        } else if (answer.trimmed().isEmpty()) {
            Add(BankIssue::Field::Answer, row, k,
                QStringLiteral("Ответ %1 пуст: ученик увидит пустую строку.").arg(k + 1), true);
        }
    }

    // Two answers that read alike: the quiz takes them, but the pupil cannot tell them apart.
    void CheckRepeatedAnswers(int row, const BankQuestion &question)
    {
        for (int k = 1; k < question.answers.size(); ++k) {
            const QString answer = question.answers[k].trimmed();
            for (int earlier = 0; earlier < k && !answer.isEmpty(); ++earlier) {
                if (question.answers[earlier].trimmed().compare(answer, Qt::CaseInsensitive) == 0) {
                    Add(BankIssue::Field::Answer, row, k,
                        QStringLiteral("Ответ %1 повторяет ответ %2: ученик их не различит.")
                            .arg(k + 1)
                            .arg(earlier + 1),
                        false);
                    break;
                }
            }
        }
    }

    std::vector<BankIssue> m_issues;
};

// The answer the key names for a question, by IsCorrectAnswer's rule; 0 when it names none.
int CorrectAnswer(const QuestionBank &keyOnly, int number, int answerCount)
{
    for (int k = 1; k <= answerCount; ++k) {
        if (IsCorrectAnswer(keyOnly, number, k)) {
            return k;
        }
    }
    return 0;
}

QString TimeLine(int seconds)
{
    if (seconds > 0 && seconds % 60 == 0) {
        return QStringLiteral("Время: %1 мин").arg(seconds / 60);
    }
    return QStringLiteral("Время: %1").arg(seconds);
}

} // namespace

std::vector<BankIssue> FindBankIssues(const BankSource &bank)
{
    IssueList issues;
    if (bank.timeLimitSeconds <= 0) {
        issues.Add(BankIssue::Field::TimeLimit, -1, -1,
                   QStringLiteral("Время на тест %1 с: тест кончится, не начавшись.")
                       .arg(bank.timeLimitSeconds),
                   true);
    }
    if (bank.questions.empty()) {
        issues.Add(BankIssue::Field::Questions, -1, -1,
                   QStringLiteral("В банке нет ни одного вопроса."), true);
    } else if (bank.questions.size() > static_cast<std::size_t>(MaxQuestions)) {
        issues.Add(BankIssue::Field::Questions, MaxQuestions, -1,
                   QStringLiteral("Вопросов %1, а программа примет не больше %2: лишние нужно "
                                  "удалить или перенести в другой банк.")
                       .arg(bank.questions.size())
                       .arg(MaxQuestions),
                   true);
    }
    for (std::size_t row = 0; row < bank.questions.size(); ++row) {
        issues.CheckQuestion(static_cast<int>(row), bank.questions[row]);
    }
    return issues.Take();
}

ReadBank ReadBankAsFarAsPossible(const std::string &fileName)
{
    const BankScan scan = ScanBankForTeacher(fileName, ReadFileBytes(fileName, BankByteLimit),
                                             BankScanReach::EveryLine);
    ReadBank read;
    read.bank.timeLimitSeconds = scan.timeLimit;
    const bool countValid = scan.count >= 1 && scan.count <= MaxQuestions;
    const std::size_t taken =
        countValid ? std::min(scan.questions.size(), static_cast<std::size_t>(scan.count))
                   : scan.questions.size();
    auto keyOnly = std::make_unique<QuestionBank>();
    keyOnly->AnswerKey = scan.key.text;
    for (std::size_t n = 0; n < taken; ++n) {
        const ScannedQuestion &scanned = scan.questions[n];
        BankQuestion question{FromCp1251(scanned.text.text), {}, 0};
        for (std::size_t k = 0; k < std::min<std::size_t>(scanned.answers.size(), MaxAnswers);
             ++k) {
            question.answers.append(FromCp1251(scanned.answers[k].text));
        }
        question.correct = CorrectAnswer(*keyOnly, static_cast<int>(n) + 1,
                                         static_cast<int>(question.answers.size()));
        read.bank.questions.push_back(std::move(question));
        read.questionLines.push_back(scanned.text.number);
    }
    if (countValid && static_cast<std::size_t>(scan.count) != taken) {
        read.promisedCount = scan.count;
    }
    read.findings = CheckBankFile(fileName);
    return read;
}

QString TimeLimitText(int seconds)
{
    if (seconds < 60) {
        return QStringLiteral("%1 с").arg(seconds);
    }
    if (seconds % 60 == 0) {
        return QStringLiteral("%1 мин").arg(seconds / 60);
    }
    return QStringLiteral("%1 мин %2 с").arg(seconds / 60).arg(seconds % 60);
}

QString FormatSource(const BankSource &bank, bool withTimeLimit)
{
    QStringList blocks;
    if (withTimeLimit) {
        blocks.append(TimeLine(bank.timeLimitSeconds));
    }
    for (const BankQuestion &question : bank.questions) {
        QStringList lines{question.text};
        for (int k = 0; k < question.answers.size(); ++k) {
            lines.append((k + 1 == question.correct ? QLatin1Char('+') : QLatin1Char('-')) +
                         question.answers[k]);
        }
        blocks.append(lines.join(QLatin1Char('\n')));
    }
    return blocks.join(QStringLiteral("\n\n")) + QLatin1Char('\n');
}

BankSource ParseSourceBlock(const QByteArray &bytes)
{
    QString text = DecodeBankSource(bytes);
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    try {
        return ParseBankSource(text);
    } catch (const BankSourceError &) {
        // A block copied from a source usually lacks the time line: try it behind one.
        const QString firstLine = text.trimmed().section(QLatin1Char('\n'), 0, 0).trimmed();
        if (firstLine.isEmpty() || firstLine.front().isDigit() ||
            firstLine.startsWith(QStringLiteral("время"), Qt::CaseInsensitive)) {
            throw;
        }
    }
    try {
        BankSource block = ParseBankSource(QStringLiteral("1\n") + text);
        block.timeLimitSeconds = 0;
        return block;
    } catch (const BankSourceError &error) {
        std::vector<BankFinding> findings = error.Findings();
        for (BankFinding &finding : findings) {
            finding.line = std::max(1, finding.line - 1);
        }
        throw BankSourceError(std::move(findings));
    }
}
