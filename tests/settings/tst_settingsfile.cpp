#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "settings/settings.h"
#include "support/startdirectory.h"

#include <QDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

Q_DECLARE_METATYPE(BackgroundMode)

namespace {

const QString FileName = QStringLiteral("Ortus00.ini");

// The settings of a file that holds none.
const char *const Zeros = "|0|0|0|0|0|0||[Button]=L";

// The lines of a settings file, "|" between them, each ended by CR LF as the file holds them.
QByteArray Ini(const char *lines)
{
    return QByteArray(lines).replace('|', "\r\n") + "\r\n";
}

// Waits for a child process; its exit status, or -1 when it did not exit.
int ExitStatus(pid_t child)
{
    int status = -1;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

class SettingsFileTest : public QObject {
    Q_OBJECT

private slots:
    void readAndWrittenBack_data()
    {
        // The file; the error its reading raises (0: none); the background mode it selects; the
        // file that a write of what was read makes (null: the same file).
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("error");
        QTest::addColumn<BackgroundMode>("mode");
        QTest::addColumn<QByteArray>("written");

        const auto picture = BackgroundMode::Picture;
        const auto fill = BackgroundMode::FillColour;
        QTest::newRow("complete file")
            << Ini("/pics/a.bmp|255|0|16711680|65280|255|32768|res.txt|[Button]=LR") << 0 << picture
            << QByteArray();
        QTest::newRow("number followed by a word, dollar hex")
            << Ini("|255 word|1|$FF|0|0|$ff||[Button]=L") << 0 << fill
            << Ini("|255|1|255|0|0|255||[Button]=L");
        QTest::newRow("system colours are kept negative")
            << Ini("|-2147483633|1|-2147483640|0|0|0||[Button]=L") << 0 << fill << QByteArray();
        QTest::newRow("low 8 bits of 257 select the fill colour")
            << Ini("|0|257|0|0|0|0||[Button]=L") << 0 << fill << Ini("|0|1|0|0|0|0||[Button]=L");
        QTest::newRow("2 selects neither mode")
            << Ini("|0|2|0|0|0|0||[Button]=L") << 0 << BackgroundMode::Unchanged << QByteArray();
        QTest::newRow("ninth line with a trailing blank")
            << Ini("|0|0|0|0|0|0||[Button]=LR ") << 0 << picture << Ini(Zeros);
        QTest::newRow("ninth line in other letter case")
            << Ini("|0|0|0|0|0|0||[button]=LR") << 0 << picture << Ini(Zeros);
        QTest::newRow("short file reads zeros and empties")
            << Ini("p.jpg|7") << 0 << picture << Ini("p.jpg|7|0|0|0|0|0||[Button]=L");
        // As a missing file is made by the first write: complete.
        QTest::newRow("empty file") << QByteArray("") << 0 << picture << Ini(Zeros);
        QTest::newRow("blanks of the eighth line and CP1251 paths kept")
            << Ini("\xF4\xEE\xED.bmp|0|0|0|0|0|0| \xEB\xEE\xE3 .txt |[Button]=LR") << 0 << picture
            << QByteArray();
        QTest::newRow("picture path cut to 255 bytes")
            << QByteArray(300, 'p') + Ini("|42") << 0 << picture
            << QByteArray(255, 'p') + Ini("|42|0|0|0|0|0||[Button]=L");
        QTest::newRow("a NUL byte ends the picture path")
            << QByteArray("a.bmp\0junk\r\n", 12) << 0 << picture
            << Ini("a.bmp|0|0|0|0|0|0||[Button]=L");
        // Read up to the bad number; everything after it keeps its zero or empty value.
        QTest::newRow("empty line in place of a number: every later number moves up")
            << Ini("pic||1|2|3|4|5|log|[Button]=LR") << 106 << picture
            << Ini("pic|1|2|3|4|5|0||[Button]=L");
        QTest::newRow("number glued to a word") << Ini("pic|255word|0|0|0|0|0|log|") << 106
                                                << picture << Ini("pic|0|0|0|0|0|0||[Button]=L");
        QTest::newRow("decimal point") << Ini("pic|12|0|0|0|1.5|9|log|") << 106 << picture
                                       << Ini("pic|12|0|0|0|0|0||[Button]=L");
        QTest::newRow("overflow") << Ini("pic|2147483648|0|0|0|0|0||") << 106 << picture
                                  << Ini("pic|0|0|0|0|0|0||[Button]=L");
    }

    // Read and written in the directory given, while the current directory is another one and
    // stays so.
    void readAndWrittenBack()
    {
        const StartDirectoryFixture start(QStringList{});
        QFETCH(QByteArray, file);
        QFETCH(int, error);
        QFETCH(BackgroundMode, mode);
        QFETCH(QByteArray, written);

        start.WriteFile(FileName, file);
        const QTemporaryDir elsewhere;
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        const std::string directory = start.path().toStdString();
        Settings settings;
        int code = 0;
        try {
            ReadSettings(settings, directory);
        } catch (const EInOutError &raised) {
            code = raised.Code();
        }
        QCOMPARE(code, error);
        QCOMPARE(PendingIoCode(), 0);
        QVERIFY(error != 0 || StartupBackgroundMode(settings) == mode);
        // A file left open by a failed reading would refuse this with code 32.
        QVERIFY_THROWS_NO_EXCEPTION(WriteSettings(settings, directory));
        QCOMPARE(start.ReadFile(FileName), written.isNull() ? file : written);
        QCOMPARE(QDir::currentPath(), elsewhere.path());
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files), QStringList());
    }

    // A path to the file that a file name cannot hold is refused, not cut to another name.
    void tooLongPathIsRefused()
    {
        const StartDirectoryFixture start(QStringList{});
        const std::string directory =
            start.path().toStdString() + '/' +
            std::string(TextFile::MaxNameLength - start.path().size(), 'd');
        Settings settings;
        for (const bool writing : {false, true}) {
            try {
                writing ? WriteSettings(settings, directory) : ReadSettings(settings, directory);
                QFAIL("no error");
            } catch (const EInOutError &error) {
                QCOMPARE(error.Code(), 206);
            }
        }
        QCOMPARE(QDir(start.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // Another account of a shared folder must be able to rewrite the file after this one, and a
    // file that is a symbolic link stays one.
    void rewriteKeepsModeGroupAndLink_data()
    {
        QTest::addColumn<QString>("link"); // what Ortus00.ini links to; empty: a plain file
        QTest::addColumn<int>("mode");

        QTest::newRow("plain file at 0666") << QString() << 0666;
        QTest::newRow("relative link") << "shared/settings.ini" << 0664;
        QTest::newRow("absolute link") << "<start>/shared/settings.ini" << 0600;
    }

    void rewriteKeepsModeGroupAndLink()
    {
        const StartDirectoryFixture start(QStringList{});
        QFETCH(QString, link);
        QFETCH(int, mode);

        constexpr gid_t OtherGroup = 1;
        link.replace(QStringLiteral("<start>"), start.path());
        const QString file = QDir(start.path()).filePath(link.isEmpty() ? FileName : link);
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        const QByteArray fileName = QFile::encodeName(file);
        WriteFixtureFile(file, "old\r\n");
        QCOMPARE(::chmod(fileName.constData(), static_cast<mode_t>(mode)), 0);
        // Only an account in that group (or root) may give it.
        const bool grouped = ::chown(fileName.constData(), static_cast<uid_t>(-1), OtherGroup) == 0;
        QVERIFY(link.isEmpty() ||
                ::symlink(QFile::encodeName(link).constData(), "Ortus00.ini") == 0);

        Settings settings;
        settings.QuestionColor = 255;
        QVERIFY_THROWS_NO_EXCEPTION(WriteSettings(settings, start.path().toStdString()));

        QCOMPARE(QFileInfo(FileName).isSymLink(), !link.isEmpty());
        QVERIFY(start.ReadFile(FileName).startsWith("\r\n0\r\n0\r\n255"));
        struct stat status {};
        QCOMPARE(::stat(fileName.constData(), &status), 0);
        QCOMPARE(int(status.st_mode & 07777), mode);
        QVERIFY(!grouped || status.st_gid == OtherGroup);
        QCOMPARE(QFileInfo(file).dir().entryList(QDir::Files),
                 QStringList{QFileInfo(file).fileName()});
    }

    // Root's access checks ignore the mode bits, so the write runs as an ordinary account.
    void readOnlyFileIsRefused()
    {
        const StartDirectoryFixture start(QStringList{});
        start.WriteFile(FileName, "old\r\n");
        QCOMPARE(::chmod("Ortus00.ini", 0444), 0);
        QCOMPARE(::chmod(QFile::encodeName(start.path()).constData(), 0777), 0);
        const pid_t writer = ::fork();
        if (writer == 0) {
            if (::getuid() == 0 && ::setuid(65534) != 0) {
                ::_exit(100);
            }
            try {
                WriteSettings(Settings(), start.path().toStdString());
            } catch (const EInOutError &error) {
                ::_exit(error.Code());
            }
            ::_exit(0);
        }
        QCOMPARE(ExitStatus(writer), 5);
        QCOMPARE(start.ReadFile(FileName), QByteArray("old\r\n"));
    }

    // Two PCs rewriting one shared file at the same moment: whenever either reads it, it is one
    // writer's whole file.
    void concurrentRewritesLeaveAWholeFile()
    {
        const StartDirectoryFixture directory(QStringList{});
        const std::string start = directory.path().toStdString();
        Settings mine;
        mine.QuestionColor = 1;
        Settings theirs;
        theirs.ResultsLogPath = "their log.txt";
        QVERIFY_THROWS_NO_EXCEPTION(WriteSettings(theirs, start));
        const QByteArray theirFile = directory.ReadFile(FileName);
        QVERIFY_THROWS_NO_EXCEPTION(WriteSettings(mine, start));
        const QByteArray myFile = directory.ReadFile(FileName);

        const pid_t other = ::fork();
        QList<QByteArray> torn;
        try {
            for (int i = 0; i < 200; ++i) {
                WriteSettings(other == 0 ? theirs : mine, start);
                const QByteArray now = directory.ReadFile(FileName);
                if (now != myFile && now != theirFile) {
                    torn.append(now);
                }
            }
        } catch (const std::exception &error) {
            torn.append(error.what());
        }
        // The other writer ends here, whatever happened.
        if (other == 0) {
            ::_exit(torn.isEmpty() ? 0 : 1);
        }
        QCOMPARE(ExitStatus(other), 0);
        QCOMPARE(torn, QList<QByteArray>());
        QCOMPARE(QDir(directory.path()).entryList(QDir::Files), QStringList{FileName});
    }
};

QTEST_GUILESS_MAIN(SettingsFileTest)
#include "tst_settingsfile.moc"
