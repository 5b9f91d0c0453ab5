#include "quiz/questionbank.h"
#include "runtime/cp1251.h"
#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "support/bankfixtures.h"
#include "support/startdirectory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <numeric>

namespace {

QByteArray Bytes(const std::string &bytes)
{
    return QByteArray::fromStdString(bytes);
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

} // namespace

Q_DECLARE_METATYPE(std::vector<BankQuestion>)

class TestQuestionBank : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_start;
    QString m_previous;
    std::mt19937 m_generator{20000};

    std::string StartDirectory() const { return m_start.path().toStdString(); }

    void WriteBank(const QString &name, const QByteArray &bytes, const QString &folder = {})
    {
        WriteFixtureFile(QDir(folder.isEmpty() ? m_start.path() : folder).filePath(name), bytes);
    }

    // Loads grade 5's bank holding the bytes; the message of a BankFormatError, or "" on success.
    QString LoadGradeFive(QuestionBank &bank, const QByteArray &bytes)
    {
        WriteBank(QStringLiteral("Vop5.dat"), bytes);
        try {
            ReadTest(bank, 0, StartDirectory(), m_generator);
        } catch (const BankFormatError &error) {
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

    void writerMakesTheDescribedBytes()
    {
        const std::string twoQuestions = WriteBankBytes(
            120, {{"first question", {"answer one", "answer two", "answer three"}, 3},
                  {"second question", {"yes", "no"}, 1}});
        QCOMPARE(Bytes(twoQuestions), TwoQuestions);

        const std::string ggj = WriteBankBytes(
            60, {{"a", {"1", "2"}, 2}, {"b", {"1", "2"}, 1}, {"c", {"1", "2", "3"}, 3}});
        QCOMPARE(Bytes(ggj).split('\n').at(1), QByteArray("ggj\r"));

        // Texts go out in code page 1251.
        QCOMPARE(
            Bytes(WriteBankBytes(60, {{QStringLiteral("Ёлка №1"), {QStringLiteral("да")}, 1}})),
            QByteArray("1 60\r\nf\r\n\xa8\xeb\xea\xe0 \xb9"
                       "1\r\n\xe4\xe0\r\n#\r\n"));
    }

    void writerRefusesWhatCannotBeABank_data()
    {
        using Questions = std::vector<BankQuestion>;
        QTest::addColumn<Questions>("questions");

        QTest::newRow("no correct answer") << Questions{{"q", {"a", "b"}, 0}};
        QTest::newRow("correct beyond the answers") << Questions{{"q", {"a", "b"}, 3}};
        QTest::newRow("correct sixth answer")
            << Questions{{"q", {"1", "2", "3", "4", "5", "6"}, 6}};
        QTest::newRow("LF in an answer") << Questions{{"q", {"a\nb"}, 1}};
        QTest::newRow("CR in the question") << Questions{{"q\r", {"a"}, 1}};
        QTest::newRow("Ctrl+Z in an answer") << Questions{{"q", {"a", QString(QChar(26))}, 1}};
        QTest::newRow("# as a later answer") << Questions{{"q", {"a", "#"}, 1}};
        // Question 153's fifth answer would need key byte 258.
        QTest::newRow("key byte above 255") << NumberedQuestions(153, 5);
    }

    void writerRefusesWhatCannotBeABank()
    {
        QFETCH(std::vector<BankQuestion>, questions);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, WriteBankBytes(60, questions));
    }

    void format_data()
    {
        using Texts = QList<QByteArray>;
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Texts>("questions");

        const QByteArray two = TwoQuestions;
        const QByteArray first = "first question: answer one|answer two|answer three = 3";
        const Texts both{first, "second question: yes|no = 1"};
        QTest::newRow("described example") << two << both;
        QTest::newRow("words after the header numbers")
            << QByteArray(two).replace("2 120", "2 120 seconds in all") << both;
        QTest::newRow("no line end after the last #") << two.chopped(2) << both;
        QTest::newRow("anything after the last # is never read")
            << two + "junk\nwith a lone LF\r\n7 7\r\n"
            << both;
        QTest::newRow("short key: the second question has no correct answer")
            << QByteArray(two).replace("hg\r\n", "h\r\n")
            << Texts{first, "second question: yes|no = 0"};
        QTest::newRow("# with a trailing blank is an answer")
            << QByteArray("1 60\r\nh\r\nQ\r\na\r\n# \r\nb\r\n#\r\n") << Texts{"Q: a|# |b = 3"};
        QTest::newRow("# right after the question is the first answer")
            << QByteArray("1 60\r\ng\r\nQ\r\n#\r\nx\r\n#\r\n") << Texts{"Q: #|x = 2"};
        QTest::newRow("one answer")
            << QByteArray("1 60\r\nf\r\nQ\r\nonly\r\n#\r\n") << Texts{"Q: only = 1"};
        QTest::newRow("five answers")
            << QByteArray("1 60\r\nj\r\nQ\r\n1\r\n2\r\n3\r\n4\r\n5\r\n#\r\n")
            << Texts{"Q: 1|2|3|4|5 = 5"};
        QTest::newRow("blanks kept, empty texts allowed")
            << QByteArray("1 60\r\ng\r\n  Q  \r\n\r\nb \r\n#\r\n") << Texts{"  Q  : |b  = 2"};
    }

    // Each question as "text: answer|answer = number of the correct one".
    void format()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<QByteArray>, questions);

        QuestionBank bank;
        QCOMPARE(LoadGradeFive(bank, file), QString());
        QList<QByteArray> read;
        for (int i = 1; i <= bank.QuestionCount; ++i) {
            QList<QByteArray> answers;
            for (int k = 1; k <= bank.AnswerCounts[i]; ++k) {
                answers.append(Bytes(bank.AnswerTexts[i][k]));
            }
            read.append(Bytes(bank.QuestionTexts[i]) + ": " + answers.join('|') + " = " +
                        QByteArray::number(CorrectAnswerOf(bank, i)));
        }
        QCOMPARE(read, questions);
        QVERIFY(IsPermutation(bank));
    }

    void brokenBanks_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("says");

        const QByteArray two = TwoQuestions;
        QTest::newRow("empty file") << QByteArray() << QStringList{"«Vop5.dat» пуст."};
        QTest::newRow("count 0 on line 3")
            << QByteArray("\r\n\r\n0 60\r\n")
            << QStringList{"«Vop5.dat», строка 3:", "число вопросов 0", "от 1 до 50"};
        QTest::newRow("count 51") << Bytes(WriteBankBytes(60, NumberedQuestions(51, 2)))
                                  << QStringList{"строка 1:", "число вопросов 51"};
        QTest::newRow("count 306 is not taken as its low byte 50")
            << QByteArray(two).replace("2 120", "306 120") << QStringList{"число вопросов 306"};
        QTest::newRow("sixth answer of the second question")
            << Bytes(WriteBankBytes(60, {NumberedQuestions(1, 2)[0], NumberedQuestions(2, 6)[1]}))
            << QStringList{"строка 13:", "у вопроса 2 (строка 7)", "больше пяти ответов",
                           "пропущена строка «#»"};
        QTest::newRow("ends before the last #")
            << two.chopped(3)
            << QStringList{"«Vop5.dat» кончился", "у вопроса 2 (строка 8)",
                           "нет завершающей строки «#»"};
        QTest::newRow("# with a blank closes nothing")
            << QByteArray("1 60\r\nf\r\nQ\r\na\r\n# \r\n")
            << QStringList{"у вопроса 1 (строка 3)", "нет завершающей строки «#»"};
        QTest::newRow("ends right after a question")
            << QByteArray("1 60\r\ng\r\nQ") << QStringList{"у вопроса 1 (строка 3)"};
        QTest::newRow("lines end in LF alone")
            << QByteArray(two).replace("\r\n", "\n")
            << QStringList{"«Vop5.dat», строка 1:", "строки разделены только символом LF", "CR LF"};
        QTest::newRow("one answer line ends in LF alone")
            << QByteArray(two).replace("answer two\r\n", "answer two\n")
            << QStringList{"строка 5:", "только символом LF"};
        QTest::newRow("more questions counted than written")
            << QByteArray(two).replace("2 120", "3 120")
            << QStringList{"указано число вопросов 3", "найдено только 2"};
    }

    void brokenBanks()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, says);

        QuestionBank bank;
        const QString message = LoadGradeFive(bank, file);
        QVERIFY2(!message.isEmpty(), "the broken bank loaded");
        for (const QString &part : says) {
            QVERIFY2(message.contains(part), qPrintable(message));
        }
        for (const std::uint8_t count : bank.AnswerCounts) {
            QVERIFY(count <= MaxAnswers);
        }
        // The file is released: the teacher can fix it while the program runs.
        TextFile writer(m_start.filePath("Vop5.dat").toStdString());
        writer.OpenForRewriting();
        writer.CloseFile();
        QCOMPARE(PendingIoCode(), 0);
    }

    void ioErrors_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("timeLeft");

        QTest::newRow("missing bank") << QByteArray() << 2 << 120;
        QTest::newRow("header not a number") << QByteArray("abc 90\r\nhg\r\n") << 106 << 90;
        QTest::newRow("bank is a directory") << QByteArray("<directory>") << 5 << 120;
    }

    // A failed load leaves the earlier bank's values where nothing new was stored.
    void ioErrors()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, code);
        QFETCH(int, timeLeft);

        QuestionBank bank;
        QCOMPARE(LoadGradeFive(bank, TwoQuestions), QString());
        QVERIFY(QFile::remove(m_start.filePath("Vop5.dat")));
        if (file == "<directory>") {
            QVERIFY(QDir(m_start.path()).mkdir("Vop5.dat"));
        } else if (!file.isEmpty()) {
            WriteBank(QStringLiteral("Vop5.dat"), file);
        }
        try {
            ReadTest(bank, 0, StartDirectory(), m_generator);
            QFAIL("no error raised");
        } catch (const EInOutError &error) {
            QCOMPARE(error.Code(), code);
        }
        QDir(m_start.path()).rmdir("Vop5.dat");
        QCOMPARE(bank.TimeLeft, timeLeft);
        QCOMPARE(bank.QuestionTexts[2], std::string("second question"));
        QCOMPARE(bank.AnswerKey, std::string("hg"));
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
        QTest::newRow("question 0") << QByteArray("ggj") << 0 << 3 << false;
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

    void fullCapacity()
    {
        QuestionBank bank;
        QCOMPARE(LoadGradeFive(bank, Bytes(WriteBankBytes(3000, NumberedQuestions(50, 5)))),
                 QString());
        QCOMPARE(int(bank.QuestionCount), 50);
        QCOMPARE(bank.TimeLeft, 3000);
        QCOMPARE(static_cast<unsigned char>(bank.AnswerKey.back()), 155);
        for (int i = 1; i <= 50; ++i) {
            QCOMPARE(int(bank.AnswerCounts[i]), 5);
            QCOMPARE(CorrectAnswerOf(bank, i), (i - 1) % 5 + 1);
            QCOMPARE(bank.AnswerTexts[i][5], QStringLiteral("answer %1.5").arg(i).toStdString());
        }
        QVERIFY(IsPermutation(bank));
    }

    // The same generator goes on, so the next test of the run gets another order; the shuffle draws
    // from the generator given and from nothing else.
    void shuffleDrawsFromTheGivenGenerator()
    {
        const QByteArray fifty = Bytes(WriteBankBytes(60, NumberedQuestions(50, 2)));
        QuestionBank bank;
        QCOMPARE(LoadGradeFive(bank, fifty), QString());
        QVERIFY(IsPermutation(bank));
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

    // The shipped banks load, each question with its one correct answer among its answers.
    void shippedBanks()
    {
        for (const int grade : {0, 1, 3, 5}) {
            QuestionBank bank;
            ReadTest(bank, static_cast<std::uint8_t>(grade), ORTUS_SOURCE_DIR "/data", m_generator);
            QVERIFY(bank.QuestionCount >= 15);
            for (int i = 1; i <= bank.QuestionCount; ++i) {
                const int correct = CorrectAnswerOf(bank, i);
                QVERIFY2(correct >= 1 && correct <= bank.AnswerCounts[i], BankFileNames.at(grade));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestQuestionBank)
#include "tst_questionbank.moc"
