#include "quiz/resultdetail.h"
#include "runtime/cp1251.h"
#include "teacher/resultsdetails.h"
#include "teacher/resultstable.h"

#include <QtTest>

namespace {

ResultDetail Detail(const char *name, int score, int questions,
                    std::vector<ShownQuestion> shown = {}, const char *bankHash = "h1")
{
    ResultDetail detail;
    detail.time = "2026-12-07T09:10:00+03:00";
    detail.record = {name, "7", "7A", score};
    detail.facts.bankFileName = "Vop67.dat";
    detail.facts.bankHash = bankHash;
    detail.facts.questionCount = questions;
    detail.facts.shown = std::move(shown);
    detail.recordHash = ShortHash(ResultRecordBytes(detail.record));
    return detail;
}

// The log's records as the reader gives them: a record's first line is 3 + 5 per record before.
std::vector<LogRecord> Read(const std::vector<ResultRecord> &records)
{
    std::string bytes = "\r\n";
    for (const ResultRecord &record : records) {
        bytes += ResultRecordBytes(record);
    }
    std::vector<std::string_view> lines;
    for (std::size_t start = 0, end = 0; (end = bytes.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
        lines.emplace_back(bytes.data() + start, end - start);
    }
    return ParseResultsLines(lines).records;
}

} // namespace

// The details beside a log: which record each belongs to, what an edit of the log leaves, and
// the figures per question.
class TestResultsDetails : public QObject {
    Q_OBJECT

private slots:
    // A school's years of details are read in pieces: lines across a piece's end, a line too
    // long to be a detail, and a last line still being written.
    void readsInPieces_data()
    {
        QTest::addColumn<int>("junkAt");   // a line of 100 KB before this detail, -1: none
        QTest::addColumn<bool>("cutLast"); // the last line has no line end yet
        QTest::newRow("lines across pieces") << -1 << false;
        QTest::newRow("an overlong line among them") << 7000 << false;
        QTest::newRow("a last line still being written") << -1 << true;
    }
    void readsInPieces()
    {
        QFETCH(int, junkAt);
        QFETCH(bool, cutLast);
        const int count = 15000; // some 2.5 MB
        std::string bytes = ResultDetailHeader();
        for (int i = 0; i < count; ++i) {
            if (i == junkAt) {
                bytes += std::string(100 * 1024, 'x') + "\n";
            }
            ResultDetail detail = Detail("Ученик", i % 20, 20);
            detail.computer = std::string(std::size_t(i % 97), 'c');
            bytes += ResultDetailLine(detail);
        }
        if (cutLast) {
            bytes.pop_back();
        }
        QTemporaryDir directory;
        const std::string path = directory.filePath(QStringLiteral("d.tsv")).toStdString();
        const auto write = [&path](const std::string &text) {
            QFile file(QString::fromStdString(path));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(text.data(), qint64(text.size())), qint64(text.size()));
        };
        write(bytes);
        DetailsFile file = ReadResultDetails(path);
        QCOMPARE(int(file.details.size()), cutLast ? count - 1 : count);
        for (int i = 0; i < int(file.details.size()); ++i) {
            QCOMPARE(file.details[std::size_t(i)].computer.size(), std::size_t(i % 97));
        }
        QCOMPARE(int(file.notes.size()), junkAt < 0 ? 0 : 1);
        if (junkAt >= 0) {
            QCOMPARE(file.notes.front().line, junkAt + 2);
        }
        const qint64 whole = qint64(cutLast ? bytes.rfind('\n') + 1 : bytes.size());
        QCOMPARE(file.bytesRead, whole);
        write(bytes + (cutLast ? "\n" : ""));
        QVERIFY(ReadMoreResultDetails(path, file));
        QCOMPARE(int(file.details.size()), count);
    }

    // One pupil's two equal tests keep their own details, in order.
    void equalRecordsMatchInOrder()
    {
        const std::vector<ResultDetail> details{Detail("a", 1, 20), Detail("b", 2, 21),
                                                Detail("a", 1, 25)};
        const ResultRecord a{"a", "7", "7A", 1};
        const DetailMatch match = MatchDetails(Read({a, a}), details);
        QCOMPARE(match.detailOf, (std::vector<int>{0, 2}));
    }

    void edits_data()
    {
        // The log as edited, with the details of "a" … "d" (old: one record before them all);
        // then each record's questions from its detail (0: none) and the findings.
        QTest::addColumn<std::vector<ResultRecord>>("log");
        QTest::addColumn<QList<int>>("questions");
        QTest::addColumn<QStringList>("findings");
        const ResultRecord a{"a", "7", "7A", 1}, b{"b", "7", "7A", 2}, c{"c", "7", "7A", 3},
            d{"d", "7", "7A", 4}, old{"old", "7", "7A", 9};
        QTest::newRow("as written, after an old record")
            << std::vector{old, a, b, c, d} << QList<int>{0, 20, 21, 22, 23} << QStringList();
        ResultRecord raised = b;
        raised.Score = 19;
        QTest::newRow("a score changed")
            << std::vector{a, raised, c, d} << QList<int>{20, 21, 22, 23}
            << QStringList{"8: запись ученика «b» изменена после теста: её строки не совпадают с "
                           "подробностями (b, 7 класс, 7A, 2 из 21, "
                           "2026-12-07T09:10:00+03:00)."};
        QTest::newRow("a record deleted")
            << std::vector{a, b, d} << QList<int>{20, 21, 23}
            << QStringList{"0: в подробностях есть тест (c, 7 класс, 7A, 3 из 22, "
                           "2026-12-07T09:10:00+03:00), а его записи в журнале нет: её удалили."};
        const ResultRecord added{"e", "7", "7A", 30};
        QTest::newRow("a record added by hand")
            << std::vector{a, b, added, c, d} << QList<int>{20, 21, 0, 22, 23}
            << QStringList{"13: у записи ученика «e» нет подробностей: число вопросов взято из "
                           "нынешнего банка."};
    }
    void edits()
    {
        QFETCH(std::vector<ResultRecord>, log);
        QFETCH(QList<int>, questions);
        QFETCH(QStringList, findings);
        const std::vector<ResultDetail> details{Detail("a", 1, 20), Detail("b", 2, 21),
                                                Detail("c", 3, 22), Detail("d", 4, 23)};
        std::vector<LogRecord> records = Read(log);
        const DetailMatch match = MatchDetails(records, details);
        ApplyDetails(records, details, match.detailOf);
        const std::vector<LogNote> &found = match.findings;
        QList<int> counts;
        for (const LogRecord &record : records) {
            counts.append(record.questions);
        }
        QCOMPARE(counts, questions);
        QStringList described;
        for (const LogNote &note : found) {
            described.append(QStringLiteral("%1: %2").arg(note.line).arg(note.message));
        }
        QCOMPARE(described, findings);
    }

    // 16 of 23 at the bank's current 23 questions, and of a test that had 21: the mark is the
    // test's own when its detail is there.
    void marksFromDetails()
    {
        std::vector<LogRecord> records = Read({{"fixed", "7", "7A", 16}, {"old", "7", "7A", 16}});
        records[0].questions = 21;
        const TextTable table = ResultsTable(records, MarkColumns{23, {}});
        QCOMPARE(table.rows[0].mid(4), (QStringList{"76,1", "4"}));
        QCOMPARE(table.rows[1].mid(4), (QStringList{"69,5", "3"}));
        // Another scale gives another mark: 69,5 % is a «4» from 60 %.
        QCOMPARE(ResultsTable(records, MarkColumns{23, *ParseMarkScale("50,60,85")}).rows[1][5],
                 "4");
        QCOMPARE(ResultsTable(records, MarkColumns{0, {}}).rows[1].mid(4), (QStringList{"", ""}));
    }

    // Worked out by hand: keys 2, 1, 3; four tests of this bank (one ended before it answered
    // question 2), one of another version.
    void questionFigures()
    {
        QuestionBank bank;
        bank.QuestionCount = 3;
        bank.AnswerKey = {char(100 + 1 + 2), char(100 + 2 + 1), char(100 + 3 + 3)};
        const std::vector<ResultDetail> details{
            Detail("A", 2, 3, {{1, 2}, {2, 3}, {3, 3}}),
            Detail("B", 0, 3, {{2, 3}, {1, 1}, {3, 0}}), Detail("C", 1, 3, {{3, 1}, {1, 2}}),
            Detail("D", 3, 3, {{1, 2}, {2, 1}, {3, 3}}, "h0"), Detail("E", 0, 3, {{2, 0}})};
        std::vector<const ResultDetail *> chosen;
        for (const ResultDetail &detail : details) {
            chosen.push_back(&detail);
        }
        const QuestionStatistics statistics = ComputeQuestionStatistics(chosen, bank, "h1");
        QCOMPARE(statistics.tests, 4);
        QCOMPARE(statistics.otherVersion, 1);
        QStringList figures;
        for (const QuestionFigures &q : statistics.questions) {
            figures.append(QStringLiteral("%1: %2 %3 %4 %5 %6x%7%8")
                               .arg(q.number)
                               .arg(q.shown)
                               .arg(q.right)
                               .arg(q.wrong)
                               .arg(q.none)
                               .arg(q.commonWrong)
                               .arg(q.commonWrongTimes)
                               .arg(q.allWrong() ? " all wrong" : ""));
        }
        QCOMPARE(figures,
                 (QStringList{"2: 3 0 2 1 3x2 all wrong", "3: 3 1 1 1 1x1", "1: 3 2 1 0 1x1"}));
    }
};

QTEST_GUILESS_MAIN(TestResultsDetails)
#include "tst_resultsdetails.moc"
