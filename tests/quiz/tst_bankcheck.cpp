#include "quiz/bankcheck.h"
#include "quiz/banksource.h"
#include "quiz/questionbank.h"
#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "support/bankfixtures.h"
#include "support/startdirectory.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <random>

namespace {

QByteArray Replaced(const QByteArray &bytes, const QByteArray &before, const QByteArray &after)
{
    return QByteArray(bytes).replace(before, after);
}

// "line: text" of each finding, so that a table row lists them in one column.
QStringList Described(const std::vector<BankFinding> &findings)
{
    QStringList described;
    for (const BankFinding &finding : findings) {
        described.append(QStringLiteral("%1: %2").arg(finding.line).arg(finding.message));
    }
    return described;
}

// Each expected entry is "line: the start of its message".
void CompareFindings(const std::vector<BankFinding> &findings, const QStringList &expected)
{
    const QStringList described = Described(findings);
    QVERIFY2(described.size() == expected.size(), qPrintable(described.join(QLatin1Char('\n'))));
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QVERIFY2(described[i].startsWith(expected[i]),
                 qPrintable(described[i] + QStringLiteral("\nexpected: ") + expected[i]));
    }
}

} // namespace

class TestBankCheck : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    std::string WriteFile(const QString &name, const QByteArray &bytes)
    {
        return WriteFixtureFile(m_folder.filePath(name), bytes);
    }

private slots:
    void cleanup() { QCOMPARE(PendingIoCode(), 0); }

    void findings_data()
    {
        QTest::addColumn<QByteArray>("bank");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("loads");

        const QString sixthAnswer = QStringLiteral("шестой ответ вопроса");

        QTest::newRow("sound bank") << TwoQuestions << QStringList{} << true;
        QTest::newRow("fifty questions with key bytes above 127") << [] {
            std::vector<BankQuestion> questions;
            for (int i = 1; i <= 50; ++i) {
                questions.push_back({QStringLiteral("вопрос %1").arg(i),
                                     {"1", "2", "3", "4", "5"},
                                     (i - 1) % 5 + 1});
            }
            return QByteArray::fromStdString(WriteBankBytes(600, questions));
        }() << QStringList{} << true;
        QTest::newRow("words after the header numbers")
            << Replaced(TwoQuestions, "2 120", "2 120 seconds") << QStringList{} << true;
        QTest::newRow("Ctrl+Z after the last line") << TwoQuestions + "\x1a\x1a\r\n"
                                                    << QStringList{} << true;

        QTest::newRow("empty file") << QByteArray() << QStringList{"1: файл пуст"} << false;
        QTest::newRow("header is not a number")
            << Replaced(TwoQuestions, "2 120", "two 120")
            << QStringList{"1: первая строка должна начинаться с двух целых чисел"} << false;
        QTest::newRow("header of one number")
            << Replaced(TwoQuestions, "2 120", "2")
            // The key is read from the line of the first question.
            << QStringList{"2: первая строка должна начинаться с двух целых чисел",
                           "3: символ 2 ключа (байт 105)"}
            << false;
        QTest::newRow("count of 0")
            << Replaced(TwoQuestions, "2 120", "0 120")
            << QStringList{"1: число вопросов 0, а должно быть от 1 до 50"} << false;
        QTest::newRow("count over 50")
            << Replaced(TwoQuestions, "2 120", "51 120")
            << QStringList{"1: число вопросов 51, а должно быть от 1 до 50"} << false;
        QTest::newRow("time of 0")
            << Replaced(TwoQuestions, "2 120", "2 0")
            << QStringList{"1: время на тест 0 с: тест кончится, не начавшись"} << true;
        QTest::newRow("fewer questions than the count")
            << Replaced(TwoQuestions, "2 120\r\nhg", "3 120\r\nhgi")
            << QStringList{"1: в заголовке указано вопросов: 3, а в файле их 2"} << false;
        QTest::newRow("more questions than the count")
            << Replaced(TwoQuestions, "2 120\r\nhg", "1 120\r\nh")
            << QStringList{"8: в заголовке указано вопросов: 1, а в файле их 2: с этой строки"}
            << true;
        QTest::newRow("a sixth answer")
            << Replaced(TwoQuestions, "no\r\n", "no\r\n3\r\n4\r\n5\r\n6\r\n")
            << QStringList{"14: " + sixthAnswer + " 2 (строка 8)"} << false;
        QTest::newRow("no final #")
            << TwoQuestions.chopped(3) << QStringList{"8: у вопроса 2 нет завершающей строки «#»"}
            << false;
        QTest::newRow("# with a blank after it")
            << Replaced(TwoQuestions, "three\r\n#\r\n", "three\r\n# \r\n")
            // The answers run on to the next "#": the second question is swallowed.
            << QStringList{"1: в заголовке указано вопросов: 2, а в файле их 1",
                           "7: в строке «# » вокруг «#» есть пробелы", "9: " + sixthAnswer + " 1"}
            << false;
        QTest::newRow("# with a blank before it")
            << Replaced(TwoQuestions, "no\r\n#", "no\r\n #")
            << QStringList{"8: у вопроса 2 нет завершающей строки",
                           "11: в строке « #» вокруг «#» есть пробелы"}
            << false;
        QTest::newRow("lines ending in LF alone")
            << Replaced(TwoQuestions, "\r\n", "\n")
            << QStringList{"1: строка кончается одним символом LF"} << false;
        QTest::newRow("one line ending in LF alone")
            << Replaced(TwoQuestions, "yes\r\n", "yes\n")
            << QStringList{"9: строка кончается одним символом LF"} << false;
        QTest::newRow("end-of-text byte inside the text")
            << Replaced(TwoQuestions, "yes",
                        "y\x1a"
                        "es")
            << QStringList{"8: у вопроса 2 нет завершающей строки",
                           "9: символ конца текста (Ctrl+Z, байт 26)"}
            << false;
        QTest::newRow("end-of-text byte after the last line, text behind it")
            << TwoQuestions + "\x1a"
                              "3 60\r\n"
            << QStringList{"12: символ конца текста (Ctrl+Z, байт 26)"} << true;
        QTest::newRow("key shorter than the count")
            << Replaced(TwoQuestions, "hg\r\n", "h\r\n")
            << QStringList{"2: ключ короче числа вопросов (символов в нём: 1, вопросов: 2): на "
                           "вопросы после 1-го"}
            << true;
        QTest::newRow("key byte beyond the answers")
            << Replaced(TwoQuestions, "hg\r\n", "hj\r\n")
            << QStringList{"2: символ 2 ключа (байт 106) не указывает ни на один ответ вопроса 2 "
                           "(строка 8): верного ответа у него нет; нужен байт от 103 до 104"}
            << true;
        QTest::newRow("key byte below the answers")
            << Replaced(TwoQuestions, "hg\r\n", "ag\r\n")
            << QStringList{"2: символ 1 ключа (байт 97)"} << true;
        QTest::newRow("empty line between questions")
            // The program asks an empty question whose first answer is the second question.
            << Replaced(TwoQuestions, "#\r\nsecond", "#\r\n\r\nsecond")
            << QStringList{"8: пустая строка на месте текста вопроса"} << true;
        QTest::newRow("# right after the question")
            << Replaced(TwoQuestions, "second question\r\n", "second question\r\n#\r\n")
            << QStringList{"9: сразу за вопросом стоит «#»"} << true;
        QTest::newRow("double #") << Replaced(TwoQuestions, "#\r\nsecond", "#\r\n#\r\nsecond")
                                  << QStringList{"8: лишняя строка «#»"} << true;
        QTest::newRow("text saved as UTF-8") << Replaced(TwoQuestions, "yes", "да")
                                             << QStringList{"9: текст записан в UTF-8"} << true;
    }

    // Every finding with its line; and the program's own reader refuses exactly the banks with a
    // finding that would stop it.
    void findings()
    {
        QFETCH(QByteArray, bank);
        QFETCH(QStringList, expected);
        QFETCH(bool, loads);

        const std::string path = WriteFile(QStringLiteral("bank.dat"), bank);
        CompareFindings(CheckBankFile(path), expected);

        auto loaded = std::make_unique<QuestionBank>();
        std::mt19937 generator;
        bool loadedWithoutError = true;
        try {
            LoadBank(*loaded, path, generator);
        } catch (const BankFormatError &) {
            loadedWithoutError = false;
        } catch (const EInOutError &) {
            loadedWithoutError = false;
        }
        QCOMPARE(loadedWithoutError, loads);
    }

    // Findings of a source, and notes of a bank listing on what a rebuild would change.
    void sourceAndListingFindings_data()
    {
        QTest::addColumn<bool>("isSource");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("sound source")
            << true << QByteArray("Время: 2 мин\n\nВопрос?\n+да\n-нет\n") << QStringList{};
        QTest::newRow("every error of the source, in line order")
            << true
            << QByteArray("Время: 2 мин\n"
                          "\n"
                          "Площадь в м²?\n"
                          "-1\n"
                          "\n"
                          "Q\n"
                          "+a\n"
                          "+b\n")
            << QStringList{"3: «Площадь в м²?» содержит символ, которого нет в кодировке "
                           "Windows-1251",
                           "3: у вопроса должен быть ровно один верный ответ «+», а их 0",
                           "6: у вопроса должен быть ровно один верный ответ «+», а их 2"};
        QTest::newRow("source saved in Windows-1251")
            << true << QByteArray("60\n\nQ\n+\xE4\xE0\n")
            << QStringList{"4: текст не в кодировке UTF-8"};
        QTest::newRow("blanks around a text")
            << false << Replaced(TwoQuestions, "yes", " yes\t")
            << QStringList{"9: пробелы в начале или в конце текста « yes\t» при сборке пропадут"};
        QTest::newRow("no correct answer") << false << Replaced(TwoQuestions, "hg", "hz")
                                           << QStringList{"2: символ 2 ключа (байт 122)"};
        QTest::newRow("lone CR line ends")
            << false << Replaced(TwoQuestions, "\r\n", "\r")
            << QStringList{"1: собранный заново файл не совпадёт с этим байт в байт"};
    }

    void sourceAndListingFindings()
    {
        QFETCH(bool, isSource);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        CompareFindings(isSource ? CheckBankSource(bytes)
                                 : ListBank(WriteFile(QStringLiteral("bank.dat"), bytes)).notes,
                        expected);
    }

    // A file that cannot be read is an I/O error; a bank the program cannot load fails the
    // listing as it fails the program.
    void unreadableAndUnloadableBanks()
    {
        try {
            CheckBankFile(m_folder.filePath(QStringLiteral("missing.dat")).toStdString());
            QFAIL("a missing file was checked");
        } catch (const EInOutError &error) {
            QCOMPARE(error.Code(), 2);
        }
        QVERIFY_THROWS_EXCEPTION(EInOutError, CheckBankFile(m_folder.path().toStdString()));
        QVERIFY_THROWS_EXCEPTION(
            BankFormatError,
            ListBank(WriteFile(QStringLiteral("lf.dat"), Replaced(TwoQuestions, "\r\n", "\n"))));
        QVERIFY_THROWS_EXCEPTION(
            EInOutError, ListBank(m_folder.filePath(QStringLiteral("missing.dat")).toStdString()));
    }
};

QTEST_GUILESS_MAIN(TestBankCheck)
#include "tst_bankcheck.moc"
