#include "quiz/bankcheck.h"
#include "quiz/banksource.h"
#include "quiz/questionbank.h"
#include "runtime/cp1251.h"
#include "runtime/textfile.h"
#include "support/startdirectory.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <random>

// Building banks from sources and showing banks as sources: what `ortus-bank build` and
// `ortus-bank show` do, through the library functions they call.
namespace {

QByteArray ShippedBytes(const QString &path)
{
    QFile file(QStringLiteral(ORTUS_SOURCE_DIR "/") + path);
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("cannot read %s", qPrintable(path));
    }
    return file.readAll();
}

QString BuildError(const QByteArray &source)
{
    try {
        BuildBankFromSource(source);
    } catch (const BankSourceError &error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

// A source with every kind of line: BOM, CR LF and LF line ends, blank and blank-only lines,
// marks with and without a blank after them, an empty answer, texts that start with a mark,
// typographic characters of code page 1251, one to five answers.
const QByteArray EveryKindOfLine = "\xEF\xBB\xBF"
                                   "  Время: 3 мин  \r\n"
                                   "\r\n"
                                   "\r\n"
                                   "Сколько будет −5 + 3?\r\n" // U+2212 is not in code page 1251
                                   "+-2\r\n"
                                   "- 2\r\n"
                                   "-8\n"
                                   "   \n"
                                   "-Это вопрос, начинающийся с минуса?\n"
                                   "+\n"
                                   "-«Ёлка» № 5 — €, ‰\n"
                                   "\n"
                                   "\tОдин ответ\t\n"
                                   "+\tединственный \n"
                                   "\n"
                                   "Пять ответов\n"
                                   "-1\n"
                                   "-2\n"
                                   "-3\n"
                                   "-4\n"
                                   "+5";

QByteArray EveryKindOfLineIn1251()
{
    return QByteArray(EveryKindOfLine).replace("−", "-");
}

} // namespace

class TestTeacherTools : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    std::string WriteFile(const QString &name, const QByteArray &bytes)
    {
        return WriteFixtureFile(m_folder.filePath(name), bytes);
    }

    // show, then build: the bank's own bytes again, with nothing to note.
    void VerifyShowThenBuild(const QByteArray &bank)
    {
        const BankListing listing = ListBank(WriteFile(QStringLiteral("bank.dat"), bank));
        QVERIFY2(listing.notes.empty(),
                 listing.notes.empty() ? "" : qPrintable(listing.notes.front().message));
        QCOMPARE(QByteArray::fromStdString(BuildBankFromSource(listing.source.toUtf8())), bank);
    }

private slots:
    void cleanup() { QCOMPARE(PendingIoCode(), 0); }

    void timeLimit_data()
    {
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("seconds");

        QTest::newRow("minutes") << "Время: 20 мин" << 1200;
        QTest::newRow("seconds without a unit") << "Время: 1200" << 1200;
        QTest::newRow("bare seconds, as the shipped sources") << "1260" << 1260;
        QTest::newRow("seconds with a unit") << "время:90 с" << 90;
        QTest::newRow("word in capitals, unit with a full stop") << "ВРЕМЯ: 5 мин." << 300;
        QTest::newRow("unit written out") << "Время: 1 минута" << 60;
        QTest::newRow("seconds written out") << "Время: 45 секунд" << 45;
    }

    void timeLimit()
    {
        QFETCH(QString, header);
        QFETCH(int, seconds);
        const BankSource source = ParseBankSource(header + QStringLiteral("\n\nQ\n+a\n"));
        QCOMPARE(source.timeLimitSeconds, seconds);
    }

    void sourceErrors_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QString>("says");

        QTest::newRow("no +") << QByteArray("Время: 1 мин\n\nQ1\n+a\n\nQ2\n-a\n-b\n")
                              << "строка 6: у вопроса должен быть ровно один верный ответ «+», а "
                                 "их 0.";
        QTest::newRow("two +") << QByteArray("Время: 1 мин\n\nQ1\n+a\n+b\n")
                               << "строка 3: у вопроса должен быть ровно один верный ответ «+», "
                                  "а их 2.";
        QTest::newRow("six answers") << QByteArray("Время: 1 мин\nQ\n+1\n-2\n-3\n-4\n-5\n-6\n-7\n")
                                     << "строка 8: у вопроса не может быть больше 5 ответов.";
        QTest::newRow("51 questions") << [] {
            QByteArray source("Время: 10 мин\n");
            for (int i = 1; i <= 51; ++i) {
                source += "\nQ" + QByteArray::number(i) + "\n+a\n";
            }
            return source;
        }() << "строка 153: в банке не может быть больше 50 вопросов.";
        QTest::newRow("not in code page 1251")
            << EveryKindOfLine
            << "строка 4: «Сколько будет −5 + 3?» содержит символ, которого нет в кодировке "
               "Windows-1251.";
        QTest::newRow("not UTF-8") << QByteArray("60\n\n\xC2\xEE\xEF\xF0\xEE\xF1\n+a\n")
                                   << "строка 3: текст не в кодировке UTF-8";
        QTest::newRow("time in hours") << QByteArray("Время: 1 час\n\nQ\n+a\n")
                                       << "строка 1: первой строкой ожидалось время на тест";
        QTest::newRow("time of 0 minutes") << QByteArray("Время: 0 мин\n\nQ\n+a\n")
                                           << "строка 1: время на тест должно быть больше 0";
        QTest::newRow("time beyond 32 bits")
            << QByteArray("Время: 40000000 мин\n\nQ\n+a\n")
            << "строка 1: время на тест должно быть больше 0 и не больше 2147483647 секунд.";
        QTest::newRow("forgotten time: the rest is still checked")
            << QByteArray("Q\n+a\n+b\n")
            << "строка 1: первой строкой ожидалось время на тест: «Время: 20 мин», «Время: 1200» "
               "(в секундах) или просто число секунд.\nстрока 1: у вопроса должен быть ровно один "
               "верный ответ «+», а их 2.";
        QTest::newRow("# as the first answer")
            << QByteArray("60\nQ\n-#\n+a\n") << "строка 3: ответ «#» нельзя записать в банк";
        QTest::newRow("CR inside a line")
            << QByteArray("60\nQ\n+a\rb\n") << "строка 3: символ возврата каретки (CR)";
    }

    // Each error names its line, and nothing is built.
    void sourceErrors()
    {
        QFETCH(QByteArray, source);
        QFETCH(QString, says);
        const QString message = BuildError(source);
        QVERIFY2(message.startsWith(says), qPrintable(message));
    }

    void sources_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QByteArray>("bank"); // the bank expected, if any

        for (const char *name : {"Vop5", "Vop67", "Vop89", "Vop1011"}) {
            QTest::newRow(name) << ShippedBytes(QStringLiteral("data/banks/%1.txt").arg(name))
                                << ShippedBytes(QStringLiteral("data/%1.dat").arg(name));
        }

        QTest::newRow("every kind of line") << EveryKindOfLineIn1251() << QByteArray();
        QTest::newRow("time not in whole minutes")
            << QByteArray("Время: 1250\n\nQ\n+a\n-b\n") << QByteArray();
        QTest::newRow("fifty questions of five answers") << [] {
            QByteArray source("Время: 50 мин\n");
            for (int i = 1; i <= 50; ++i) {
                source += "\nВопрос " + QByteArray::number(i) + "\n";
                for (int k = 1; k <= 5; ++k) {
                    source += (k == (i - 1) % 5 + 1 ? "+" : "-") + QByteArray::number(k) + "\n";
                }
            }
            return source;
        }() << QByteArray();
    }

    // build, show, build: the same bytes, and a bank the check finds nothing in. The shipped
    // sources build into the shipped banks.
    void sources()
    {
        QFETCH(QByteArray, source);
        QFETCH(QByteArray, bank);
        const QByteArray built = QByteArray::fromStdString(BuildBankFromSource(source));
        if (!bank.isEmpty()) {
            QCOMPARE(built, bank);
        }
        VerifyShowThenBuild(built);
        QVERIFY(CheckBankFile(WriteFile(QStringLiteral("built.dat"), built)).empty());
        QVERIFY(CheckBankSource(source).empty());
    }

    // The program's own ReadTest loads a built bank with the texts, the time and the key meant.
    void builtBankLoadsWithTheIntendedKey()
    {
        const QByteArray bank =
            QByteArray::fromStdString(BuildBankFromSource(EveryKindOfLineIn1251()));
        WriteFile(QStringLiteral("Vop5.dat"), bank);
        auto loaded = std::make_unique<QuestionBank>();
        std::mt19937 generator(7);
        ReadTest(*loaded, 0, m_folder.path().toStdString(), generator);

        QCOMPARE(loaded->TimeLeft, 180);
        QCOMPARE(int(loaded->QuestionCount), 4);
        const QList<int> counts{3, 2, 1, 5};
        const QList<int> correct{1, 1, 1, 5};
        for (int i = 1; i <= 4; ++i) {
            QCOMPARE(int(loaded->AnswerCounts[i]), counts[i - 1]);
            for (int k = 1; k <= MaxAnswers; ++k) {
                QCOMPARE(IsCorrectAnswer(*loaded, i, k), k == correct[i - 1]);
            }
        }
        QCOMPARE(FromCp1251(loaded->QuestionTexts[1]), QStringLiteral("Сколько будет -5 + 3?"));
        QCOMPARE(FromCp1251(loaded->AnswerTexts[1][1]), QStringLiteral("-2"));
        QCOMPARE(FromCp1251(loaded->AnswerTexts[1][2]), QStringLiteral("2"));
        QCOMPARE(FromCp1251(loaded->QuestionTexts[2]),
                 QStringLiteral("-Это вопрос, начинающийся с минуса?"));
        QCOMPARE(loaded->AnswerTexts[2][1], std::string());
        QCOMPARE(FromCp1251(loaded->AnswerTexts[2][2]), QStringLiteral("«Ёлка» № 5 — €, ‰"));
        QCOMPARE(FromCp1251(loaded->QuestionTexts[3]), QStringLiteral("Один ответ"));
        QCOMPARE(FromCp1251(loaded->AnswerTexts[3][1]), QStringLiteral("единственный"));
    }

    void showMarksAQuestionWithoutACorrectAnswer()
    {
        auto bank = std::make_unique<QuestionBank>();
        bank->QuestionCount = 2;
        bank->TimeLeft = 90;
        bank->AnswerKey = "f"; // question 1: answer 1; question 2 has no key byte
        bank->QuestionTexts[1] = "A";
        bank->QuestionTexts[2] = "B";
        bank->AnswerTexts[1][1] = "x";
        bank->AnswerTexts[2][1] = "y";
        bank->AnswerCounts[1] = 1;
        bank->AnswerCounts[2] = 1;
        const QString source = FormatBankSource(*bank);
        QCOMPARE(source, QStringLiteral("Время: 90\n\nA\n+x\n\nB\n-y\n"));
        QVERIFY(BuildError(source.toUtf8())
                    .startsWith(QStringLiteral(
                        "строка 6: у вопроса должен быть ровно один верный ответ «+», а их 0")));
    }
};

QTEST_GUILESS_MAIN(TestTeacherTools)
#include "tst_teachertools.moc"
