#include "effectlabel/effectlabel.h"
#include "platform/statuspanels.h"
#include "platform/stretchedimage.h"
#include "quiz/testrun.h"
#include "settings/settings.h"
#include "testscreen/testscreen.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QLabel>
#include <QSignalSpy>
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

    void keyboardWalk_data()
    {
        // The answers of the question, the keys pressed from the first answer, and where the
        // focus ends: answer n, or 0 for "Завершить".
        QTest::addColumn<int>("answers");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("focused");

        QTest::newRow("no key") << 3 << QList<int>{} << 1;
        QTest::newRow("Tab") << 3 << QList<int>{Qt::Key_Tab} << 2;
        QTest::newRow("Tab past the last answer")
            << 3 << QList<int>{Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab} << 0;
        QTest::newRow("Tab from the finish button wraps")
            << 3 << QList<int>{Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab} << 1;
        QTest::newRow("Shift+Tab from the first answer") << 3 << QList<int>{Qt::Key_Backtab} << 0;
        QTest::newRow("Down and Right") << 3 << QList<int>{Qt::Key_Down, Qt::Key_Right} << 3;
        QTest::newRow("Up from the first answer") << 3 << QList<int>{Qt::Key_Up} << 0;
        QTest::newRow("Left back") << 3 << QList<int>{Qt::Key_Down, Qt::Key_Left} << 1;
        QTest::newRow("hidden answers are skipped")
            << 2 << QList<int>{Qt::Key_Tab, Qt::Key_Tab} << 0;
    }

    // Tab, Shift+Tab and the arrows walk the shown answers and the finish button; the focused
    // answer looks as the answer under the pointer does, the others rest.
    void keyboardWalk()
    {
        QFETCH(int, answers);
        QFETCH(QList<int>, keys);
        QFETCH(int, focused);

        m_screen->ShowPage(Page(5));
        m_screen->ShowPage(Page(answers));
        ShowActive();
        m_screen->FocusFirstAnswer();
        for (const int key : keys) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        }
        QWidget *stop = focused == 0 ? static_cast<QWidget *>(m_screen->SpeedButton1)
                                     : m_screen->AnswerLabel(focused);
        QVERIFY(stop->hasFocus());
        TestScreen hovered;
        hovered.ApplyColours(Colours());
        hovered.ShowPage(Page(answers));
        if (focused != 0 && !keys.isEmpty()) {
            hovered.HoverAnswer(focused);
        }
        for (int n = 1; n <= answers; ++n) {
            QCOMPARE(m_screen->AnswerLabel(n)->FontHeight(), hovered.AnswerLabel(n)->FontHeight());
            QCOMPARE(m_screen->AnswerLabel(n)->FontColor(), hovered.AnswerLabel(n)->FontColor());
        }
    }

    // A question shown or a click leaves the look alone: only the keyboard enlarges an answer.
    void focusWithoutKeyboard()
    {
        m_screen->ShowPage(Page(3));
        ShowActive();
        m_screen->FocusFirstAnswer();
        QTest::mouseClick(m_screen->AnswerLabel(2), Qt::LeftButton);
        QVERIFY(m_screen->AnswerLabel(1)->hasFocus());
        for (int n = 1; n <= 3; ++n) {
            QCOMPARE(m_screen->AnswerLabel(n)->FontHeight(), 19);
        }
    }

    void choosing_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("answers");
        QTest::addColumn<QList<int>>("chosen");

        QTest::newRow("Space") << int(Qt::Key_Space) << 3 << QList<int>{2};
        QTest::newRow("Return") << int(Qt::Key_Return) << 3 << QList<int>{2};
        QTest::newRow("Enter") << int(Qt::Key_Enter) << 3 << QList<int>{2};
        QTest::newRow("another key") << int(Qt::Key_A) << 3 << QList<int>{};
        QTest::newRow("answer of another question") << int(Qt::Key_Space) << 1 << QList<int>{};
    }

    // Space and Enter choose the focused answer once, as a click does; an answer the question
    // does not have is chosen by nothing.
    void choosing()
    {
        QFETCH(int, key);
        QFETCH(int, answers);
        QFETCH(QList<int>, chosen);

        m_screen->ShowPage(Page(3));
        m_screen->ShowPage(Page(answers));
        ShowActive();
        QSignalSpy spy(m_screen.get(), &TestScreen::AnswerChosen);
        m_screen->AnswerLabel(2)->setFocus();
        QTest::keyClick(m_screen->AnswerLabel(2), Qt::Key(key));
        QList<int> seen;
        for (const QList<QVariant> &arguments : spy) {
            seen.append(arguments.at(0).toInt());
        }
        QCOMPARE(seen, chosen);
    }

    // A screen reader sees the answers as push buttons named with their number, the question as
    // their description; its press answers once, after its call has returned.
    void screenReader()
    {
        m_screen->ShowPage(Page(2));
        ShowActive();
        QSignalSpy spy(m_screen.get(), &TestScreen::AnswerChosen);
        QAccessibleInterface *answer =
            QAccessible::queryAccessibleInterface(m_screen->AnswerLabel(2));
        QVERIFY(answer != nullptr);
        QCOMPARE(answer->role(), QAccessible::Button);
        QCOMPARE(answer->text(QAccessible::Name), QStringLiteral("2. Ответ 2"));
        QCOMPARE(answer->text(QAccessible::Description), QStringLiteral("Сколько будет 7 · 8?"));
        QAccessibleActionInterface *actions = answer->actionInterface();
        QVERIFY(actions != nullptr);
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(spy.size(), 0);
        QTRY_COMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 2);
        QCOMPARE(QAccessible::queryAccessibleInterface(m_screen->StatusBar1)->role(),
                 QAccessible::StatusBar);
        // A hidden answer is pressed in vain.
        m_screen->AnswerLabel(5)->Activate();
        QCoreApplication::processEvents();
        QCOMPARE(spy.size(), 1);
    }

private:
    void ShowActive()
    {
        m_screen->show();
        m_screen->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_screen.get()));
    }

    std::unique_ptr<TestScreen> m_screen;
};

QTEST_MAIN(TestScreenTest)
#include "tst_testscreen.moc"
