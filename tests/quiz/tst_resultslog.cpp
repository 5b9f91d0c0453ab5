#include "quiz/resultslog.h"
#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "support/startdirectory.h"
#include "teacher/resultsreader.h"

#include <QDir>
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

int AppendFailureCode(const std::string &path, const std::string &start,
                      const AppendRetry &retry = {1, std::chrono::milliseconds(0)})
{
    try {
        AppendResult(path, start, Pupil, retry);
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

} // namespace

class ResultsLogTest : public QObject {
    Q_OBJECT

private:
    std::string Start() const { return m_start->path().toStdString(); }
    QByteArray Log() const { return m_start->ReadFile(QStringLiteral("log.txt")); }
    std::unique_ptr<StartDirectoryFixture> m_start;

private slots:
    void init()
    {
        m_start = std::make_unique<StartDirectoryFixture>(QStringList{});
        m_start->WriteFile(QStringLiteral("log.txt"), "\r\n");
    }
    void cleanup() { m_start.reset(); }

    // A new log holds its empty line, and records go after it. Appended from another current
    // directory: the relative path names the log in the start directory.
    void appends()
    {
        CreateResultsLog(m_start->filePath(QStringLiteral("log.txt")).toStdString());
        QTemporaryDir elsewhere;
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        QVERIFY_THROWS_NO_EXCEPTION(AppendResult("log.txt", Start(), Pupil));
        QVERIFY_THROWS_NO_EXCEPTION(AppendResult("log.txt", Start(), Pupil));
        QCOMPARE(Log(), "\r\n" + PupilRecord + PupilRecord);
    }

    // A missing log is reported, not made: the teacher makes logs. A record that breaks off
    // part-way, as on a full disk (the child may write only 20 more bytes), is taken back.
    void failedAppendsLeaveNoTrace()
    {
        QCOMPARE(AppendFailureCode("missing.txt", Start()), 2);
        QVERIFY(!QFile::exists(m_start->filePath(QStringLiteral("missing.txt"))));
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{2 + 20, 2 + 20};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::_exit(AppendFailureCode("log.txt", Start()) == 223 ? 0 : 1);
        }
        QCOMPARE(ExitStatus(child), 0);
        QCOMPARE(Log(), QByteArray("\r\n"));
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
        QVERIFY_THROWS_NO_EXCEPTION(AppendResult("log.txt", Start(), Pupil));
        QCOMPARE(ExitStatus(child), 0);
        QCOMPARE(Log(), "\r\nother\r\n" + PupilRecord);

        TextFile holder("log.txt");
        holder.OpenForReading();
        QCOMPARE(AppendFailureCode("log.txt", Start(), {3, std::chrono::milliseconds(1)}), 32);
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
                                      std::to_string(sequence), sequence});
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
    }
};

QTEST_GUILESS_MAIN(ResultsLogTest)
#include "tst_resultslog.moc"
