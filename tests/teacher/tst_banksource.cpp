#include "runtime/cp1251.h"
#include "runtime/textfile.h"
#include "support/bankfixtures.h"
#include "support/startdirectory.h"
#include "teacher/bankcheck.h"
#include "teacher/banksource.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Bank sources built into banks, banks shown as sources, and what the teacher is told about both.
namespace {

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

} // namespace

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

    // What the check lists for a source, and the notes of a bank shown as a source that would not
    // build into the same bytes.
    void findings_data()
    {
        QTest::addColumn<bool>("listing");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected"); // as CompareFindings takes them
        const auto row = [](const char *name, const QByteArray &bytes, const QStringList &expected,
                            bool listing = false) {
            QTest::newRow(name) << listing << bytes << expected;
        };

        row("sound source", "Время: 2 мин\n\nВопрос?\n+да\n-нет\n", {});
        row("empty source", "", {"1: файл пуст"});
        row("forgotten time: the rest is still checked", "Q\n+a\n+b\n",
            {"1: первой строкой ожидалось время на тест: «Время: 20 мин», «Время: 1200» (в "
             "секундах) или просто число секунд.",
             "1: у вопроса должен быть ровно один верный ответ «+», а их 2."});
        row("time in hours", "Время: 1 час\n\nQ\n+a\n", {"1: первой строкой ожидалось время"});
        row("time of 0 minutes", "Время: 0 мин\n\nQ\n+a\n",
            {"1: время на тест должно быть больше 0"});
        row("time beyond 32 bits", "Время: 40000000 мин\n\nQ\n+a\n",
            {"1: время на тест должно быть больше 0 и не больше 2147483647 секунд."});
        row("no questions", "60\n\n", {"3: в банке нет ни одного вопроса."});
        row("answer without a mark", "60\nQ\n+a\nb\n", {"4: строка ответа должна начинаться"});
        row("no answers", "60\nQ\n\nR\n+a\n", {"2: у вопроса нет ответов."});
        row("every error of the source, in line order",
            "Время: 2 мин\n\nПлощадь в м²?\n-1\n\nQ\n+a\n+b\n",
            {"3: «Площадь в м²?» содержит символ, которого нет в кодировке Windows-1251",
             "3: у вопроса должен быть ровно один верный ответ «+», а их 0",
             "6: у вопроса должен быть ровно один верный ответ «+», а их 2"});
        row("six answers", "60\nQ\n+1\n-2\n-3\n-4\n-5\n-6\n-7\n",
            {"8: у вопроса не может быть больше 5 ответов."});
        row("51 questions", "Время: 10 мин\n" + QByteArray("\nQ\n+a\n").repeated(51),
            {"153: в банке не может быть больше 50 вопросов."});
        row("saved in Windows-1251", "60\n\nQ\n+\xE4\xE0\n", {"4: текст не в кодировке UTF-8"});
        row("# as an answer", "60\nQ\n+a\n-#\n", {"4: ответ «#» нельзя записать в банк"});
        row("Ctrl+Z", "60\nQ\n+a\x1A\n", {"3: символ конца файла (код 26) обрывает текст банка."});
        row("CR inside a line", "60\nQ\n+a\rb\n", {"3: символ возврата каретки (CR)"});

        row("listed: blanks around a text", QByteArray(TwoQuestions).replace("yes", " yes\t"),
            {"9: пробелы в начале или в конце текста « yes\t» при сборке пропадут"}, true);
        row("listed: no correct answer", QByteArray(TwoQuestions).replace("hg", "hz"),
            {"2: символ 2 ключа (байт 122)"}, true);
        row("listed: lone CR line ends", QByteArray(TwoQuestions).replace("\r\n", "\r"),
            {"1: собранный заново файл не совпадёт с этим байт в байт"}, true);
    }

    void findings()
    {
        QFETCH(bool, listing);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        std::vector<BankFinding> found;
        QVERIFY_THROWS_NO_EXCEPTION(
            found = listing ? ListBank(WriteFile(QStringLiteral("bank.dat"), bytes)).notes
                            : CheckBankSource(bytes));
        CompareFindings(found, expected);
    }

    void sources_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QByteArray>("bank"); // the start of the bank expected

        const auto shipped = [](const QString &name) {
            QFile file(ShippedFile(name));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        for (const char *name : {"Vop5", "Vop67", "Vop89", "Vop1011"}) {
            QTest::newRow(name) << shipped(QStringLiteral("banks/%1.txt").arg(name))
                                << shipped(QStringLiteral("%1.dat").arg(name));
        }
        QTest::newRow("described example")
            << QByteArray("Время: 120\n\nfirst question\n-answer one\n-answer two\n+answer "
                          "three\n\nsecond question\n+yes\n-no\n")
            << TwoQuestions;
        // Blanks around the texts and after the marks go; everything else stays as written.
        QTest::newRow("every kind of line")
            << EveryKindOfLine
            << QByteArray::fromStdString(ToCp1251(QStringLiteral(
                   "4 180\r\nfghm\r\nСколько будет -5 + 3?\r\n-2\r\n2\r\n8\r\n#\r\n"
                   "-Это вопрос, начинающийся с минуса?\r\n\r\n«Ёлка» № 5 — €, ‰\r\n#\r\n"
                   "Один ответ\r\nединственный\r\n#\r\n"
                   "Пять ответов\r\n1\r\n2\r\n3\r\n4\r\n5\r\n#\r\n")));
        const char *const times[][2] = {
            {"Время: 1250", "1250"},  {"1260", "1260"},          {"время:90 с", "90"},
            {"ВРЕМЯ: 5 мин.", "300"}, {"Время: 1 минута", "60"}, {"Время: 45 секунд", "45"},
        };
        for (const auto &[header, seconds] : times) {
            QTest::newRow(header) << QByteArray(header) + "\n\nQ\n+a\n-b\n"
                                  << "1 " + QByteArray(seconds) + "\r\n";
        }
        QTest::newRow("fifty questions of five answers")
            << "Время: 50 мин\n" + QByteArray("\nВопрос\n-1\n-2\n-3\n-4\n+5\n").repeated(50)
            << QByteArray("50 3000\r\n");
    }

    // build, show, build: the same bytes, and a bank and a source the check finds nothing in. The
    // shipped sources build into the shipped banks, the others into banks that start so.
    void sources()
    {
        QFETCH(QByteArray, source);
        QFETCH(QByteArray, bank);
        std::string built;
        QVERIFY_THROWS_NO_EXCEPTION(built = BuildBankFromSource(source));
        QVERIFY2(built.starts_with(bank.toStdString()), built.substr(0, 40).c_str());
        const std::string path =
            WriteFile(QStringLiteral("built.dat"), QByteArray::fromStdString(built));
        BankListing listing;
        std::string rebuilt;
        QVERIFY_THROWS_NO_EXCEPTION(listing = ListBank(path));
        QVERIFY(listing.notes.empty());
        QVERIFY_THROWS_NO_EXCEPTION(rebuilt = BuildBankFromSource(listing.source.toUtf8()));
        QCOMPARE(rebuilt, built);
        QVERIFY(CheckBankFile(path).empty());
        QVERIFY(CheckBankSource(source).empty());
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
