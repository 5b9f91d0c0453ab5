#include "runtime/cp1251.h"
#include "runtime/textfile.h"
#include "support/logfixtures.h"
#include "support/startdirectory.h"
#include "teacher/resultsreader.h"
#include "teacher/resultstable.h"

#include <QtTest>

#include <memory>

namespace {

// "line: name|grade|group|score" of each record, then "line: message" of each note.
QStringList Described(const ResultsLog &log)
{
    QStringList described;
    for (const LogRecord &record : log.records) {
        described.append(QStringLiteral("%1: %2|%3|%4|%5")
                             .arg(record.line)
                             .arg(record.name, record.grade, record.group)
                             .arg(record.score));
    }
    for (const LogNote &note : log.notes) {
        described.append(QStringLiteral("%1: %2").arg(note.line).arg(note.message));
    }
    return described;
}

QByteArray Cp1251(const QString &text)
{
    return QByteArray::fromStdString(ToCp1251(text));
}

// The three pupils read back, the first name at the line given (3 in a log the program wrote),
// each record five lines after the one before.
QStringList ThreePupilsRead(int first = 3, int gap = 5)
{
    return {QStringLiteral("%1: Иванов Иван|7|7А|12").arg(first),
            QStringLiteral("%1: Петрова Мария|10|10Б|17").arg(first + gap),
            QStringLiteral("%1: Сидоров Пётр|7|7А|0").arg(first + gap + 5)};
}

} // namespace

class TestResultsReader : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<StartDirectoryFixture> m_start;

private slots:
    void init() { m_start = std::make_unique<StartDirectoryFixture>(QStringList{}); }
    void cleanup()
    {
        m_start.reset();
        QCOMPARE(PendingIoCode(), 0);
    }

    void logs_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("read"); // the records, then the starts of the notes

        const QByteArray whole = LogBytes({LogRecordBytes("Иванов Иван", "7", "7А", 12),
                                           LogRecordBytes("Петрова Мария", "10", "10Б", 17),
                                           LogRecordBytes("Сидоров Пётр", "7", "7А", 0)});
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("fresh log") << QByteArray("\r\n") << QStringList{};
        QTest::newRow("without the log's own first line") << whole.mid(2) << ThreePupilsRead(2);
        QTest::newRow("Ctrl+Z after the last record") << whole + "\x1a" << ThreePupilsRead();
        QTest::newRow("saved with LF line ends")
            << QByteArray(whole).replace("\r\n", "\n") << ThreePupilsRead();
        QTest::newRow("a name that is a number")
            << LogBytes({LogRecordBytes("12", "5", "5В", 3)}) << QStringList{"3: 12|5|5В|3"};
        QTest::newRow("not a log at all")
            << QByteArray("2 120\r\nhg\r\nfirst question\r\n")
            << QStringList{"1: строка «2 120» не относится ни к одной записи",
                           "2: строка «hg» не относится ни к одной записи",
                           "3: строка «first question» не относится ни к одной записи"};
        QTest::newRow("a stray line between records")
            << QByteArray(whole).replace(Cp1251("\r\n\r\nПетрова"),
                                         Cp1251("\r\nпроверено\r\n\r\nПетрова"))
            << ThreePupilsRead(3, 6) + QStringList{"7: строка «проверено» не относится ни к одной"};

        // The last record broken off at each of its lines.
        const auto cut = [&whole](const char *name, const QString &rest, const QString &note) {
            QTest::newRow(name) << whole.left(whole.lastIndexOf(Cp1251("Сидоров"))) + Cp1251(rest)
                                << ThreePupilsRead().mid(0, 2) + QStringList{note};
        };
        const QString noGroup =
            QStringLiteral("13: запись ученика «Сидоров Пётр» оборвана: нет строки «ЮГП: …»");
        cut("after the name", "Сидоров Пётр\r\n",
            "13: запись «Сидоров Пётр» оборвана, не дойдя до строки «Класс: …»");
        cut("inside the name", "Сидо", "13: запись «Сидо» оборвана, не дойдя до строки «Класс: …»");
        cut("after the grade", "Сидоров Пётр\r\nКласс: 7\r\n", noGroup);
        cut("inside the group caption", "Сидоров Пётр\r\nКласс: 7\r\nЮГ", noGroup);
        cut("after the group", "Сидоров Пётр\r\nКласс: 7\r\nЮГП: 7А\r\n",
            "13: запись ученика «Сидоров Пётр» оборвана: нет строки «Результат: …»");
        cut("before the score", "Сидоров Пётр\r\nКласс: 7\r\nЮГП: 7А\r\nРезультат: ",
            "16: в записи ученика «Сидоров Пётр» после «Результат:» нет числа");
    }

    void logs()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, read);

        m_start->WriteFile(QStringLiteral("results.txt"), bytes);
        ResultsLog log;
        QVERIFY_THROWS_NO_EXCEPTION(
            log = ReadResultsLog(m_start->filePath(QStringLiteral("results.txt")).toStdString()));
        const QStringList described = Described(log);
        QVERIFY2(described.size() == read.size(), qPrintable(described.join(QLatin1Char('\n'))));
        for (qsizetype i = 0; i < read.size(); ++i) {
            QVERIFY2(described[i].startsWith(read[i]), qPrintable(described[i]));
        }
    }

    void marks_data()
    {
        QTest::addColumn<int>("score");
        QTest::addColumn<int>("questions");
        QTest::addColumn<QString>("scale");
        QTest::addColumn<int>("mark");
        QTest::addColumn<QString>("percent");

        QTest::newRow("just below 50 %") << 9 << 20 << "50,70,85" << 2 << "45";
        QTest::newRow("exactly 50 %") << 10 << 20 << "50,70,85" << 3 << "50";
        QTest::newRow("84,6 % is not 85 %") << 11 << 13 << "50,70,85" << 4 << "84,6";
        QTest::newRow("exactly 85 %") << 17 << 20 << "50,70,85" << 5 << "85";
        QTest::newRow("two thirds is cut, not rounded") << 2 << 3 << "50,70,85" << 3 << "66,6";
        QTest::newRow("own scale: 60 % is a 3") << 3 << 5 << "60,75,90" << 3 << "60";
        // A mark of 0: the scale is refused.
        for (const char *bad : {"50,70", "50,50,85", "50,70,101", "-1,70,85", "50,seventy,85"}) {
            QTest::addRow("refused \"%s\"", bad) << 0 << 1 << QString::fromLatin1(bad) << 0 << "0";
        }
    }

    void marks()
    {
        QFETCH(int, score);
        QFETCH(int, questions);
        QFETCH(QString, scale);
        QFETCH(int, mark);
        QFETCH(QString, percent);

        const std::optional<MarkScale> parsed = ParseMarkScale(scale);
        QCOMPARE(bool(parsed), mark != 0);
        if (!parsed) {
            return;
        }
        QCOMPARE(SchoolMark(score, questions, *parsed), mark);
        QCOMPARE(PercentText(score, questions), percent);
    }

    // The summary per grade and group; the CSV as a spreadsheet in a Russian locale gets it, where
    // no text a pupil typed is run as a formula.
    void tables()
    {
        const std::vector<LogRecord> records = {
            {1, "А", "7", "7А", 12}, {2, "Б", "10", "10Б", 17}, {3, "В", "7", "7А", 3},
            {4, "Г", "7", "7Б", 9},  {5, "Д", "7", "7А", 6},    {6, "Е", "9", "9А", 10},
            {7, "Ж", "7", "7Б", 10}, {8, "З", "7", "7Б", 10},
        };
        QCOMPARE(FormatTextTable(SummaryTable(SummarizeResults(records))),
                 QStringLiteral("Класс  ЮГП  Учеников  Средний балл  Наименьший  Наибольший\n"
                                "-----  ---  --------  ------------  ----------  ----------\n"
                                "    7  7А          3             7           3          12\n"
                                "    7  7Б          3           9,7           9          10\n"
                                "    9  9А          1            10          10          10\n"
                                "   10  10Б         1            17          17          17\n"));
        const std::vector<LogRecord> typed = {{1, "Иванов \"Ваня\"", "7", "7А; 7Б", 12},
                                              {2, "=HYPERLINK(\"x\")", "10", "-", 17}};
        QCOMPARE(CsvBytes(ResultsTable(typed, MarkColumns{13, {}})),
                 "\xEF\xBB\xBF" +
                     QStringLiteral(
                         "\"Ученик\";\"Класс\";\"ЮГП\";\"Баллы\";\"%\";\"Оценка\"\r\n"
                         "\"Иванов \"\"Ваня\"\"\";\"7\";\"7А; 7Б\";\"12\";\"92,3\";\"5\"\r\n"
                         "\"'=HYPERLINK(\"\"x\"\")\";\"10\";\"'-\";\"17\";\"130,7\";\"5\"\r\n")
                         .toUtf8());
    }
};

QTEST_GUILESS_MAIN(TestResultsReader)
#include "tst_resultsreader.moc"
