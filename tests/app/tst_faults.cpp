#include "app/tform1.h"
#include "imageformats/pictureloader.h"
#include "quiz/resultslog.h"
#include "runtime/cp1251.h"
#include "support/mainwindow.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <csignal>
#include <memory>
#include <optional>

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
        const QFileInfo info = it.nextFileInfo();
        QFile file(info.filePath());
        entries.insert(QDir(root).relativeFilePath(info.filePath()),
                       info.isDir()                     ? FolderMark
                       : file.open(QIODevice::ReadOnly) ? file.readAll()
                                                        : QByteArray("<unreadable>"));
    }
    return entries;
}

// The first entry in which the directory differs from what it should hold; empty when none does.
QString Difference(const Contents &actual, const Contents &expected)
{
    QStringList names = actual.keys() + expected.keys();
    names.sort();
    for (const QString &name : names) {
        if (!actual.contains(name)) {
            return name + QStringLiteral(" is missing");
        }
        if (!expected.contains(name)) {
            return name + QStringLiteral(" was left behind");
        }
        if (actual[name] != expected[name]) {
            return name + QStringLiteral(" holds ") +
                   QString::fromLatin1(actual[name].left(200).toHex(' '));
        }
    }
    return {};
}

// Brings back the entries that are gone, the directory itself included.
bool RestoreMissing(const QDir &root, const Contents &entries)
{
    for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
        const QString path = root.filePath(entry.key());
        if (QFileInfo::exists(path)) {
            continue;
        }
        if (!(entry.value() == FolderMark ? root.mkpath(path)
                                          : root.mkpath(QFileInfo(path).path()) &&
                                                !WriteFixtureFile(path, entry.value()).empty())) {
            return false;
        }
    }
    return true;
}

// Lowers a resource's soft limit while it lives; the hard limit stays, so it can go back up.
class LoweredLimit {
public:
    using Resource = decltype(RLIMIT_NOFILE);

    LoweredLimit(Resource resource, rlim_t soft) : m_resource(resource)
    {
        // Past the file size limit a write fails with EFBIG instead of ending the process.
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(m_resource, &m_previous);
        const rlimit lowered{soft, m_previous.rlim_max};
        setrlimit(m_resource, &lowered);
    }
    ~LoweredLimit()
    {
        setrlimit(m_resource, &m_previous);
        std::signal(SIGXFSZ, m_handler);
    }
    LoweredLimit(const LoweredLimit &) = delete;
    LoweredLimit &operator=(const LoweredLimit &) = delete;

private:
    Resource m_resource;
    rlimit m_previous{};
    void (*m_handler)(int) = SIG_DFL;
};

// The number the next open would get: as the handle limit, every further open fails.
rlim_t HandlesInUse()
{
    const int probe = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ::close(probe);
    return static_cast<rlim_t>(probe);
}

// Every file may grow to this many bytes: the log takes part of a record, the settings part of
// their lines.
constexpr rlim_t FileSizeLimit = 24;

long PeakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

quint32 Crc32(QByteArrayView bytes)
{
    quint32 crc = 0xFFFFFFFF;
    for (const char byte : bytes) {
        crc ^= static_cast<quint8>(byte);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
        }
    }
    return ~crc;
}

// A small valid picture whose header declares side x side pixels.
QByteArray Declaring(const QByteArray &format, quint16 side)
{
    QByteArray bytes;
    if (format == "PCX") {
        QFile file(QStringLiteral(ORTUS_TEST_DATA_DIR "/pictures/rgb24.pcx"));
        bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        for (const int at : {4, 6}) {
            qToLittleEndian<quint16>(0, bytes.data() + at);
            qToLittleEndian<quint16>(side - 1, bytes.data() + at + 4);
        }
        return bytes;
    }
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format.constData());
    if (format == "BMP") {
        qToLittleEndian<qint32>(side, bytes.data() + 18);
        qToLittleEndian<qint32>(side, bytes.data() + 22);
    } else if (format == "PNG") {
        qToBigEndian<quint32>(side, bytes.data() + 16);
        qToBigEndian<quint32>(side, bytes.data() + 20);
        qToBigEndian(Crc32(QByteArrayView(bytes).sliced(12, 17)), bytes.data() + 29);
    } else if (format == "JPEG") {
        const qsizetype frame = bytes.indexOf("\xFF\xC0");
        qToBigEndian(side, bytes.data() + frame + 5);
        qToBigEndian(side, bytes.data() + frame + 7);
    }
    return bytes;
}

} // namespace

class FaultsTest : public QObject {
    Q_OBJECT

public:
    enum class Fault {
        StartDirectoryRemoved,
        LogFolderRemoved,
        DiskFull,
        NoFileHandles,
        ReplacedByFolder
    };
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

    QByteArray PupilRecord() const
    {
        return QByteArray::fromStdString(ResultRecordBytes(
            {ToCp1251(QStringLiteral("Петров Пётр")), "5", ToCp1251(QStringLiteral("7А")), 0}));
    }

    std::unique_ptr<MainWindowFixture> m_window;

private slots:
    void init() { m_window = std::make_unique<MainWindowFixture>(); }
    void cleanup() { m_window.reset(); }

    // First, while the process's peak memory is still close to what it uses.
    void hugePictureIsRefusedCheaply_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<qint64>("size");

        QTest::newRow("100 MB of zeros") << QByteArray() << qint64{100} * 1024 * 1024;
        for (const char *format : {"BMP", "PNG", "JPEG", "PCX"}) {
            QTest::addRow("%s declaring 60000 x 60000", format)
                << Declaring(format, 60000) << qint64{0};
        }
    }

    void hugePictureIsRefusedCheaply()
    {
        QFETCH(QByteArray, content);
        QFETCH(qint64, size);

        const QString path = m_window->start.filePath(QStringLiteral("huge.bmp"));
        WriteFixtureFile(path, content);
        // Sparse: no disk space is used and it reads as zeros.
        QVERIFY(size == 0 || QFile::resize(path, size));

        const long before = PeakRssKiB();
        QVERIFY(LoadPicture(QFile::encodeName(path), 0).isNull());
        const long grown = PeakRssKiB() - before;
        QVERIFY2(grown < 50 * 1024, qPrintable(QStringLiteral("peak grew by %1 KiB").arg(grown)));
        QVERIFY(!LoadPicture("Fon.jpg", 0).isNull());
    }

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
        QTest::newRow("bank is a folder") << Fault::ReplacedByFolder << Action::BankLoad << denied;
        QTest::newRow("log is a folder") << Fault::ReplacedByFolder << Action::LogAppend << denied;
        QTest::newRow("settings file is a folder")
            << Fault::ReplacedByFolder << Action::SettingsRewrite << denied;
    }

    void faultIsReportedAndRepairable()
    {
        QFETCH(Fault, fault);
        QFETCH(Action, action);
        QFETCH(QString, message);

        QVERIFY(m_window->Open());
        m_window->form->Memo1Click();
        const QDir start(m_window->start.path());
        if (fault == Fault::LogFolderRemoved) {
            QVERIFY(start.mkdir(QStringLiteral("logs")));
            m_window->dialogs.QueuePath(start.filePath(QStringLiteral("logs/Results.txt")));
            QTest::keyClick(m_window->form.get(), Qt::Key_R, Qt::ControlModifier);
        }
        const QString log = start.relativeFilePath(
            QFile::decodeName(m_window->form->Config().ResultsLogPath.c_str()));
        const QString ownFile = action == Action::BankLoad    ? QStringLiteral("Vop5.dat")
                                : action == Action::LogAppend ? log
                                                              : QStringLiteral("Ortus00.ini");
        if (action == Action::LogAppend) {
            m_window->StartTest();
            QVERIFY(m_window->form->TestRunning());
        }
        const Contents intact = Entries(start.path());

        switch (fault) {
        case Fault::StartDirectoryRemoved:
            QVERIFY(QDir(start).removeRecursively());
            break;
        case Fault::LogFolderRemoved:
            QVERIFY(QDir(start.filePath(QStringLiteral("logs"))).removeRecursively());
            break;
        case Fault::ReplacedByFolder:
            QVERIFY(QFile::remove(start.filePath(ownFile)));
            QVERIFY(start.mkdir(ownFile));
            break;
        case Fault::DiskFull:
        case Fault::NoFileHandles:
            break;
        }
        const Contents broken = Entries(start.path());
        m_window->dialogs.clear();
        {
            std::optional<LoweredLimit> limit;
            if (fault == Fault::DiskFull) {
                limit.emplace(RLIMIT_FSIZE, FileSizeLimit);
            } else if (fault == Fault::NoFileHandles) {
                limit.emplace(RLIMIT_NOFILE, HandlesInUse());
            }
            Act(action, clRed);
        }

        QCOMPARE(m_window->Errors(), QStringList{message});
        if (action == Action::BankLoad) {
            // A test without questions: the pupil can only end it, and it leaves no record.
            QVERIFY(!m_window->form->Timer1->isActive());
            m_window->Finish(Dialogs::Answer::Ok);
        }
        QVERIFY(!m_window->form->TestRunning());
        QVERIFY(m_window->form->Button1->isVisible());
        // Nothing half-written, nothing left behind, nothing made anew where the fault took it
        // away.
        QCOMPARE(Difference(Entries(start.path()), broken), QString());

        if (fault == Fault::ReplacedByFolder) {
            QVERIFY(QDir(start.filePath(ownFile)).removeRecursively());
        }
        QVERIFY(RestoreMissing(start, intact));
        m_window->dialogs.clear();
        if (action == Action::LogAppend) {
            m_window->StartTest();
        }
        Act(action, clLime);

        QCOMPARE(m_window->Errors(), QStringList());
        Contents expected = intact;
        switch (action) {
        case Action::BankLoad:
            QVERIFY(m_window->form->TestRunning());
            QVERIFY(m_window->form->Timer1->isActive());
            QVERIFY(!m_window->form->Label1->text().isEmpty());
            break;
        case Action::LogAppend:
            expected[log] += PupilRecord();
            break;
        case Action::SettingsRewrite:
            expected[QStringLiteral("Ortus00.ini")] =
                CrLfLines({"Fon.jpg", "16445670", "0", "65280", "16777215", "25600", "180",
                           "Results.txt", "[Button]=L"});
            break;
        }
        QCOMPARE(Difference(Entries(start.path()), expected), QString());
    }

    void settingsFolderAtStartUp()
    {
        const QString settings = m_window->start.filePath(QStringLiteral("Ortus00.ini"));
        QVERIFY(QFile::remove(settings));
        QVERIFY(QDir().mkdir(settings));
        QVERIFY(m_window->Open());
        m_window->form->Memo1Click();
        QCOMPARE(m_window->Errors(), QStringList{QStringLiteral("File access denied.")});

        // Unread settings name no log: the test runs, and its end says the record was not kept.
        m_window->StartTest();
        QVERIFY(m_window->form->Timer1->isActive());
        m_window->Finish(Dialogs::Answer::Ok);
        QCOMPARE(m_window->Errors().last(), QStringLiteral("I/O error 105."));
        QVERIFY(m_window->form->Button1->isVisible());

        // Repaired, the teacher names the log again, which writes the settings whole.
        QVERIFY(QDir().rmdir(settings));
        m_window->dialogs.clear();
        m_window->dialogs.QueuePath(m_window->start.filePath(QStringLiteral("Results.txt")));
        QTest::keyClick(m_window->form.get(), Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(m_window->start.ReadFile(QStringLiteral("Ortus00.ini")),
                 CrLfLines({"", "0", "0", "0", "0", "0", "0"}) +
                     QFile::encodeName(m_window->start.filePath(QStringLiteral("Results.txt"))) +
                     "\r\n[Button]=L\r\n");
        m_window->StartTest();
        m_window->Finish(Dialogs::Answer::Ok);
        QCOMPARE(m_window->Errors(), QStringList());
        QCOMPARE(m_window->start.ReadFile(QStringLiteral("Results.txt")), "\r\n" + PupilRecord());
    }
};

QTEST_MAIN(FaultsTest)
#include "tst_faults.moc"
