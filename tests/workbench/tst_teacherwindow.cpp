#include "app/tform1.h"
#include "effectlabel/effectlabel.h"
#include "quiz/questionbank.h"
#include "quiz/resultslog.h"
#include "quiz/testfacts.h"
#include "runtime/cp1251.h"
#include "runtime/ioerror.h"
#include "support/bankfixtures.h"
#include "support/logfixtures.h"
#include "support/mainwindow.h"
#include "support/scripteddialogs.h"
#include "support/startdirectory.h"
#include "workbench/bankstab.h"
#include "workbench/filefollower.h"
#include "workbench/questioneditor.h"
#include "workbench/questionpreview.h"
#include "workbench/resultstab.h"
#include "workbench/teacherdialogs.h"
#include "workbench/teacherwindow.h"

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QFileDialog>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProcess>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTextBrowser>
#include <QtTest>

#include <memory>
#include <random>

// The teacher's window, offscreen, on a copy of the shipped start directory.
namespace {

class TeacherScript : public UnattendedTeacherDialogs {
public:
    void Error(const QString &text) override { errors.append(text); }
    Unsaved AskUnsaved(const QString &) override
    {
        return answers.isEmpty() ? Unsaved::Cancel : answers.takeFirst();
    }

    QStringList errors;
    QList<Unsaved> answers;
};

enum class Bad { NoSettings, MissingLog, Thresholds, CsvFolder, PdfFolder };

QString Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitCode() == 0
               ? QString::fromUtf8(process.readAllStandardOutput())
               : QStringLiteral("%1 failed").arg(program);
}

QString NameAtTop(const ResultsTab &tab)
{
    return tab.table()->model()->index(tab.table()->rowAt(0), ResultsModel::Name).data().toString();
}

// Where the preview draws the test window, in the window's coordinates.
QRect StageOnScreen(const QuestionPreview &preview, const QWidget &window)
{
    QSize stage(QuestionPreview::StageWidth, QuestionPreview::StageHeight);
    stage.scale(preview.size(), Qt::KeepAspectRatio);
    const QPoint corner((preview.width() - stage.width()) / 2,
                        (preview.height() - stage.height()) / 2);
    return {preview.mapTo(&window, corner), stage};
}

QByteArray RedPicture()
{
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    red.save(&buffer, "PNG");
    return bytes;
}

int BarsTotal(const QChart &chart)
{
    int total = 0;
    for (const QBarSet *bars : static_cast<QBarSeries *>(chart.series().front())->barSets()) {
        total += int(bars->sum());
    }
    return total;
}

} // namespace

Q_DECLARE_METATYPE(Bad)

class TestTeacherWindow : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_config;
    TeacherScript m_dialogs;

    QString GeometryFile() const { return m_config.filePath("ortus/ortus-teacher.conf"); }

    // The window on a start directory, shown on its results tab.
    std::unique_ptr<TeacherWindow> OpenResults(const StartDirectoryFixture &start)
    {
        auto window = std::make_unique<TeacherWindow>(&m_dialogs, GeometryFile());
        window->Banks->OpenStartDirectory(start.path());
        window->Tabs->setCurrentWidget(window->Results);
        window->resize(1100, 600);
        return window;
    }

private slots:
    // Open the start directory, edit through the keys, save; the quiz reads what was saved.
    void editAndSave()
    {
        StartDirectoryFixture start(ShippedStartDirectory());
        TeacherWindow window(&m_dialogs, GeometryFile());
        BanksTab &banks = *window.Banks;
        QVERIFY(banks.OpenStartDirectory(start.path()));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(banks.Banks->item(1, 1)->text(), QStringLiteral("Vop67.dat"));

        QTest::keyClick(&window, Qt::Key_2, Qt::AltModifier);
        BankDocument &document = banks.Document();
        QVERIFY(document.FilePath().endsWith("Vop67.dat"));
        // Tab leaves the banks table at once and opens no other bank.
        banks.Banks->setFocus();
        for (int step = 0; step < 5; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QVERIFY(!banks.Banks->hasFocus());
        QVERIFY(document.FilePath().endsWith("Vop67.dat"));
        const QRect second =
            banks.QuestionList->visualRect(document.index(1, BankDocument::TextColumn));
        QTest::mouseClick(banks.QuestionList->viewport(), Qt::LeftButton, {}, second.center());
        QLineEdit *text = banks.Editor->Text;
        text->setFocus();
        text->selectAll();
        QTest::sendKeyEvent(QTest::Click, text, Qt::Key_unknown, QStringLiteral("Новый вопрос"),
                            Qt::NoModifier);
        const int correct = document.Question(1).correct;
        QTest::keyClick(text, Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(document.Question(1).correct, 3);
        QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(document.Question(1).correct, correct);
        QCOMPARE(text->text(), QStringLiteral("Новый вопрос"));
        QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(document.Question(1).correct, 3);
        QVERIFY(window.isWindowModified());

        QTest::keyClick(text, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(m_dialogs.errors, QStringList());
        QVERIFY(!window.isWindowModified());
        QVERIFY(!document.IsModified());

        // A question moved with the keys stays the one in the editor.
        QTest::keyClick(text, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(banks.QuestionList->currentIndex().row(), 2);
        QCOMPARE(text->text(), QStringLiteral("Новый вопрос"));

        // Unsaved changes are asked about; the size and position are kept on closing.
        m_dialogs.answers = {TeacherDialogs::Unsaved::Cancel, TeacherDialogs::Unsaved::Discard};
        QVERIFY(!window.close());
        QVERIFY(window.close());
        QVERIFY(QFile::exists(GeometryFile()));
    }

    // Ctrl+Enter's new answer takes the typing; slots without an answer are not shown. A new bank
    // takes the typing at once, and its empty answers stop the save.
    void typingGoesToTheNewField()
    {
        StartDirectoryFixture start(ShippedStartDirectory());
        QVERIFY(QFile::remove(start.filePath(QStringLiteral("Vop89.dat"))));
        m_dialogs.errors.clear();
        m_dialogs.answers = {TeacherDialogs::Unsaved::Discard};
        TeacherWindow window(&m_dialogs, GeometryFile());
        BanksTab &banks = *window.Banks;
        QVERIFY(banks.OpenStartDirectory(start.path()));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        BankDocument &document = banks.Document();
        QuestionEditor &editor = *banks.Editor;
        const int count = static_cast<int>(document.Question(0).answers.size());
        QVERIFY(count < MaxAnswers);
        QVERIFY(!editor.Answers[count]->isVisible());
        QLineEdit *last = editor.Answers[count - 1];
        last->setFocus();
        last->end(false);
        QTest::keyClicks(last, QStringLiteral("64"));
        QTest::keyClick(last, Qt::Key_Return, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("zz"));
        QVERIFY(document.Question(0).answers[count - 1].endsWith(QStringLiteral("64")));
        QCOMPARE(document.Question(0).answers[count], QStringLiteral("zz"));
        QVERIFY(editor.Answers[count]->isVisible());

        QTest::keyClick(&window, Qt::Key_3, Qt::AltModifier);
        QTest::keyClick(&window, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(document.FilePath().endsWith(QStringLiteral("Vop89.dat")));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("How many?"));
        QCOMPARE(document.Question(0).text, QStringLiteral("How many?"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_1, Qt::ControlModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!QFile::exists(start.filePath(QStringLiteral("Vop89.dat"))));
        QVERIFY2(m_dialogs.errors.join('\n').contains(QStringLiteral("Ответ 1 пуст")),
                 qPrintable(m_dialogs.errors.join('\n')));
    }

    // The preview follows the settings and the picture, the list its banks, the editor the open
    // bank while it holds no edits; the window's own save is no change.
    void followsTheFilesOnDisk()
    {
        StartDirectoryFixture start(ShippedStartDirectory());
        TeacherWindow window(&m_dialogs, GeometryFile());
        BanksTab &banks = *window.Banks;
        QVERIFY(banks.OpenStartDirectory(start.path()));
        FileFollower &follower = *banks.findChild<FileFollower *>();
        // Right of the answers, below the question: the background.
        const QPoint background(797, 95);

        start.WriteFile(QStringLiteral("Fon.jpg"), RedPicture());
        follower.Look();
        QCOMPARE(banks.Preview->StageImage().pixel(background), qRgb(255, 0, 0));
        // A blue fill chosen in the quiz.
        start.WriteFile(
            QStringLiteral("Ortus00.ini"),
            start.ReadFile(QStringLiteral("Ortus00.ini"))
                .replace("Fon.jpg\r\n16445670\r\n0\r\n", "Fon.jpg\r\n16711680\r\n1\r\n"));
        follower.Look();
        QCOMPARE(banks.Preview->StageImage().pixel(background), qRgb(0, 0, 255));

        const QByteArray cutShort = CrLfLines({"3 60", "gg", "Q1", "a", "b", "#", "Q2", "c", "#"});
        start.WriteFile(QStringLiteral("Vop67.dat"), cutShort);
        follower.Look();
        QCOMPARE(banks.Banks->item(1, 2)->text(), QStringLiteral("2 (в заголовке 3)"));

        BankDocument &document = banks.Document();
        start.WriteFile(QStringLiteral("Vop5.dat"), cutShort);
        follower.Look();
        QCOMPARE(document.Question(0).text, QStringLiteral("Q1"));
        QVERIFY2(window.statusBar()->currentMessage().contains(QStringLiteral("вопросов 3")),
                 qPrintable(window.statusBar()->currentMessage()));

        document.SetQuestionText(1, QStringLiteral("правка"));
        start.WriteFile(QStringLiteral("Vop5.dat"), CrLfLines({"1 60", "g", "Q", "a", "#"}));
        follower.Look();
        QCOMPARE(document.Question(1).text, QStringLiteral("правка"));
        QVERIFY(window.statusBar()->currentMessage().contains(QStringLiteral("другой программой")));
        banks.Save->trigger();
        follower.Look();
        QCOMPARE(document.UndoStack().count(), 1);
        QCOMPARE(document.Question(1).text, QStringLiteral("правка"));
    }

    // A message of the status bar describes the present state or goes.
    void statusSaysWhatHolds()
    {
        StartDirectoryFixture start(ShippedStartDirectory());
        const StartDirectoryFixture noBanks(QStringList{QStringLiteral("Ortus00.ini")});
        TeacherWindow window(&m_dialogs, GeometryFile());
        BanksTab &banks = *window.Banks;
        QVERIFY(banks.OpenStartDirectory(noBanks.path()));
        QVERIFY(window.statusBar()->currentMessage().contains(QStringLiteral("нет в папке")));
        QVERIFY(banks.OpenStartDirectory(start.path()));
        QCOMPARE(window.statusBar()->currentMessage(), QString());

        banks.Document().SetQuestionText(0, QStringLiteral("правка"));
        banks.Save->trigger();
        QVERIFY(window.statusBar()->currentMessage().contains(QStringLiteral("сохранён")));
        banks.Document().SetQuestionText(0, QStringLiteral("ещё правка"));
        QCOMPARE(window.statusBar()->currentMessage(), QString());
        banks.Save->trigger();
        banks.OpenBankActions[3]->trigger();
        QCOMPARE(window.statusBar()->currentMessage(), QString());
    }

    // On a classroom PC's screen the editor shows whole and the preview's answers are readable
    // (at least 0.6 of the test window's size); on a larger one nothing stands empty between
    // the editor and the preview.
    void bankTabFitsTheScreen_data()
    {
        QTest::addColumn<QSize>("size");
        // The screen less the window's frame and a panel.
        QTest::newRow("1024 x 768") << QSize(1024, 700);
        QTest::newRow("1280 x 1024") << QSize(1280, 950);
    }

    void bankTabFitsTheScreen()
    {
        QFETCH(QSize, size);
        StartDirectoryFixture start(ShippedStartDirectory());
        TeacherWindow window(&m_dialogs, GeometryFile());
        BanksTab &banks = *window.Banks;
        QVERIFY(banks.OpenStartDirectory(start.path()));
        window.resize(size);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.size(), size);
        const QRect stage = StageOnScreen(*banks.Preview, window);
        QVERIFY2(stage.width() >= QuestionPreview::StageWidth * 6 / 10,
                 qPrintable(QString::number(stage.width())));
        const QRect editor(banks.Editor->mapTo(&window, QPoint()), banks.Editor->size());
        QVERIFY(window.rect().contains(editor));
        QVERIFY2(stage.top() - editor.bottom() < 40,
                 qPrintable(QStringLiteral("%1 %2").arg(editor.bottom()).arg(stage.top())));
        for (int column = 0; column < banks.Banks->columnCount(); ++column) {
            QVERIFY(banks.Banks->columnViewportPosition(column) +
                        banks.Banks->columnWidth(column) <=
                    banks.Banks->viewport()->width());
        }
    }

    // The window opens within the screen: maximized where its size does not fit, as it is where
    // it does.
    void opensWithinTheScreen_data()
    {
        QTest::addColumn<QSize>("kept"); // the size of the last run; none: the first start
        QTest::addColumn<QRect>("available");
        QTest::addColumn<bool>("maximized");
        QTest::newRow("first start, 1024 x 768") << QSize() << QRect(0, 0, 1024, 740) << true;
        QTest::newRow("first start, 1280 x 1024") << QSize() << QRect(0, 0, 1280, 996) << false;
        QTest::newRow("kept from a wide screen")
            << QSize(1800, 700) << QRect(0, 28, 1280, 996) << true;
        QTest::newRow("kept, fits") << QSize(900, 650) << QRect(0, 0, 1024, 740) << false;
    }
    void opensWithinTheScreen()
    {
        QFETCH(QSize, kept);
        QFETCH(QRect, available);
        QFETCH(bool, maximized);
        QFile::remove(GeometryFile());
        if (kept.isValid()) {
            TeacherWindow last(&m_dialogs, GeometryFile());
            last.resize(kept);
            last.close();
        }
        TeacherWindow window(&m_dialogs, GeometryFile());
        const QSize before = window.size();
        window.FitToScreen(available);
        QCOMPARE(window.isMaximized(), maximized);
        QVERIFY(window.width() < available.width() && window.height() < available.height());
        if (!maximized) {
            QCOMPARE(window.size(), before);
        }
    }

    // The help names every key of the menus and the source format of the banks.
    void helpNamesEveryKey()
    {
        TeacherWindow window(&m_dialogs, GeometryFile());
        window.ShowHelp->trigger();
        QVERIFY(window.Help != nullptr && window.Help->isVisible());
        const QString help = window.Help->findChild<QTextBrowser *>()->toPlainText();
        for (const QAction *action : window.findChildren<QAction *>()) {
            for (const QKeySequence &keys : action->shortcuts()) {
                QVERIFY2(help.contains(keys.toString(QKeySequence::NativeText)),
                         qPrintable(action->text()));
            }
        }
        QVERIFY(help.contains(QStringLiteral("Время: 20 мин")));
    }

    // The preview's question and answers are the test window's pixels, at rest and under the
    // pointer.
    void previewIsTheTestWindow()
    {
        MainWindowFixture quizWindow;
        QVERIFY(quizWindow.Open());
        quizWindow.StartTest(QStringLiteral("Ученик"), 0, QStringLiteral("5А"));
        TForm1 &quiz = *quizWindow.form;
        const int question = quiz.Quiz().Bank.QuestionOrder[1];

        TeacherWindow window(&m_dialogs, GeometryFile());
        QVERIFY(window.Banks->OpenStartDirectory(quizWindow.start.path()));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.Banks->QuestionList->setCurrentIndex(
            window.Banks->Document().index(question - 1, BankDocument::TextColumn));
        QuestionPreview &preview = *window.Banks->Preview;

        const auto compare = [&] {
            const QImage expected = quiz.grab().toImage().convertToFormat(QImage::Format_RGB32);
            const QImage shown = preview.StageImage();
            QVERIFY(quiz.EffectLabel2->isVisible());
            for (QWidget *control :
                 {static_cast<QWidget *>(quiz.Label1), static_cast<QWidget *>(quiz.EffectLabel1),
                  static_cast<QWidget *>(quiz.EffectLabel2)}) {
                const QRect area = control->geometry();
                QVERIFY2(shown.copy(area) == expected.copy(area),
                         qPrintable(control->objectName()));
            }
        };
        compare();
        quiz.EffectLabelMouseMove(2);
        // The label's centre, where the preview draws it.
        QSize stage(QuestionPreview::StageWidth, QuestionPreview::StageHeight);
        stage.scale(preview.size(), Qt::KeepAspectRatio);
        const QPoint centre = quiz.EffectLabel2->geometry().center();
        QTest::mouseMove(&preview,
                         QPoint((preview.width() - stage.width()) / 2 +
                                    centre.x() * stage.width() / QuestionPreview::StageWidth,
                                (preview.height() - stage.height()) / 2 +
                                    centre.y() * stage.height() / QuestionPreview::StageHeight));
        compare();

        // "Показать как ученику" (F5): the same screen at its own size, closed with Escape.
        QTest::keyClick(&window, Qt::Key_F5);
        QWidget *fullSize = preview.FullSizeWindow();
        QVERIFY(fullSize != nullptr && fullSize->isVisible());
        QCOMPARE(fullSize->size(), QSize(800, 600));
        QVERIFY(QTest::qWaitForWindowExposed(fullSize));
        const QImage drawn = fullSize->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect questionArea = quiz.Label1->geometry();
        QVERIFY(drawn.copy(questionArea) ==
                quiz.grab().toImage().convertToFormat(QImage::Format_RGB32).copy(questionArea));
        QTest::keyClick(fullSize, Qt::Key_Escape);
        QVERIFY(!fullSize->isVisible());
    }

    void followsTheLogAsItGrows()
    {
        const StartDirectoryFixture start(ShippedStartDirectory());
        QByteArrayList records;
        for (int i = 1; i <= 200; ++i) {
            records.append(
                LogRecordBytes(QStringLiteral("Ученик %1").arg(i, 3, 10, QLatin1Char('0')), "7",
                               QStringLiteral("7А"), i % 21));
        }
        start.WriteFile(QStringLiteral("Results.txt"), LogBytes(records));
        const auto window = OpenResults(start);
        ResultsTab &tab = *window->Results;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        // Grade 7's question count is read from its bank, Vop67.dat.
        QCOMPARE(tab.questions(QStringLiteral("7"))->value(), 21);
        QCOMPARE(tab.results().rowCount(), 200);

        tab.table()->sortByColumn(ResultsModel::Name, Qt::AscendingOrder);
        tab.table()->scrollTo(tab.shown().index(100, 0), QAbstractItemView::PositionAtTop);
        const QString top = NameAtTop(tab);
        // Sorts above the rows in view.
        QFile log(start.filePath(QStringLiteral("Results.txt")));
        QVERIFY(log.open(QIODevice::Append));
        log.write(LogRecordBytes(QStringLiteral("Ученик 000"), "7", QStringLiteral("7А"), 20));
        log.close();
        QTRY_COMPARE(tab.results().rowCount(), 201);
        QCOMPARE(NameAtTop(tab), top);
        QVERIFY(tab.results().index(200, 0).data(Qt::FontRole).value<QFont>().bold());
        QVERIFY(!tab.results().index(199, 0).data(Qt::FontRole).value<QFont>().bold());
        QTRY_COMPARE(BarsTotal(*tab.chart()), 201);
        // A screen reader gets the chart's counts in words: the one group's bars, «5» to «2».
        QStringList counts;
        const QBarSet *bars =
            static_cast<QBarSeries *>(tab.chart()->series().front())->barSets().front();
        for (int i = 0; i < 4; ++i) {
            counts.append(QStringLiteral("«%1» %2").arg(5 - i).arg(int(bars->at(i))));
        }
        QCOMPARE(tab.chart()->scene()->views().front()->accessibleDescription(),
                 QStringLiteral("7А (7 кл.): ") + counts.join(QStringLiteral(", ")));
        QTRY_VERIFY2(tab.stateText().contains(QStringLiteral("записей 201, из них новых 1")),
                     qPrintable(tab.stateText()));

        // Another start directory, whose settings name no log: its state, no rows of the first.
        const StartDirectoryFixture other(QStringList{});
        other.WriteFile(QStringLiteral("Ortus00.ini"),
                        CrLfLines({"", "0", "0", "0", "0", "0", "0", "", "[Button]=L"}));
        QVERIFY(window->Banks->OpenStartDirectory(other.path()));
        QCOMPARE(tab.results().rowCount(), 0);
        QCOMPARE(tab.questions(QStringLiteral("7"))->value(), 0);
        QCOMPARE(tab.stateText(), QStringLiteral("В Ortus00.ini не указан журнал результатов."));
    }

    // A lesson's tests as the quiz logs them: their time, the questions the class got wrong (a
    // double-click shows the question in its bank), the counts that follow a changed bank and a
    // result that found no log.
    void lessonWithDetails()
    {
        const StartDirectoryFixture start(ShippedStartDirectory());
        const std::string folder = start.path().toStdString();
        QuestionBank bank;
        std::mt19937 generator;
        LoadBank(bank, folder + "/Vop67.dat", generator);
        const int right = bank.AnswerKey[0] - 100 - 1;
        const int wrong = right % 2 + 1;
        TestFacts facts{"Vop67.dat",
                        ShortHash(start.ReadFile(QStringLiteral("Vop67.dat")).toStdString()),
                        bank.QuestionCount,
                        600,
                        300,
                        TestEnding::FinishedEarly,
                        {{1, wrong}, {2, 0}}};
        for (const char *name : {"Ivanov", "Petrov"}) {
            AppendResult("Results.txt", folder, {name, "7", "7A", 0}, facts);
        }
        QVERIFY_EXCEPTION_THROWN(AppendResult("gone.txt", folder, {"Sidorov", "7", "7A", 3}, facts),
                                 EInOutError);

        const auto window = OpenResults(start);
        ResultsTab &tab = *window->Results;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const int rows = tab.results().rowCount();
        QVERIFY(rows >= 2);
        QVERIFY(!tab.results()
                     .index(rows - 1, ResultsModel::Time)
                     .data()
                     .toString()
                     .contains("без подробностей"));
        QVERIFY(!tab.findings()->findItems("Ждёт записи в журнал", Qt::MatchContains).isEmpty());

        // The tests ended before the window opened; both within the last hour.
        tab.lessonFilter()->setCurrentIndex(1);
        QCOMPARE(tab.shown().rowCount(), 0);
        tab.since()->setDateTime(QDateTime::currentDateTime().addSecs(-3600));
        tab.lessonFilter()->setCurrentIndex(3);
        QCOMPARE(tab.shown().rowCount(), 2);
        tab.gradeFilter()->setCurrentText(QStringLiteral("7"));
        QTRY_COMPARE(tab.questionView()->model()->rowCount(), int(bank.QuestionCount));
        const QModelIndex hardest = tab.questionView()->model()->index(0, 0);
        QCOMPARE(hardest.data().toString(), QStringLiteral("1 !"));
        QVERIFY(hardest.data(Qt::BackgroundRole).isValid());
        QCOMPARE(tab.questionView()->model()->index(1, 5).data().toString(), "2");
        emit tab.questionView()->doubleClicked(hardest);
        QCOMPARE(window->Tabs->currentWidget(), window->Banks);
        QCOMPARE(window->Banks->QuestionList->currentIndex().row(), 0);

        // The bank is cut to two questions on disk: grade 7's count follows.
        start.WriteFile(QStringLiteral("Vop67.dat"), TwoQuestions);
        tab.poll();
        QCOMPARE(tab.questions(QStringLiteral("7"))->value(), 2);
    }

    // Through the real programs: a test taken in the quiz shows in the results tab with its time
    // and its mark, and a bank edited afterwards changes the grade's count but not that mark.
    void markFixedWhenTheTestEnds()
    {
        MainWindowFixture quiz;
        QVERIFY(quiz.Open());
        quiz.StartTest(QStringLiteral("Ученик"), 0, QStringLiteral("5А"));
        for (const bool right : {true, true, false}) {
            quiz.Answer(right);
        }
        QVERIFY(!quiz.form->TestRunning());

        const auto window = OpenResults(quiz.start);
        ResultsTab &tab = *window->Results;
        const int row = tab.results().rowCount() - 1;
        const auto cell = [&](int column) {
            return tab.results().index(row, column).data().toString();
        };
        QCOMPARE(cell(ResultsModel::Name), QStringLiteral("Ученик"));
        // 2 of 3: 66,6 %, a «3», once the details are read.
        QTRY_COMPARE(cell(ResultsModel::Mark), QStringLiteral("3"));
        QVERIFY(QDateTime::fromString(cell(ResultsModel::Time), "dd.MM.yyyy HH:mm").isValid());

        // Two more questions: 2 of 5 would be a «2».
        std::vector<BankQuestion> five = ThreeQuestions();
        five.insert(five.end(), {five[0], five[1]});
        quiz.start.WriteFile(QStringLiteral("Vop5.dat"),
                             QByteArray::fromStdString(WriteBankBytes(600, five)));
        tab.poll();
        QTRY_COMPARE(tab.questions(QStringLiteral("5"))->value(), 5);
        QCOMPARE(cell(ResultsModel::Mark), QStringLiteral("3"));
    }

    // A classroom PC's 1024 × 768: every column of the results table and of the summary in view,
    // with a long name and every mark.
    void resultsFitA1024Screen()
    {
        const StartDirectoryFixture start(ShippedStartDirectory());
        QByteArrayList records;
        for (int score = 0; score <= 21; ++score) {
            records.append(
                LogRecordBytes(QStringLiteral("Константинопольская Александра %1").arg(score), "7",
                               QStringLiteral("7А"), score));
        }
        start.WriteFile(QStringLiteral("Results.txt"), LogBytes(records));
        const auto window = OpenResults(start);
        window->resize(1024, 700);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QCOMPARE(window->size(), QSize(1024, 700));
        QTRY_VERIFY(window->Results->summary()->model()->rowCount() > 0);
        for (QTableView *view : {window->Results->table(), window->Results->summary()}) {
            QTRY_VERIFY2(view->horizontalHeader()->length() <= view->viewport()->width(),
                         qPrintable(QStringLiteral("%1 > %2")
                                        .arg(view->horizontalHeader()->length())
                                        .arg(view->viewport()->width())));
            QVERIFY(!view->horizontalScrollBar()->isVisible());
        }
    }

    // "results" typed in the CSV or PDF dialog is saved as results.csv or results.pdf.
    void saveDialogsAddTheSuffix_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("CSV") << "CSV (*.csv)"
                             << "csv";
        QTest::newRow("PDF") << "PDF (*.pdf)"
                             << "pdf";
    }
    void saveDialogsAddTheSuffix()
    {
        QFETCH(QString, filter);
        QFETCH(QString, suffix);
        QString seen;
        QTimer::singleShot(0, this, [&seen] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            seen = dialog != nullptr ? dialog->defaultSuffix() : QStringLiteral("no dialog");
            if (dialog != nullptr) {
                dialog->reject();
            }
        });
        QtTeacherDialogs dialogs(nullptr);
        QVERIFY(!dialogs.SaveFile(QStringLiteral("Сохранить"), m_config.path(), filter));
        QCOMPARE(seen, suffix);
    }

    // One page per group, each with its own pupils, in a PDF that text tools read.
    void savesTheClassSheetAsPdf()
    {
        const StartDirectoryFixture start(ShippedStartDirectory());
        start.WriteFile(
            QStringLiteral("Results.txt"),
            LogBytes({LogRecordBytes(QStringLiteral("Иванов Иван"), "7", QStringLiteral("7А"), 12),
                      LogRecordBytes(QStringLiteral("Ли Юн"), "10", QStringLiteral("10Б"), 3),
                      LogRecordBytes(QStringLiteral("Ким Ирина"), "7", QStringLiteral("7А"), 20)}));
        const auto window = OpenResults(start);
        const QString pdf = start.filePath(QStringLiteral("класс.pdf"));
        QVERIFY(window->Results->savePdf(pdf));
        QVERIFY(Run(QStringLiteral("pdfinfo"), {pdf}).contains(QRegularExpression("Pages: +2\n")));
        const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
        const QStringList pages = {QStringLiteral("Иванов Иван|Ким Ирина|7А (7 кл.)"),
                                   QStringLiteral("Ли Юн|10Б (10 кл.)")};
        for (int page = 1; page <= 2; ++page) {
            const QString text =
                Run(QStringLiteral("pdftotext"),
                    {"-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
            QVERIFY2(text.contains(today), qPrintable(text));
            for (const QString &name : pages[page - 1].split(QLatin1Char('|'))) {
                QVERIFY2(text.contains(name), qPrintable(text));
            }
            QVERIFY2(!text.contains(pages[2 - page].section(QLatin1Char('|'), 0, 0)),
                     qPrintable(text));
        }
    }

    void badResultsInput_data()
    {
        QTest::addColumn<Bad>("bad");
        QTest::addColumn<QString>("shown");

        QTest::newRow("no settings file")
            << Bad::NoSettings << "Не удаётся прочитать Ortus00.ini: файла нет.";
        QTest::newRow("the log is missing")
            << Bad::MissingLog << "Results.txt» нет (File not found)";
        QTest::newRow("thresholds not rising")
            << Bad::Thresholds << "Пороги: три процента от 0 до 100 по возрастанию";
        QTest::newRow("CSV into a missing folder") << Bad::CsvFolder << "Не удаётся сохранить «";
        QTest::newRow("PDF into a missing folder") << Bad::PdfFolder << "Не удаётся сохранить «";
    }

    // What the teacher sees; nothing is lost and nothing else changes.
    void badResultsInput()
    {
        QFETCH(Bad, bad);
        QFETCH(QString, shown);

        const StartDirectoryFixture start(bad == Bad::NoSettings
                                              ? QStringList{QStringLiteral("Vop5.dat")}
                                              : ShippedStartDirectory());
        if (bad == Bad::MissingLog) {
            QVERIFY(QFile::remove(start.filePath(QStringLiteral("Results.txt"))));
        } else {
            start.WriteFile(
                QStringLiteral("Results.txt"),
                LogBytes({LogRecordBytes(QStringLiteral("Ли Юн"), "5", QStringLiteral("5В"), 15)}));
        }
        m_dialogs.errors.clear();
        const auto window = OpenResults(start);
        ResultsTab &tab = *window->Results;
        tab.questions(QStringLiteral("5"))->setValue(20);
        const QString file = start.filePath(QStringLiteral("нет такой папки/итог"));
        QStringList seen{tab.stateText()};
        switch (bad) {
        case Bad::Thresholds:
            tab.thresholds()->setText(QStringLiteral("50,90,85"));
            for (const QLabel *label : tab.findChildren<QLabel *>()) {
                seen.append(label->isVisibleTo(&tab) ? label->text() : QString());
            }
            break;
        case Bad::CsvFolder:
            QVERIFY(!tab.saveCsv(file));
            break;
        case Bad::PdfFolder:
            QVERIFY(!tab.savePdf(file));
            break;
        default:
            break;
        }
        seen += m_dialogs.errors;
        seen.append(window->Banks->PreviewNote->text());
        QVERIFY2(seen.join(QLatin1Char('\n')).contains(shown), qPrintable(seen.join('\n')));
        QVERIFY(!QFileInfo::exists(file));
        if (tab.results().rowCount() > 0) {
            QCOMPARE(tab.results().index(0, ResultsModel::Mark).data().toString(),
                     QStringLiteral("4"));
        }
    }

    // The folder opened is read wherever the program was started, and the current directory
    // stays as it was: the settings, the picture and the log they name, the banks.
    void opensAFolderWithoutEnteringIt()
    {
        const StartDirectoryFixture start(ShippedStartDirectory());
        QImage blue(8, 8, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        QVERIFY(blue.save(start.filePath(QStringLiteral("Фон.bmp"))));
        start.WriteFile(QStringLiteral("Ortus00.ini"),
                        start.ReadFile(QStringLiteral("Ortus00.ini"))
                            .replace("Fon.jpg", QByteArray::fromStdString(
                                                    ToCp1251(QStringLiteral("Фон.bmp")))));
        start.WriteFile(
            QStringLiteral("Results.txt"),
            LogBytes({LogRecordBytes(QStringLiteral("Ли Юн"), "5", QStringLiteral("5В"), 15)}));
        // The current directory: another start directory, whose log has two records.
        const StartDirectoryFixture current(ShippedStartDirectory());
        current.WriteFile(
            QStringLiteral("Results.txt"),
            LogBytes({LogRecordBytes(QStringLiteral("Ким Ирина"), "7", QStringLiteral("7А"), 20),
                      LogRecordBytes(QStringLiteral("Ким Олег"), "7", QStringLiteral("7А"), 9)}));

        const auto window = OpenResults(start);
        QCOMPARE(QDir::currentPath(), current.path());
        QCOMPARE(window->Results->results().rowCount(), 1);
        QCOMPARE(window->Banks->Preview->StageImage().pixel(20, 300), qRgb(0, 0, 255));
        QVERIFY(window->Banks->Document().FilePath().startsWith(start.path()));
        QVERIFY(window->Banks->Document().rowCount() > 0);
    }

    // At the program's start the results tab is built right after the window's first paint, or
    // at once when the teacher opens it sooner: either way it reads the start directory's log,
    // and its menu has its entries.
    void resultsTabWaitsForTheFirstPaint_data()
    {
        QTest::addColumn<bool>("openedFirst");
        QTest::newRow("built after the paint") << false;
        QTest::newRow("opened before the paint") << true;
    }

    void resultsTabWaitsForTheFirstPaint()
    {
        QFETCH(bool, openedFirst);
        const StartDirectoryFixture start(ShippedStartDirectory());
        start.WriteFile(
            QStringLiteral("Results.txt"),
            LogBytes({LogRecordBytes(QStringLiteral("Ли Юн"), "5", QStringLiteral("5В"), 15)}));
        TeacherWindow window(&m_dialogs, GeometryFile(), nullptr,
                             TeacherWindow::ResultsBuilt::AfterFirstPaint);
        window.show();
        QVERIFY(window.Banks->OpenStartDirectory(start.path()));
        QVERIFY(window.Results == nullptr);
        if (openedFirst) {
            window.Tabs->setCurrentIndex(1);
            QVERIFY(window.Results != nullptr);
        }
        QTRY_VERIFY(window.Results != nullptr);
        QTRY_COMPARE(window.Results->results().rowCount(), 1);
        QCOMPARE(window.Tabs->count(), 2);
        QCOMPARE(window.Tabs->indexOf(window.Results), 1);
        QCOMPARE(window.Tabs->tabText(1), QStringLiteral("Результаты"));
        QCOMPARE(window.Tabs->currentWidget(),
                 openedFirst ? static_cast<QWidget *>(window.Results) : window.Banks);
        QList<QAction *> entries;
        for (QAction *menu : window.menuBar()->actions()) {
            if (menu->text() == QStringLiteral("&Результаты")) {
                entries = menu->menu()->actions();
            }
        }
        for (QAction *action : {window.Results->OpenLog, window.Results->SaveCsv,
                                window.Results->PrintSheet, window.Results->SavePdf}) {
            QVERIFY(entries.contains(action));
        }
    }

    // Qt Charts (GPL-3) and the EMF library (GPL-2 only) never share a process: the preview's EMF
    // background, named in CP1251 as an editor on Windows saves it, is drawn by the helper.
    void emfBackgroundIsDrawnOutsideTheProcess()
    {
        qputenv("ORTUS_METAFILE_HELPER", ORTUS_METAFILE_HELPER_PATH);
        const StartDirectoryFixture start(ShippedStartDirectory());
        QFile emf(QStringLiteral(ORTUS_SOURCE_DIR "/fuzz/corpus/metafile/rectangle.emf"));
        QVERIFY(emf.open(QIODevice::ReadOnly));
        start.WriteFile(QStringLiteral("Фон.emf"), emf.readAll());
        start.WriteFile(QStringLiteral("Ortus00.ini"),
                        start.ReadFile(QStringLiteral("Ortus00.ini"))
                            .replace("Fon.jpg", QByteArray::fromStdString(
                                                    ToCp1251(QStringLiteral("Фон.emf")))));
        TeacherWindow window(&m_dialogs, GeometryFile());
        QVERIFY(window.Banks->OpenStartDirectory(start.path()));
        // The drawing's left half is red, stretched over the test window.
        QCOMPARE(window.Banks->Preview->StageImage().pixel(20, 300), qRgb(255, 0, 0));
        QFile maps(QStringLiteral("/proc/self/maps"));
        QVERIFY(maps.open(QIODevice::ReadOnly));
        const QByteArray mapped = maps.readAll();
        QVERIFY(!mapped.contains("libemf2svg") && !mapped.contains("libwmf"));
    }
};

QTEST_MAIN(TestTeacherWindow)
#include "tst_teacherwindow.moc"
