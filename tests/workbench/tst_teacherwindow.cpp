#include "app/tform1.h"
#include "effectlabel/effectlabel.h"
#include "runtime/cp1251.h"
#include "support/logfixtures.h"
#include "support/mainwindow.h"
#include "support/scripteddialogs.h"
#include "support/startdirectory.h"
#include "workbench/bankstab.h"
#include "workbench/questioneditor.h"
#include "workbench/questionpreview.h"
#include "workbench/resultstab.h"
#include "workbench/teacherdialogs.h"
#include "workbench/teacherwindow.h"

#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

#include <memory>

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
            << Bad::NoSettings << "Не удаётся прочитать Ortus00.ini: File not found";
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
        QVERIFY2(seen.join(QLatin1Char('\n')).contains(shown), qPrintable(seen.join('\n')));
        QVERIFY(!QFileInfo::exists(file));
        if (tab.results().rowCount() > 0) {
            QCOMPARE(tab.results().index(0, ResultsModel::Mark).data().toString(),
                     QStringLiteral("4"));
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
