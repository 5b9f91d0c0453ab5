#include "quiz/bankscan.h"
#include "quiz/questionbank.h"
#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "support/bankfixtures.h"
#include "support/startdirectory.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <numeric>

namespace {

using Texts = QList<QByteArray>;

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

// The number of the one correct answer, 0 when there is none, -1 when more than one match.
int CorrectAnswerOf(const QuestionBank &bank, int question)
{
    int correct = 0;
    for (int answer = 1; answer <= MaxAnswers; ++answer) {
        if (IsCorrectAnswer(bank, question, answer)) {
            correct = correct == 0 ? answer : -1;
        }
    }
    return correct;
}

// The time limit, then each question as "text: answer|answer = number of the correct one".
Texts Described(const QuestionBank &bank)
{
    Texts described{QByteArray::number(bank.TimeLeft) + " s"};
    for (int i = 1; i <= bank.QuestionCount; ++i) {
        Texts answers;
        for (int k = 1; k <= bank.AnswerCounts[i]; ++k) {
            answers.append(Bytes(bank.AnswerTexts[i][k]));
        }
        described.append(Bytes(bank.QuestionTexts[i]) + ": " + answers.join('|') + " = " +
                         QByteArray::number(CorrectAnswerOf(bank, i)));
    }
    return described;
}

Texts Described(int seconds, const std::vector<BankQuestion> &questions)
{
    Texts described{QByteArray::number(seconds) + " s"};
    for (const BankQuestion &question : questions) {
        described.append(question.text.toUtf8() + ": " + question.answers.join('|').toUtf8() +
                         " = " + QByteArray::number(question.correct));
    }
    return described;
}

} // namespace

class TestQuestionBank : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_start;
    QString m_previous;
    std::mt19937 m_generator{20000};

    std::string StartDirectory() const { return m_start.path().toStdString(); }

    std::string WriteBank(const QString &name, const QByteArray &bytes, const QString &folder = {})
    {
        return WriteFixtureFile(QDir(folder.isEmpty() ? m_start.path() : folder).filePath(name),
                                bytes);
    }

    // Loads grade 5's bank holding the bytes: the message the program shows, or "" when it loads.
    QString LoadGradeFive(QuestionBank &bank, const QByteArray &bytes)
    {
        WriteBank(QStringLiteral("Vop5.dat"), bytes);
        try {
            ReadTest(bank, 0, StartDirectory(), m_generator);
        } catch (const std::runtime_error &error) {
            return QString::fromUtf8(error.what());
        }
        return {};
    }

private slots:
    void initTestCase() { m_previous = QDir::currentPath(); }
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

        const QByteArray two = TwoQuestions;
        const QByteArray first = "first question: answer one|answer two|answer three = 3";
        const Texts both{"120 s", first, "second question: yes|no = 1"};
        const QString file = QStringLiteral("Файл вопросов «Vop5.dat»");
        const QString lfOnly = QStringLiteral(
            "строки разделены только символом LF (перевод строки без возврата каретки CR). "
            "Сохраните файл с концами строк CR LF, как принято в Windows.");

        QTest::newRow("described example") << two << "" << QStringList{} << both;
        QTest::newRow("words after the header numbers")
            << Replaced(two, "2 120", "2 120 seconds in all") << "" << QStringList{} << both;
        QTest::newRow("no line end after the last #")
            << two.chopped(2) << "" << QStringList{} << both;
        QTest::newRow("blank lines after the last question") << two + "\r\n \r\n\r\n"
                                                             << "" << QStringList{} << both;
        QTest::newRow("Ctrl+Z after the last line") << two + "\x1a\x1a\r\n"
                                                    << "" << QStringList{} << both;
        QTest::newRow("anything after the last # is never read")
            << two + "junk\nwith a lone LF\r\n7 7\r\n"
            << ""
            << QStringList{"12: в строке есть символ LF без CR",
                           "12: файл кончился, а у вопроса 3 (строка 12)",
                           "12: в заголовке указано вопросов: 2, а в файле их 3: с этой строки"}
            << both;
        QTest::newRow("fifty questions of five answers, key bytes above 127")
            << Bytes(WriteBankBytes(3000, NumberedQuestions(50, 5))) << "" << QStringList{}
            << Described(3000, NumberedQuestions(50, 5));
        QTest::newRow("one answer") << QByteArray("1 60\r\nf\r\nQ\r\nonly\r\n#\r\n") << ""
                                    << QStringList{} << Texts{"60 s", "Q: only = 1"};
        QTest::newRow("blanks kept, empty texts allowed")
            << QByteArray("1 60\r\ng\r\n  Q  \r\n\r\nb \r\n#\r\n") << "" << QStringList{}
            << Texts{"60 s", "  Q  : |b  = 2"};
        // A lone LF is an ordinary character: it stays in the text.
        QTest::newRow("a lone LF inside a CR LF line")
            << Replaced(two, "yes\r\n", "yes\n") << "" << QStringList{"9: в строке есть символ LF"}
            << Texts{"120 s", first, "second question: yes\nno = 1"};
        QTest::newRow("time limit 0")
            << Replaced(two, "2 120", "2 0") << ""
            << QStringList{"1: время на тест 0 с: тест кончится"} << Texts{};
        QTest::newRow("# with a trailing blank is an answer")
            << QByteArray("1 60\r\nh\r\nQ\r\na\r\n# \r\nb\r\n#\r\n") << ""
            << QStringList{"5: в строке «# » вокруг «#» есть пробелы"}
            << Texts{"60 s", "Q: a|# |b = 3"};
        QTest::newRow("# right after the question is the first answer")
            << QByteArray("1 60\r\ng\r\nQ\r\n#\r\nx\r\n#\r\n") << ""
            << QStringList{"4: сразу за вопросом стоит «#»"} << Texts{"60 s", "Q: #|x = 2"};
        QTest::newRow("short key: the second question has no correct answer")
            << Replaced(two, "hg\r\n", "h\r\n") << ""
            << QStringList{"2: ключ короче числа вопросов (символов в нём: 1, вопросов: 2): на "
                           "вопросы после 1-го"}
            << Texts{"120 s", first, "second question: yes|no = 0"};
        QTest::newRow("key byte beyond the answers")
            << Replaced(two, "hg\r\n", "hj\r\n") << ""
            << QStringList{"2: символ 2 ключа (байт 106) не указывает ни на один ответ вопроса 2 "
                           "(строка 8): верного ответа у него нет; нужен байт от 103 до 104"}
            << Texts{};
        QTest::newRow("more questions than the count")
            << Replaced(two, "2 120\r\nhg", "1 120\r\nh") << ""
            << QStringList{"8: в заголовке указано вопросов: 1, а в файле их 2: с этой строки"}
            << Texts{"120 s", first};
        QTest::newRow("empty line between questions")
            << Replaced(two, "#\r\nsecond", "#\r\n\r\nsecond") << ""
            << QStringList{"8: пустая строка на месте текста вопроса"} << Texts{};
        QTest::newRow("double #") << Replaced(two, "#\r\nsecond", "#\r\n#\r\nsecond") << ""
                                  << QStringList{"8: лишняя строка «#»"} << Texts{};
        QTest::newRow("text saved as UTF-8") << Replaced(two, "yes", "да") << ""
                                             << QStringList{"9: текст записан в UTF-8"} << Texts{};

        QTest::newRow("empty file")
            << QByteArray() << file + " пуст." << QStringList{"1! файл пуст."} << Texts{};
        QTest::newRow("header is not a number")
            << Replaced(two, "2 120", "two 120") << "Invalid numeric input"
            << QStringList{"1! первая строка должна начинаться с двух целых чисел"} << Texts{};
        QTest::newRow("header of one number")
            << Replaced(two, "2 120", "2")
            << "Invalid numeric input"
            // The key is read from the line of the first question.
            << QStringList{"2! первая строка должна начинаться с двух целых чисел",
                           "3: символ 2 ключа (байт 105)"}
            << Texts{};
        QTest::newRow("count 0 on line 3")
            << QByteArray("\r\n\r\n0 60\r\n")
            << file + ", строка 3: число вопросов 0, а должно быть от 1 до 50."
            << QStringList{"3! число вопросов 0"} << Texts{};
        QTest::newRow("count 51") << Bytes(WriteBankBytes(60, NumberedQuestions(51, 2)))
                                  << file +
                                         ", строка 1: число вопросов 51, а должно быть от 1 до 50."
                                  << QStringList{"1! число вопросов 51"} << Texts{};
        QTest::newRow("count 306 is not taken as its low byte 50")
            << Replaced(two, "2 120", "306 120")
            << file + ", строка 1: число вопросов 306, а должно быть от 1 до 50."
            << QStringList{"1! число вопросов 306"} << Texts{};
        // The first tick would take the countdown below the lowest number.
        const QString lowestTime =
            file + ", строка 1: время на тест -2147483648 с: такое время программа отсчитать не "
                   "может; нужно число секунд больше 0.";
        QTest::newRow("time limit -2147483648")
            << Replaced(two, "2 120", "2 -2147483648") << lowestTime
            << QStringList{"1! время на тест -2147483648 с: такое время"} << Texts{};
        QTest::newRow("time limit $80000000") << Replaced(two, "2 120", "2 $80000000") << lowestTime
                                              << QStringList{"1! время на тест"} << Texts{};
        QTest::newRow("fewer questions than the count")
            << Replaced(two, "2 120\r\nhg", "3 120\r\nhgi")
            << file + ": в первой строке указано число вопросов 3, а в файле найдено только 2."
            << QStringList{"1! в первой строке указано число вопросов 3, а в файле найдено только "
                           "2."}
            << Texts{};
        QTest::newRow("a sixth answer")
            << Replaced(two, "no\r\n", "no\r\n3\r\n4\r\n5\r\n6\r\n")
            << file + ", строка 14: у вопроса 2 (строка 8) больше пяти ответов; возможно, после "
                      "его ответов пропущена строка «#»."
            << QStringList{"14! у вопроса 2 (строка 8) больше пяти ответов"} << Texts{};
        QTest::newRow("ends before the last #")
            << two.chopped(3)
            << file + " кончился, а у вопроса 2 (строка 8) нет завершающей строки «#»."
            << QStringList{"8! файл кончился, а у вопроса 2 (строка 8) нет завершающей строки"}
            << Texts{};
        QTest::newRow("ends right after a question")
            << QByteArray("1 60\r\ng\r\nQ")
            << file + " кончился, а у вопроса 1 (строка 3) нет завершающей строки «#»."
            << QStringList{"3! файл кончился, а у вопроса 1 (строка 3)"} << Texts{};
        // The answers run on to the next "#": the second question is swallowed.
        QTest::newRow("# with a blank after it")
            << Replaced(two, "three\r\n#\r\n", "three\r\n# \r\n")
            << file + ", строка 9: у вопроса 1 (строка 3) больше пяти ответов; возможно, после "
                      "его ответов пропущена строка «#»."
            << QStringList{"1! в первой строке указано число вопросов 2, а в файле найдено только "
                           "1",
                           "7: в строке «# » вокруг «#» есть пробелы",
                           "9! у вопроса 1 (строка 3) больше пяти ответов"}
            << Texts{};
        QTest::newRow("lines end in LF alone")
            << Replaced(two, "\r\n", "\n") << file + ", строка 1: " + lfOnly
            << QStringList{"1! " + lfOnly} << Texts{};
        QTest::newRow("the end saved with LF alone")
            << Replaced(two, "no\r\n#\r\n", "no\n#\n") << file + ", строка 10: " + lfOnly
            << QStringList{"10! " + lfOnly} << Texts{};
    }

    // What the program does with the file, and what the check lists for it.
    void banks()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, refusal);
        QFETCH(QStringList, findings);
        QFETCH(Texts, bank);

        auto loaded = std::make_unique<QuestionBank>();
        QCOMPARE(LoadGradeFive(*loaded, file), refusal);
        if (refusal.isEmpty()) {
            QVERIFY(IsPermutation(*loaded));
        }
        if (!bank.isEmpty()) {
            QCOMPARE(Described(*loaded), bank);
        }
        for (const std::uint8_t count : loaded->AnswerCounts) {
            QVERIFY(count <= MaxAnswers);
        }

        const std::string path = m_start.filePath(QStringLiteral("Vop5.dat")).toStdString();
        CompareFindings(ScanBank(path, BankScanReach::WholeText).findings, findings);

        // The file is released: the teacher can fix it while the program runs.
        TextFile writer(path);
        writer.OpenForRewriting();
        writer.CloseFile();
    }

    void unreadableBanks_data()
    {
        QTest::addColumn<bool>("directory");
        QTest::addColumn<int>("code");
        QTest::newRow("missing bank") << false << 2;
        QTest::newRow("bank is a directory") << true << 5;
    }

    void unreadableBanks()
    {
        QFETCH(bool, directory);
        QFETCH(int, code);
        QTemporaryDir start;
        if (directory) {
            QVERIFY(QDir(start.path()).mkdir(QStringLiteral("Vop5.dat")));
        }
        auto bank = std::make_unique<QuestionBank>();
        try {
            ReadTest(*bank, 0, start.path().toStdString(), m_generator);
            QFAIL("no error raised");
        } catch (const EInOutError &error) {
            QCOMPARE(error.Code(), code);
        }
    }

    void gradesShareFiles()
    {
        for (const QString name : {"Vop5.dat", "Vop67.dat", "Vop89.dat", "Vop1011.dat"}) {
            WriteBank(name, Bytes(WriteBankBytes(60, {{name, {"a", "b"}, 1}})));
        }
        QStringList files;
        for (std::uint8_t grade = 0; grade < 7; ++grade) {
            QuestionBank bank;
            ReadTest(bank, grade, StartDirectory(), m_generator);
            files.append(QString::fromStdString(bank.QuestionTexts[1]));
        }
        QCOMPARE(files, (QStringList{"Vop5.dat", "Vop67.dat", "Vop67.dat", "Vop89.dat", "Vop89.dat",
                                     "Vop1011.dat", "Vop1011.dat"}));
    }

    void keyRule_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<int>("question");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("correct");

        QTest::newRow("g marks answer 2 of question 1") << QByteArray("ggj") << 1 << 2 << true;
        QTest::newRow("g: answer 1 of question 1 is wrong") << QByteArray("ggj") << 1 << 1 << false;
        QTest::newRow("g marks answer 1 of question 2") << QByteArray("ggj") << 2 << 1 << true;
        QTest::newRow("byte 101 matches nothing") << QByteArray("e") << 1 << 0 << false;
        QTest::newRow("byte 107 is answer 6, beyond the labels")
            << QByteArray("k") << 1 << 6 << false;
        QTest::newRow("byte 133 above 127: question 30, answer 3")
            << QByteArray(29, 'x') + "\x85" << 30 << 3 << true;
        QTest::newRow("key shorter than the question number") << QByteArray("g") << 2 << 1 << false;
    }

    void keyRule()
    {
        QFETCH(QByteArray, key);
        QFETCH(int, question);
        QFETCH(int, answer);
        QFETCH(bool, correct);

        QuestionBank bank;
        bank.QuestionCount = 50;
        bank.AnswerKey = key.toStdString();
        QCOMPARE(IsCorrectAnswer(bank, question, answer), correct);
    }

    // The same generator goes on, so the next test of the run gets another order; the shuffle draws
    // from the generator given and from nothing else.
    void shuffleDrawsFromTheGivenGenerator()
    {
        const QByteArray fifty = Bytes(WriteBankBytes(60, NumberedQuestions(50, 2)));
        QuestionBank bank;
        QCOMPARE(LoadGradeFive(bank, fifty), QString());
        const auto first = bank.QuestionOrder;
        QCOMPARE(LoadGradeFive(bank, fifty), QString());
        QVERIFY(IsPermutation(bank));
        QVERIFY(bank.QuestionOrder != first);

        QuestionBank one;
        QuestionBank two;
        std::mt19937 firstGenerator(7);
        std::mt19937 secondGenerator(7);
        ReadTest(one, 0, StartDirectory(), firstGenerator);
        ReadTest(two, 0, StartDirectory(), secondGenerator);
        QVERIFY(one.QuestionOrder == two.QuestionOrder);
        QVERIFY(firstGenerator == secondGenerator);
    }

    // The file dialogs move the current directory; the bank is still found where the program
    // started. A start directory that has gone leaves the bare name to whatever is current.
    void bankIsFoundInTheStartDirectory()
    {
        QTemporaryDir elsewhere;
        WriteBank(QStringLiteral("Vop5.dat"), Bytes(WriteBankBytes(60, {{"start", {"a"}, 1}})));
        WriteBank(QStringLiteral("Vop5.dat"), Bytes(WriteBankBytes(60, {{"elsewhere", {"a"}, 1}})),
                  elsewhere.path());
        QVERIFY(QDir::setCurrent(elsewhere.path()));

        QuestionBank bank;
        ReadTest(bank, 0, StartDirectory(), m_generator);
        QCOMPARE(bank.QuestionTexts[1], std::string("start"));
        QCOMPARE(QDir::currentPath(), QDir(m_start.path()).canonicalPath());

        QVERIFY(QDir::setCurrent(elsewhere.path()));
        ReadTest(bank, 0, StartDirectory() + "/gone", m_generator);
        QCOMPARE(bank.QuestionTexts[1], std::string("elsewhere"));
    }
};

QTEST_GUILESS_MAIN(TestQuestionBank)
#include "tst_questionbank.moc"
