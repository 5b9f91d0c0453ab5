#include "app/tform1.h"
#include "effectlabel/effectlabel.h"
#include "platform/statuspanels.h"
#include "platform/stretchedimage.h"
#include "quiz/questionbank.h"
#include "runtime/cp1251.h"
#include "support/bankfixtures.h"
#include "support/scripteddialogs.h"
#include "support/startdirectory.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

// Counts paints of a widget, so moves that change nothing can be shown to repaint nothing.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

class TestRunTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void wholeTestByMouse();
    void allWrongScoresZero();
    void questionScreenShowsAnswers();
    void countdownEndsTheTest();
    void timeLimitZeroEndsAtFirstTick();
    void cancelledFinishKeepsTheTestRunning();
    void finishButtonEndsTheTest();
    void timeOutWhileFinishQuestionIsOpenEndsOnce();
    void timeOutWhileCloseQuestionIsOpenEndsOnce();
    void closingDuringTestAppendsTheRecord();
    void buttons_data();
    void buttons();
    void pressFlattensAndReleaseAnswers();
    void hoverEnlargesOnlyTheAnswerUnderThePointer();
    void movesRepaintOnlyTheAnswersTheyChange_data();
    void movesRepaintOnlyTheAnswersTheyChange();
    void missingBankLeavesTestModeWithoutRecord();
    void brokenBankIsReportedClearly();
    void missingLogIsReportedAndStaysInRegistration();
    void gradesSharingABankRecordTheirOwnGrade();

private:
    void Start(int timeLimit = 600, int grade = 0);
    void AnswerCurrent(bool correct, Qt::MouseButton button = Qt::LeftButton);
    TEffectLabel *Label(int n) const
    {
        return m_form->AnswerLabels[static_cast<std::size_t>(n - 1)];
    }
    int CurrentQuestion() const
    {
        return m_form->Quiz().Bank.QuestionOrder[m_form->Quiz().CurrentPosition];
    }
    QByteArray Log() const { return m_start->ReadFile(QStringLiteral("Results.txt")); }
    int RecordCount() const { return static_cast<int>(Log().count("\r\n\r\n")); }

    std::unique_ptr<StartDirectoryFixture> m_start;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<TForm1> m_form;
};

void TestRunTest::init()
{
    m_start = std::make_unique<StartDirectoryFixture>(ShippedStartDirectory());
    m_dialogs = ScriptedDialogs();
}

void TestRunTest::cleanup()
{
    m_form.reset();
    m_start.reset();
}

void TestRunTest::Start(int timeLimit, int grade)
{
    const std::string bank = WriteBankBytes(timeLimit, ThreeQuestions());
    for (const char *name : {"Vop5.dat", "Vop67.dat"}) {
        m_start->WriteFile(QString::fromLatin1(name), QByteArray::fromStdString(bank));
    }
    m_form = std::make_unique<TForm1>(m_dialogs);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QTest::mouseClick(m_form->Memo1->viewport(), Qt::LeftButton);
    m_form->Edit1->setText(QStringLiteral("Петров Пётр"));
    m_form->ComboBox1->setCurrentIndex(grade);
    m_form->Edit3->setText(QStringLiteral("7А"));
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QVERIFY(m_form->TestRunning());
}

void TestRunTest::AnswerCurrent(bool correct, Qt::MouseButton button)
{
    const int right = ThreeQuestions()[static_cast<std::size_t>(CurrentQuestion() - 1)].correct;
    const int n = correct ? right : (right == 1 ? 2 : 1);
    QTest::mouseClick(Label(n), button, {}, QPoint(20, 20));
}

void TestRunTest::wholeTestByMouse()
{
    Start();
    QVERIFY(m_form->Timer1->isActive());
    AnswerCurrent(true);
    AnswerCurrent(false);
    QVERIFY(m_form->Timer1->isActive());
    AnswerCurrent(true);

    QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("Тест завершен")});
    QVERIFY(!m_form->Timer1->isActive());
    QVERIFY(!m_form->TestRunning());
    QCOMPARE(m_form->Label1->text(), QStringLiteral("Ваш результат в баллах: 2"));
    QVERIFY(m_form->Label1->isVisible());
    QCOMPARE(m_form->size(), QSize(600, 350));
    QVERIFY(m_form->Button1->isVisible());
    QCOMPARE(m_form->ComboBox1->currentText(), QStringLiteral("5"));
    QCOMPARE(m_form->StatusBar1->PanelText(0), QString());
    // The shipped log holds one empty line; the record follows it.
    QCOMPARE(Log(), QByteArray("\r\n\r\n\xCF\xE5\xF2\xF0\xEE\xE2 \xCF\xB8\xF2\xF0\r\n"
                               "\xCA\xEB\xE0\xF1\xF1: 5\r\n"
                               "\xDE\xC3\xCF: 7\xC0\r\n"
                               "\xD0\xE5\xE7\xF3\xEB\xFC\xF2\xE0\xF2: 2\r\n"));
}

void TestRunTest::allWrongScoresZero()
{
    Start();
    for (int i = 0; i < 3; ++i) {
        AnswerCurrent(false);
    }
    QCOMPARE(m_form->Label1->text(), QStringLiteral("Ваш результат в баллах: 0"));
    QVERIFY(Log().endsWith("\xD0\xE5\xE7\xF3\xEB\xFC\xF2\xE0\xF2: 0\r\n"));
}

void TestRunTest::questionScreenShowsAnswers()
{
    Start(60);
    QCOMPARE(m_form->StatusBar1->PanelText(0), QStringLiteral("Время: 60"));
    for (int position = 1; position <= 3; ++position) {
        QCOMPARE(m_form->StatusBar1->PanelText(1), QStringLiteral("Вопрос: %1").arg(position));
        const QuestionBank &bank = m_form->Quiz().Bank;
        const int q = CurrentQuestion();
        QCOMPARE(m_form->Label1->text(),
                 FromCp1251(bank.QuestionTexts[static_cast<std::size_t>(q)]));
        for (int n = 1; n <= 5; ++n) {
            QCOMPARE(Label(n)->isVisible(), n <= bank.AnswerCounts[static_cast<std::size_t>(q)]);
        }
        if (q == 2) {
            QCOMPARE(m_form->Label1->text(), QStringLiteral("Столица России?"));
            QCOMPARE(Label(1)->Caption(), QStringLiteral("Москва"));
            QCOMPARE(Label(2)->Caption(), QStringLiteral("Тула"));
        }
        if (position < 3) {
            AnswerCurrent(true);
        }
    }
}

void TestRunTest::countdownEndsTheTest()
{
    Start(60);
    for (int tick = 1; tick < 60; ++tick) {
        m_form->Timer1Timer();
        QCOMPARE(m_form->StatusBar1->PanelText(0), QStringLiteral("Время: %1").arg(60 - tick));
        QVERIFY(m_form->TestRunning());
    }
    QVERIFY(m_dialogs.shown().isEmpty());
    m_dialogs.WhileNextBoxIsOpen([this] {
        QCOMPARE(m_form->StatusBar1->PanelText(0), QStringLiteral("Время: 0"));
        QVERIFY(!m_form->Timer1->isActive());
    });
    m_form->Timer1Timer();
    QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("Тест окончен!")});
    QVERIFY(!m_form->TestRunning());
    QCOMPARE(RecordCount(), 1);
}

void TestRunTest::timeLimitZeroEndsAtFirstTick()
{
    Start(0);
    QCOMPARE(m_form->StatusBar1->PanelText(0), QStringLiteral("Время: 0"));
    m_form->Timer1Timer();
    QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("Тест окончен!")});
    QVERIFY(!m_form->TestRunning());
}

void TestRunTest::cancelledFinishKeepsTheTestRunning()
{
    Start(60);
    const int position = m_form->Quiz().CurrentPosition;
    m_dialogs.WhileNextBoxIsOpen([this] { m_form->Timer1Timer(); });
    QTest::mouseClick(m_form->SpeedButton1, Qt::LeftButton);
    QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("Закончить тест?")});
    QVERIFY(m_form->TestRunning());
    QVERIFY(m_form->Timer1->isActive());
    QCOMPARE(m_form->Quiz().CurrentPosition, position);
    QCOMPARE(m_form->StatusBar1->PanelText(0), QStringLiteral("Время: 59"));
    QCOMPARE(RecordCount(), 0);
}

void TestRunTest::finishButtonEndsTheTest()
{
    Start();
    AnswerCurrent(true);
    m_dialogs.QueueAnswer(Dialogs::Answer::Ok);
    QTest::mouseClick(m_form->SpeedButton1, Qt::LeftButton);
    QVERIFY(!m_form->Timer1->isActive());
    QVERIFY(!m_form->TestRunning());
    QCOMPARE(m_form->Label1->text(), QStringLiteral("Ваш результат в баллах: 1"));
    QCOMPARE(RecordCount(), 1);
}

void TestRunTest::timeOutWhileFinishQuestionIsOpenEndsOnce()
{
    Start(1);
    m_dialogs.QueueAnswer(Dialogs::Answer::Ok);
    m_dialogs.WhileNextBoxIsOpen([this] { m_form->Timer1Timer(); });
    QTest::mouseClick(m_form->SpeedButton1, Qt::LeftButton);
    QCOMPARE(m_dialogs.texts(),
             (QStringList{QStringLiteral("Закончить тест?"), QStringLiteral("Тест окончен!")}));
    QVERIFY(!m_form->TestRunning());
    QCOMPARE(RecordCount(), 1);
}

void TestRunTest::timeOutWhileCloseQuestionIsOpenEndsOnce()
{
    Start(1);
    m_dialogs.QueueAnswer(Dialogs::Answer::Ok);
    m_dialogs.WhileNextBoxIsOpen([this] { m_form->Timer1Timer(); });
    QVERIFY(m_form->close());
    QCOMPARE(m_dialogs.texts(),
             (QStringList{QStringLiteral("Закончить тест?"), QStringLiteral("Тест окончен!")}));
    QCOMPARE(RecordCount(), 1);
}

void TestRunTest::closingDuringTestAppendsTheRecord()
{
    Start();
    AnswerCurrent(true);
    m_dialogs.QueueAnswer(Dialogs::Answer::Ok);
    QVERIFY(m_form->close());
    QVERIFY(!m_form->Timer1->isActive());
    QCOMPARE(RecordCount(), 1);
    QVERIFY(Log().endsWith("\xD0\xE5\xE7\xF3\xEB\xFC\xF2\xE0\xF2: 1\r\n"));
}

void TestRunTest::buttons_data()
{
    QTest::addColumn<bool>("bothButtons");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("answers");
    QTest::newRow("left") << false << Qt::LeftButton << true;
    QTest::newRow("right, left only") << false << Qt::RightButton << false;
    QTest::newRow("right, both buttons") << true << Qt::RightButton << true;
    QTest::newRow("middle, left only") << false << Qt::MiddleButton << false;
    QTest::newRow("middle, both buttons") << true << Qt::MiddleButton << false;
}

void TestRunTest::buttons()
{
    QFETCH(bool, bothButtons);
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, answers);
    Start();
    m_form->Config().BothMouseButtons = bothButtons;
    AnswerCurrent(true, button);
    QCOMPARE(m_form->Quiz().CurrentPosition, answers ? 2 : 1);
    QCOMPARE(m_form->Quiz().Score, answers ? 1 : 0);
}

void TestRunTest::pressFlattensAndReleaseAnswers()
{
    Start();
    const int right = ThreeQuestions()[static_cast<std::size_t>(CurrentQuestion() - 1)].correct;
    QTest::mousePress(Label(right), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(Label(right)->EffectStyle(), esNone);
    QCOMPARE(m_form->Quiz().CurrentPosition, 1);
    QTest::mouseRelease(Label(right), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(Label(right)->EffectStyle(), esRaised);
    QCOMPARE(m_form->Quiz().CurrentPosition, 2);
    QCOMPARE(m_form->Quiz().Score, 1);
}

void TestRunTest::hoverEnlargesOnlyTheAnswerUnderThePointer()
{
    Start();
    const int count = m_form->Quiz().Bank.AnswerCounts[static_cast<std::size_t>(CurrentQuestion())];
    QTest::mouseMove(Label(2), QPoint(30, 30));
    QCOMPARE(Label(2)->FontHeight(), 24);
    QCOMPARE(Label(2)->FontColor(), m_form->Config().EnlargedAnswerColor);
    QCOMPARE(Label(1)->FontHeight(), 19);
    QCOMPARE(Label(1)->FontColor(), m_form->Config().AnswerColor);

    QTest::mouseMove(Label(1), QPoint(30, 30));
    QCOMPARE(Label(1)->FontHeight(), 24);
    QCOMPARE(Label(2)->FontHeight(), 19);

    // The gap between labels lies over the background picture: every answer rests again.
    QTest::mouseMove(m_form->Image1, QPoint(400, 180));
    for (int n = 1; n <= count; ++n) {
        QCOMPARE(Label(n)->FontHeight(), 19);
        QCOMPARE(Label(n)->FontColor(), m_form->Config().AnswerColor);
    }
}

void TestRunTest::movesRepaintOnlyTheAnswersTheyChange_data()
{
    // Answer labels by number; 0 is the background picture in the gap below the first answer.
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QList<int>>("repainted");

    QTest::newRow("within one answer") << 1 << 1 << QList<int>{};
    QTest::newRow("to the next answer") << 1 << 2 << QList<int>{1, 2};
    QTest::newRow("past answers between") << 5 << 2 << QList<int>{2, 5};
    QTest::newRow("onto the background") << 3 << 0 << QList<int>{3};
    QTest::newRow("within the background") << 0 << 0 << QList<int>{};
    QTest::newRow("from the background") << 0 << 4 << QList<int>{4};
}

void TestRunTest::movesRepaintOnlyTheAnswersTheyChange()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QList<int>, repainted);

    Start();
    // On to the question with five answers, so that every label is on screen.
    while (m_form->Quiz().Bank.AnswerCounts[static_cast<std::size_t>(CurrentQuestion())] < 5) {
        AnswerCurrent(true);
    }
    const auto moveTo = [this](int n, int x) {
        if (n == 0) {
            QTest::mouseMove(m_form->Image1, QPoint(300 + x, 180));
        } else {
            QTest::mouseMove(Label(n), QPoint(x, 30));
        }
        QCoreApplication::processEvents();
    };
    moveTo(from, 30);
    std::array<PaintCounter, 5> counters;
    for (int n = 1; n <= 5; ++n) {
        Label(n)->installEventFilter(&counters[static_cast<std::size_t>(n - 1)]);
    }
    // A second move where the pointer already is changes nothing.
    moveTo(from, 60);
    moveTo(to, 90);
    for (int n = 1; n <= 5; ++n) {
        QVERIFY2((counters[static_cast<std::size_t>(n - 1)].paints > 0) == repainted.contains(n),
                 qPrintable(QStringLiteral("answer %1 painted %2 times")
                                .arg(n)
                                .arg(counters[static_cast<std::size_t>(n - 1)].paints)));
    }
}

void TestRunTest::missingBankLeavesTestModeWithoutRecord()
{
    Start();
    m_dialogs.QueueAnswer(Dialogs::Answer::Ok);
    QTest::mouseClick(m_form->SpeedButton1, Qt::LeftButton);
    m_dialogs.clear();

    QFile::remove(m_start->filePath(QStringLiteral("Vop5.dat")));
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);

    QCOMPARE(m_dialogs.shown().size(), 1);
    QCOMPARE(m_dialogs.shown().first().kind, ScriptedDialogs::Kind::Error);
    QCOMPARE(m_dialogs.shown().first().text, QStringLiteral("File not found."));
    QVERIFY(m_form->TestRunning());
    QCOMPARE(m_form->size(), QSize(800, 600));
    QVERIFY(!m_form->Timer1->isActive());
    for (int n = 1; n <= 5; ++n) {
        QVERIFY(!Label(n)->isVisible());
    }

    m_dialogs.QueueAnswer(Dialogs::Answer::Ok);
    QTest::mouseClick(m_form->SpeedButton1, Qt::LeftButton);
    QVERIFY(!m_form->TestRunning());
    QCOMPARE(m_form->Label1->text(), QStringLiteral("Ваш результат в баллах: 0"));
    QCOMPARE(RecordCount(), 1);
}

void TestRunTest::brokenBankIsReportedClearly()
{
    m_start->WriteFile(QStringLiteral("Vop89.dat"), "0 600\r\nx\r\n");
    m_form = std::make_unique<TForm1>(m_dialogs);
    m_form->show();
    m_form->Memo1Click();
    m_form->Edit1->setText(QStringLiteral("А"));
    m_form->ComboBox1->setCurrentIndex(3);
    m_form->Edit3->setText(QStringLiteral("Б"));
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QCOMPARE(m_dialogs.shown().size(), 1);
    const QString message = m_dialogs.shown().first().text;
    QVERIFY2(message.contains(QStringLiteral("Vop89.dat")), qPrintable(message));
    QVERIFY(!m_form->Timer1->isActive());
}

void TestRunTest::missingLogIsReportedAndStaysInRegistration()
{
    Start();
    QFile::remove(m_start->filePath(QStringLiteral("Results.txt")));
    m_form->ComboBox1->setCurrentIndex(-1);
    m_dialogs.QueueAnswer(Dialogs::Answer::Ok);
    QTest::mouseClick(m_form->SpeedButton1, Qt::LeftButton);
    QCOMPARE(m_dialogs.texts(),
             (QStringList{QStringLiteral("Закончить тест?"), QStringLiteral("File not found.")}));
    QVERIFY(!m_form->TestRunning());
    QVERIFY(m_form->Button1->isVisible());
    QCOMPARE(m_form->Label1->text(), QStringLiteral("Ваш результат в баллах: 0"));
    QVERIFY(!QFile::exists(m_start->filePath(QStringLiteral("Results.txt"))));
}

void TestRunTest::gradesSharingABankRecordTheirOwnGrade()
{
    Start(600, 2);
    for (int i = 0; i < 3; ++i) {
        AnswerCurrent(true);
    }
    QVERIFY(Log().contains("\xCA\xEB\xE0\xF1\xF1: 7\r\n"));
    QCOMPARE(m_form->ComboBox1->currentText(), QStringLiteral("7"));
}

QTEST_MAIN(TestRunTest)
#include "tst_testrun.moc"
