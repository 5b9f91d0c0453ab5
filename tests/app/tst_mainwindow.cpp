#include "app/tform1.h"
#include "effectlabel/effectlabel.h"
#include "platform/animationcontrol.h"
#include "platform/statuspanels.h"
#include "platform/stretchedimage.h"
#include "runtime/tcolor.h"
#include "support/mainwindow.h"
#include "support/scripteddialogs.h"
#include "support/startdirectory.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <map>
#include <memory>

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    void StartTest(const QString &name = QStringLiteral("Иванов Иван"), int grade = 2,
                   const QString &group = QStringLiteral("7А"))
    {
        m_form->Memo1Click();
        m_form->Edit1->setText(name);
        m_form->ComboBox1->setCurrentIndex(grade);
        m_form->Edit3->setText(group);
        QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    }

    std::unique_ptr<StartDirectoryFixture> m_start;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<TForm1> m_form;

private slots:
    void init()
    {
        m_start = std::make_unique<StartDirectoryFixture>(ShippedStartDirectory());
        m_dialogs = ScriptedDialogs();
        m_form = std::make_unique<TForm1>(m_dialogs);
        m_form->move(100, 80);
        QVERIFY(ShowStartedWindow(*m_form));
    }

    void cleanup()
    {
        m_form.reset();
        m_start.reset();
    }

    void controlsAtStart_data()
    {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<bool>("visible");

        QTest::newRow("Label1") << QRect(5, 5, 590, 80) << false;
        QTest::newRow("EffectLabel1") << QRect(1, 110, 790, 65) << false;
        QTest::newRow("EffectLabel5") << QRect(1, 410, 790, 65) << false;
        QTest::newRow("Label2") << QRect(170, 61, 55, 17) << true;
        QTest::newRow("Label3") << QRect(170, 101, 55, 17) << true;
        QTest::newRow("Label4") << QRect(170, 141, 55, 17) << true;
        QTest::newRow("SpeedButton1") << QRect(725, 550, 75, 25) << false;
        QTest::newRow("StatusBar1") << QRect(0, 331, 600, 19) << true;
        QTest::newRow("Edit1") << QRect(230, 56, 200, 25) << true;
        QTest::newRow("Edit3") << QRect(230, 136, 200, 25) << true;
        QTest::newRow("ComboBox1") << QRect(230, 96, 200, 22) << true;
        QTest::newRow("Button1") << QRect(293, 188, 75, 25) << true;
        QTest::newRow("Animate1") << QRect(0, 0, 600, 231) << true;
        QTest::newRow("Memo1") << QRect(0, 230, 600, 101) << true;
    }

    void controlsAtStart()
    {
        QFETCH(QRect, geometry);
        QFETCH(bool, visible);

        const std::map<QString, QWidget *> controls{{"Label1", m_form->Label1},
                                                    {"EffectLabel1", m_form->EffectLabel1},
                                                    {"EffectLabel5", m_form->EffectLabel5},
                                                    {"Label2", m_form->Label2},
                                                    {"Label3", m_form->Label3},
                                                    {"Label4", m_form->Label4},
                                                    {"SpeedButton1", m_form->SpeedButton1},
                                                    {"StatusBar1", m_form->StatusBar1},
                                                    {"Edit1", m_form->Edit1},
                                                    {"Edit3", m_form->Edit3},
                                                    {"ComboBox1", m_form->ComboBox1},
                                                    {"Button1", m_form->Button1},
                                                    {"Animate1", m_form->Animate1},
                                                    {"Memo1", m_form->Memo1}};
        const QWidget *widget = controls.at(QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(widget->geometry(), geometry);
        QCOMPARE(widget->isVisibleTo(m_form.get()), visible);
    }

    void fontsAndTexts()
    {
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Ортус 2000 - Регистрация"));
        QCOMPARE(m_form->size(), QSize(600, 350));
        QCOMPARE(m_form->Memo1->toPlainText(), QStringLiteral("    Ортус 2000"));
        QCOMPARE(m_form->Memo1->font().pixelSize(), 64);
        QVERIFY(m_form->Memo1->font().bold());
        QCOMPARE(m_form->Label2->text(), QStringLiteral("Ф.И.О.:"));
        QCOMPARE(m_form->Label3->text(), QStringLiteral("Класс:"));
        QCOMPARE(m_form->Label4->text(), QStringLiteral("ЮГП:"));
        QCOMPARE(m_form->Label1->font().pixelSize(), 21);
        QCOMPARE(m_form->SpeedButton1->text(), QStringLiteral("Завершить"));
        QCOMPARE(m_form->SpeedButton1->toolTip(), QStringLiteral("Завершение тестирования"));
        QCOMPARE(m_form->Button1->text(), QStringLiteral("OK"));
        QCOMPARE(m_form->Button1->toolTip(), QStringLiteral("Начать тестирование"));
        QCOMPARE(m_form->ComboBox1->count(), 7);
        QCOMPARE(m_form->ComboBox1->itemText(0), QStringLiteral("5"));
        QCOMPARE(m_form->ComboBox1->itemText(6), QStringLiteral("11"));
        QCOMPARE(m_form->ComboBox1->currentIndex(), -1);
        QCOMPARE(m_form->StatusBar1->PanelCount(), 2);
        QVERIFY(m_form->StatusBar1->PanelText(0).isEmpty());
        QVERIFY(m_form->StatusBar1->PanelText(1).isEmpty());
        QVERIFY(!m_form->Timer1->isActive());
        QCOMPARE(m_form->Timer1->interval(), 1000);
        QVERIFY(m_form->Animate1->IsTimerActive());
        QCOMPARE(m_form->Animate1->FrameCount(), 60);
        QVERIFY(!m_form->TestRunning());
        for (std::size_t n = 0; n < m_form->AnswerLabels.size(); ++n) {
            QCOMPARE(m_form->AnswerLabels[n]->objectName(),
                     QStringLiteral("EffectLabel%1").arg(n + 1));
            QCOMPARE(m_form->AnswerLabels[n]->ColourScheme(), csCustom);
            QCOMPARE(m_form->AnswerLabels[n]->ColourHighlight(),
                     m_form->Config().SelectedAnswerColor);
            QCOMPARE(m_form->AnswerLabels[n]->FontColor(), m_form->Config().AnswerColor);
            QCOMPARE(m_form->AnswerLabels[n]->FontHeight(), 19);
            QCOMPARE(m_form->AnswerLabels[n]->Alignment(), taCenter);
        }
    }

    void stackingAndTabOrder()
    {
        const QObjectList &children = m_form->children();
        const auto position = [&](QObject *child) {
            return children.indexOf(child);
        };
        QVERIFY(position(m_form->Image1) < position(m_form->Label1));
        QVERIFY(position(m_form->Label1) < position(m_form->EffectLabel1));
        QVERIFY(position(m_form->EffectLabel5) < position(m_form->SpeedButton1));
        QVERIFY(position(m_form->SpeedButton1) < position(m_form->Edit1));
        QVERIFY(position(m_form->Button1) < position(m_form->Animate1));
        QVERIFY(position(m_form->Animate1) < position(m_form->Memo1));

        QCOMPARE(m_form->Edit1->nextInFocusChain(), static_cast<QWidget *>(m_form->ComboBox1));
        QCOMPARE(m_form->ComboBox1->nextInFocusChain(), static_cast<QWidget *>(m_form->Edit3));
        QCOMPARE(m_form->Edit3->nextInFocusChain(), static_cast<QWidget *>(m_form->Button1));
    }

    void introIsPaintedBeforeTheCoveredControlsAreMade()
    {
        m_form = std::make_unique<TForm1>(m_dialogs);
        QVERIFY(m_form->Animate1 != nullptr && m_form->Memo1 != nullptr);
        QVERIFY(m_form->Edit1 == nullptr && m_form->Label1 == nullptr);
        QVERIFY(m_form->EffectLabel5 == nullptr && !m_form->TestRunning());
        QVERIFY(m_form->windowIcon().isNull());

        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QTRY_VERIFY(m_form->StartIsFinished());
        QVERIFY(!m_form->windowIcon().isNull());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_form->Edit1));
        QCOMPARE(m_form->Label2->palette().color(QPalette::WindowText),
                 ToQColor(m_form->Config().QuestionColor));
        QVERIFY(m_dialogs.shown().isEmpty());
    }

    void earlyInputFinishesTheStart_data()
    {
        QTest::addColumn<bool>("click");
        QTest::newRow("click on the title box") << true;
        QTest::newRow("teacher's shortcut") << false;
    }

    void earlyInputFinishesTheStart()
    {
        QFETCH(bool, click);
        m_form = std::make_unique<TForm1>(m_dialogs);
        m_form->show();
        if (click) {
            QTest::mouseClick(m_form->Memo1->viewport(), Qt::LeftButton);
            QVERIFY(m_form->Edit1->isVisible());
            QVERIFY(!m_form->Memo1->isVisible());
        } else {
            QTest::keyClick(m_form.get(), Qt::Key_Q, Qt::ControlModifier);
            QCOMPARE(m_dialogs.shown().size(), 1);
            QCOMPARE(m_dialogs.shown().first().kind, ScriptedDialogs::Kind::Colour);
        }
        QVERIFY(m_form->StartIsFinished());
        QCOMPARE(m_form->Label2->palette().color(QPalette::WindowText),
                 ToQColor(m_form->Config().QuestionColor));
    }

    void introCoversFieldsUntilTitleBoxClicked()
    {
        QCOMPARE(m_form->childAt(300, 100), static_cast<QWidget *>(m_form->Animate1));
        QCOMPARE(m_form->Image1->height(), 0);
        // A click on the animation does not uncover them.
        QTest::mouseClick(m_form->Animate1, Qt::LeftButton, {}, QPoint(300, 100));
        QVERIFY(m_form->Memo1->isVisible());
        QVERIFY(m_form->Animate1->isVisible());

        QTest::mouseClick(m_form->Memo1->viewport(), Qt::LeftButton, {}, QPoint(50, 50));

        QVERIFY(!m_form->Memo1->isVisible());
        QVERIFY(!m_form->Animate1->isVisible());
        QVERIFY(!m_form->Animate1->IsTimerActive());
        QCOMPARE(m_form->Animate1->FrameCount(), 0);
        QCOMPARE(m_form->Image1->geometry(), QRect(0, 0, 600, 331));
        QCOMPARE(m_form->childAt(300, 100)->objectName(), QStringLiteral("ComboBox1"));
        QVERIFY(m_dialogs.shown().isEmpty());
    }

    void enterMovesFocusWithoutPressingOk()
    {
        m_form->Memo1Click();
        m_form->activateWindow();
        m_form->Edit1->setFocus();
        QTRY_VERIFY(m_form->Edit1->hasFocus());

        QTest::keyClick(m_form->Edit1, Qt::Key_Return);
        QVERIFY(m_form->ComboBox1->hasFocus());
        QTest::keyClick(m_form->ComboBox1, Qt::Key_Enter);
        QVERIFY(m_form->Edit3->hasFocus());
        QTest::keyClick(m_form->Edit3, Qt::Key_Return);
        QVERIFY(m_form->Button1->hasFocus());
        QVERIFY2(m_dialogs.shown().isEmpty(), "the Enter that moved the focus pressed OK as well");

        QTest::keyClick(m_form->Button1, Qt::Key_Return);
        QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("Необходимо заполнить все поля!")});
    }

    void fieldCheck_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("grade");
        QTest::addColumn<QString>("group");
        QTest::addColumn<bool>("starts");

        QTest::newRow("grade list untouched") << "Петров" << -1 << "5Б" << false;
        QTest::newRow("name empty") << "" << 0 << "5Б" << false;
        QTest::newRow("group empty") << "Петров" << 0 << "" << false;
        QTest::newRow("all filled") << "Петров" << 0 << "5Б" << true;
        QTest::newRow("blanks count as filled") << "   " << 6 << " " << true;
    }

    void fieldCheck()
    {
        QFETCH(QString, name);
        QFETCH(int, grade);
        QFETCH(QString, group);
        QFETCH(bool, starts);

        StartTest(name, grade, group);

        QCOMPARE(m_form->TestRunning(), starts);
        if (starts) {
            QVERIFY(m_dialogs.shown().isEmpty());
            QCOMPARE(m_form->Quiz().PupilGrade, grade);
        } else {
            QCOMPARE(m_dialogs.shown().size(), 1);
            QCOMPARE(m_dialogs.shown().first().kind, ScriptedDialogs::Kind::Information);
            QCOMPARE(m_dialogs.shown().first().text,
                     QStringLiteral("Необходимо заполнить все поля!"));
            QVERIFY(m_form->Button1->isVisible());
            QCOMPARE(m_form->size(), QSize(600, 350));
        }
    }

    // Into the test mode and back to the registration where the window was; frames and stacking
    // as a window manager sees them are checked in tests/desktop.
    void switchToTestModeAndBack()
    {
        StartTest();

        QVERIFY(m_form->isVisible());
        QCOMPARE(m_form->size(), QSize(800, 600));
        QTRY_COMPARE(m_form->windowHandle()->framePosition(), QPoint(0, 0));
        QCOMPARE(m_form->Quiz().RegistrationLeft, 100);
        QCOMPARE(m_form->Quiz().RegistrationTop, 80);
        for (QWidget *hidden :
             {static_cast<QWidget *>(m_form->Button1), static_cast<QWidget *>(m_form->Edit1),
              static_cast<QWidget *>(m_form->Edit3), static_cast<QWidget *>(m_form->ComboBox1),
              static_cast<QWidget *>(m_form->Label2)}) {
            QVERIFY(!hidden->isVisible());
        }
        QVERIFY(m_form->Label1->isVisible());
        QCOMPARE(m_form->Label1->width(), 790);
        QVERIFY(m_form->SpeedButton1->isVisible());
        QCOMPARE(m_form->StatusBar1->geometry(), QRect(0, 581, 800, 19));
        QCOMPARE(m_form->Image1->geometry(), QRect(0, 0, 800, 581));
        QCOMPARE(m_form->Quiz().PupilName,
                 std::string("\xC8\xE2\xE0\xED\xEE\xE2 \xC8\xE2\xE0\xED"));
        m_form->ReturnToRegistrationMode();

        QVERIFY(m_form->isVisible());
        QCOMPARE(m_form->size(), QSize(600, 350));
        QTRY_COMPARE(m_form->windowHandle()->framePosition(), QPoint(100, 80));
        QVERIFY(!m_form->TestRunning());
        QVERIFY(m_form->Label1->isVisible());
        QCOMPARE(m_form->Label1->width(), 590);
        QVERIFY(m_form->Button1->isVisible());
        QCOMPARE(m_form->Edit1->text(), QStringLiteral("Иванов Иван"));
        QCOMPARE(m_form->StatusBar1->geometry(), QRect(0, 331, 600, 19));
    }

    void registrationTextKeepsOneLine()
    {
        StartTest(QStringLiteral("Ann\nLee"), 0, QStringLiteral("5\r\nA"));
        QCOMPARE(m_form->Quiz().PupilName, std::string("Ann Lee"));
        QCOMPARE(m_form->Quiz().PupilGroup, std::string("5  A"));
    }

    void close_data()
    {
        QTest::addColumn<bool>("testing");
        QTest::addColumn<bool>("confirm");
        QTest::newRow("no test: closes unasked") << false << true;
        QTest::newRow("OK closes") << true << true;
        QTest::newRow("Cancel keeps the test") << true << false;
    }

    void close()
    {
        QFETCH(bool, testing);
        QFETCH(bool, confirm);
        if (!testing) {
            QVERIFY(m_form->close());
            QVERIFY(m_dialogs.shown().isEmpty());
            return;
        }
        StartTest();
        m_form->Timer1->start();
        m_dialogs.QueueAnswer(confirm ? Dialogs::Answer::Ok : Dialogs::Answer::Cancel);

        QCOMPARE(m_form->close(), confirm);

        QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("Закончить тест?")});
        QCOMPARE(m_dialogs.shown().first().kind, ScriptedDialogs::Kind::Confirmation);
        QCOMPARE(m_form->Timer1->isActive(), !confirm);
        QCOMPARE(m_form->isVisible(), !confirm);
    }

    void missingIntroFailsTheStart()
    {
        QFile::remove(m_start->filePath(QStringLiteral("Ortus.avi")));
        ScriptedDialogs dialogs;
        try {
            TForm1 form(dialogs);
            QFAIL("the window was created without its intro");
        } catch (const AviOpenError &error) {
            QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("Cannot open AVI"));
        }
        QVERIFY(dialogs.shown().isEmpty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
