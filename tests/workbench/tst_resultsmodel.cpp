#include "quiz/resultslog.h"
#include "quiz/testfacts.h"
#include "runtime/cp1251.h"
#include "support/logfixtures.h"
#include "support/startdirectory.h"
#include "workbench/markschart.h"
#include "workbench/resultsmodel.h"

#include <QAbstractAxis>
#include <QAbstractItemModelTester>
#include <QChart>
#include <QDir>
#include <QLegend>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

enum class Change {
    Append,
    QuizAppend,
    Truncate,
    Replace,
    RewriteInPlace,
    Delete,
    Recreate,
    Folder
};

const QByteArray A = LogRecordBytes("Иванов Иван", "7", "7А", 12);
const QByteArray B = LogRecordBytes("Петрова Мария", "10", "10Б", 17);
const QByteArray C = LogRecordBytes("Сидоров Пётр", "7", "7Б", 0);
const QByteArray D = LogRecordBytes("Ли Юн", "7", "7А", 18);

// "line name|grade|group|score" of each record, "line: message" of each note.
QStringList Described(const std::vector<LogRecord> &records, const std::vector<LogNote> &notes)
{
    QStringList described;
    for (const LogRecord &r : records) {
        described.append(QStringLiteral("%1 %2|%3|%4|%5")
                             .arg(r.line)
                             .arg(r.name, r.grade, r.group)
                             .arg(r.score));
    }
    for (const LogNote &note : notes) {
        described.append(QStringLiteral("%1: %2").arg(note.line).arg(note.message));
    }
    return described;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

Q_DECLARE_METATYPE(Change)

class TestResultsModel : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString Path(const QString &name) const { return m_dir.filePath(name); }

    // Six pupils of three grades, one of them without a known question count.
    void OpenClass(ResultsModel &model)
    {
        WriteFixtureFile(Path(QStringLiteral("class.txt")),
                         LogBytes({LogRecordBytes("Иванов Иван", "7", "7А", 5),
                                   LogRecordBytes("Ли Юн", "5", "5В", 17),
                                   LogRecordBytes("Петрова Мария", "7", "7Б", 10),
                                   LogRecordBytes("иванова Ольга", "7", "7А", 7),
                                   LogRecordBytes("Сидоров Пётр", "10", "10А", 3),
                                   LogRecordBytes("Ким Ирина", "5", "5В", 20)}));
        model.openLog(Path(QStringLiteral("class.txt")));
        model.setQuestionCount(QStringLiteral("5"), 20);
        model.setQuestionCount(QStringLiteral("7"), 10);
    }

private slots:
    void follows_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<Change>("change");
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<bool>("restarted");
        QTest::addColumn<int>("arrived");
        QTest::addColumn<ResultsDocument::State>("state");

        using S = ResultsDocument::State;
        const QByteArray log = LogBytes({A, B, C});
        const QByteArray stray = ToCp1251(QStringLiteral("проверено\r\n")).c_str();
        const qsizetype grade = D.indexOf("\r\n", 2) + 2;
        QTest::newRow("a record in two pieces, cut inside its score")
            << log << Change::Append << QByteArrayList{D.chopped(3), D.right(3)} << false << 1
            << S::Reading;
        QTest::newRow("cut between CR and LF")
            << log << Change::Append << QByteArrayList{D.chopped(1), "\n" + B} << false << 2
            << S::Reading;
        QTest::newRow("a record cut short, finished later")
            << log << Change::Append << QByteArrayList{D.left(grade + 4), D.mid(grade + 4)} << false
            << 1 << S::Reading;
        QTest::newRow("a stray line, then a record")
            << log << Change::Append << QByteArrayList{stray, D} << false << 1 << S::Reading;
        QTest::newRow("first records of a fresh log")
            << QByteArray("\r\n") << Change::Append << QByteArrayList{A, B} << false << 2
            << S::Reading;
        QTest::newRow("Ctrl+Z at the end, then the quiz appends")
            << log + "\x1a" << Change::QuizAppend << QByteArrayList{D} << false << 1 << S::Reading;
        QTest::newRow("nothing after a Ctrl+Z in the middle counts")
            << LogBytes({A}) + "\x1a" + B << Change::Append << QByteArrayList{D} << false << 0
            << S::Reading;
        QTest::newRow("cut shorter")
            << log << Change::Truncate << QByteArrayList{LogBytes({A})} << true << 0 << S::Reading;
        QTest::newRow("replaced by another file")
            << log << Change::Replace << QByteArrayList{LogBytes({D, C, B, A})} << true << 0
            << S::Reading;
        QTest::newRow("rewritten in place, same length")
            << log << Change::RewriteInPlace
            << QByteArrayList{LogBytes({QByteArray(A).replace("12", "13"), B, C})} << true << 0
            << S::Reading;
        QTest::newRow("rewritten in place, longer")
            << log << Change::RewriteInPlace << QByteArrayList{LogBytes({D, B, C, A})} << true << 0
            << S::Reading;
        QTest::newRow("deleted: the table stays")
            << log << Change::Delete << QByteArrayList{} << false << 0 << S::Missing;
        QTest::newRow("deleted and created anew")
            << log << Change::Recreate << QByteArrayList{LogBytes({D})} << true << 0 << S::Reading;
        QTest::newRow("a folder in its place")
            << log << Change::Folder << QByteArrayList{} << false << 0 << S::Unreadable;
        QTest::newRow("megabytes without a record: reading stops")
            << log << Change::Append << QByteArrayList{QByteArray("junk\r\n").repeated(300000)}
            << false << 0 << S::Unreadable;
    }

    void follows()
    {
        QFETCH(QByteArray, before);
        QFETCH(Change, change);
        QFETCH(QByteArrayList, pieces);
        QFETCH(bool, restarted);
        QFETCH(int, arrived);
        QFETCH(ResultsDocument::State, state);

        const QString path = Path(QStringLiteral("Results.txt"));
        QFile::remove(path);
        QDir(path).removeRecursively();
        WriteFixtureFile(path, before);
        ResultsModel model;
        ResultsFilter shown(model);
        shown.sort(ResultsModel::Score);
        const QAbstractItemModelTester tester(&shown);
        model.openLog(path);
        const QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

        const QString other = Path(QStringLiteral("other.txt"));
        switch (change) {
        case Change::Append:
            for (const QByteArray &piece : pieces) {
                QFile file(path);
                QVERIFY(file.open(QIODevice::Append));
                QCOMPARE(file.write(piece), piece.size());
                file.close();
                model.poll();
            }
            break;
        case Change::QuizAppend:
            AppendResult(
                path.toStdString(), m_dir.path().toStdString(),
                {ToCp1251(QStringLiteral("Ли Юн")), "7", ToCp1251(QStringLiteral("7А")), 18},
                TestFacts{});
            break;
        case Change::Truncate:
            QVERIFY(QFile::resize(path, pieces.front().size()));
            break;
        case Change::Replace:
            WriteFixtureFile(other, pieces.front());
            QVERIFY(::rename(QFile::encodeName(other), QFile::encodeName(path)) == 0);
            break;
        case Change::RewriteInPlace:
            WriteFixtureFile(path, pieces.front());
            break;
        case Change::Delete:
        case Change::Recreate:
            QVERIFY(QFile::remove(path));
            model.poll();
            if (change == Change::Recreate) {
                WriteFixtureFile(path, pieces.front());
            }
            break;
        case Change::Folder:
            QVERIFY(QFile::remove(path));
            QVERIFY(QDir().mkdir(path));
            break;
        }
        model.poll();

        QCOMPARE(resets.count(), restarted ? 1 : 0);
        // A look at a log that has not changed since changes nothing.
        const QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        model.poll();
        QCOMPARE(removed.count(), 0);
        QCOMPARE(model.document()->CurrentState(), state);
        QCOMPARE(model.rowCount(), int(model.document()->Records().size()));
        QCOMPARE(model.arrived(), arrived);
        // The views were told of every change: the sorted rows are still in order.
        for (int row = 1; row < shown.rowCount(); ++row) {
            QVERIFY(shown.index(row - 1, ResultsModel::Score).data().toInt() <=
                    shown.index(row, ResultsModel::Score).data().toInt());
        }
        // Read bit by bit as it grew, the log gives what one reading of it as it stands gives;
        // a log that cannot be read keeps what it gave before.
        const QString whole = Path(QStringLiteral("whole.txt"));
        WriteFixtureFile(whole, state == ResultsDocument::State::Reading ? ReadAll(path) : before);
        const ResultsLog expected = ReadResultsLog(whole.toStdString());
        QCOMPARE(Described(model.document()->Records(), model.document()->Notes()),
                 Described(expected.records, expected.notes));
    }

    void marks_data()
    {
        QTest::addColumn<QString>("scale");
        QTest::addColumn<QStringList>("filter");
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("rows");

        const QStringList none{"", "", ""};
        QTest::newRow("log order, each grade's count")
            << "50,70,85" << none << int(ResultsModel::Order)
            << QStringList{"Иванов Иван 50 3",   "Ли Юн 85 5",     "Петрова Мария 100 5",
                           "иванова Ольга 70 4", "Сидоров Пётр  ", "Ким Ирина 100 5"};
        QTest::newRow("own thresholds")
            << "60,75,90" << none << int(ResultsModel::Order)
            << QStringList{"Иванов Иван 50 2",   "Ли Юн 85 4",     "Петрова Мария 100 5",
                           "иванова Ольга 70 3", "Сидоров Пётр  ", "Ким Ирина 100 5"};
        QTest::newRow("grade 7") << "50,70,85" << QStringList{"7", "", ""}
                                 << int(ResultsModel::Order)
                                 << QStringList{"Иванов Иван 50 3", "Петрова Мария 100 5",
                                                "иванова Ольга 70 4"};
        QTest::newRow("group 7А, a part of the name in other case, blanks around")
            << "50,70,85" << QStringList{"", "7А", " ИВАН "} << int(ResultsModel::Order)
            << QStringList{"Иванов Иван 50 3", "иванова Ольга 70 4"};
        QTest::newRow("by percentage across grades, unknown first")
            << "50,70,85" << none << int(ResultsModel::Percent)
            << QStringList{"Сидоров Пётр  ", "Иванов Иван 50 3",    "иванова Ольга 70 4",
                           "Ли Юн 85 5",     "Петрова Мария 100 5", "Ким Ирина 100 5"};
        QTest::newRow("by name, any case")
            << "50,70,85" << none << int(ResultsModel::Name)
            << QStringList{"Иванов Иван 50 3", "иванова Ольга 70 4",  "Ким Ирина 100 5",
                           "Ли Юн 85 5",       "Петрова Мария 100 5", "Сидоров Пётр  "};
    }

    void marks()
    {
        QFETCH(QString, scale);
        QFETCH(QStringList, filter);
        QFETCH(int, column);
        QFETCH(QStringList, rows);

        ResultsModel model;
        ResultsFilter shown(model);
        OpenClass(model);
        model.setMarkScale(*ParseMarkScale(scale));
        shown.setFilter(filter[0], filter[1], filter[2]);
        shown.sort(column);
        QStringList described;
        for (int row = 0; row < shown.rowCount(); ++row) {
            QStringList cells;
            for (const int cell : {ResultsModel::Name, ResultsModel::Percent, ResultsModel::Mark}) {
                cells.append(shown.index(row, cell).data().toString());
            }
            described.append(cells.join(QLatin1Char(' ')));
        }
        QCOMPARE(described, rows);
    }

    void summary()
    {
        ResultsModel model;
        ResultsFilter shown(model);
        OpenClass(model);
        // Grade, group, pupils, mean, lowest, highest, then the count of each mark from 5 down
        // and the mean mark.
        QCOMPARE(
            ShownSummaryTable(ShownGroups(shown)).rows,
            (std::vector<QStringList>{{"5", "5В", "2", "18,5", "17", "20", "2", "0", "0", "0", "5"},
                                      {"7", "7А", "2", "6", "5", "7", "0", "1", "1", "0", "3,5"},
                                      {"7", "7Б", "1", "10", "10", "10", "1", "0", "0", "0", "5"},
                                      {"10", "10А", "1", "3", "3", "3", "0", "0", "0", "0", ""}}));
    }

    // 16 of a test of 21 questions stays 76,1 % «4» when the bank has 23 questions by now; a
    // record without a detail takes the 23 and says so.
    void marksFromDetails()
    {
        const QString path = Path(QStringLiteral("detailed.txt"));
        WriteFixtureFile(path, LogBytes({LogRecordBytes("Без Подробностей", "7", "7А", 16)}));
        TestFacts facts;
        facts.questionCount = 21;
        AppendResult(path.toStdString(), m_dir.path().toStdString(),
                     {ToCp1251(QStringLiteral("Ли Юн")), "7", ToCp1251(QStringLiteral("7А")), 16},
                     facts);
        ResultsModel model;
        model.openLog(path);
        model.setQuestionCount(QStringLiteral("7"), 23);
        const auto described = [&model] {
            QStringList rows;
            for (int row = 0; row < model.rowCount(); ++row) {
                QStringList cells;
                for (const int cell : {ResultsModel::Percent, ResultsModel::Mark}) {
                    cells.append(model.index(row, cell).data().toString());
                }
                rows.append(cells.join(QLatin1Char(' ')));
            }
            return rows;
        };
        // While the details are read, no row has a mark: the bank's count now would be wrong.
        QVERIFY(model.detailsPending());
        QCOMPARE(described(), (QStringList{" ", " "}));
        QCOMPARE(model.index(1, ResultsModel::Time).data().toString(), "…");
        QSignalSpy changed(&model, &ResultsModel::logChanged);
        QVERIFY(changed.wait());
        QVERIFY(!model.detailsPending());
        QCOMPARE(described(), (QStringList{"69,5 3", "76,1 4"}));
        QCOMPARE(model.index(0, ResultsModel::Time).data().toString(), "без подробностей");
        QVERIFY(model.index(0, ResultsModel::Mark)
                    .data(Qt::ToolTipRole)
                    .toString()
                    .contains("из нынешнего банка"));
        QVERIFY(!model.index(1, ResultsModel::Time).data().toString().isEmpty());
        QVERIFY(model.detailFindings().empty());
    }

    // What is no log is told by its first bytes, whatever its size and wherever its first
    // end-of-text byte.
    void notALog_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("isLog");
        QTest::newRow("JPEG") << QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x1A\x00", 14)
                              << false;
        QTest::newRow("PNG") << QByteArray("\x89PNG\r\n\x1A\n\x00\x00\x00\rIHDR", 16) << false;
        QTest::newRow("a log") << LogBytes({A, B}) << true;
        QTest::newRow("a log ended by Ctrl+Z") << LogBytes({A}) + "\x1A" << true;
    }
    void notALog()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, isLog);
        const QString path = Path(QStringLiteral("chosen.txt"));
        WriteFixtureFile(path, bytes);
        ResultsModel model;
        model.openLog(path);
        QCOMPARE(model.document()->Problem().contains("похоже, это не журнал результатов"), !isLog);
        QCOMPARE(model.rowCount() > 0, isLog);
    }

    // On a black-and-white laser printer light greys vanish: grid lines and captions are dark.
    void chartPrintsDark()
    {
        ResultsModel model;
        ResultsFilter shown(model);
        OpenClass(model);
        const std::unique_ptr<QChart> chart(NewMarksChart());
        ShowMarks(*chart, ShownGroups(shown));
        QCOMPARE(chart->titleBrush().color(), QColor(Qt::black));
        QCOMPARE(chart->legend()->labelColor(), QColor(Qt::black));
        QCOMPARE(chart->axes().size(), 2);
        for (const QAbstractAxis *axis : chart->axes()) {
            QVERIFY(axis->gridLinePen().color().lightness() <= 100);
            QCOMPARE(axis->labelsColor(), QColor(Qt::black));
        }
    }

    void csvIsWhatOrtusResultsWrites_data()
    {
        QTest::addColumn<int>("questions");
        QTest::addColumn<QStringList>("arguments");

        QTest::newRow("no question counts") << 0 << QStringList{};
        QTest::newRow("20 questions in every grade") << 20 << QStringList{"--questions", "20"};
    }

    void csvIsWhatOrtusResultsWrites()
    {
        QFETCH(int, questions);
        QFETCH(QStringList, arguments);

        ResultsModel model;
        ResultsFilter shown(model);
        OpenClass(model);
        for (const char *grade : {"5", "7", "10"}) {
            model.setQuestionCount(QString::fromLatin1(grade), questions);
        }
        const QString csv = Path(QStringLiteral("tool.csv"));
        QCOMPARE(QProcess::execute(QStringLiteral(ORTUS_RESULTS_TOOL),
                                   QStringList{Path(QStringLiteral("class.txt")), "--csv", csv} +
                                       arguments),
                 0);
        QCOMPARE(CsvBytes(ShownResultsTable(shown)), ReadAll(csv));
    }
};

QTEST_MAIN(TestResultsModel)
#include "tst_resultsmodel.moc"
