#include "app/tform1.h"
#include "effectlabel/effectlabel.h"
#include "platform/animationcontrol.h"
#include "platform/statuspanels.h"
#include "platform/stretchedimage.h"
#include "runtime/cp1251.h"
#include "support/bankfixtures.h"
#include "support/mainwindow.h"
#include "windows/tform2.h"
#include "windows/tform3.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <array>

namespace {

QColor Colour(const QWidget *widget, QPalette::ColorRole role)
{
    return widget->palette().color(role);
}

// Line n (1-based) of a CR LF text.
QByteArray Line(const QByteArray &text, int n)
{
    return text.split('\n').value(n - 1).chopped(1);
}

// Long enough that no real tick of the running countdown ends a test: the test ticks it itself.
constexpr int TimeLimit = 20;

// The ways a test ends through the window, as steps: r and w answer rightly and wrongly (R is a
// right click on the right answer, which answers nothing while only the left button may), t ticks
// the countdown to its last second and T ticks once more, F and f answer "Закончить тест?" after
// the finish button with OK and Cancel, C closes the window with OK, q lets the last second pass
// while the next question is open, x starts the test on a bank that is gone. Then the boxes shown.
struct Ending {
    const char *steps;
    QStringList boxes;
};
const QString Finish = QStringLiteral("Закончить тест?");
const QString Completed = QStringLiteral("Тест завершен");
const QString TimedOut = QStringLiteral("Тест окончен!");
const Ending Endings[] = {
    {"rRwr", {Completed}},
    {"rF", {Finish}},
    {"rfwr", {Finish, Completed}},
    {"rtT", {TimedOut}},
    {"tqF", {Finish, TimedOut}},
    {"xF", {QStringLiteral("File not found."), Finish}},
    {"rC", {Finish}},
    {"rtqC", {Finish, TimedOut}},
};

const QString Pupils[] = {QStringLiteral("Иванов Иван"), QStringLiteral("Сидоров Ёжик"),
                          QStringLiteral("Кузнецова-Щукина Юлия")};
const QString Groups[] = {QStringLiteral("7А"), QStringLiteral("11-В")};
// The settings name these in code page 1251, as a teacher's Windows editor writes them.
const QString Picture = QStringLiteral("Фон.bmp");
const QString Log = QStringLiteral("Журнал.txt");

long ResidentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    const qsizetype at = text.indexOf("VmRSS:");
    return at < 0 ? -1 : text.mid(at + 6).trimmed().split(' ').first().toLong();
}

qsizetype OpenDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System).size();
}

} // namespace

// The main window end to end: what reaches the screen, the dialogs and the files when the pupil
// and the teacher use it.
class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindowFixture> m_window;
    TForm1 *Form() const { return m_window->form.get(); }
    ScriptedDialogs &Boxes() const { return m_window->dialogs; }
    TEffectLabel *Label(int n) const
    {
        return Form()->AnswerLabels[static_cast<std::size_t>(n - 1)];
    }
    QString Status(int panel) const { return Form()->StatusBar1->PanelText(panel); }

    // A background picture of one colour; the window loads it anew at each change of mode.
    void WritePicture(const QColor &colour) const
    {
        QImage image(8, 6, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "BMP");
        m_window->start.WriteFile(Picture, bytes);
    }

    // One pupil's test through the window, by mouse; it leaves exactly its record.
    void RunOne(int index)
    {
        const Ending &ending = Endings[index % std::size(Endings)];
        const QByteArray steps = ending.steps;
        const int grade = index % 7;
        const QString pupil = Pupils[index % std::size(Pupils)];
        const QString group = Groups[index % std::size(Groups)];
        TForm1 &form = *Form();
        const QByteArray before = m_window->start.ReadFile(Log);
        if (steps.startsWith('x')) {
            QFile::remove(m_window->start.filePath(BankFileNames[std::size_t(grade)]));
        }
        WritePicture(QColor(index % 256, 0, 0));
        m_window->StartTest(pupil, grade, group);
        QVERIFY(form.TestRunning());
        QCOMPARE(form.size(), QSize(800, 600));
        QTRY_COMPARE(form.windowHandle()->framePosition(), QPoint(0, 0));
        QCOMPARE(form.Image1->Picture().pixelColor(2, 2), QColor(index % 256, 0, 0));
        WritePicture(QColor(index % 256, 255, 0));

        int position = 0;
        const auto tick = [&form](int ticks) {
            for (int tick = 0; tick < ticks; ++tick) {
                form.Timer1Timer();
            }
        };
        for (const char step : steps) {
            if (step == 'r' || step == 'w') {
                const BankQuestion *question = m_window->QuestionOnScreen();
                QVERIFY(question != nullptr);
                QCOMPARE(Status(1), QStringLiteral("Вопрос: %1").arg(++position));
                QCOMPARE(form.Label1->text(), question->text);
                QCOMPARE(Label(2)->Caption(), question->answers[1]);
                QCOMPARE(Label(3)->isVisible(), question->answers.size() >= 3);
                m_window->Answer(step == 'r');
            } else if (step == 'R') {
                m_window->Answer(true, Qt::RightButton);
            } else if (step == 't') {
                tick(TimeLimit - 1);
                QCOMPARE(Status(0), QStringLiteral("Время: 1"));
            } else if (step == 'T') {
                tick(1);
            } else if (step == 'q') {
                Boxes().WhileNextBoxIsOpen([&] { tick(1); });
            } else if (step == 'F' || step == 'f') {
                m_window->Finish(step == 'F' ? Dialogs::Answer::Ok : Dialogs::Answer::Cancel);
            } else if (step == 'C') {
                Boxes().QueueAnswer(Dialogs::Answer::Ok);
                QVERIFY(form.close());
                // The program would end here; the window opens again for the next pupil.
                form.show();
            }
        }
        if (steps.startsWith('x')) {
            m_window->WriteBanks(TimeLimit);
        }
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        QCOMPARE(Boxes().texts(), ending.boxes);
        Boxes().clear();
        QVERIFY(!form.TestRunning() && !form.Timer1->isActive());
        QCOMPARE(form.size(), QSize(600, 350));
        QTRY_COMPARE(form.windowHandle()->framePosition(), QPoint(100, 80));
        QCOMPARE(form.Image1->Picture().pixelColor(2, 2), QColor(index % 256, 255, 0));
        const int score = int(steps.count('r'));
        QCOMPARE(form.Label1->text(), QStringLiteral("Ваш результат в баллах: %1").arg(score));
        QCOMPARE(Status(0) + Status(1), QString());
        const QString record = "\r\n" + pupil +
                               QStringLiteral("\r\nКласс: %1\r\nЮГП: ").arg(5 + grade) + group +
                               QStringLiteral("\r\nРезультат: %1\r\n").arg(score);
        QCOMPARE(m_window->start.ReadFile(Log),
                 before + (steps.startsWith('x') ? QByteArray()
                                                 : QByteArray::fromStdString(ToCp1251(record))));
    }

private slots:
    void init() { m_window = std::make_unique<MainWindowFixture>(); }
    void cleanup() { m_window.reset(); }

    // Without a settings file the window opens all the same, with black texts and no picture. In
    // fill-colour mode the picture is loaded but hidden, and only the window takes the colour:
    // the status bar's black text stays readable.
    void startUp()
    {
        const QString settings = m_window->start.filePath(QStringLiteral("Ortus00.ini"));
        QVERIFY(QFile::remove(settings));
        QVERIFY(m_window->Open());
        QCOMPARE(m_window->Errors(), QStringList{"File not found."});
        QVERIFY(Form()->Image1->isVisibleTo(Form()) && Form()->Image1->Picture().isNull());
        QCOMPARE(Colour(Form()->Label2, QPalette::WindowText), QColor(Qt::black));
        QCOMPARE(Label(5)->FontColor(), clBlack);

        WriteFixtureFile(settings, CrLfLines({"Fon.jpg", "255", "1", "0", "0", "0", "0", "", ""}));
        QVERIFY(m_window->Open());
        QVERIFY(!Form()->Image1->isVisibleTo(Form()) && !Form()->Image1->Picture().isNull());
        QCOMPARE(Colour(Form(), QPalette::Window), QColor(Qt::red));
        const QImage statusBar = Form()->StatusBar1->grab().toImage();
        QCOMPARE(statusBar.pixelColor(statusBar.width() - 10, 10),
                 QApplication::palette().color(QPalette::Window));
    }

    void intro_data()
    {
        // What comes before the first paint: nothing, a click on the title box or a shortcut; or
        // the intro is missing, which fails the start.
        QTest::addColumn<QString>("input");
        QTest::newRow("nothing") << "";
        QTest::newRow("click on the title box") << "click";
        QTest::newRow("teacher's shortcut") << "key";
        QTest::newRow("missing intro") << "missing";
    }

    // The intro is painted before the controls it covers are made; input that needs them makes
    // them at once.
    void intro()
    {
        QFETCH(QString, input);
        if (input == "missing") {
            QVERIFY(QFile::remove(m_window->start.filePath(QStringLiteral("Ortus.avi"))));
            QVERIFY_THROWS_EXCEPTION(AviOpenError, TForm1{Boxes()});
            return;
        }
        m_window->form = std::make_unique<TForm1>(Boxes());
        QVERIFY(Form()->Edit1 == nullptr && Form()->EffectLabel5 == nullptr);
        Form()->show();
        if (input == "click") {
            QTest::mouseClick(Form()->Memo1->viewport(), Qt::LeftButton);
            QVERIFY(Form()->Edit1->isVisible() && !Form()->Memo1->isVisible());
        } else if (input == "key") {
            QTest::keyClick(Form(), Qt::Key_Q, Qt::ControlModifier);
            QCOMPARE(Boxes().shown().size(), 1);
        }
        QTRY_VERIFY(Form()->StartIsFinished());
        QCOMPARE(Colour(Form()->Label2, QPalette::WindowText),
                 ToQColor(Form()->Config().QuestionColor));
        if (!input.isEmpty()) {
            return;
        }
        // Frames 1 to 60, in a loop; the intro's own timer may have moved it on meanwhile.
        for (int step = 0; step < 60 && Form()->Animate1->CurrentFrame() != 60; ++step) {
            Form()->Animate1->AdvanceFrame();
        }
        QCOMPARE(Form()->Animate1->CurrentFrame(), 60);
        Form()->Animate1->AdvanceFrame();
        QCOMPARE(Form()->Animate1->CurrentFrame(), 1);
        QTest::mouseClick(Form()->Memo1->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(!Form()->Animate1->isVisible() && !Form()->Animate1->IsTimerActive());
        QCOMPARE(Form()->Animate1->FrameCount(), 0);
        QCOMPARE(Form()->Image1->geometry(), QRect(0, 0, 600, 331));
        QCOMPARE(Form()->childAt(300, 100), static_cast<QWidget *>(Form()->ComboBox1));
    }

    void introKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Enter") << int(Qt::Key_Return) << true;
        QTest::newRow("Space") << int(Qt::Key_Space) << true;
        QTest::newRow("Escape") << int(Qt::Key_Escape) << true;
        QTest::newRow("a letter") << int(Qt::Key_A) << false;
    }

    // Enter, Space and Escape close the intro as a click does; a test never starts under it.
    void introKeys()
    {
        QFETCH(int, key);
        QFETCH(bool, closes);

        QVERIFY(m_window->Open());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QCOMPARE(Form()->Memo1->isVisible(), !closes);
        QCOMPARE(Form()->Animate1->isVisible(), !closes);
        QCOMPARE(Form()->Edit1->text().isEmpty(), closes);
        if (closes) {
            return;
        }
        Form()->ComboBox1->setCurrentIndex(0);
        Form()->Edit3->setText(QStringLiteral("5А"));
        Form()->Button1Click();
        QVERIFY(Form()->TestRunning());
        QVERIFY(!Form()->Memo1->isVisible() && !Form()->Animate1->isVisible());
        QCOMPARE(Form()->size(), QSize(800, 600));
    }

    void registration_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("grade");
        QTest::addColumn<QString>("group");
        QTest::addColumn<bool>("starts");

        QTest::newRow("grade list untouched") << "Петров" << -1 << "5Б" << false;
        QTest::newRow("name empty") << "" << 0 << "5Б" << false;
        QTest::newRow("group empty") << "Петров" << 0 << "" << false;
        QTest::newRow("blanks count as filled") << "   " << 6 << " " << true;
        QTest::newRow("typed line breaks") << "Ann\nLee" << 0 << "5\r\nA" << true;
    }

    void registration()
    {
        QFETCH(QString, name);
        QFETCH(int, grade);
        QFETCH(QString, group);
        QFETCH(bool, starts);

        QVERIFY(m_window->Open());
        Form()->Memo1Click();
        Form()->Edit1->setText(name);
        Form()->ComboBox1->setCurrentIndex(grade);
        Form()->Edit3->setText(group);
        // Enter goes on from field to field without pressing OK; on the button it presses it.
        QTRY_VERIFY(Form()->Edit1->hasFocus());
        for (QWidget *field :
             {static_cast<QWidget *>(Form()->Edit1), static_cast<QWidget *>(Form()->ComboBox1),
              static_cast<QWidget *>(Form()->Edit3)}) {
            QTest::keyClick(field, field == Form()->ComboBox1 ? Qt::Key_Enter : Qt::Key_Return);
        }
        QVERIFY(Form()->Button1->hasFocus() && Boxes().shown().isEmpty());
        QTest::keyClick(Form()->Button1, Qt::Key_Return);
        QCOMPARE(Form()->TestRunning(), starts);
        QCOMPARE(Boxes().texts(),
                 starts ? QStringList() : QStringList{"Необходимо заполнить все поля!"});
        if (starts) {
            // The record keeps its five lines.
            const std::string typed = Form()->Quiz().PupilName + Form()->Quiz().PupilGroup;
            QCOMPARE(typed.find_first_of("\r\n"), std::string::npos);
            QCOMPARE(typed.size(), ToCp1251(name + group).size());
            // The keyboard is on the first answer; what it types reaches no hidden field.
            QTRY_VERIFY(Form()->EffectLabel1->hasFocus());
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("1"));
            QCOMPARE(Form()->Edit3->text(), group);
            return;
        }
        // No test runs: the window closes unasked, leaving no record.
        QVERIFY(Form()->close());
        QCOMPARE(Boxes().shown().size(), 1);
        QCOMPARE(m_window->Log(), QByteArray("\r\n"));
    }

    void shortcuts_data()
    {
        // The key, where it is typed, in the test mode or not; then the settings line that holds
        // the chosen colour (255) or log afterwards (none: the help window, closed at once).
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
        QTest::newRow("Ctrl+P, then Заливка...") << int(Qt::Key_P) << "Edit1" << false << 2;
        QTest::newRow("F1") << int(Qt::Key_F1) << "Form1" << false << 0;
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
        Boxes().QueueColour(clRed);
        Boxes().QueuePath(log);
        // Another shortcut while the command's dialog is open starts nothing.
        Boxes().WhileNextBoxIsOpen(
            [this] { QTest::keyClick(Form(), Qt::Key_A, Qt::ControlModifier); });

        // The windows of Ctrl+P and F1: a new one at each opening, gone when it closes.
        QTimer::singleShot(0, this, [] {
            if (auto *form3 = qobject_cast<TForm3 *>(QApplication::activeModalWidget())) {
                QTest::mouseClick(form3->SpeedButton1, Qt::LeftButton);
            } else if (auto *help = qobject_cast<TForm2 *>(QApplication::activeModalWidget())) {
                help->close();
            }
        });
        QWidget *typedInto = target == "Form1" ? Form() : Form()->findChild<QWidget *>(target);
        QTest::keyClick(typedInto, static_cast<Qt::Key>(key),
                        key == Qt::Key_F1 ? Qt::NoModifier : Qt::ControlModifier);

        QVERIFY(Form()->findChildren<QDialog *>().isEmpty());
        QCOMPARE(Boxes().shown().size(), line == 0 ? 0 : 1);
        if (line != 0) {
            QCOMPARE(Line(m_window->SettingsFile(), line),
                     line == 8 ? QByteArray::fromStdString(ToCp1251(log)) : QByteArray("255"));
        }
        // Filled with the plain colour.
        QCOMPARE(Form()->Image1->isVisible(), key != Qt::Key_P);
        // The field saw nothing of the key.
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
        QCOMPARE(Form()->Edit1->selectedText(), QStringLiteral("Ива"));
        QCOMPARE(Form()->Timer1->isActive(), testMode);
        // A right click shows no menu.
        QTest::mouseClick(Form(), Qt::RightButton, {}, QPoint(50, 300));
        QVERIFY(QApplication::activePopupWidget() == nullptr);
    }

    // Pupils in turn through one window, as in a class, every way a test ends in turn; the program
    // neither grows nor keeps files open. `make soak` runs a thousand.
    void pupilsInTurn()
    {
        // The offscreen platform warns at every change of mode; a thousand pupils would bury the
        // figures.
        static QtMessageHandler previous = nullptr;
        previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
                if (message != QLatin1String("This plugin does not support propagateSizeHints()")) {
                    previous(type, context, message);
                }
            });
        bool ok = false;
        const int tests = qEnvironmentVariableIntValue("ORTUS_SOAK_TESTS", &ok);
        const int total = ok ? tests : 120;
        const int warmUp = std::min(total, 100);
        m_window->WriteBanks(TimeLimit);
        m_window->start.WriteFile(Log, "\r\n");
        m_window->start.WriteFile(
            QStringLiteral("Ortus00.ini"),
            QByteArray::fromStdString(ToCp1251(Picture + "\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n" +
                                               Log + "\r\n[Button]=L\r\n")));
        QVERIFY(m_window->Open());
        Form()->move(100, 80);
        QElapsedTimer elapsed;
        elapsed.start();
        long rssAfterWarmUp = 0;
        qsizetype descriptorsAfterWarmUp = 0;
        for (int index = 0; index < total; ++index) {
            RunOne(index);
            if (QTest::currentTestFailed()) {
                qInstallMessageHandler(previous);
                QFAIL(qPrintable(QStringLiteral("in test %1 of %2").arg(index + 1).arg(total)));
            }
            if (index + 1 == warmUp) {
                rssAfterWarmUp = ResidentKilobytes();
                descriptorsAfterWarmUp = OpenDescriptors();
            }
        }
        qInstallMessageHandler(previous);
        const long grown = ResidentKilobytes() - rssAfterWarmUp;
        qInfo("%d tests in %lld ms; resident after the first %d: %ld kB, then %+ld kB; open "
              "descriptors %lld, then %lld",
              total, elapsed.elapsed(), warmUp, rssAfterWarmUp, grown,
              static_cast<long long>(descriptorsAfterWarmUp),
              static_cast<long long>(OpenDescriptors()));
        QCOMPARE(OpenDescriptors(), descriptorsAfterWarmUp);
        // Freed memory waits in AddressSanitizer's quarantine, so there the resident size says
        // nothing; LeakSanitizer checks for leaks instead.
#if !defined(__SANITIZE_ADDRESS__)
        QVERIFY2(rssAfterWarmUp > 0 && grown < 5 * 1024, "the program grows from pupil to pupil");
#endif
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
