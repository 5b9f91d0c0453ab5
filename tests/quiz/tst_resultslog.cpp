#include "quiz/resultslog.h"
#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "support/startdirectory.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>

#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const ResultRecord Pupil{"\xCF\xE5\xF2\xF0\xEE\xE2", "7", "7\xC0", 12}; // "Петров", group "7А"

// The record as the teacher reads it: an empty line, the name, grade, group and score.
const QByteArray PupilRecord = "\r\n\xCF\xE5\xF2\xF0\xEE\xE2\r\n"
                               "\xCA\xEB\xE0\xF1\xF1: 7\r\n"
                               "\xDE\xC3\xCF: 7\xC0\r\n"
                               "\xD0\xE5\xE7\xF3\xEB\xFC\xF2\xE0\xF2: 12\r\n";

const AppendRetry NoWaiting{1, std::chrono::milliseconds(0)};

int AppendFailureCode(const std::string &path, const std::string &start,
                      const AppendRetry &retry = NoWaiting)
{
    try {
        AppendResult(path, start, Pupil, retry);
    } catch (const EInOutError &error) {
        return error.Code();
    }
    return 0;
}

} // namespace

class ResultsLogTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_start = std::make_unique<StartDirectoryFixture>(QStringList{}); }
    void cleanup() { m_start.reset(); }

    void recordBytes_data();
    void recordBytes();
    void appendsAfterExistingContents_data();
    void appendsAfterExistingContents();
    void relativePathResolvesInStartDirectory();
    void failures_data();
    void failures();
    void fullDiskLeavesNoHalfRecord();
    void waitsForAnotherWriter();
    void heldLogIsReportedAfterRetrying();
    void concurrentAppendsLoseNoRecord();
    void newLogHoldsOneEmptyLine();

private:
    std::string Start() const { return m_start->path().toStdString(); }
    std::unique_ptr<StartDirectoryFixture> m_start;
};

void ResultsLogTest::recordBytes_data()
{
    QTest::addColumn<int>("score");
    QTest::addColumn<QByteArray>("scoreLine");
    QTest::newRow("zero") << 0 << QByteArray("\xD0\xE5\xE7\xF3\xEB\xFC\xF2\xE0\xF2: 0\r\n");
    QTest::newRow("fifty") << 50 << QByteArray("\xD0\xE5\xE7\xF3\xEB\xFC\xF2\xE0\xF2: 50\r\n");
}

void ResultsLogTest::recordBytes()
{
    QFETCH(int, score);
    QFETCH(QByteArray, scoreLine);
    ResultRecord record = Pupil;
    record.Score = score;
    const QByteArray bytes = QByteArray::fromStdString(ResultRecordBytes(record));
    QVERIFY(bytes.startsWith("\r\n\xCF"));
    QVERIFY(bytes.endsWith(scoreLine));
    QCOMPARE(bytes.count("\r\n"), 5);
    QCOMPARE(QByteArray::fromStdString(ResultRecordBytes(Pupil)), PupilRecord);
}

void ResultsLogTest::appendsAfterExistingContents_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("kept");
    QTest::newRow("fresh log") << QByteArray("\r\n") << QByteArray("\r\n");
    QTest::newRow("older records")
        << QByteArray("\r\nA\r\nB\r\nC\r\nD\r\n") << QByteArray("\r\nA\r\nB\r\nC\r\nD\r\n");
    QTest::newRow("Ctrl+Z at the end is cut")
        << QByteArray("\r\nA\r\n\x1A") << QByteArray("\r\nA\r\n");
    QTest::newRow("Ctrl+Z and what follows")
        << QByteArray("\r\nA\r\n\x1Agarbage") << QByteArray("\r\nA\r\n");
    QTest::newRow("empty file") << QByteArray() << QByteArray();
}

void ResultsLogTest::appendsAfterExistingContents()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, kept);
    m_start->WriteFile(QStringLiteral("log.txt"), before);

    AppendResult("log.txt", Start(), Pupil);
    AppendResult("log.txt", Start(), Pupil);

    QCOMPARE(m_start->ReadFile(QStringLiteral("log.txt")), kept + PupilRecord + PupilRecord);
}

void ResultsLogTest::relativePathResolvesInStartDirectory()
{
    m_start->WriteFile(QStringLiteral("log.txt"), "\r\n");
    QTemporaryDir elsewhere;
    QDir::setCurrent(elsewhere.path());
    AppendResult("log.txt", Start(), Pupil);
    QCOMPARE(m_start->ReadFile(QStringLiteral("log.txt")), "\r\n" + PupilRecord);
}

void ResultsLogTest::failures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("code");
    QTest::newRow("missing log") << "missing.txt" << 2;
    QTest::newRow("missing folder") << "nowhere/log.txt" << 3;
    QTest::newRow("a directory") << "folder" << 5;
    QTest::newRow("empty path") << "" << 105;
}

void ResultsLogTest::failures()
{
    QFETCH(QString, path);
    QFETCH(int, code);
    QDir(m_start->path()).mkdir(QStringLiteral("folder"));

    QCOMPARE(AppendFailureCode(path.toStdString(), Start()), code);
    QCOMPARE(PendingIoCode(), 0);
    QVERIFY(!QFile::exists(m_start->filePath(QStringLiteral("missing.txt"))));
}

void ResultsLogTest::fullDiskLeavesNoHalfRecord()
{
    const QByteArray before = "\r\nolder record\r\n";
    m_start->WriteFile(QStringLiteral("log.txt"), before);
    // The child may write only 20 more bytes: the record breaks off part-way, as on a full disk.
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(before.size() + 20),
                           static_cast<rlim_t>(before.size() + 20)};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(AppendFailureCode("log.txt", Start()) == 223 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(m_start->ReadFile(QStringLiteral("log.txt")), before);
}

void ResultsLogTest::waitsForAnotherWriter()
{
    m_start->WriteFile(QStringLiteral("log.txt"), "\r\n");
    // Another PC's append in progress: it finishes after our first attempts.
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        TextFile other("log.txt");
        other.OpenForAppending();
        usleep(150 * 1000);
        other.WriteText("other\r\n");
        other.CloseFile();
        _exit(PendingIoCode());
    }
    usleep(30 * 1000);
    AppendResult("log.txt", Start(), Pupil);
    int status = 0;
    waitpid(child, &status, 0);
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(m_start->ReadFile(QStringLiteral("log.txt")), "\r\nother\r\n" + PupilRecord);
}

void ResultsLogTest::heldLogIsReportedAfterRetrying()
{
    m_start->WriteFile(QStringLiteral("log.txt"), "\r\n");
    TextFile holder("log.txt");
    holder.OpenForReading();
    QCOMPARE(AppendFailureCode("log.txt", Start(), {3, std::chrono::milliseconds(1)}), 32);
    holder.CloseFile();
    QCOMPARE(m_start->ReadFile(QStringLiteral("log.txt")), QByteArray("\r\n"));
}

void ResultsLogTest::concurrentAppendsLoseNoRecord()
{
    m_start->WriteFile(QStringLiteral("log.txt"), "\r\n");
    constexpr int Writers = 16;
    constexpr int RecordsEach = 200;
    // Every child waits on the pipe, so that all of them start appending at the same moment.
    int startSignal[2];
    QCOMPARE(pipe(startSignal), 0);
    std::vector<pid_t> children;
    for (int writer = 0; writer < Writers; ++writer) {
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            close(startSignal[1]);
            char byte = 0;
            [[maybe_unused]] const ssize_t ended = read(startSignal[0], &byte, 1);
            for (int sequence = 0; sequence < RecordsEach; ++sequence) {
                const ResultRecord record{"writer " + std::to_string(writer), "9",
                                          std::to_string(sequence), sequence};
                try {
                    AppendResult("log.txt", Start(), record);
                } catch (const EInOutError &error) {
                    _exit(error.Code());
                }
            }
            _exit(0);
        }
        children.push_back(child);
    }
    QElapsedTimer elapsed;
    elapsed.start();
    close(startSignal[0]);
    close(startSignal[1]);
    for (const pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }
    qInfo("%d writers appended %d records each in %lld ms", Writers, RecordsEach,
          static_cast<long long>(elapsed.elapsed()));

    // The log parsed record by record: each writer's records whole and in its own order.
    const QByteArray log = m_start->ReadFile(QStringLiteral("log.txt"));
    QVERIFY(log.startsWith("\r\n"));
    const QList<QByteArray> lines = log.mid(2).split('\n');
    QCOMPARE(lines.size(), Writers * RecordsEach * 5 + 1);
    QVERIFY(lines.last().isEmpty());
    std::vector<int> next(Writers, 0);
    for (qsizetype line = 0; line + 1 < lines.size(); line += 5) {
        const QByteArray name = lines[line + 1].chopped(1);
        const int writer = name.mid(7).toInt();
        QVERIFY2(name.startsWith("writer ") && writer >= 0 && writer < Writers, name.constData());
        const QByteArray sequence = QByteArray::number(next[static_cast<std::size_t>(writer)]++);
        QCOMPARE(lines[line], QByteArray("\r"));
        QCOMPARE(lines[line + 2], QByteArray("\xCA\xEB\xE0\xF1\xF1: 9\r"));
        QCOMPARE(lines[line + 3], "\xDE\xC3\xCF: " + sequence + '\r');
        QCOMPARE(lines[line + 4], "\xD0\xE5\xE7\xF3\xEB\xFC\xF2\xE0\xF2: " + sequence + '\r');
    }
    QCOMPARE(next, std::vector<int>(Writers, RecordsEach));
}

void ResultsLogTest::newLogHoldsOneEmptyLine()
{
    CreateResultsLog(m_start->filePath(QStringLiteral("new.txt")).toStdString());
    QCOMPARE(m_start->ReadFile(QStringLiteral("new.txt")), QByteArray("\r\n"));
}

QTEST_GUILESS_MAIN(ResultsLogTest)
#include "tst_resultslog.moc"
