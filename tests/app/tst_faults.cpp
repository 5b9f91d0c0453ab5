#include "app/tform1.h"
#include "quiz/resultdetail.h"
#include "quiz/resultslog.h"
#include "runtime/cp1251.h"
#include "support/mainwindow.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <csignal>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// What a directory holds: each entry's path below it, with a file's bytes or a folder mark.
using Contents = QMap<QString, QByteArray>;
const QByteArray FolderMark = "<folder>";

Contents Entries(const QString &root)
{
    Contents entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        // The detail file and the queue are checked by what they hold, not byte for byte.
        if (file.fileName().endsWith(QStringLiteral(".tsv"))) {
            continue;
        }
        // Qt opens no folder.
        entries.insert(QDir(root).relativeFilePath(file.fileName()),
                       file.open(QIODevice::ReadOnly) ? file.readAll() : FolderMark);
    }
    return entries;
}

// Writes the entries back, the directory itself included.
void Restore(const QDir &root, const Contents &entries)
{
    for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
        const QString path = root.filePath(entry.key());
        root.mkpath(entry.value() == FolderMark ? path : QFileInfo(path).path());
        if (entry.value() != FolderMark) {
            WriteFixtureFile(path, entry.value());
        }
    }
}

} // namespace

// The world under the program broken while it runs: the user sees the error, nothing is left
// half-written, and once the fault is repaired the same action works.
class FaultsTest : public QObject {
    Q_OBJECT

public:
    enum class Fault { StartDirectoryRemoved, LogFolderRemoved, DiskFull, NoFileHandles, Folder };
    Q_ENUM(Fault)
    enum class Action { BankLoad, LogAppend, SettingsRewrite };
    Q_ENUM(Action)

private:
    void Act(Action action, TColor colour)
    {
        switch (action) {
        case Action::BankLoad:
            m_window->StartTest();
            break;
        case Action::LogAppend:
            m_window->Finish(Dialogs::Answer::Ok);
            break;
        case Action::SettingsRewrite:
            m_window->dialogs.QueueColour(colour);
            QTest::keyClick(m_window->form.get(), Qt::Key_Q, Qt::ControlModifier);
            break;
        }
    }

    std::unique_ptr<MainWindowFixture> m_window;

private slots:
    // Past the file size limit a write fails with EFBIG instead of ending the process.
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }
    void init() { m_window = std::make_unique<MainWindowFixture>(); }
    void cleanup() { m_window.reset(); }

    void faultIsReportedAndRepairable_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("message");

        const QString notFound = QStringLiteral("File not found.");
        const QString tooMany = QStringLiteral("Too many open files.");
        const QString denied = QStringLiteral("File access denied.");
        // A full disk and a file size limit break a write off part-way alike; the codes differ.
        const QString tooLarge = QStringLiteral("I/O error 223.");

        QTest::newRow("start directory removed: bank load")
            << Fault::StartDirectoryRemoved << Action::BankLoad << notFound;
        QTest::newRow("start directory removed: log append")
            << Fault::StartDirectoryRemoved << Action::LogAppend << notFound;
        QTest::newRow("start directory removed: settings rewrite")
            << Fault::StartDirectoryRemoved << Action::SettingsRewrite << notFound;
        QTest::newRow("log folder removed: log append")
            << Fault::LogFolderRemoved << Action::LogAppend << QStringLiteral("Invalid filename.");
        QTest::newRow("disk full: log append") << Fault::DiskFull << Action::LogAppend << tooLarge;
        QTest::newRow("disk full: settings rewrite")
            << Fault::DiskFull << Action::SettingsRewrite << tooLarge;
        QTest::newRow("no file handles: bank load")
            << Fault::NoFileHandles << Action::BankLoad << tooMany;
        QTest::newRow("no file handles: log append")
            << Fault::NoFileHandles << Action::LogAppend << tooMany;
        QTest::newRow("no file handles: settings rewrite")
            << Fault::NoFileHandles << Action::SettingsRewrite << tooMany;
        QTest::newRow("bank is a folder") << Fault::Folder << Action::BankLoad << denied;
        QTest::newRow("log is a folder") << Fault::Folder << Action::LogAppend << denied;
        QTest::newRow("settings file is a folder")
            << Fault::Folder << Action::SettingsRewrite << denied;
    }

    void faultIsReportedAndRepairable()
    {
        QFETCH(Fault, fault);
        QFETCH(Action, action);
        QFETCH(QString, message);

        QVERIFY(m_window->Open());
        TForm1 &form = *m_window->form;
        form.Memo1Click();
        const QDir start(m_window->start.path());
        if (fault == Fault::LogFolderRemoved) {
            QVERIFY(start.mkdir(QStringLiteral("logs")));
            m_window->dialogs.QueuePath(start.filePath(QStringLiteral("logs/Results.txt")));
            QTest::keyClick(&form, Qt::Key_R, Qt::ControlModifier);
        }
        const QString log =
            start.relativeFilePath(QFile::decodeName(form.Config().ResultsLogPath.c_str()));
        const QString ownFile = action == Action::BankLoad    ? QStringLiteral("Vop5.dat")
                                : action == Action::LogAppend ? log
                                                              : QStringLiteral("Ortus00.ini");
        if (action == Action::LogAppend) {
            m_window->StartTest();
        }
        const Contents intact = Entries(start.path());
        if (fault == Fault::StartDirectoryRemoved || fault == Fault::LogFolderRemoved) {
            QVERIFY(QDir(fault == Fault::LogFolderRemoved ? start.filePath("logs") : start.path())
                        .removeRecursively());
        } else if (fault == Fault::Folder) {
            QVERIFY(QFile::remove(start.filePath(ownFile)) && start.mkdir(ownFile));
        }
        const Contents broken = Entries(start.path());
        m_window->dialogs.clear();
        // Lowered soft limits: the hard ones stay, so they can go back up. The handle limit is
        // the number the next open would get.
        const auto resource = fault == Fault::DiskFull ? RLIMIT_FSIZE : RLIMIT_NOFILE;
        rlimit previous{};
        getrlimit(resource, &previous);
        const int probe = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        ::close(probe);
        // The log takes part of a record, the settings part of their lines.
        const rlimit lowered{fault == Fault::DiskFull ? 24 : rlim_t(probe), previous.rlim_max};
        const bool limited = fault == Fault::DiskFull || fault == Fault::NoFileHandles;
        QVERIFY(!limited || setrlimit(resource, &lowered) == 0);
        Act(action, clRed);
        QVERIFY(!limited || setrlimit(resource, &previous) == 0);

        QCOMPARE(m_window->Errors(), QStringList{message});
        if (action == Action::BankLoad) {
            // A test without questions: the pupil can only end it, and it leaves no record.
            QVERIFY(!form.Timer1->isActive());
            m_window->Finish(Dialogs::Answer::Ok);
        }
        QVERIFY(!form.TestRunning());
        QVERIFY(form.Button1->isVisible());
        QCOMPARE(Entries(start.path()), broken);
        // The record that found no log waits in the start directory, where it can be written.
        const bool queued = action == Action::LogAppend &&
                            (fault == Fault::LogFolderRemoved || fault == Fault::Folder);
        QCOMPARE(QueuedResults(start.path().toStdString()).size(), queued ? 1u : 0u);

        QVERIFY(fault != Fault::Folder || QDir(start.filePath(ownFile)).removeRecursively());
        Restore(start, intact);
        m_window->dialogs.clear();
        if (action == Action::LogAppend) {
            m_window->StartTest();
        }
        Act(action, clLime);

        QCOMPARE(m_window->Errors(), QStringList());
        Contents expected = intact;
        if (action == Action::BankLoad) {
            QVERIFY(form.Timer1->isActive());
        } else if (action == Action::LogAppend) {
            // The queued record goes first.
            const std::string record = ResultRecordBytes(
                {ToCp1251(QStringLiteral("Петров Пётр")), "5", ToCp1251(QStringLiteral("7А")), 0});
            expected[log] += QByteArray::fromStdString(queued ? record + record : record);
        } else {
            expected[QStringLiteral("Ortus00.ini")] =
                CrLfLines({"Fon.jpg", "16445670", "0", "65280", "16777215", "25600", "180",
                           "Results.txt", "[Button]=L"});
        }
        QCOMPARE(Entries(start.path()), expected);
        QVERIFY(QueuedResults(start.path().toStdString()).empty());
    }
};

QTEST_MAIN(FaultsTest)
#include "tst_faults.moc"
