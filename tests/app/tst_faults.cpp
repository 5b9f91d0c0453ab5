#include "app/tform1.h"
#include "platform/stretchedimage.h"
#include "quiz/resultslog.h"
#include "runtime/cp1251.h"
#include "settings/tform3.h"
#include "support/scripteddialogs.h"
#include "support/startdirectory.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
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

private slots:
    void init();
    void cleanup();

    // First, while the process's peak memory is still close to what it uses.
    void hugePictureIsRefusedCheaply_data();
    void hugePictureIsRefusedCheaply();
    void faultIsReportedAndRepairable_data();
    void faultIsReportedAndRepairable();
    void settingsFolderAtStartUp();

private:
    void Open();
    void StartTest();
    void FinishTest();
    void Act(Action action, TColor colour);
    void ChoosePicture(const QString &path);
    QStringList Errors() const;
    QByteArray PupilRecord() const;

    std::unique_ptr<StartDirectoryFixture> m_start;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<TForm1> m_form;
};

void FaultsTest::init()
{
    m_start = std::make_unique<StartDirectoryFixture>(ShippedStartDirectory());
    m_dialogs = ScriptedDialogs();
}

void FaultsTest::cleanup()
{
    m_form.reset();
    m_start.reset();
}

void FaultsTest::Open()
{
    m_form = std::make_unique<TForm1>(m_dialogs);
    m_form->show();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    m_form->Memo1Click();
}

void FaultsTest::StartTest()
{
    m_form->Edit1->setText(QStringLiteral("Петров Пётр"));
    m_form->ComboBox1->setCurrentIndex(0);
    m_form->Edit3->setText(QStringLiteral("7А"));
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
}

void FaultsTest::FinishTest()
{
    m_dialogs.QueueAnswer(Dialogs::Answer::Ok);
    QTest::mouseClick(m_form->SpeedButton1, Qt::LeftButton);
}

QByteArray FaultsTest::PupilRecord() const
{
    return QByteArray::fromStdString(ResultRecordBytes(
        {ToCp1251(QStringLiteral("Петров Пётр")), "5", ToCp1251(QStringLiteral("7А")), 0}));
}

void FaultsTest::Act(Action action, TColor colour)
{
    switch (action) {
    case Action::BankLoad:
        StartTest();
        break;
    case Action::LogAppend:
        FinishTest();
        break;
    case Action::SettingsRewrite:
        m_dialogs.QueueColour(colour);
        QTest::keyClick(m_form.get(), Qt::Key_Q, Qt::ControlModifier);
        break;
    }
}

void FaultsTest::ChoosePicture(const QString &path)
{
    TForm3 form(*m_form, m_dialogs, m_form.get());
    form.show();
    m_dialogs.QueuePath(path);
    QTest::mouseClick(form.SpeedButton2, Qt::LeftButton);
}

QStringList FaultsTest::Errors() const
{
    QStringList errors;
    for (const ScriptedDialogs::Shown &box : m_dialogs.shown()) {
        if (box.kind == ScriptedDialogs::Kind::Error) {
            errors.append(box.text);
        }
    }
    return errors;
}

void FaultsTest::hugePictureIsRefusedCheaply_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<qint64>("size");

    QTest::newRow("100 MB of zeros") << QByteArray() << qint64{100} * 1024 * 1024;
    for (const char *format : {"BMP", "PNG", "JPEG", "PCX"}) {
        QTest::addRow("%s declaring 60000 x 60000", format)
            << Declaring(format, 60000) << qint64{0};
    }
}

void FaultsTest::hugePictureIsRefusedCheaply()
{
    QFETCH(QByteArray, content);
    QFETCH(qint64, size);

    Open();
    QVERIFY(!m_form->Image1->Picture().isNull());
    const QString path = m_start->filePath(QStringLiteral("huge.bmp"));
    WriteFixtureFile(path, content);
    // Sparse: no disk space is used and it reads as zeros.
    QVERIFY(size == 0 || QFile::resize(path, size));

    const long before = PeakRssKiB();
    ChoosePicture(path);
    QVERIFY(m_form->Image1->Picture().isNull());
    const long grown = PeakRssKiB() - before;
    QVERIFY2(grown < 50 * 1024, qPrintable(QStringLiteral("peak grew by %1 KiB").arg(grown)));
    QCOMPARE(Errors(), QStringList());

    ChoosePicture(m_start->filePath(QStringLiteral("Fon.jpg")));
    QVERIFY(!m_form->Image1->Picture().isNull());
}

void FaultsTest::faultIsReportedAndRepairable_data()
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

void FaultsTest::faultIsReportedAndRepairable()
{
    QFETCH(Fault, fault);
    QFETCH(Action, action);
    QFETCH(QString, message);

    Open();
    const QDir start(m_start->path());
    if (fault == Fault::LogFolderRemoved) {
        QVERIFY(start.mkdir(QStringLiteral("logs")));
        m_dialogs.QueuePath(start.filePath(QStringLiteral("logs/Results.txt")));
        QTest::keyClick(m_form.get(), Qt::Key_R, Qt::ControlModifier);
    }
    const QString log =
        start.relativeFilePath(QFile::decodeName(m_form->Config().ResultsLogPath.c_str()));
    const QString ownFile = action == Action::BankLoad    ? QStringLiteral("Vop5.dat")
                            : action == Action::LogAppend ? log
                                                          : QStringLiteral("Ortus00.ini");
    if (action == Action::LogAppend) {
        StartTest();
        QVERIFY(m_form->TestRunning());
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
    m_dialogs.clear();
    {
        std::optional<LoweredLimit> limit;
        if (fault == Fault::DiskFull) {
            limit.emplace(RLIMIT_FSIZE, FileSizeLimit);
        } else if (fault == Fault::NoFileHandles) {
            limit.emplace(RLIMIT_NOFILE, HandlesInUse());
        }
        Act(action, clRed);
    }

    QCOMPARE(Errors(), QStringList{message});
    if (action == Action::BankLoad) {
        // A test without questions: the pupil can only end it, and it leaves no record.
        QVERIFY(!m_form->Timer1->isActive());
        FinishTest();
    }
    QVERIFY(!m_form->TestRunning());
    QVERIFY(m_form->Button1->isVisible());
    // Nothing half-written, nothing left behind, nothing made anew where the fault took it away.
    QCOMPARE(Difference(Entries(start.path()), broken), QString());

    if (fault == Fault::ReplacedByFolder) {
        QVERIFY(QDir(start.filePath(ownFile)).removeRecursively());
    }
    QVERIFY(RestoreMissing(start, intact));
    m_dialogs.clear();
    if (action == Action::LogAppend) {
        StartTest();
    }
    Act(action, clLime);

    QCOMPARE(Errors(), QStringList());
    Contents expected = intact;
    switch (action) {
    case Action::BankLoad:
        QVERIFY(m_form->TestRunning());
        QVERIFY(m_form->Timer1->isActive());
        QVERIFY(!m_form->Label1->text().isEmpty());
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

void FaultsTest::settingsFolderAtStartUp()
{
    const QString settings = m_start->filePath(QStringLiteral("Ortus00.ini"));
    QVERIFY(QFile::remove(settings));
    QVERIFY(QDir().mkdir(settings));
    Open();
    QCOMPARE(Errors(), QStringList{QStringLiteral("File access denied.")});

    // Unread settings name no log: the test runs, and its end says the record was not kept.
    StartTest();
    QVERIFY(m_form->Timer1->isActive());
    FinishTest();
    QCOMPARE(Errors().last(), QStringLiteral("I/O error 105."));
    QVERIFY(m_form->Button1->isVisible());

    // Repaired, the teacher names the log again, which writes the settings whole.
    QVERIFY(QDir().rmdir(settings));
    m_dialogs.clear();
    m_dialogs.QueuePath(m_start->filePath(QStringLiteral("Results.txt")));
    QTest::keyClick(m_form.get(), Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(m_start->ReadFile(QStringLiteral("Ortus00.ini")),
             CrLfLines({"", "0", "0", "0", "0", "0", "0"}) +
                 QFile::encodeName(m_start->filePath(QStringLiteral("Results.txt"))) +
                 "\r\n[Button]=L\r\n");
    StartTest();
    FinishTest();
    QCOMPARE(Errors(), QStringList());
    QCOMPARE(m_start->ReadFile(QStringLiteral("Results.txt")), "\r\n" + PupilRecord());
}

QTEST_MAIN(FaultsTest)
#include "tst_faults.moc"
