#include "support/bankfixtures.h"

#include "runtime/cp1251.h"

#include <QtTest>

#include <algorithm>

const QByteArray TwoQuestions("2 120\r\n"
                              "hg\r\n"
                              "first question\r\n"
                              "answer one\r\n"
                              "answer two\r\n"
                              "answer three\r\n"
                              "#\r\n"
                              "second question\r\n"
                              "yes\r\n"
                              "no\r\n"
                              "#\r\n");

const std::vector<BankQuestion> &ThreeQuestions()
{
    static const std::vector<BankQuestion> questions{
        {QStringLiteral("Сколько будет 2 + 2?"),
         {QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5")},
         2},
        {QStringLiteral("Столица России?"), {QStringLiteral("Москва"), QStringLiteral("Тула")}, 1},
        {QStringLiteral("Самая длинная река?"),
         {QStringLiteral("Дон"), QStringLiteral("Ока"), QStringLiteral("Нева"),
          QStringLiteral("Урал"), QStringLiteral("Лена")},
         5}};
    return questions;
}

QStringList DescribedBank(const QuestionBank &bank)
{
    QStringList described{QString::number(bank.TimeLeft) + " s"};
    for (int i = 1; i <= bank.QuestionCount; ++i) {
        QStringList answers;
        for (int k = 1; k <= bank.AnswerCounts[i]; ++k) {
            answers.append(FromCp1251(bank.AnswerTexts[i][k]));
        }
        int correct = MaxAnswers;
        while (correct > 0 && !IsCorrectAnswer(bank, i, correct)) {
            --correct;
        }
        described.append(QStringLiteral("%1: %2 = %3")
                             .arg(FromCp1251(bank.QuestionTexts[i]), answers.join('|'))
                             .arg(correct));
    }
    return described;
}

void CompareFindings(std::vector<BankFinding> findings, const QStringList &expected)
{
    std::stable_sort(findings.begin(), findings.end(),
                     [](const BankFinding &a, const BankFinding &b) { return a.line < b.line; });
    QStringList found;
    for (const BankFinding &finding : findings) {
        found.append(QStringLiteral("%1%2 %3")
                         .arg(finding.line)
                         .arg(QChar(finding.fatal ? '!' : ':'))
                         .arg(finding.message));
    }
    QVERIFY2(found.size() == expected.size(), qPrintable(found.join(QLatin1Char('\n'))));
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QVERIFY2(found[i].startsWith(expected[i]), qPrintable(found[i]));
    }
}
