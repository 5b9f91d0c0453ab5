#include "support/bankfixtures.h"

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
