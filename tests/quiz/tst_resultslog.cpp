#include "quiz/resultdetail.h"
#include "quiz/resultslog.h"
#include "runtime/cp1251.h"
#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "support/startdirectory.h"
#include "teacher/resultsreader.h"

#include <QDir>
#include <QTest>
#include <QTimeZone>

#include <algorithm>
#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const ResultRecord Pupil{"\xCF\xE5\xF2\xF0\xEE\xE2", "7", "7\xC0", 12}; // "Петров", group "7А"
const TestFacts Facts{
    "Vop67.dat", "0123456789ab", 3, 600, 95, TestEnding::FinishedEarly, {{2, 1}, {3, 0}, {1, 4}}};

// The record as the teacher reads it: an empty line, the name, grade, group and score.
const QByteArray PupilRecord = "\r\n\xCF\xE5\xF2\xF0\xEE\xE2\r\n"
                               "\xCA\xEB\xE0\xF1\xF1: 7\r\n"
                               "\xDE\xC3\xCF: 7\xC0\r\n"
                               "\xD0\xE5\xE7\xF3\xEB\xFC\xF2\xE0\xF2: 12\r\n";
const QByteArray DetailHeader = "time\tcomputer\tname\tgrade\tgroup\tscore\tquestions\tbank\t"
                                "bank_hash\ttime_limit\ttime_used\tending\tanswers\trecord_hash\n";

// The pupil's detail line as the fixed clock and computer of these tests give it.
QByteArray PupilDetail(const ResultRecord &record = Pupil)
{
    return "2026-12-07T21:40:28+03:00\tpc-07\t" +
           QByteArray::fromStdString(FromCp1251(record.PupilName).toStdString()) + "\t" +
           QByteArray::fromStdString(record.GradeText) + "\t" +
           QByteArray::fromStdString(FromCp1251(record.PupilGroup).toStdString()) + "\t" +
           QByteArray::number(record.Score) +
           "\t3\tVop67.dat\t0123456789ab\t600\t95\tfinished_early\t2:1 3:- 1:4\t" +
           QByteArray::fromStdString(ShortHash(ResultRecordBytes(record))) + "\n";
}

int AppendFailureCode(const std::string &path, const std::string &start,
                      const ResultRecord &record = Pupil,
                      const AppendRetry &retry = {1, std::chrono::milliseconds(0)})
{
    try {
        AppendResult(path, start, record, Facts, retry);
    } catch (const EInOutError &error) {
        return error.Code();
    }
    return 0;
}

// Waits for the child and tells its exit status; -1 when it did not exit.
int ExitStatus(pid_t child)
{
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

enum class Failure { MissingLog, LogIsFolder, PathTooLong, LogFull, DetailsFull };

} // namespace

Q_DECLARE_METATYPE(Failure)

class ResultsLogTest : public QObject {
    Q_OBJECT

private:
    std::string Start() const { return m_start->path().toStdString(); }
    QByteArray Log() const { return m_start->ReadFile(QStringLiteral("log.txt")); }
    QByteArray Details() const { return m_start->ReadFile(QStringLiteral("log.details.tsv")); }
    QByteArray Queue() const { return m_start->ReadFile(QStringLiteral("Results.queue.tsv")); }
    std::unique_ptr<StartDirectoryFixture> m_start;

private slots:
    void initTestCase()
    {
        ResultDetailSources() = {
            [] { return QDateTime(QDate(2026, 12, 7), QTime(21, 40, 28), QTimeZone(3 * 3600)); },
            [] {
                return std::string("pc-07");
            }};
    }
    void init()
    {
        m_start = std::make_unique<StartDirectoryFixture>(QStringList{});
        m_start->WriteFile(QStringLiteral("log.txt"), "\r\n");
    }
    void cleanup() { m_start.reset(); }

    // A new log holds its empty line, and records go after it, their details beside it. Appended
    // from another current directory, which stays: the relative path names the log in the start
    // directory.
    void appends()
    {
        CreateResultsLog(m_start->filePath(QStringLiteral("log.txt")).toStdString());
        QTemporaryDir elsewhere;
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        QVERIFY_THROWS_NO_EXCEPTION(AppendResult("log.txt", Start(), Pupil, Facts));
        QVERIFY_THROWS_NO_EXCEPTION(AppendResult("log.txt", Start(), Pupil, Facts));
        QCOMPARE(QDir::currentPath(), elsewhere.path());
        QCOMPARE(Log(), "\r\n" + PupilRecord + PupilRecord);
        QCOMPARE(Details(), DetailHeader + PupilDetail() + PupilDetail());
        QVERIFY(!QFile::exists(m_start->filePath(QStringLiteral("Results.queue.tsv"))));
    }

    // A tab or backslash that a pasted name brings stays in its field.
    void detailLineReadsBack()
    {
        ResultDetail detail{
            "2026-12-07T21:40:28+03:00", "pc\t07", {"a\tb\\c", "11", "", 0}, Facts, "abc"};
        detail.facts.ending = TestEnding::WindowClosed;
        const std::string line = ResultDetailLine(detail);
        QCOMPARE(std::count(line.begin(), line.end(), '\t'), 13);
        const std::optional<ResultDetail> back = ParseResultDetail(line.substr(0, line.size() - 1));
        QVERIFY(back);
        QCOMPARE(ResultDetailLine(*back), line);
        QVERIFY(!ParseResultDetail(DetailHeader.chopped(1).toStdString()));
        QVERIFY(!ParseResultDetail(line.substr(0, line.rfind('\t'))));
    }

    // Detail files already written keep matching: the hash is the first 12 hex digits of SHA-256.
    void shortHashStaysSha256()
    {
        QCOMPARE(ShortHash(""), "e3b0c44298fc");
        QCOMPARE(ShortHash("abc"), "ba7816bf8f01");
        QCOMPARE(ShortHash(ShortHash("abc")), "432d6bde34b9");
    }

    void failuresQueueTheRecord_data()
    {
        // What fails, and the code the pupil is shown: the log and its companion are as before,
        // and the record with its detail waits in the queue.
        QTest::addColumn<Failure>("failure");
        QTest::addColumn<int>("code");
        QTest::newRow("log missing") << Failure::MissingLog << 2;
        QTest::newRow("a folder in the log's place") << Failure::LogIsFolder << 5;
        QTest::newRow("path longer than 259 bytes") << Failure::PathTooLong << 206;
        // A disk that is full part-way: the child may not write beyond 20 more bytes.
        QTest::newRow("disk full in the log") << Failure::LogFull << 223;
        QTest::newRow("disk full in the details") << Failure::DetailsFull << 223;
    }
    void failuresQueueTheRecord()
    {
        QFETCH(Failure, failure);
        QFETCH(int, code);
        const QByteArray filled(4000, 'x');
        std::string path = "log.txt";
        switch (failure) {
        case Failure::MissingLog:
            path = "missing.txt";
            break;
        case Failure::LogIsFolder:
            QVERIFY(QDir(m_start->path()).mkdir(QStringLiteral("folder.txt")));
            path = "folder.txt";
            break;
        case Failure::PathTooLong:
            path = std::string(259 - Start().size(), 'l');
            break;
        case Failure::LogFull:
            m_start->WriteFile(QStringLiteral("log.txt"), filled);
            break;
        case Failure::DetailsFull:
            m_start->WriteFile(QStringLiteral("log.details.tsv"), DetailHeader + filled);
            break;
        }
        const QStringList entries =
            QDir(m_start->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
        const QByteArray log = Log();
        const QByteArray details = Details();

        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{4000 + 20, 4000 + 20};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::_exit(AppendFailureCode(path, Start()) == code ? 0 : 1);
        }
        QCOMPARE(ExitStatus(child), 0);
        QCOMPARE(Log(), log);
        QCOMPARE(Details(), details);
        QCOMPARE(Queue(), DetailHeader + PupilDetail());
        // No file of a cut name, no companion of a log that is not there: the queue is new, and
        // the companion a log's first append made, left empty.
        QStringList expected = entries + QStringList{QStringLiteral("Results.queue.tsv")};
        if (failure == Failure::LogFull) {
            expected.append(QStringLiteral("log.details.tsv"));
        }
        expected.sort();
        QCOMPARE(
            QDir(m_start->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
            expected);
    }

    // Records that found no log go to the next log that takes an append, oldest first: the one
    // Ctrl+R makes, or the one that is back.
    void queuedRecordsFollowInOrder()
    {
        const ResultRecord first{"first", "5", "5A", 1};
        const ResultRecord second{"second", "6", "6A", 2};
        const ResultRecord third{"third", "8", "8A", 3};
        QCOMPARE(AppendFailureCode("new.txt", Start(), first), 2);
        QCOMPARE(AppendFailureCode("new.txt", Start(), second), 2);
        QCOMPARE(QueuedResults(Start()).size(), std::size_t(2));
        QCOMPARE(QueuedResults(Start()).back().record.PupilName, second.PupilName);

        const std::string made = m_start->filePath(QStringLiteral("new.txt")).toStdString();
        CreateResultsLog(made);
        QVERIFY_THROWS_NO_EXCEPTION(FlushQueuedResults(made, Start()));
        QCOMPARE(m_start->ReadFile(QStringLiteral("new.txt")),
                 "\r\n" + QByteArray::fromStdString(ResultRecordBytes(first) +
                                                    ResultRecordBytes(second)));
        QCOMPARE(m_start->ReadFile(QStringLiteral("new.details.tsv")),
                 DetailHeader + PupilDetail(first) + PupilDetail(second));
        QVERIFY(QueuedResults(Start()).empty());
        QVERIFY_THROWS_NO_EXCEPTION(FlushQueuedResults("nowhere.txt", Start()));

        QCOMPARE(AppendFailureCode("gone.txt", Start(), third), 2);
        QVERIFY_THROWS_NO_EXCEPTION(AppendResult("log.txt", Start(), Pupil, Facts));
        QCOMPARE(Log(), "\r\n" + QByteArray::fromStdString(ResultRecordBytes(third)) + PupilRecord);
        QCOMPARE(Details(), DetailHeader + PupilDetail(third) + PupilDetail());
        QCOMPARE(Queue(), QByteArray());
    }

    // Another PC's append in progress: it finishes after our first attempts, or never.
    void waitsForAnotherWriter()
    {
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            TextFile other("log.txt");
            other.OpenForAppending();
            ::usleep(150 * 1000);
            other.WriteText("other\r\n");
            other.CloseFile();
            ::_exit(PendingIoCode());
        }
        ::usleep(30 * 1000);
        QVERIFY_THROWS_NO_EXCEPTION(AppendResult("log.txt", Start(), Pupil, Facts));
        QCOMPARE(ExitStatus(child), 0);
        QCOMPARE(Log(), "\r\nother\r\n" + PupilRecord);

        TextFile holder("log.txt");
        holder.OpenForReading();
        QCOMPARE(AppendFailureCode("log.txt", Start(), Pupil, {3, std::chrono::milliseconds(1)}),
                 32);
        holder.CloseFile();
        QCOMPARE(Log(), "\r\nother\r\n" + PupilRecord);
    }

    void concurrentAppendsLoseNoRecord()
    {
        constexpr int Writers = 16;
        constexpr int RecordsEach = 200;
        // Every child waits on the pipe, so that all of them start appending at the same moment.
        int startSignal[2];
        QCOMPARE(::pipe(startSignal), 0);
        std::vector<pid_t> children;
        for (int writer = 0; writer < Writers; ++writer) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                ::close(startSignal[1]);
                char byte = 0;
                [[maybe_unused]] const ssize_t ended = ::read(startSignal[0], &byte, 1);
                try {
                    for (int sequence = 0; sequence < RecordsEach; ++sequence) {
                        AppendResult("log.txt", Start(),
                                     {"writer " + std::to_string(writer), "9",
                                      std::to_string(sequence), sequence},
                                     Facts);
                    }
                } catch (const EInOutError &error) {
                    ::_exit(error.Code());
                }
                ::_exit(0);
            }
            children.push_back(child);
        }
        ::close(startSignal[0]);
        ::close(startSignal[1]);
        for (const pid_t child : children) {
            QCOMPARE(ExitStatus(child), 0);
        }

        // The log as the teacher reads it: each writer's records whole and in its own order.
        const ResultsLog log =
            ReadResultsLog(m_start->filePath(QStringLiteral("log.txt")).toStdString());
        QVERIFY(log.notes.empty());
        std::vector<int> next(Writers, 0);
        for (const LogRecord &record : log.records) {
            const int writer = record.name.mid(7).toInt();
            QVERIFY2(writer >= 0 && writer < Writers, qPrintable(record.name));
            QCOMPARE(record.score, next[static_cast<std::size_t>(writer)]++);
        }
        QCOMPARE(next, std::vector<int>(Writers, RecordsEach));

        // One detail per record, in the log's order, each naming its record's lines.
        const QList<QByteArray> lines = Details().split('\n');
        QCOMPARE(lines.size(), 1 + Writers * RecordsEach + 1);
        QCOMPARE(lines.front() + '\n', DetailHeader);
        QVERIFY(lines.back().isEmpty());
        for (std::size_t i = 0; i < log.records.size(); ++i) {
            const std::optional<ResultDetail> detail =
                ParseResultDetail(lines[qsizetype(i) + 1].toStdString());
            QVERIFY(detail);
            QCOMPARE(detail->recordHash, ShortHash(ResultRecordBytes(detail->record)));
            QCOMPARE(FromCp1251(detail->record.PupilName), log.records[i].name);
            QCOMPARE(detail->record.Score, log.records[i].score);
        }
        QVERIFY(!QFile::exists(m_start->filePath(QStringLiteral("Results.queue.tsv"))));
    }
};

QTEST_GUILESS_MAIN(ResultsLogTest)
#include "tst_resultslog.moc"
