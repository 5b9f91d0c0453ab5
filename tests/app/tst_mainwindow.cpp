#include "app/tform1.h"
#include "effectlabel/effectlabel.h"
#include "platform/animationcontrol.h"
#include "platform/statuspanels.h"
#include "platform/stretchedimage.h"
#include "runtime/cp1251.h"
#include "settings/tform2.h"
#include "settings/tform3.h"
#include "support/bankfixtures.h"
#include "support/mainwindow.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <array>
#include <memory>

namespace {

QByteArray Bitmap(const QColor &colour)
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

QColor Colour(const QWidget *widget, QPalette::ColorRole role)
{
    return widget->palette().color(role);
}

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

// Line n (1-based) of a CR LF text.
QByteArray Line(const QByteArray &text, int n)
{
    return text.split('\n').value(n - 1).chopped(1);
}

} // namespace

// The main window end to end: what reaches the screen, the dialogs and the files when the pupil
// and the teacher use it.
class MainWindowTest : public QObject {
    Q_OBJECT

public:
    enum class Way { Countdown, FinishButton, CloseWindow };
    Q_ENUM(Way)

private:
    std::unique_ptr<MainWindowFixture> m_window;
    TForm1 *Form() const { return m_window->form.get(); }
    ScriptedDialogs &Boxes() const { return m_window->dialogs; }
    TEffectLabel *Label(int n) const
    {
        return Form()->AnswerLabels[static_cast<std::size_t>(n - 1)];
    }
    int RecordCount() const { return static_cast<int>(m_window->Log().count("\r\n\r\n")); }
    QString Status(int panel) const { return Form()->StatusBar1->PanelText(panel); }

private slots:
    void init() { m_window = std::make_unique<MainWindowFixture>(); }
    void cleanup() { m_window.reset(); }

    void startUp_data()
    {
        // The settings file (none when null, the shipped one when empty); the error boxes at start;
        // whether the background picture shows and is loaded; the window's colour (the designed one
        // when invalid).
        QTest::addColumn<QByteArray>("settingsFile");
        QTest::addColumn<QStringList>("errors");
        QTest::addColumn<bool>("pictureShown");
        QTest::addColumn<bool>("pictureLoaded");
        QTest::addColumn<QColor>("windowColour");

        QTest::newRow("shipped settings")
            << QByteArray("") << QStringList() << true << true << QColor();
        QTest::newRow("no settings file: black texts, no picture")
            << QByteArray() << QStringList{"File not found."} << true << false << QColor();
        QTest::newRow("invalid number: read up to it, no background step")
            << CrLfLines({"Fon.jpg", "255", "1", "oops", "65280", "0", "0", "log.txt", ""})
            << QStringList{"Invalid numeric input."} << true << true << QColor();
        QTest::newRow("fill colour: the picture loaded but hidden")
            << CrLfLines({"Fon.jpg", "0", "1", "0", "0", "0", "0", "", ""}) << QStringList()
            << false << true << QColor(Qt::black);
        QTest::newRow("unknown background mode changes neither")
            << CrLfLines({"Fon.jpg", "255", "2", "0", "0", "0", "0", "", ""}) << QStringList()
            << true << true << QColor();
    }

    void startUp()
    {
        QFETCH(QByteArray, settingsFile);
        QFETCH(QStringList, errors);
        QFETCH(bool, pictureShown);
        QFETCH(bool, pictureLoaded);
        QFETCH(QColor, windowColour);

        if (settingsFile.isNull()) {
            QVERIFY(QFile::remove(m_window->start.filePath(QStringLiteral("Ortus00.ini"))));
        } else if (!settingsFile.isEmpty()) {
            m_window->start.WriteFile(QStringLiteral("Ortus00.ini"), settingsFile);
        }
        QVERIFY(m_window->Open());
        QCOMPARE(m_window->Errors(), errors);
        if (!errors.isEmpty()) {
            QCOMPARE(Boxes().shown().first().caption, QStringLiteral("tst_mainwindow"));
        }
        QCOMPARE(Form()->Image1->isVisibleTo(Form()), pictureShown);
        QCOMPARE(!Form()->Image1->Picture().isNull(), pictureLoaded);
        QCOMPARE(Colour(Form(), QPalette::Window),
                 windowColour.isValid() ? windowColour
                                        : QWidget().palette().color(QPalette::Window));
        const Settings &settings = Form()->Config();
        for (const QLabel *label : {Form()->Label1, Form()->Label2, Form()->Label4}) {
            QCOMPARE(Colour(label, QPalette::WindowText), ToQColor(settings.QuestionColor));
        }
        for (const TEffectLabel *label : Form()->AnswerLabels) {
            QCOMPARE(label->ColourHighlight(), settings.SelectedAnswerColor);
            QCOMPARE(label->FontColor(), settings.AnswerColor);
        }
        QCOMPARE(Colour(Form()->SpeedButton1, QPalette::ButtonText),
                 ToQColor(settings.AnswerColor));
        // Only the window takes the fill colour: the status bar's black text stays readable.
        const QImage statusBar = Form()->StatusBar1->grab().toImage();
        QCOMPARE(statusBar.pixelColor(statusBar.width() - 10, 10),
                 QApplication::palette().color(QPalette::Window));
    }

    void introIsPaintedBeforeTheCoveredControlsAreMade()
    {
        m_window->form = std::make_unique<TForm1>(Boxes());
        QVERIFY(Form()->Animate1 != nullptr && Form()->Memo1 != nullptr);
        QVERIFY(Form()->Edit1 == nullptr && Form()->EffectLabel5 == nullptr);
        QVERIFY(Form()->windowIcon().isNull());

        Form()->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form()));
        QTRY_VERIFY(Form()->StartIsFinished());
        QVERIFY(!Form()->windowIcon().isNull());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(Form()->Edit1));
        QCOMPARE(Colour(Form()->Label2, QPalette::WindowText),
                 ToQColor(Form()->Config().QuestionColor));
        for (const QWidget *hidden :
             {static_cast<QWidget *>(Form()->Label1), static_cast<QWidget *>(Form()->EffectLabel1),
              static_cast<QWidget *>(Form()->SpeedButton1)}) {
            QVERIFY(!hidden->isVisibleTo(Form()));
        }
        QVERIFY(Form()->Button1->isVisibleTo(Form()));
        QVERIFY(Form()->Animate1->IsTimerActive());
        QVERIFY(Boxes().shown().isEmpty());
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
        m_window->form = std::make_unique<TForm1>(Boxes());
        Form()->show();
        if (click) {
            QTest::mouseClick(Form()->Memo1->viewport(), Qt::LeftButton);
            QVERIFY(Form()->Edit1->isVisible());
        } else {
            QTest::keyClick(Form(), Qt::Key_Q, Qt::ControlModifier);
            QCOMPARE(Boxes().shown().size(), 1);
        }
        QVERIFY(Form()->StartIsFinished());
        QCOMPARE(Colour(Form()->Label2, QPalette::WindowText),
                 ToQColor(Form()->Config().QuestionColor));
    }

    void introCoversFieldsUntilTitleBoxClicked()
    {
        QVERIFY(m_window->Open());
        QCOMPARE(Form()->childAt(300, 100), static_cast<QWidget *>(Form()->Animate1));
        QCOMPARE(Form()->Image1->height(), 0);
        // A click on the animation does not uncover them.
        QTest::mouseClick(Form()->Animate1, Qt::LeftButton, {}, QPoint(300, 100));
        QVERIFY(Form()->Memo1->isVisible());

        QTest::mouseClick(Form()->Memo1->viewport(), Qt::LeftButton, {}, QPoint(50, 50));

        QVERIFY(!Form()->Memo1->isVisible());
        QVERIFY(!Form()->Animate1->isVisible());
        QVERIFY(!Form()->Animate1->IsTimerActive());
        QCOMPARE(Form()->Animate1->FrameCount(), 0);
        QCOMPARE(Form()->Image1->geometry(), QRect(0, 0, 600, 331));
        QCOMPARE(Form()->childAt(300, 100)->objectName(), QStringLiteral("ComboBox1"));
    }

    void enterMovesFocusWithoutPressingOk()
    {
        QVERIFY(m_window->Open());
        Form()->Memo1Click();
        Form()->Edit1->setFocus();
        QTRY_VERIFY(Form()->Edit1->hasFocus());

        QTest::keyClick(Form()->Edit1, Qt::Key_Return);
        QVERIFY(Form()->ComboBox1->hasFocus());
        QTest::keyClick(Form()->ComboBox1, Qt::Key_Enter);
        QVERIFY(Form()->Edit3->hasFocus());
        QTest::keyClick(Form()->Edit3, Qt::Key_Return);
        QVERIFY(Form()->Button1->hasFocus());
        QVERIFY2(Boxes().shown().isEmpty(), "the Enter that moved the focus pressed OK as well");

        QTest::keyClick(Form()->Button1, Qt::Key_Return);
        QCOMPARE(Boxes().texts(), QStringList{QStringLiteral("Необходимо заполнить все поля!")});
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
        QTest::newRow("blanks count as filled") << "   " << 6 << " " << true;
    }

    void fieldCheck()
    {
        QFETCH(QString, name);
        QFETCH(int, grade);
        QFETCH(QString, group);
        QFETCH(bool, starts);

        QVERIFY(m_window->Open());
        m_window->StartTest(name, grade, group);

        QCOMPARE(Form()->TestRunning(), starts);
        QCOMPARE(Boxes().texts(),
                 starts ? QStringList() : QStringList{"Необходимо заполнить все поля!"});
        QCOMPARE(Form()->size(), starts ? QSize(800, 600) : QSize(600, 350));
        if (starts) {
            QCOMPARE(Form()->Quiz().PupilGrade, grade);
            return;
        }
        // No test runs: the window closes unasked, leaving no record.
        QVERIFY(Form()->close());
        QCOMPARE(Boxes().shown().size(), 1);
        QCOMPARE(RecordCount(), 0);
    }

    void registrationTextKeepsOneLine()
    {
        QVERIFY(m_window->Open());
        m_window->StartTest(QStringLiteral("Ann\nLee"), 0, QStringLiteral("5\r\nA"));
        QCOMPARE(Form()->Quiz().PupilName, std::string("Ann Lee"));
        QCOMPARE(Form()->Quiz().PupilGroup, std::string("5  A"));
    }

    // Into the test mode and back to the registration where the window was; frames and stacking
    // as a window manager sees them are checked in tests/desktop.
    void switchToTestModeAndBack()
    {
        QVERIFY(m_window->Open());
        Form()->move(100, 80);
        m_window->StartTest();

        QVERIFY(Form()->isVisible());
        QCOMPARE(Form()->size(), QSize(800, 600));
        QTRY_COMPARE(Form()->windowHandle()->framePosition(), QPoint(0, 0));
        for (const QWidget *hidden :
             {static_cast<QWidget *>(Form()->Button1), static_cast<QWidget *>(Form()->Edit1),
              static_cast<QWidget *>(Form()->Edit3), static_cast<QWidget *>(Form()->ComboBox1),
              static_cast<QWidget *>(Form()->Label2)}) {
            QVERIFY(!hidden->isVisible());
        }
        QCOMPARE(Form()->Label1->width(), 790);
        QVERIFY(Form()->SpeedButton1->isVisible());
        QCOMPARE(Form()->StatusBar1->geometry(), QRect(0, 581, 800, 19));
        QCOMPARE(Form()->Image1->geometry(), QRect(0, 0, 800, 581));
        m_window->Finish(Dialogs::Answer::Ok);

        QVERIFY(Form()->isVisible());
        QCOMPARE(Form()->size(), QSize(600, 350));
        QTRY_COMPARE(Form()->windowHandle()->framePosition(), QPoint(100, 80));
        QVERIFY(!Form()->SpeedButton1->isVisible());
        QCOMPARE(Form()->Label1->width(), 590);
        QVERIFY(Form()->Button1->isVisible());
        QCOMPARE(Form()->Edit1->text(), QStringLiteral("Петров Пётр"));
        QCOMPARE(Form()->StatusBar1->geometry(), QRect(0, 331, 600, 19));
    }

    void wholeTestByMouse()
    {
        QVERIFY(m_window->Open());
        m_window->StartTest(QStringLiteral("Петров Пётр"), 2);
        QVERIFY(Form()->Timer1->isActive());
        QCOMPARE(Status(0), QStringLiteral("Время: 600"));
        for (int position = 1; position <= 3; ++position) {
            const QuizState &quiz = Form()->Quiz();
            const auto q = quiz.Bank.QuestionOrder[quiz.CurrentPosition];
            QCOMPARE(Status(1), QStringLiteral("Вопрос: %1").arg(position));
            QCOMPARE(Form()->Label1->text(), FromCp1251(quiz.Bank.QuestionTexts[q]));
            QCOMPARE(Label(1)->Caption(), FromCp1251(quiz.Bank.AnswerTexts[q][1]));
            for (int n = 1; n <= 5; ++n) {
                QCOMPARE(Label(n)->isVisible(), n <= quiz.Bank.AnswerCounts[q]);
            }
            // The grade list is shown the finished pupil's grade again.
            Form()->ComboBox1->setCurrentIndex(0);
            m_window->Answer(position != 2);
        }

        QCOMPARE(Boxes().texts(), QStringList{QStringLiteral("Тест завершен")});
        QVERIFY(!Form()->Timer1->isActive());
        QVERIFY(!Form()->TestRunning());
        QCOMPARE(Form()->Label1->text(), QStringLiteral("Ваш результат в баллах: 2"));
        QVERIFY(Form()->Label1->isVisible());
        QCOMPARE(Form()->ComboBox1->currentText(), QStringLiteral("7"));
        QCOMPARE(Status(0), QString());
        QCOMPARE(Status(1), QString());
        // The shipped log holds one empty line; the record follows it.
        QCOMPARE(m_window->Log(), QByteArray("\r\n\r\n\xCF\xE5\xF2\xF0\xEE\xE2 \xCF\xB8\xF2\xF0\r\n"
                                             "\xCA\xEB\xE0\xF1\xF1: 7\r\n"
                                             "\xDE\xC3\xCF: 7\xC0\r\n"
                                             "\xD0\xE5\xE7\xF3\xEB\xFC\xF2\xE0\xF2: 2\r\n"));
    }

    void endings_data()
    {
        // How the pupil ends the test and the answer to "Закончить тест?"; whether the countdown
        // reaches zero while that question is open. Then the boxes shown, whether the test has
        // ended and whether the window has closed.
        QTest::addColumn<Way>("way");
        QTest::addColumn<Dialogs::Answer>("answer");
        QTest::addColumn<bool>("timeOutUnderQuestion");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<bool>("ended");
        QTest::addColumn<bool>("closed");

        const auto ok = Dialogs::Answer::Ok;
        const auto cancel = Dialogs::Answer::Cancel;
        const QString question = QStringLiteral("Закончить тест?");
        const QString timeOut = QStringLiteral("Тест окончен!");
        QTest::newRow("countdown")
            << Way::Countdown << ok << false << QStringList{timeOut} << true << false;
        QTest::newRow("finish button, OK")
            << Way::FinishButton << ok << false << QStringList{question} << true << false;
        QTest::newRow("finish button, Cancel")
            << Way::FinishButton << cancel << false << QStringList{question} << false << false;
        QTest::newRow("finish button, time-out under the question")
            << Way::FinishButton << ok << true << QStringList{question, timeOut} << true << false;
        QTest::newRow("window closed, OK")
            << Way::CloseWindow << ok << false << QStringList{question} << true << true;
        QTest::newRow("window closed, Cancel")
            << Way::CloseWindow << cancel << false << QStringList{question} << false << false;
        QTest::newRow("window closed, time-out under the question")
            << Way::CloseWindow << ok << true << QStringList{question, timeOut} << true << true;
    }

    void endings()
    {
        QFETCH(Way, way);
        QFETCH(Dialogs::Answer, answer);
        QFETCH(bool, timeOutUnderQuestion);
        QFETCH(QStringList, boxes);
        QFETCH(bool, ended);
        QFETCH(bool, closed);

        m_window->WriteBanks(3);
        QVERIFY(m_window->Open());
        m_window->StartTest();
        m_window->Answer(true);
        Form()->Timer1Timer();
        QCOMPARE(Status(0), QStringLiteral("Время: 2"));
        switch (way) {
        case Way::Countdown:
            Form()->Timer1Timer();
            Boxes().WhileNextBoxIsOpen([this] {
                QCOMPARE(Status(0), QStringLiteral("Время: 0"));
                QVERIFY(!Form()->Timer1->isActive());
            });
            Form()->Timer1Timer();
            break;
        case Way::FinishButton:
        case Way::CloseWindow:
            // The countdown goes on while the question is open.
            Boxes().WhileNextBoxIsOpen([this, timeOutUnderQuestion] {
                Form()->Timer1Timer();
                if (timeOutUnderQuestion) {
                    Form()->Timer1Timer();
                }
            });
            Boxes().QueueAnswer(answer);
            if (way == Way::FinishButton) {
                QTest::mouseClick(Form()->SpeedButton1, Qt::LeftButton);
            } else {
                QCOMPARE(Form()->close(), closed);
            }
            break;
        }

        QCOMPARE(Boxes().texts(), boxes);
        QCOMPARE(Form()->TestRunning(), !ended);
        QCOMPARE(Form()->Timer1->isActive(), !ended);
        QCOMPARE(Form()->isVisible(), !closed);
        QCOMPARE(RecordCount(), ended ? 1 : 0);
        if (ended) {
            QCOMPARE(Form()->Label1->text(), QStringLiteral("Ваш результат в баллах: 1"));
        } else {
            QCOMPARE(Status(0), QStringLiteral("Время: 1"));
            QCOMPARE(Status(1), QStringLiteral("Вопрос: 2"));
        }
    }

    void pressFlattensAndReleaseAnswers()
    {
        QVERIFY(m_window->Open());
        m_window->StartTest();
        // The right button answers only when the settings allow it.
        m_window->Answer(true, Qt::RightButton);
        QCOMPARE(Form()->Quiz().CurrentPosition, 1);
        Form()->Config().BothMouseButtons = true;
        const QuizState &quiz = Form()->Quiz();
        const int right = ThreeQuestions()[quiz.Bank.QuestionOrder[1] - 1u].correct;
        QTest::mousePress(Label(right), Qt::RightButton, {}, QPoint(10, 10));
        QCOMPARE(Label(right)->EffectStyle(), esNone);
        QCOMPARE(quiz.CurrentPosition, 1);
        QTest::mouseRelease(Label(right), Qt::RightButton, {}, QPoint(10, 10));
        QCOMPARE(Label(right)->EffectStyle(), esRaised);
        QCOMPARE(quiz.CurrentPosition, 2);
        QCOMPARE(quiz.Score, 1);
    }

    void hoverEnlargesOnlyTheAnswerUnderThePointer()
    {
        QVERIFY(m_window->Open());
        m_window->StartTest();
        const Settings &settings = Form()->Config();
        QTest::mouseMove(Label(2), QPoint(30, 30));
        QCOMPARE(Label(2)->FontHeight(), 24);
        QCOMPARE(Label(2)->FontColor(), settings.EnlargedAnswerColor);
        QCOMPARE(Label(1)->FontHeight(), 19);
        QCOMPARE(Label(1)->FontColor(), settings.AnswerColor);

        QTest::mouseMove(Label(1), QPoint(30, 30));
        QCOMPARE(Label(1)->FontHeight(), 24);
        QCOMPARE(Label(2)->FontHeight(), 19);

        // The gap between labels lies over the background picture: every answer rests again.
        QTest::mouseMove(Form()->Image1, QPoint(400, 180));
        for (int n = 1; n <= 2; ++n) {
            QCOMPARE(Label(n)->FontHeight(), 19);
            QCOMPARE(Label(n)->FontColor(), settings.AnswerColor);
        }
    }

    void movesRepaintOnlyTheAnswersTheyChange_data()
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
    }

    void movesRepaintOnlyTheAnswersTheyChange()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QList<int>, repainted);

        QVERIFY(m_window->Open());
        m_window->StartTest();
        // On to the question with five answers, so that every label is on screen.
        while (!Label(5)->isVisible()) {
            m_window->Answer(true);
        }
        const auto moveTo = [this](int n, int x) {
            QTest::mouseMove(n == 0 ? static_cast<QWidget *>(Form()->Image1) : Label(n),
                             n == 0 ? QPoint(300 + x, 180) : QPoint(x, 30));
            QCoreApplication::processEvents();
        };
        moveTo(from, 30);
        std::array<PaintCounter, 5> counters;
        for (int n = 1; n <= 5; ++n) {
            Label(n)->installEventFilter(&counters[n - 1u]);
        }
        // A second move where the pointer already is changes nothing.
        moveTo(from, 60);
        moveTo(to, 90);
        for (int n = 1; n <= 5; ++n) {
            QVERIFY2((counters[n - 1u].paints > 0) == repainted.contains(n),
                     qPrintable(QStringLiteral("answer %1 painted %2 times")
                                    .arg(n)
                                    .arg(counters[n - 1u].paints)));
        }
    }

    // The settings name both files in code page 1251, as a teacher's Windows editor writes them.
    void pictureIsReloadedAtEveryModeSwitch()
    {
        const QString picture = QStringLiteral("Фон.bmp");
        const QString log = QStringLiteral("Журнал.txt");
        m_window->start.WriteFile(picture, Bitmap(Qt::red));
        m_window->start.WriteFile(log, "\r\n");
        m_window->start.WriteFile(
            QStringLiteral("Ortus00.ini"),
            QByteArray::fromStdString(
                ToCp1251(picture + "\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n" + log + "\r\n\r\n")));
        QVERIFY(m_window->Open());
        QCOMPARE(Form()->Image1->Picture().pixelColor(2, 2), QColor(Qt::red));

        m_window->start.WriteFile(picture, Bitmap(Qt::blue));
        m_window->StartTest();
        QCOMPARE(Form()->Image1->Picture().pixelColor(2, 2), QColor(Qt::blue));

        m_window->start.WriteFile(picture, Bitmap(Qt::green));
        m_window->Finish(Dialogs::Answer::Ok);
        QCOMPARE(Form()->Image1->Picture().pixelColor(2, 2), QColor(Qt::green));
        QVERIFY(m_window->start.ReadFile(log).endsWith(ToCp1251("Результат: 0\r\n")));
    }

    void shortcuts_data()
    {
        // The key, where it is typed, in the test mode or not; then the settings line that holds
        // the chosen colour (255) or log afterwards.
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("testMode");
        QTest::addColumn<int>("line");

        QTest::newRow("Ctrl+Q") << int(Qt::Key_Q) << "Form1" << false << 4;
        QTest::newRow("Ctrl+Q in the test mode") << int(Qt::Key_Q) << "Form1" << true << 4;
        QTest::newRow("Ctrl+C in the name field") << int(Qt::Key_C) << "Edit1" << false << 5;
        QTest::newRow("Ctrl+A in the name field") << int(Qt::Key_A) << "Edit1" << false << 6;
        QTest::newRow("Ctrl+I in the grade list") << int(Qt::Key_I) << "ComboBox1" << false << 7;
        QTest::newRow("Ctrl+R in the group field") << int(Qt::Key_R) << "Edit3" << false << 8;
    }

    void shortcuts()
    {
        QFETCH(int, key);
        QFETCH(QString, target);
        QFETCH(bool, testMode);
        QFETCH(int, line);

        QVERIFY(m_window->Open());
        if (testMode) {
            m_window->StartTest();
            QVERIFY(QTest::qWaitForWindowActive(Form()));
        } else {
            Form()->Memo1Click();
        }
        QApplication::clipboard()->setText(QStringLiteral("before"));
        Form()->Edit1->setText(QStringLiteral("Иванов"));
        Form()->Edit1->setSelection(0, 3);
        const QString log = m_window->start.filePath(QStringLiteral("новый журнал.txt"));
        m_window->dialogs.QueueColour(clRed);
        m_window->dialogs.QueuePath(log);

        QWidget *typedInto = target == "Form1" ? Form() : Form()->findChild<QWidget *>(target);
        QTest::keyClick(typedInto, static_cast<Qt::Key>(key), Qt::ControlModifier);

        QCOMPARE(Boxes().shown().size(), 1);
        QCOMPARE(Line(m_window->SettingsFile(), line),
                 line == 8 ? QByteArray::fromStdString(ToCp1251(log)) : QByteArray("255"));
        // The field saw nothing of the key.
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
        QCOMPARE(Form()->Edit1->selectedText(), QStringLiteral("Ива"));
        QCOMPARE(Form()->Timer1->isActive(), testMode);
    }

    void noShortcutWhileACommandRuns()
    {
        QVERIFY(m_window->Open());
        Boxes().WhileNextBoxIsOpen(
            [this] { QTest::keyClick(Form(), Qt::Key_A, Qt::ControlModifier); });
        QTest::keyClick(Form(), Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(Boxes().shown().size(), 1);
    }

    void rightClickShowsNoMenu()
    {
        QVERIFY(m_window->Open());
        QTest::mouseClick(Form(), Qt::RightButton, {}, QPoint(50, 300));
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(50, 300),
                                Form()->mapToGlobal(QPoint(50, 300)));
        QApplication::sendEvent(Form(), &event);
        QVERIFY(QApplication::activePopupWidget() == nullptr);
        QVERIFY(Boxes().shown().isEmpty());
    }

    // Ctrl+P opens a new background-choice window each time, which fills the main window.
    void backgroundCommand()
    {
        QVERIFY(m_window->Open());
        Form()->Memo1Click();
        for (const TColor colour : {clRed, clLime}) {
            QTimer::singleShot(0, this, [this, colour] {
                auto *form3 = qobject_cast<TForm3 *>(QApplication::activeModalWidget());
                QVERIFY(form3);
                // Another shortcut while the window is open starts nothing.
                QTest::keyClick(Form(), Qt::Key_Q, Qt::ControlModifier);
                Boxes().QueueColour(colour);
                QTest::mouseClick(form3->SpeedButton1, Qt::LeftButton);
            });
            QTest::keyClick(Form()->Edit1, Qt::Key_P, Qt::ControlModifier);
            QVERIFY(!Form()->Image1->isVisible());
            QCOMPARE(Colour(Form(), QPalette::Window), ToQColor(colour));
        }
        QCOMPARE(Boxes().colourPresets(), (QList<TColor>{clBlack, clBlack}));
        QCOMPARE(Line(m_window->SettingsFile(), 3), QByteArray("1"));
        QVERIFY(Form()->findChildren<TForm3 *>().isEmpty());
    }

    void helpCommand()
    {
        QVERIFY(m_window->Open());
        QTimer::singleShot(0, this, [] {
            auto *help = qobject_cast<TForm2 *>(QApplication::activeModalWidget());
            QVERIFY(help);
            help->close();
        });
        QTest::keyClick(Form(), Qt::Key_F1);
        QVERIFY(Form()->findChildren<TForm2 *>().isEmpty());
        QVERIFY(Boxes().shown().isEmpty());
    }

    void missingIntroFailsTheStart()
    {
        QFile::remove(m_window->start.filePath(QStringLiteral("Ortus.avi")));
        try {
            TForm1 form(Boxes());
            QFAIL("the window was created without its intro");
        } catch (const AviOpenError &error) {
            QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("Cannot open AVI"));
        }
        QVERIFY(Boxes().shown().isEmpty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
