#include "quiz/testrun.h"
#include "runtime/cp1251.h"
#include "support/bankfixtures.h"
#include "support/startdirectory.h"

#include <QDir>
#include <QSet>
#include <QTest>

#include <algorithm>

using Outcome = TestRun::Outcome;

namespace {

QByteArray Bank(int timeLimit)
{
    return QByteArray::fromStdString(WriteBankBytes(timeLimit, ThreeQuestions()));
}

// The three questions' key line is "ggl": correct answers 2, 1 and 5.
QByteArray BankWithKey(const QByteArray &key)
{
    return Bank(600).replace("\r\nggl\r\n", "\r\n" + key + "\r\n");
}

} // namespace

// One test of a pupil of grade "7" (the bank Vop67.dat), driven step by step: every way a test
// ends and how it scores.
class TestRunTest : public QObject {
    Q_OBJECT

private slots:
    void endingsAndScoring_data()
    {
        using enum TestRun::Outcome;
        // The bank file (none when empty); the answer given to questions 1, 2 and 3 whenever each
        // is asked; the steps: a answers, t ticks, g gives up ("Закончить тест?" confirmed, also by
        // closing the window); what each step gives; then the score, the time left and whether the
        // test leaves a record.
        QTest::addColumn<QByteArray>("bank");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QList<Outcome>>("outcomes");
        QTest::addColumn<int>("score");
        QTest::addColumn<int>("timeLeft");
        QTest::addColumn<bool>("recorded");

        const auto row = [](const char *name, const QByteArray &bank, const QList<int> &answers,
                            const char *steps, const QList<Outcome> &outcomes, int score,
                            int timeLeft, bool recorded = true) {
            QTest::newRow(name) << bank << answers << QString(steps) << outcomes << score
                                << timeLeft << recorded;
        };
        const QList<int> right{2, 1, 5};
        row("last answer ends the test", Bank(600), right, "aaa", {GoesOn, GoesOn, Completed}, 3,
            600);
        row("one wrong of three", Bank(600), {2, 2, 5}, "aaa", {GoesOn, GoesOn, Completed}, 2, 600);
        row("nothing counts after the end", Bank(600), right, "aaaatg",
            {GoesOn, GoesOn, Completed, Ignored, Ignored, Ignored}, 3, 600);
        row("countdown reaches zero", Bank(2), right, "att", {GoesOn, GoesOn, TimedOut}, 1, 0);
        row("time limit 0 ends at the first tick", Bank(0), right, "t", {TimedOut}, 0, -1);
        row("negative time limit ends at the first tick", Bank(-5), right, "t", {TimedOut}, 0, -6);
        row("given up after one answer", Bank(600), right, "ag", {GoesOn, GivenUp}, 1, 600);
        row("time-out while the question is open: the confirmation ends nothing", Bank(1), right,
            "tg", {TimedOut, Ignored}, 0, 0);
        row("closing after giving up ends nothing", Bank(600), right, "gg", {GivenUp, Ignored}, 0,
            600);
        row("key byte naming no answer: question 2 always wrong", BankWithKey("g\x01l"), right,
            "aaa", {GoesOn, GoesOn, Completed}, 2, 600);
        row("key shorter than the bank: question 3 always wrong", BankWithKey("gg"), right, "aaa",
            {GoesOn, GoesOn, Completed}, 2, 600);
        // A test whose bank did not load can only be given up, and it leaves no record.
        row("missing bank", {}, right, "atg", {Ignored, Ignored, GivenUp}, 0, 0, false);
        row("no usable bank", "0 600\r\nx\r\n", right, "atg", {Ignored, Ignored, GivenUp}, 0, 0,
            false);
    }

    void endingsAndScoring()
    {
        QFETCH(QByteArray, bank);
        QFETCH(QList<int>, answers);
        QFETCH(QString, steps);
        QFETCH(QList<Outcome>, outcomes);
        QFETCH(int, score);
        QFETCH(int, timeLeft);
        QFETCH(bool, recorded);

        const StartDirectoryFixture start{QStringList()};
        if (!bank.isEmpty()) {
            start.WriteFile(QStringLiteral("Vop67.dat"), bank);
        }
        TestRun run;
        // An earlier pupil's test must not show through.
        run.State().Score = 7;
        run.State().CurrentPosition = 2;
        const std::string name = ToCp1251(QStringLiteral("Петров Пётр"));
        const std::string group = ToCp1251(QStringLiteral("7А"));
        run.Begin(name, 2, group);
        QVERIFY(run.Running());
        bool loaded = true;
        try {
            run.ReadTest(start.path().toStdString());
            run.Layout();
        } catch (const std::exception &) {
            loaded = false;
        }
        QCOMPARE(loaded, recorded);

        QList<Outcome> given;
        for (const QChar step : steps) {
            if (step == 'a') {
                given.append(run.Answer(answers.value(run.CurrentQuestion() - 1)));
            } else {
                given.append(step == 't' ? run.Tick() : run.GiveUp());
            }
        }
        QCOMPARE(given, outcomes);
        QCOMPARE(int(run.State().Score), score);
        QCOMPARE(run.Running(), std::none_of(given.begin(), given.end(), [](Outcome outcome) {
                     return outcome != Outcome::GoesOn && outcome != Outcome::Ignored;
                 }));
        if (!loaded) {
            QVERIFY(!run.Record());
            return;
        }
        QCOMPARE(run.State().Bank.TimeLeft, timeLeft);
        QVERIFY(run.Record());
        QCOMPARE(ResultRecordBytes(*run.Record()), ResultRecordBytes({name, "7", group, score}));
    }

    // What the detail record is made of: how the test ended, every question in asking order with
    // the answer chosen (none for those not reached), the seconds used.
    void factsOfAnEndedTest_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<TestEnding>("ending");
        QTest::addColumn<QList<int>>("chosen");
        QTest::addColumn<int>("timeUsed");
        QTest::newRow("all answered")
            << "atata" << TestEnding::AllAnswered << QList<int>{2, 1, 5} << 2;
        QTest::newRow("finished early")
            << "atg" << TestEnding::FinishedEarly << QList<int>{2, 0, 0} << 1;
        QTest::newRow("window closed")
            << "ttc" << TestEnding::WindowClosed << QList<int>{0, 0, 0} << 2;
        QTest::newRow("time out") << "attt" << TestEnding::TimeOut << QList<int>{2, 0, 0} << 3;
    }

    void factsOfAnEndedTest()
    {
        QFETCH(QString, steps);
        QFETCH(TestEnding, ending);
        QFETCH(QList<int>, chosen);
        QFETCH(int, timeUsed);

        const std::string bytes = WriteBankBytes(3, ThreeQuestions());
        TestRun run;
        run.Seed(7);
        run.Begin("p", 0, "g");
        run.ReadTestBytes("Vop5.dat", bytes);
        run.Layout();
        const QList<int> right{2, 1, 5};
        QList<int> asked;
        for (const QChar step : steps) {
            if (step == 'a') {
                asked.append(run.CurrentQuestion());
                run.Answer(right.value(run.CurrentQuestion() - 1));
            } else if (step == 't') {
                run.Tick();
            } else {
                run.GiveUp(step == 'g' ? TestEnding::FinishedEarly : TestEnding::WindowClosed);
            }
        }
        const std::optional<TestFacts> facts = run.Facts();
        QVERIFY(facts);
        QCOMPARE(facts->bankFileName, std::string("Vop5.dat"));
        QCOMPARE(facts->bankHash, ShortHash(bytes));
        QCOMPARE(facts->questionCount, 3);
        QCOMPARE(facts->timeLimitSeconds, 3);
        QCOMPARE(facts->timeUsedSeconds, timeUsed);
        QCOMPARE(facts->ending, ending);
        QCOMPARE(facts->shown.size(), std::size_t{3});
        QList<int> order;
        for (std::size_t p = 0; p < facts->shown.size(); ++p) {
            order.append(facts->shown[p].bankNumber);
            const int question = facts->shown[p].bankNumber;
            QCOMPARE(facts->shown[p].chosenAnswer,
                     chosen[static_cast<int>(p)] == 0 ? 0 : right.value(question - 1));
        }
        QCOMPARE(order.mid(0, asked.size()), asked);
        QCOMPARE(QSet<int>(order.begin(), order.end()), (QSet<int>{1, 2, 3}));
    }

    // The engine reads the bank of the directory it is given and never changes the current one.
    void readsTheGivenDirectory()
    {
        const StartDirectoryFixture start{QStringList()};
        start.WriteFile(QStringLiteral("Vop1011.dat"),
                        QByteArray::fromStdString(WriteBankBytes(60, ThreeQuestions())));
        const QString elsewhere = QDir::tempPath();
        QDir::setCurrent(elsewhere);
        TestRun run;
        run.Begin("p", 6, "g");
        run.ReadTest(start.path().toStdString());
        run.Layout();
        QCOMPARE(QDir::currentPath(), QDir(elsewhere).canonicalPath());
        QCOMPARE(run.TimeLeft(), 60);
        const TestPage page = run.Page();
        QCOMPARE(page.position, 1);
        const BankQuestion &shown =
            ThreeQuestions()[static_cast<std::size_t>(run.CurrentQuestion() - 1)];
        QCOMPARE(page.question, shown.text);
        QCOMPARE(page.answers, shown.answers);
    }

    void countingButtons_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("bothButtons");
        QTest::addColumn<bool>("counts");
        QTest::newRow("left") << Qt::LeftButton << false << true;
        QTest::newRow("right, left only") << Qt::RightButton << false << false;
        QTest::newRow("right, both buttons") << Qt::RightButton << true << true;
        QTest::newRow("middle, both buttons") << Qt::MiddleButton << true << false;
    }

    void countingButtons()
    {
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, bothButtons);
        QFETCH(bool, counts);
        QCOMPARE(IsCountingButton(button, bothButtons), counts);
    }
};

QTEST_MAIN(TestRunTest)
#include "tst_testrun.moc"
