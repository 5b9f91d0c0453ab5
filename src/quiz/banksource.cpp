#include "quiz/banksource.h"

#include "runtime/cp1251.h"

namespace {

[[noreturn]] void Reject(int line, const QString &what)
{
    throw BankSourceError(QStringLiteral("строка %1: %2").arg(line).arg(what).toStdString());
}

// Every character must survive the trip to code page 1251, and none may end a bank line early.
void CheckText(int line, const QString &text)
{
    for (const QChar character : text) {
        if (character == QChar(0x1A)) {
            Reject(line, QStringLiteral("символ Ctrl+Z обрывает текст банка."));
        }
    }
    if (FromCp1251(ToCp1251(text)) != text) {
        Reject(line, QStringLiteral("«%1» содержит символ, которого нет в кодировке Windows-1251.")
                         .arg(text));
    }
}

void FinishQuestion(BankSource &source, BankQuestion &question, int questionLine, int correctCount)
{
    if (question.answers.isEmpty()) {
        Reject(questionLine, QStringLiteral("у вопроса нет ответов."));
    }
    if (correctCount != 1) {
        Reject(questionLine,
               QStringLiteral("у вопроса должен быть ровно один верный ответ «+», а их %1.")
                   .arg(correctCount));
    }
    if (source.questions.size() == static_cast<std::size_t>(MaxQuestions)) {
        Reject(questionLine,
               QStringLiteral("в банке не может быть больше %1 вопросов.").arg(MaxQuestions));
    }
    source.questions.push_back(question);
}

} // namespace

BankSource ParseBankSource(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.front().startsWith(QChar(0xFEFF))) {
        lines.front().remove(0, 1);
    }

    BankSource source;
    bool haveTime = false;
    bool inQuestion = false;
    BankQuestion question;
    int questionLine = 0;
    int correctCount = 0;

    for (qsizetype index = 0; index < lines.size(); ++index) {
        const int number = static_cast<int>(index) + 1;
        QString line = lines[index];
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        const QString trimmed = line.trimmed();

        if (!haveTime) {
            if (trimmed.isEmpty()) {
                continue;
            }
            bool ok = false;
            source.timeLimitSeconds = trimmed.toInt(&ok);
            if (!ok || source.timeLimitSeconds <= 0) {
                Reject(number, QStringLiteral("первой строкой ожидалось время на тест в секундах "
                                              "(целое число больше 0)."));
            }
            haveTime = true;
            continue;
        }

        if (trimmed.isEmpty()) {
            if (inQuestion) {
                FinishQuestion(source, question, questionLine, correctCount);
                inQuestion = false;
            }
            continue;
        }

        CheckText(number, trimmed);
        if (!inQuestion) {
            question = BankQuestion{trimmed, {}, 0};
            questionLine = number;
            correctCount = 0;
            inQuestion = true;
            continue;
        }

        const QChar mark = trimmed.front();
        if (mark != QLatin1Char('+') && mark != QLatin1Char('-')) {
            Reject(number, QStringLiteral("строка ответа должна начинаться с «+» (верный ответ) "
                                          "или «-» (неверный)."));
        }
        const QString answer = trimmed.mid(1).trimmed();
        if (question.answers.size() == MaxAnswers) {
            Reject(number,
                   QStringLiteral("у вопроса не может быть больше %1 ответов.").arg(MaxAnswers));
        }
        if (!question.answers.isEmpty() && answer == QLatin1String("#")) {
            Reject(number, QStringLiteral("ответ «#» закончил бы список ответов раньше времени."));
        }
        question.answers.append(answer);
        if (mark == QLatin1Char('+')) {
            ++correctCount;
            question.correct = static_cast<int>(question.answers.size());
        }
    }

    if (!haveTime) {
        Reject(1, QStringLiteral("файл пуст: нет времени на тест."));
    }
    if (inQuestion) {
        FinishQuestion(source, question, questionLine, correctCount);
    }
    if (source.questions.empty()) {
        Reject(static_cast<int>(lines.size()), QStringLiteral("в банке нет ни одного вопроса."));
    }
    return source;
}
