#include "effectlabel/effectlabel.h"
#include "platform/statuspanels.h"
#include "platform/stretchedimage.h"
#include "quiz/testrun.h"
#include "settings/settings.h"
#include "testscreen/testscreen.h"

#include <QLabel>
#include <QTest>
#include <QToolButton>

#include <array>

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

Settings Colours()
{
    Settings settings;
    settings.QuestionColor = 0x0000FF;
    settings.SelectedAnswerColor = 0x00FF00;
    settings.AnswerColor = 0x008000;
    settings.EnlargedAnswerColor = 0xFF0000;
    return settings;
}

TestPage Page(int answers, int position = 1)
{
    TestPage page{QStringLiteral("Сколько будет 7 · 8?"), {}, position};
    for (int n = 1; n <= answers; ++n) {
        page.answers.append(QStringLiteral("Ответ %1").arg(n));
    }
    return page;
}

} // namespace

// The test mode's screen, without the window around it: what a page shows and how the answers
// follow the pointer.
class TestScreenTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_screen = std::make_unique<TestScreen>();
        m_screen->CreateTestControls();
        m_screen->LayOutPage();
        m_screen->ShowTestControls(true);
        m_screen->ApplyColours(Colours());
    }
    void cleanup() { m_screen.reset(); }

    // The test window's layout, whoever shows the screen.
    void layout()
    {
        QCOMPARE(m_screen->Label1->geometry(), QRect(5, 5, 790, 80));
        for (int n = 1; n <= 5; ++n) {
            QCOMPARE(m_screen->AnswerLabel(n)->geometry(), QRect(1, 35 + 75 * n, 790, 65));
        }
        QCOMPARE(m_screen->SpeedButton1->geometry(), QRect(725, 550, 75, 25));
        QCOMPARE(m_screen->StatusBar1->geometry(), QRect(0, 581, 800, 19));
        QCOMPARE(m_screen->Image1->geometry(), QRect(0, 0, 800, 581));
        m_screen->ShowTestControls(false);
        QCOMPARE(m_screen->Label1->width(), 590);
        QVERIFY(m_screen->SpeedButton1->isHidden());
    }

    void page_data()
    {
        QTest::addColumn<int>("answers");
        QTest::newRow("one answer") << 1;
        QTest::newRow("three answers") << 3;
        QTest::newRow("five answers") << 5;
    }

    void page()
    {
        QFETCH(int, answers);
        m_screen->ShowPage(Page(5));
        m_screen->ShowPage(Page(answers, 4));
        m_screen->ShowTimeLeft(60);
        QCOMPARE(m_screen->Label1->text(), QStringLiteral("Сколько будет 7 · 8?"));
        for (int n = 1; n <= 5; ++n) {
            QCOMPARE(!m_screen->AnswerLabel(n)->isHidden(), n <= answers);
        }
        QCOMPARE(m_screen->AnswerLabel(answers)->Caption(),
                 QStringLiteral("Ответ %1").arg(answers));
        QCOMPARE(m_screen->StatusBar1->PanelText(0), QStringLiteral("Время: 60"));
        QCOMPARE(m_screen->StatusBar1->PanelText(1), QStringLiteral("Вопрос: 4"));
        m_screen->ShowResult(12);
        QCOMPARE(m_screen->Label1->text(), QStringLiteral("Ваш результат в баллах: 12"));
        m_screen->ClearStatus();
        QCOMPARE(m_screen->StatusBar1->PanelText(0) + m_screen->StatusBar1->PanelText(1),
                 QString());
    }

    void pointerMoves_data()
    {
        // From where to where the pointer moves (0: the background), and the answers repainted.
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QList<int>>("repainted");

        QTest::newRow("within one answer") << 1 << 1 << QList<int>{};
        QTest::newRow("to the next answer") << 1 << 2 << QList<int>{1, 2};
        QTest::newRow("past answers between") << 5 << 2 << QList<int>{2, 5};
        QTest::newRow("onto the background") << 3 << 0 << QList<int>{3};
        QTest::newRow("within the background") << 0 << 0 << QList<int>{};
    }

    // The answer under the pointer is enlarged in its colour; a move repaints only the answers
    // whose look it changes.
    void pointerMoves()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QList<int>, repainted);

        connect(m_screen.get(), &TestScreen::AnswerMouseMove, m_screen.get(),
                &TestScreen::HoverAnswer);
        connect(m_screen.get(), &TestScreen::BackgroundMouseMove, m_screen.get(),
                &TestScreen::RestAnswers);
        m_screen->ShowPage(Page(5));
        m_screen->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_screen.get()));
        const auto moveTo = [this](int n, int x) {
            QTest::mouseMove(n == 0 ? static_cast<QWidget *>(m_screen->Image1)
                                    : m_screen->AnswerLabel(n),
                             n == 0 ? QPoint(300 + x, 100) : QPoint(x, 30));
            QCoreApplication::processEvents();
        };
        moveTo(from, 30);
        std::array<PaintCounter, 5> counters;
        for (int n = 1; n <= 5; ++n) {
            m_screen->AnswerLabel(n)->installEventFilter(&counters[n - 1u]);
        }
        moveTo(from, 60);
        moveTo(to, 90);
        for (int n = 1; n <= 5; ++n) {
            QVERIFY2((counters[n - 1u].paints > 0) == repainted.contains(n),
                     qPrintable(QStringLiteral("answer %1 painted %2 times")
                                    .arg(n)
                                    .arg(counters[n - 1u].paints)));
            QCOMPARE(m_screen->AnswerLabel(n)->FontHeight(), n == to ? 24 : 19);
            QCOMPARE(m_screen->AnswerLabel(n)->FontColor(),
                     n == to ? Colours().EnlargedAnswerColor : Colours().AnswerColor);
        }
    }

    // Answers beyond the question's count keep their look: they are not part of this question.
    void hoverLeavesOtherQuestionsAnswers()
    {
        m_screen->ShowPage(Page(5));
        m_screen->HoverAnswer(5);
        m_screen->ShowPage(Page(2));
        m_screen->HoverAnswer(1);
        m_screen->RestAnswers();
        QCOMPARE(m_screen->AnswerLabel(5)->FontHeight(), 24);
        QCOMPARE(m_screen->AnswerLabel(1)->FontHeight(), 19);
        m_screen->PressAnswer(2);
        QCOMPARE(m_screen->AnswerLabel(2)->EffectStyle(), esNone);
        m_screen->ReleaseAnswer(2);
        QCOMPARE(m_screen->AnswerLabel(2)->EffectStyle(), esRaised);
    }

private:
    std::unique_ptr<TestScreen> m_screen;
};

QTEST_MAIN(TestScreenTest)
#include "tst_testscreen.moc"
