#include "app/handlerguard.h"
#include "quiz/questionbank.h"
#include "runtime/cp1251.h"
#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "support/bankfixtures.h"
#include "support/scripteddialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

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

// Answers of each question joined with "|", so that a table row can list them.
QList<QByteArray> JoinedAnswers(const QuestionBank &bank)
{
    QList<QByteArray> joined;
    for (int i = 1; i <= bank.QuestionCount; ++i) {
        QList<QByteArray> answers;
        for (int k = 1; k <= bank.AnswerCounts[i]; ++k) {
            answers.append(Bytes(bank.AnswerTexts[i][k]));
        }
        joined.append(answers.join('|'));
    }
    return joined;
}

bool IsPermutation(const QuestionBank &bank)
{
    std::vector<int> order(bank.QuestionOrder.begin() + 1,
                           bank.QuestionOrder.begin() + 1 + bank.QuestionCount);
    std::sort(order.begin(), order.end());
    for (int i = 0; i < bank.QuestionCount; ++i) {
        if (order[static_cast<std::size_t>(i)] != i + 1) {
            return false;
        }
    }
    return true;
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

class TestQuestionBank : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_start;
    QString m_previous;
    std::mt19937 m_generator{20000};

    std::string StartDirectory() const { return m_start.path().toStdString(); }

    void WriteBank(const QString &name, const QByteArray &bytes, const QString &folder = {})
    {
        QFile file(QDir(folder.isEmpty() ? m_start.path() : folder).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
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
    }

    void writerRefusesWhatCannotBeABank_data()
    {
        QTest::addColumn<int>("correct");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("text");

        QTest::newRow("no correct answer") << 0 << QStringList{"a", "b"} << "q";
        QTest::newRow("correct beyond the answers") << 3 << QStringList{"a", "b"} << "q";
        QTest::newRow("correct sixth answer")
            << 6 << QStringList{"1", "2", "3", "4", "5", "6"} << "q";
        QTest::newRow("line end in a text") << 1 << QStringList{"a\nb"} << "q";
        QTest::newRow("CR in the question") << 1 << QStringList{"a"} << "q\r";
        QTest::newRow("Ctrl+Z in a text") << 1 << QStringList{"a", QString(QChar(26))} << "q";
        QTest::newRow("# as a later answer") << 1 << QStringList{"a", "#"} << "q";
    }

    void writerRefusesWhatCannotBeABank()
    {
        QFETCH(int, correct);
        QFETCH(QStringList, answers);
        QFETCH(QString, text);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 WriteBankBytes(60, {BankQuestion{text, answers, correct}}));
    }

    void writerRefusesAKeyByteAbove255()
    {
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 WriteBankBytes(60, NumberedQuestions(153, 5)));
    }

    void format_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("timeLeft");
        QTest::addColumn<QList<QByteArray>>("questions");
        QTest::addColumn<QList<QByteArray>>("answers");
        QTest::addColumn<QList<int>>("correct");

        const QList<QByteArray> twoTexts{"first question", "second question"};
        const QList<QByteArray> twoAnswers{"answer one|answer two|answer three", "yes|no"};
        const QList<int> twoCorrect{3, 1};
        QTest::newRow("described example")
            << TwoQuestions << 120 << twoTexts << twoAnswers << twoCorrect;
        QTest::newRow("words after the header numbers")
            << QByteArray(TwoQuestions).replace("2 120", "2 120 seconds in all") << 120 << twoTexts
            << twoAnswers << twoCorrect;
        QTest::newRow("header numbers on two lines")
            << QByteArray(TwoQuestions).replace("2 120", "2\r\n120") << 120 << twoTexts
            << twoAnswers << twoCorrect;
        QTest::newRow("empty line before the header")
            << "\r\n" + TwoQuestions << 120 << twoTexts << twoAnswers << twoCorrect;
        QTest::newRow("hexadecimal header") << QByteArray(TwoQuestions).replace("2 120", "$2 $78")
                                            << 120 << twoTexts << twoAnswers << twoCorrect;
        QTest::newRow("CR line ends") << QByteArray(TwoQuestions).replace("\r\n", "\r") << 120
                                      << twoTexts << twoAnswers << twoCorrect;
        QTest::newRow("no line end after the last #")
            << TwoQuestions.chopped(2) << 120 << twoTexts << twoAnswers << twoCorrect;
        QTest::newRow("anything after the last # is never read")
            << TwoQuestions + "junk\nwith a lone LF\r\n7 7\r\n"
            << 120 << twoTexts << twoAnswers << twoCorrect;
        QTest::newRow("Ctrl+Z after the last #") << TwoQuestions + "\x1a"
                                                                   "junk"
                                                 << 120 << twoTexts << twoAnswers << twoCorrect;
        QTest::newRow("# with a trailing blank is an answer")
            << QByteArray("1 60\r\nh\r\nQ\r\na\r\n# \r\nb\r\n#\r\n") << 60 << QList<QByteArray>{"Q"}
            << QList<QByteArray>{"a|# |b"} << QList<int>{3};
        QTest::newRow("# right after the question is the first answer")
            << QByteArray("1 60\r\ng\r\nQ\r\n#\r\nx\r\n#\r\n") << 60 << QList<QByteArray>{"Q"}
            << QList<QByteArray>{"#|x"} << QList<int>{2};
        QTest::newRow("one answer")
            << QByteArray("1 60\r\nf\r\nQ\r\nonly\r\n#\r\n") << 60 << QList<QByteArray>{"Q"}
            << QList<QByteArray>{"only"} << QList<int>{1};
        QTest::newRow("empty answer and empty question")
            << QByteArray("1 60\r\ng\r\n\r\n\r\nb\r\n#\r\n") << 60 << QList<QByteArray>{""}
            << QList<QByteArray>{"|b"} << QList<int>{2};
        QTest::newRow("five answers")
            << QByteArray("1 60\r\nj\r\nQ\r\n1\r\n2\r\n3\r\n4\r\n5\r\n#\r\n") << 60
            << QList<QByteArray>{"Q"} << QList<QByteArray>{"1|2|3|4|5"} << QList<int>{5};
        QTest::newRow("blanks kept as they are")
            << QByteArray("1 60\r\ng\r\n  Q  \r\n a\r\nb \r\n#\r\n") << 60
            << QList<QByteArray>{"  Q  "} << QList<QByteArray>{" a|b "} << QList<int>{2};
        QTest::newRow("CP1251 text")
            << QByteArray("1 90\r\ng\r\n\xd1\xea\xee\xeb\xfc\xea\xee?\r\n\xcf\xff\xf2\xfc\r\n"
                          "\xd8\xe5\xf1\xf2\xfc\r\n#\r\n")
            << 90 << QList<QByteArray>{"\xd1\xea\xee\xeb\xfc\xea\xee?"}
            << QList<QByteArray>{"\xcf\xff\xf2\xfc|\xd8\xe5\xf1\xf2\xfc"} << QList<int>{2};
        QTest::newRow("short key: the second question has no correct answer")
            << QByteArray(TwoQuestions).replace("hg\r\n", "h\r\n") << 120 << twoTexts << twoAnswers
            << QList<int>{3, 0};
        QTest::newRow("empty key") << QByteArray(TwoQuestions).replace("hg\r\n", "\r\n") << 120
                                   << twoTexts << twoAnswers << QList<int>{0, 0};
        QTest::newRow("key byte out of range") << QByteArray(TwoQuestions).replace("hg", "ha")
                                               << 120 << twoTexts << twoAnswers << QList<int>{3, 0};
    }

    void format()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, timeLeft);
        QFETCH(QList<QByteArray>, questions);
        QFETCH(QList<QByteArray>, answers);
        QFETCH(QList<int>, correct);

        QuestionBank bank;
        QCOMPARE(LoadGradeFive(bank, file), QString());
        QCOMPARE(qsizetype(bank.QuestionCount), questions.size());
        QCOMPARE(bank.TimeLeft, timeLeft);
        QList<QByteArray> texts;
        QList<int> correctAnswers;
        for (int i = 1; i <= bank.QuestionCount; ++i) {
            texts.append(Bytes(bank.QuestionTexts[i]));
            correctAnswers.append(CorrectAnswerOf(bank, i));
        }
        QCOMPARE(texts, questions);
        QCOMPARE(JoinedAnswers(bank), answers);
        QCOMPARE(correctAnswers, correct);
        QVERIFY(IsPermutation(bank));
    }

    void brokenBanks_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("says");

        QTest::newRow("empty file") << QByteArray() << QStringList{"«Vop5.dat» пуст."};
        QTest::newRow("count 0") << QByteArray("0 60\r\n\r\n")
                                 << QStringList{"«Vop5.dat», строка 1:", "число вопросов 0",
                                                "от 1 до 50"};
        QTest::newRow("count 51") << Bytes(WriteBankBytes(60, NumberedQuestions(51, 2)))
                                  << QStringList{"строка 1:", "число вопросов 51"};
        QTest::newRow("count 306 is not taken as its low byte 50")
            << QByteArray(TwoQuestions).replace("2 120", "306 120")
            << QStringList{"число вопросов 306"};
        QTest::newRow("negative count") << QByteArray(TwoQuestions).replace("2 120", "-2 120")
                                        << QStringList{"число вопросов -2"};
        QTest::newRow("count on a later line")
            << QByteArray("\r\n\r\n0 60\r\n") << QStringList{"строка 3:", "число вопросов 0"};
        QTest::newRow("sixth answer") << Bytes(WriteBankBytes(60, NumberedQuestions(1, 6)))
                                      << QStringList{"строка 9:", "у вопроса 1 (строка 3)",
                                                     "больше пяти ответов", "пропущена строка «#»"};
        QTest::newRow("sixth answer of the second question")
            << Bytes(WriteBankBytes(60, {NumberedQuestions(1, 2)[0], NumberedQuestions(2, 6)[1]}))
            << QStringList{"строка 13:", "у вопроса 2 (строка 7)"};
        QTest::newRow("ends before the last #")
            << TwoQuestions.chopped(3)
            << QStringList{"«Vop5.dat» кончился", "у вопроса 2 (строка 8)",
                           "нет завершающей строки «#»"};
        QTest::newRow("Ctrl+Z before the last #")
            << QByteArray(TwoQuestions).replace("no\r\n", "no\x1a\r\n")
            << QStringList{"у вопроса 2 (строка 8)", "нет завершающей строки «#»"};
        QTest::newRow("# with a blank closes nothing")
            << QByteArray("1 60\r\nf\r\nQ\r\na\r\n# \r\n")
            << QStringList{"у вопроса 1 (строка 3)", "нет завершающей строки «#»"};
        QTest::newRow("ends right after a question")
            << QByteArray("1 60\r\ng\r\nQ") << QStringList{"у вопроса 1 (строка 3)"};
        QTest::newRow("lines end in LF alone")
            << QByteArray(TwoQuestions).replace("\r\n", "\n")
            << QStringList{"«Vop5.dat», строка 1:", "строки разделены только символом LF", "CR LF"};
        QTest::newRow("one answer line ends in LF alone")
            << QByteArray(TwoQuestions).replace("answer two\r\n", "answer two\n")
            << QStringList{"строка 5:", "только символом LF"};
        QTest::newRow("more questions counted than written")
            << QByteArray(TwoQuestions).replace("2 120", "3 120")
            << QStringList{"указано число вопросов 3", "найдено только 2"};
        QTest::newRow("header alone")
            << QByteArray("1 60") << QStringList{"указано число вопросов 1", "найдено только 0"};
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

    // What the teacher sees: the message in the error box, with no second full stop.
    void brokenBankInTheErrorBox()
    {
        WriteBank(QStringLiteral("Vop5.dat"), "0 60\r\n");
        ScriptedDialogs dialogs;
        QuestionBank bank;
        RunGuarded(dialogs, [&] { ReadTest(bank, 0, StartDirectory(), m_generator); });
        QCOMPARE(dialogs.texts(),
                 QStringList{"Файл вопросов «Vop5.dat», строка 1: число вопросов 0, а должно быть "
                             "от 1 до 50."});
    }

    void ioErrors_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("timeLeft");

        QTest::newRow("missing bank") << QByteArray() << 2 << 120;
        QTest::newRow("header not a number") << QByteArray("abc 90\r\nhg\r\n") << 106 << 90;
        QTest::newRow("count with a decimal point") << QByteArray("2.5 90\r\nhg\r\n") << 106 << 90;
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

    void gradesShareFiles_data()
    {
        QTest::addColumn<int>("grade");
        QTest::addColumn<QString>("file");
        QTest::newRow("5") << 0 << "Vop5.dat";
        QTest::newRow("6") << 1 << "Vop67.dat";
        QTest::newRow("7") << 2 << "Vop67.dat";
        QTest::newRow("8") << 3 << "Vop89.dat";
        QTest::newRow("9") << 4 << "Vop89.dat";
        QTest::newRow("10") << 5 << "Vop1011.dat";
        QTest::newRow("11") << 6 << "Vop1011.dat";
    }

    void gradesShareFiles()
    {
        QFETCH(int, grade);
        QFETCH(QString, file);
        for (const QString name : {"Vop5.dat", "Vop67.dat", "Vop89.dat", "Vop1011.dat"}) {
            WriteBank(name, Bytes(WriteBankBytes(60, {{name, {"a", "b"}, 1}})));
        }
        QuestionBank bank;
        ReadTest(bank, static_cast<std::uint8_t>(grade), StartDirectory(), m_generator);
        QCOMPARE(QString::fromStdString(bank.QuestionTexts[1]), file);
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
        QTest::newRow("j marks answer 3 of question 3") << QByteArray("ggj") << 3 << 3 << true;
        QTest::newRow("j: answer 4 of question 3 is wrong") << QByteArray("ggj") << 3 << 4 << false;
        QTest::newRow("lowest byte, 102") << QByteArray("f") << 1 << 1 << true;
        QTest::newRow("byte 101 matches nothing") << QByteArray("e") << 1 << 0 << false;
        QTest::newRow("byte below 100 + i, negative difference")
            << QByteArray("a") << 1 << -4 << false;
        QTest::newRow("byte 107 is answer 6, beyond the labels")
            << QByteArray("k") << 1 << 6 << false;
        QTest::newRow("byte 133 above 127: question 30, answer 3")
            << QByteArray(29, 'x') + "\x85" << 30 << 3 << true;
        QTest::newRow("byte 155: question 50, answer 5")
            << QByteArray(49, 'x') + "\x9b" << 50 << 5 << true;
        QTest::newRow("byte 255 matches nothing")
            << QByteArray(49, 'x') + "\xff" << 50 << 5 << false;
        QTest::newRow("key shorter than the question number") << QByteArray("g") << 2 << 1 << false;
        QTest::newRow("empty key") << QByteArray() << 1 << 2 << false;
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

    void cyrillicRoundTrip()
    {
        const std::vector<BankQuestion> questions{
            {QStringLiteral("Какое слово — наречие?"),
             {QStringLiteral("быстрый"), QStringLiteral("быстро"), QStringLiteral("Ёлка №1")},
             2}};
        QuestionBank bank;
        QCOMPARE(LoadGradeFive(bank, Bytes(WriteBankBytes(60, questions))), QString());
        QCOMPARE(FromCp1251(bank.QuestionTexts[1]), questions[0].text);
        QCOMPARE(FromCp1251(bank.AnswerTexts[1][3]), QStringLiteral("Ёлка №1"));
        QVERIFY(IsCorrectAnswer(bank, 1, 2));
    }

    void oneQuestionIsAskedFirst()
    {
        QuestionBank bank;
        QCOMPARE(LoadGradeFive(bank, Bytes(WriteBankBytes(60, NumberedQuestions(1, 2)))),
                 QString());
        QCOMPARE(int(bank.QuestionOrder[1]), 1);
    }

    void shuffleOfFiftyGivesEveryNumberOnce()
    {
        QuestionBank bank;
        const QByteArray fifty = Bytes(WriteBankBytes(60, NumberedQuestions(50, 2)));
        QCOMPARE(LoadGradeFive(bank, fifty), QString());
        QVERIFY(IsPermutation(bank));
        const auto first = bank.QuestionOrder;

        // The same generator goes on, so the next test of the run gets another order.
        QCOMPARE(LoadGradeFive(bank, fifty), QString());
        QVERIFY(IsPermutation(bank));
        QVERIFY(bank.QuestionOrder != first);
    }

    void shuffleDrawsFromTheGivenGenerator()
    {
        const QByteArray bytes = Bytes(WriteBankBytes(60, NumberedQuestions(20, 2)));
        WriteBank(QStringLiteral("Vop5.dat"), bytes);
        QuestionBank one;
        QuestionBank two;
        std::mt19937 first(7);
        std::mt19937 second(7);
        ReadTest(one, 0, StartDirectory(), first);
        ReadTest(two, 0, StartDirectory(), second);
        QVERIFY(one.QuestionOrder == two.QuestionOrder);
        QVERIFY(first == second);
    }

    // The file dialogs move the current directory; the bank is still found where the program
    // started.
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
    }

    // A start directory that has gone: the bare name resolves against whatever is current.
    void removedStartDirectory()
    {
        QTemporaryDir elsewhere;
        QTemporaryDir gone;
        const std::string goneStart = gone.path().toStdString();
        QVERIFY(gone.remove());
        QVERIFY(QDir::setCurrent(elsewhere.path()));

        QuestionBank bank;
        QVERIFY_THROWS_EXCEPTION(EInOutError, ReadTest(bank, 0, goneStart, m_generator));
        WriteBank(QStringLiteral("Vop5.dat"), Bytes(WriteBankBytes(60, {{"current", {"a"}, 1}})),
                  elsewhere.path());
        ReadTest(bank, 0, goneStart, m_generator);
        QCOMPARE(bank.QuestionTexts[1], std::string("current"));
    }

    void shippedBanks_data()
    {
        QTest::addColumn<int>("grade");
        QTest::newRow("Vop5.dat") << 0;
        QTest::newRow("Vop67.dat") << 1;
        QTest::newRow("Vop89.dat") << 3;
        QTest::newRow("Vop1011.dat") << 5;
    }

    void shippedBanks()
    {
        QFETCH(int, grade);
        QuestionBank bank;
        ReadTest(bank, static_cast<std::uint8_t>(grade), ORTUS_SOURCE_DIR "/data", m_generator);
        QVERIFY(bank.QuestionCount >= 15);
        QVERIFY(bank.TimeLeft >= 60 * bank.QuestionCount / 2);
        QCOMPARE(bank.AnswerKey.size(), std::size_t{bank.QuestionCount});
        for (int i = 1; i <= bank.QuestionCount; ++i) {
            const QString where = QStringLiteral("question %1").arg(i);
            QVERIFY2(!bank.QuestionTexts[i].empty(), qPrintable(where));
            QVERIFY2(bank.AnswerCounts[i] >= 2 && bank.AnswerCounts[i] <= MaxAnswers,
                     qPrintable(where));
            const int correct = CorrectAnswerOf(bank, i);
            QVERIFY2(correct >= 1 && correct <= bank.AnswerCounts[i], qPrintable(where));
            for (int k = 1; k <= bank.AnswerCounts[i]; ++k) {
                QVERIFY2(!bank.AnswerTexts[i][k].empty(), qPrintable(where));
            }
        }
        QVERIFY(IsPermutation(bank));
    }
};

QTEST_GUILESS_MAIN(TestQuestionBank)
#include "tst_questionbank.moc"
