#include "quiz/questionbank.h"
#include "runtime/cp1251.h"
#include "runtime/textfile.h"
#include "support/bankfixtures.h"
#include "support/startdirectory.h"
#include "teacher/bankcheck.h"
#include "teacher/banksource.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <random>

// Bank sources built into banks, banks shown as sources, and what the teacher is told about both.
namespace {

QByteArray ShippedBytes(const QString &path)
{
    QFile file(QStringLiteral(ORTUS_SOURCE_DIR "/") + path);
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("cannot read %s", qPrintable(path));
    }
    return file.readAll();
}

// A source with every kind of line: BOM, CR LF and LF line ends, blank and blank-only lines,
// marks with and without a blank after them, an empty answer, texts that start with a mark,
// typographic characters of code page 1251, one to five answers.
const QByteArray EveryKindOfLine = "\xEF\xBB\xBF"
                                   "  Время: 3 мин  \r\n"
                                   "\r\n"
                                   "\r\n"
                                   "Сколько будет -5 + 3?\r\n"
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

enum class Checked { Source, Bank, Listing };

} // namespace

Q_DECLARE_METATYPE(Checked)
Q_DECLARE_METATYPE(std::vector<BankQuestion>)

class TestBankSource : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    std::string WriteFile(const QString &name, const QByteArray &bytes)
    {
        return WriteFixtureFile(m_folder.filePath(name), bytes);
    }

private slots:
    void cleanup() { QCOMPARE(PendingIoCode(), 0); }

    void timeLimit_data()
    {
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("seconds");

        QTest::newRow("minutes") << "Время: 20 мин" << 1200;
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

    void findings_data()
    {
        QTest::addColumn<Checked>("checked");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected"); // as CompareFindings takes them

        const Checked source = Checked::Source;
        QTest::newRow("sound source")
            << source << QByteArray("Время: 2 мин\n\nВопрос?\n+да\n-нет\n") << QStringList{};
        QTest::newRow("empty source") << source << QByteArray() << QStringList{"1: файл пуст"};
        QTest::newRow("forgotten time: the rest is still checked")
            << source << QByteArray("Q\n+a\n+b\n")
            << QStringList{"1: первой строкой ожидалось время на тест: «Время: 20 мин», «Время: "
                           "1200» (в секундах) или просто число секунд.",
                           "1: у вопроса должен быть ровно один верный ответ «+», а их 2."};
        QTest::newRow("time in hours") << source << QByteArray("Время: 1 час\n\nQ\n+a\n")
                                       << QStringList{"1: первой строкой ожидалось время"};
        QTest::newRow("time of 0 minutes") << source << QByteArray("Время: 0 мин\n\nQ\n+a\n")
                                           << QStringList{"1: время на тест должно быть больше 0"};
        QTest::newRow("time beyond 32 bits")
            << source << QByteArray("Время: 40000000 мин\n\nQ\n+a\n")
            << QStringList{"1: время на тест должно быть больше 0 и не больше 2147483647 секунд."};
        QTest::newRow("no questions")
            << source << QByteArray("60\n\n") << QStringList{"3: в банке нет ни одного вопроса."};
        QTest::newRow("answer without a mark") << source << QByteArray("60\nQ\n+a\nb\n")
                                               << QStringList{"4: строка ответа должна начинаться"};
        QTest::newRow("no answers")
            << source << QByteArray("60\nQ\n\nR\n+a\n") << QStringList{"2: у вопроса нет ответов."};
        QTest::newRow("every error of the source, in line order")
            << source << QByteArray("Время: 2 мин\n\nПлощадь в м²?\n-1\n\nQ\n+a\n+b\n")
            << QStringList{"3: «Площадь в м²?» содержит символ, которого нет в кодировке "
                           "Windows-1251",
                           "3: у вопроса должен быть ровно один верный ответ «+», а их 0",
                           "6: у вопроса должен быть ровно один верный ответ «+», а их 2"};
        QTest::newRow("six answers") << source << QByteArray("60\nQ\n+1\n-2\n-3\n-4\n-5\n-6\n-7\n")
                                     << QStringList{"8: у вопроса не может быть больше 5 ответов."};
        QTest::newRow("51 questions") << source << [] {
            QByteArray bytes("Время: 10 мин\n");
            for (int i = 1; i <= 51; ++i) {
                bytes += "\nQ" + QByteArray::number(i) + "\n+a\n";
            }
            return bytes;
        }() << QStringList{"153: в банке не может быть больше 50 вопросов."};
        QTest::newRow("saved in Windows-1251") << source << QByteArray("60\n\nQ\n+\xE4\xE0\n")
                                               << QStringList{"4: текст не в кодировке UTF-8"};
        QTest::newRow("# as an answer") << source << QByteArray("60\nQ\n+a\n-#\n")
                                        << QStringList{"4: ответ «#» нельзя записать в банк"};
        QTest::newRow("Ctrl+Z") << source << QByteArray("60\nQ\n+a\x1A\n")
                                << QStringList{"3: символ Ctrl+Z обрывает текст банка."};
        QTest::newRow("CR inside a line") << source << QByteArray("60\nQ\n+a\rb\n")
                                          << QStringList{"3: символ возврата каретки (CR)"};

        // The end-of-text mark, which only the file's bytes show.
        QTest::newRow("Ctrl+Z after the last line")
            << Checked::Bank << TwoQuestions + "\x1a\x1a\r\n"
            << QStringList{};
        QTest::newRow("end-of-text byte inside the text")
            << Checked::Bank
            << QByteArray(TwoQuestions)
                   .replace("yes", "y\x1a"
                                   "es")
            << QStringList{"8! файл кончился, а у вопроса 2",
                           "9: символ конца текста (Ctrl+Z, байт 26)"};
        QTest::newRow("end-of-text byte after the last line, text behind it")
            << Checked::Bank
            << TwoQuestions + "\x1a"
                              "3 60\r\n"
            << QStringList{"12: символ конца текста (Ctrl+Z, байт 26)"};

        // What a rebuild from the shown source would change.
        QTest::newRow("blanks around a text")
            << Checked::Listing << QByteArray(TwoQuestions).replace("yes", " yes\t")
            << QStringList{"9: пробелы в начале или в конце текста « yes\t» при сборке пропадут"};
        QTest::newRow("no correct answer")
            << Checked::Listing << QByteArray(TwoQuestions).replace("hg", "hz")
            << QStringList{"2: символ 2 ключа (байт 122)"};
        QTest::newRow("lone CR line ends")
            << Checked::Listing << QByteArray(TwoQuestions).replace("\r\n", "\r")
            << QStringList{"1: собранный заново файл не совпадёт с этим байт в байт"};
    }

    void findings()
    {
        QFETCH(Checked, checked);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        switch (checked) {
        case Checked::Source:
            CompareFindings(CheckBankSource(bytes), expected);
            break;
        case Checked::Bank:
            CompareFindings(CheckBankFile(WriteFile(QStringLiteral("bank.dat"), bytes)), expected);
            break;
        case Checked::Listing:
            CompareFindings(ListBank(WriteFile(QStringLiteral("bank.dat"), bytes)).notes, expected);
            break;
        }
    }

    void sources_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QByteArray>("bank"); // the bank expected, if any

        for (const char *name : {"Vop5", "Vop67", "Vop89", "Vop1011"}) {
            QTest::newRow(name) << ShippedBytes(QStringLiteral("data/banks/%1.txt").arg(name))
                                << ShippedBytes(QStringLiteral("data/%1.dat").arg(name));
        }
        QTest::newRow("described example")
            << QByteArray("Время: 120\n\nfirst question\n-answer one\n-answer two\n+answer "
                          "three\n\nsecond question\n+yes\n-no\n")
            << TwoQuestions;
        QTest::newRow("every kind of line") << EveryKindOfLine << QByteArray();
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

    // build, show, build: the same bytes, and a bank and a source the check finds nothing in. The
    // shipped sources build into the shipped banks.
    void sources()
    {
        QFETCH(QByteArray, source);
        QFETCH(QByteArray, bank);
        const QByteArray built = QByteArray::fromStdString(BuildBankFromSource(source));
        if (!bank.isEmpty()) {
            QCOMPARE(built, bank);
        }
        const std::string path = WriteFile(QStringLiteral("built.dat"), built);
        const BankListing listing = ListBank(path);
        QVERIFY(listing.notes.empty());
        QCOMPARE(QByteArray::fromStdString(BuildBankFromSource(listing.source.toUtf8())), built);
        QVERIFY(CheckBankFile(path).empty());
        QVERIFY(CheckBankSource(source).empty());
    }

    // The program's own ReadTest loads a built bank with the texts, the time and the key meant.
    void builtBankLoadsWithTheIntendedKey()
    {
        WriteFile(QStringLiteral("Vop5.dat"),
                  QByteArray::fromStdString(BuildBankFromSource(EveryKindOfLine)));
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
        QCOMPARE(FromCp1251(loaded->AnswerTexts[1][1]), QStringLiteral("-2"));
        QCOMPARE(FromCp1251(loaded->AnswerTexts[1][2]), QStringLiteral("2"));
        QCOMPARE(FromCp1251(loaded->QuestionTexts[2]),
                 QStringLiteral("-Это вопрос, начинающийся с минуса?"));
        QCOMPARE(loaded->AnswerTexts[2][1], std::string());
        QCOMPARE(FromCp1251(loaded->AnswerTexts[2][2]), QStringLiteral("«Ёлка» № 5 — €, ‰"));
        QCOMPARE(FromCp1251(loaded->QuestionTexts[3]), QStringLiteral("Один ответ"));
        QCOMPARE(FromCp1251(loaded->AnswerTexts[3][1]), QStringLiteral("единственный"));
    }

    void writerRefusesWhatCannotBeABank_data()
    {
        using Questions = std::vector<BankQuestion>;
        QTest::addColumn<Questions>("questions");

        QTest::newRow("no correct answer") << Questions{{"q", {"a", "b"}, 0}};
        QTest::newRow("correct beyond the answers") << Questions{{"q", {"a", "b"}, 3}};
        QTest::newRow("LF in an answer") << Questions{{"q", {"a\nb"}, 1}};
        QTest::newRow("# as a later answer") << Questions{{"q", {"a", "#"}, 1}};
        // Question 153's fifth answer would need key byte 258.
        QTest::newRow("key byte above 255") << [] {
            Questions questions(153, {"q", {"1", "2", "3", "4", "5"}, 1});
            questions.back().correct = 5;
            return questions;
        }();
    }

    void writerRefusesWhatCannotBeABank()
    {
        QFETCH(std::vector<BankQuestion>, questions);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, WriteBankBytes(60, questions));
    }
};

QTEST_GUILESS_MAIN(TestBankSource)
#include "tst_banksource.moc"
