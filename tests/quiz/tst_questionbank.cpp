#include "quiz/questionbank.h"
#include "quiz/testrun.h"
#include "runtime/textfile.h"
#include "runtime/workingdirectory.h"
#include "support/bankfixtures.h"
#include "support/startdirectory.h"
#include "teacher/bankcheck.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <numeric>

namespace {

using Texts = QStringList;

QByteArray Bytes(const std::string &bytes)
{
    return QByteArray::fromStdString(bytes);
}

QByteArray Replaced(const QByteArray &bytes, const QByteArray &before, const QByteArray &after)
{
    return QByteArray(bytes).replace(before, after);
}

std::vector<BankQuestion> NumberedQuestions(int count, int answers)
{
    std::vector<BankQuestion> questions;
    for (int i = 1; i <= count; ++i) {
        QStringList texts;
        for (int k = 1; k <= answers; ++k) {
            texts.append(QStringLiteral("answer %1.%2").arg(i).arg(k));
        }
        questions.push_back({QStringLiteral("question %1").arg(i), texts, (i - 1) % answers + 1});
    }
    return questions;
}

bool IsPermutation(const QuestionBank &bank)
{
    std::vector<int> numbers(bank.QuestionCount);
    std::iota(numbers.begin(), numbers.end(), 1);
    return std::is_permutation(numbers.begin(), numbers.end(), bank.QuestionOrder.begin() + 1);
}

} // namespace

class TestQuestionBank : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_start;
    QString m_previous = QDir::currentPath();
    std::mt19937 m_generator{20000};

    std::string StartDirectory() const { return m_start.path().toStdString(); }

    std::string WriteBank(const QString &name, const QByteArray &bytes)
    {
        return WriteFixtureFile(m_start.filePath(name), bytes);
    }

private slots:
    void cleanup()
    {
        QDir::setCurrent(m_previous);
        QCOMPARE(PendingIoCode(), 0);
    }

    void banks_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("refusal");      // what the program shows; empty when it loads
        QTest::addColumn<QStringList>("findings"); // as CompareFindings takes them
        QTest::addColumn<Texts>("bank");           // as loaded; not compared when empty
        const auto row = [](const char *name, const QByteArray &file, const QString &refusal,
                            const QStringList &findings, const Texts &bank = {}) {
            QTest::newRow(name) << file << refusal << findings << bank;
        };

        const QByteArray two = TwoQuestions;
        const QString first = "first question: answer one|answer two|answer three = 3";
        const Texts both{"120 s", first, "second question: yes|no = 1"};
        const QString file = QStringLiteral("Файл вопросов «Vop5.dat»");
        const QString lfOnly = QStringLiteral(
            "строки разделены только символом LF (перевод строки без возврата каретки CR). "
            "Сохраните файл с концами строк CR LF, как принято в Windows.");

        row("described example", two, "", {}, both);
        row("words after the header numbers", Replaced(two, "2 120", "2 120 seconds in all"), "",
            {}, both);
        row("no line end after the last #", two.chopped(2), "", {}, both);
        row("blank lines after the last question", two + "\r\n \r\n\r\n", "", {}, both);
        row("Ctrl+Z after the last line", two + "\x1a\x1a\r\n", "", {}, both);
        row("Ctrl+Z after the last line, text behind it", two + "\x1a" + "3 60\r\n", "",
            {"12: символ конца файла (код 26)"}, both);
        row("anything after the last # is never read", two + "junk\nwith a lone LF\r\n7 7\r\n", "",
            {"12: в строке есть символ LF без CR", "12: файл кончился, а у вопроса 3 (строка 12)",
             "12: в заголовке указано вопросов: 2, а в файле их 3: с этой строки"},
            both);
        row("one answer", "1 60\r\nf\r\nQ\r\nonly\r\n#\r\n", "", {}, {"60 s", "Q: only = 1"});
        row("blanks kept, empty texts allowed", "1 60\r\ng\r\n  Q  \r\n\r\nb \r\n#\r\n", "", {},
            {"60 s", "  Q  : |b  = 2"});
        // A lone LF is an ordinary character: it stays in the text.
        row("a lone LF inside a CR LF line", Replaced(two, "yes\r\n", "yes\n"), "",
            {"9: в строке есть символ LF"}, {"120 s", first, "second question: yes\nno = 1"});
        row("time limit 0", Replaced(two, "2 120", "2 0"), "",
            {"1: время на тест 0 с: тест кончится"});
        row("# with a trailing blank is an answer", "1 60\r\nh\r\nQ\r\na\r\n# \r\nb\r\n#\r\n", "",
            {"5: в строке «# » вокруг «#» есть пробелы"}, {"60 s", "Q: a|# |b = 3"});
        row("# right after the question is the first answer", "1 60\r\ng\r\nQ\r\n#\r\nx\r\n#\r\n",
            "", {"4: сразу за вопросом стоит «#»"}, {"60 s", "Q: #|x = 2"});
        row("short key: the second question has no correct answer",
            Replaced(two, "hg\r\n", "h\r\n"), "",
            {"2: ключ короче числа вопросов (символов в нём: 1, вопросов: 2): на вопросы после "
             "1-го"},
            {"120 s", first, "second question: yes|no = 0"});
        row("key byte beyond the answers", Replaced(two, "hg\r\n", "hj\r\n"), "",
            {"2: символ 2 ключа (байт 106) не указывает ни на один ответ вопроса 2 (строка 8): "
             "верного ответа у него нет; нужен байт от 103 до 104"},
            {"120 s", first, "second question: yes|no = 4"});
        row("more questions than the count", Replaced(two, "2 120\r\nhg", "1 120\r\nh"), "",
            {"8: в заголовке указано вопросов: 1, а в файле их 2: с этой строки"},
            {"120 s", first});
        row("empty line between questions", Replaced(two, "#\r\nsecond", "#\r\n\r\nsecond"), "",
            {"8: пустая строка на месте текста вопроса"});
        row("double #", Replaced(two, "#\r\nsecond", "#\r\n#\r\nsecond"), "",
            {"8: лишняя строка «#»"});
        row("text saved as UTF-8", Replaced(two, "yes", "да"), "", {"9: текст записан в UTF-8"});

        row("empty file", "", file + " пуст.", {"1! файл пуст."});
        row("header is not a number", Replaced(two, "2 120", "two 120"), "Invalid numeric input",
            {"1! первая строка должна начинаться с двух целых чисел"});
        // The key is read from the line of the first question.
        row("header of one number", Replaced(two, "2 120", "2"), "Invalid numeric input",
            {"2! первая строка должна начинаться с двух целых чисел",
             "3: символ 2 ключа (байт 105)"});
        row("count 0 on line 3", "\r\n\r\n0 60\r\n",
            file + ", строка 3: число вопросов 0, а должно быть от 1 до 50.",
            {"3! число вопросов 0"});
        row("count 51", Bytes(WriteBankBytes(60, NumberedQuestions(51, 2))),
            file + ", строка 1: число вопросов 51, а должно быть от 1 до 50.",
            {"1! число вопросов 51"});
        row("count 306 is not taken as its low byte 50", Replaced(two, "2 120", "306 120"),
            file + ", строка 1: число вопросов 306, а должно быть от 1 до 50.",
            {"1! число вопросов 306"});
        // The first tick would take the countdown below the lowest number.
        row("time limit -2147483648", Replaced(two, "2 120", "2 -2147483648"),
            file + ", строка 1: время на тест -2147483648 с: такое время программа отсчитать не "
                   "может; нужно число секунд больше 0.",
            {"1! время на тест -2147483648 с: такое время"});
        row("fewer questions than the count", Replaced(two, "2 120\r\nhg", "3 120\r\nhgi"),
            file + ": в первой строке указано число вопросов 3, а в файле найдено только 2.",
            {"1! в первой строке указано число вопросов 3, а в файле найдено только 2."});
        row("a sixth answer", Replaced(two, "no\r\n", "no\r\n3\r\n4\r\n5\r\n6\r\n"),
            file + ", строка 14: у вопроса 2 (строка 8) больше пяти ответов; возможно, после его "
                   "ответов пропущена строка «#».",
            {"14! у вопроса 2 (строка 8) больше пяти ответов"});
        const QString unclosed =
            file + " кончился, а у вопроса 2 (строка 8) нет завершающей строки «#».";
        row("ends before the last #", two.chopped(3), unclosed,
            {"8! файл кончился, а у вопроса 2 (строка 8) нет завершающей строки"});
        row("Ctrl+Z inside the text",
            Replaced(two, "yes",
                     "y\x1a"
                     "es"),
            unclosed, {"8! файл кончился, а у вопроса 2", "9: символ конца файла (код 26)"});
        row("ends right after a question", "1 60\r\ng\r\nQ",
            file + " кончился, а у вопроса 1 (строка 3) нет завершающей строки «#».",
            {"3! файл кончился, а у вопроса 1 (строка 3)"});
        // The answers run on to the next "#": the second question is swallowed.
        row("# with a blank after it", Replaced(two, "three\r\n#\r\n", "three\r\n# \r\n"),
            file + ", строка 9: у вопроса 1 (строка 3) больше пяти ответов; возможно, после его "
                   "ответов пропущена строка «#».",
            {"1! в первой строке указано число вопросов 2, а в файле найдено только 1",
             "7: в строке «# » вокруг «#» есть пробелы",
             "9! у вопроса 1 (строка 3) больше пяти ответов"});
        row("lines end in LF alone", Replaced(two, "\r\n", "\n"), file + ", строка 1: " + lfOnly,
            {"1! " + lfOnly});
        row("the end saved with LF alone", Replaced(two, "no\r\n#\r\n", "no\n#\n"),
            file + ", строка 10: " + lfOnly, {"10! " + lfOnly});
    }

    // What the program does with the file, and what the check lists for it.
    void banks()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, refusal);
        QFETCH(QStringList, findings);
        QFETCH(Texts, bank);

        // Grade 5's bank.
        const std::string path = WriteBank(QStringLiteral("Vop5.dat"), file);
        auto run = std::make_unique<TestRun>();
        run->Begin({}, 0, {});
        QString shown;
        try {
            run->ReadTest(StartDirectory());
        } catch (const std::runtime_error &error) {
            shown = QString::fromUtf8(error.what());
        }
        const QuestionBank *loaded = &run->State().Bank;
        QCOMPARE(shown, refusal);
        if (!bank.isEmpty()) {
            QCOMPARE(DescribedBank(*loaded), bank);
        }
        for (const std::uint8_t count : loaded->AnswerCounts) {
            QVERIFY(count <= MaxAnswers);
        }
        CompareFindings(CheckBankFile(path), findings);

        // The file is released: the teacher can fix it while the program runs.
        TextFile writer(path);
        writer.OpenForRewriting();
        writer.CloseFile();
    }

    // A full bank, key bytes above 127, is read from the start directory, wherever the file
    // dialogs have moved the current one. The asking order comes from the generator given and
    // from nothing else, which goes on for the next test.
    void startDirectoryAndOrder()
    {
        const std::string path = WriteBank(QStringLiteral("Vop67.dat"),
                                           Bytes(WriteBankBytes(60, NumberedQuestions(50, 5))));
        QVERIFY(CheckBankFile(path).empty());
        QTemporaryDir elsewhere;
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        QuestionBank one;
        QuestionBank two;
        std::mt19937 first(7);
        std::mt19937 second(7);
        QVERIFY_THROWS_NO_EXCEPTION(
            LoadBank(one, InDirectory(StartDirectory(), BankFileNames[2]), first));
        QVERIFY_THROWS_NO_EXCEPTION(
            LoadBank(two, InDirectory(StartDirectory(), BankFileNames[2]), second));
        QVERIFY(one.QuestionOrder == two.QuestionOrder);
        QCOMPARE(DescribedBank(one).last(), "question 50: answer 50.1|answer 50.2|answer 50.3|"
                                            "answer 50.4|answer 50.5 = 5");
        QVERIFY_THROWS_NO_EXCEPTION(
            LoadBank(two, InDirectory(StartDirectory(), BankFileNames[2]), second));
        QVERIFY(IsPermutation(two));
        QVERIFY(one.QuestionOrder != two.QuestionOrder);
    }
};

QTEST_GUILESS_MAIN(TestQuestionBank)
#include "tst_questionbank.moc"
