#include "quiz/banksource.h"
#include "quiz/questionbank.h"

#include <QDir>
#include <QFile>
#include <QtTest>

// The readable sources of the shipped banks and the banks made from them.
class TestBankSource : public QObject {
    Q_OBJECT

private slots:
    void parse()
    {
        const QString source = QStringLiteral("\xFEFF  600 \r\n"
                                              "\r\n"
                                              "Сколько будет 7 · 8?\r\n"
                                              "- 54\r\n"
                                              "+56\r\n"
                                              "  -64  \r\n"
                                              "\r\n"
                                              "\r\n"
                                              "Верно ли, что 2 + 2 = 4?\n"
                                              "+Да\n"
                                              "-Нет");
        const BankSource bank = ParseBankSource(source);
        QCOMPARE(bank.timeLimitSeconds, 600);
        QCOMPARE(bank.questions.size(), std::size_t{2});
        QCOMPARE(bank.questions[0].text, QStringLiteral("Сколько будет 7 · 8?"));
        QCOMPARE(bank.questions[0].answers, (QStringList{"54", "56", "64"}));
        QCOMPARE(bank.questions[0].correct, 2);
        QCOMPARE(bank.questions[1].answers, (QStringList{"Да", "Нет"}));
        QCOMPARE(bank.questions[1].correct, 1);
    }

    void errors_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("says");

        QTest::newRow("empty source") << ""
                                      << "строка 1: файл пуст";
        QTest::newRow("no time limit") << "Вопрос?\n+да\n"
                                       << "строка 1: первой строкой ожидалось время";
        QTest::newRow("zero time limit") << "0\n\nQ\n+a\n"
                                         << "строка 1:";
        QTest::newRow("no questions") << "60\n\n"
                                      << "нет ни одного вопроса";
        QTest::newRow("answer without a mark") << "60\nQ\n+a\nb\n"
                                               << "строка 4: строка ответа";
        QTest::newRow("no correct answer")
            << "60\nQ\n-a\n-b\n"
            << "строка 2: у вопроса должен быть ровно один верный ответ «+», а их 0";
        QTest::newRow("two correct answers")
            << "60\n\nQ\n+a\n+b\n\nR\n+c\n"
            << "строка 3: у вопроса должен быть ровно один верный ответ «+», а их 2";
        QTest::newRow("no answers") << "60\nQ\n\nR\n+a\n"
                                    << "строка 2: у вопроса нет ответов";
        QTest::newRow("six answers") << "60\nQ\n+1\n-2\n-3\n-4\n-5\n-6\n"
                                     << "строка 8: у вопроса не может быть больше 5 ответов";
        QTest::newRow("not in code page 1251") << "60\nПлощадь в м²?\n+a\n"
                                               << "строка 2: «Площадь в м²?» содержит символ";
        QTest::newRow("# as a later answer") << "60\nQ\n+a\n-#\n"
                                             << "строка 4: ответ «#»";
        QTest::newRow("Ctrl+Z") << QStringLiteral("60\nQ\n+a\x001A\n") << "строка 3: символ Ctrl+Z";
    }

    void errors()
    {
        QFETCH(QString, source);
        QFETCH(QString, says);
        try {
            ParseBankSource(source);
            QFAIL("the source was accepted");
        } catch (const BankSourceError &error) {
            const QString message = QString::fromUtf8(error.what());
            QVERIFY2(message.contains(says), qPrintable(message));
        }
    }

    void fiftyOneQuestions()
    {
        QString source = QStringLiteral("60\n");
        for (int i = 1; i <= 51; ++i) {
            source += QStringLiteral("\nQ%1\n+a\n-b\n").arg(i);
        }
        QVERIFY_THROWS_EXCEPTION(BankSourceError, ParseBankSource(source));
    }

    // The committed bank files are exactly what the tool makes from the committed sources.
    void shippedBanksMatchTheirSources_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"Vop5", "Vop67", "Vop89", "Vop1011"}) {
            QTest::newRow(name) << QString::fromLatin1(name);
        }
    }

    void shippedBanksMatchTheirSources()
    {
        QFETCH(QString, name);
        QFile source(QStringLiteral(ORTUS_SOURCE_DIR "/data/banks/%1.txt").arg(name));
        QVERIFY(source.open(QIODevice::ReadOnly));
        QFile bank(QStringLiteral(ORTUS_SOURCE_DIR "/data/%1.dat").arg(name));
        QVERIFY(bank.open(QIODevice::ReadOnly));

        const BankSource parsed = ParseBankSource(QString::fromUtf8(source.readAll()));
        const std::string made = WriteBankBytes(parsed.timeLimitSeconds, parsed.questions);
        QVERIFY2(QByteArray::fromStdString(made) == bank.readAll(),
                 "rebuild the banks: ortus-make-banks data/banks data");
    }
};

QTEST_GUILESS_MAIN(TestBankSource)
#include "tst_banksource.moc"
