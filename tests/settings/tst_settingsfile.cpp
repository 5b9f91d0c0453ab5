#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "settings/settings.h"
#include "support/startdirectory.h"

#include <QDir>
#include <QTest>

#include <memory>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

Q_DECLARE_METATYPE(BackgroundMode)

class SettingsFileTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<StartDirectoryFixture> m_start;

private slots:
    void init() { m_start = std::make_unique<StartDirectoryFixture>(QStringList{}); }
    void cleanup() { m_start.reset(); }

    void reading_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<int>("fillColor");
        QTest::addColumn<int>("useFillColor");
        QTest::addColumn<int>("questionColor");
        QTest::addColumn<int>("enlargedColor");
        QTest::addColumn<QString>("log");
        QTest::addColumn<bool>("bothButtons");
        QTest::addColumn<BackgroundMode>("mode");

        QTest::newRow("complete file") << CrLfLines({"/pics/a.bmp", "255", "0", "16711680", "65280",
                                                     "255", "32768", "res.txt", "[Button]=LR"})
                                       << "/pics/a.bmp" << 255 << 0 << 16711680 << 32768
                                       << "res.txt" << true << BackgroundMode::Picture;
        QTest::newRow("number followed by a word, dollar hex")
            << CrLfLines({"", "255 word", "1", "$FF", "0", "0", "$ff", "", "[Button]=L"}) << ""
            << 255 << 1 << 255 << 255 << "" << false << BackgroundMode::FillColour;
        QTest::newRow("system colours are kept negative")
            << CrLfLines({"", "-2147483633", "1", "-2147483640", "0", "0", "0", "", ""}) << ""
            << -2147483633 << 1 << -2147483640 << 0 << "" << false << BackgroundMode::FillColour;
        QTest::newRow("low 8 bits of 257 select the fill colour")
            << CrLfLines({"", "0", "257", "0", "0", "0", "0", "", ""}) << "" << 0 << 1 << 0 << 0
            << "" << false << BackgroundMode::FillColour;
        QTest::newRow("2 selects neither mode")
            << CrLfLines({"", "0", "2", "0", "0", "0", "0", "", ""}) << "" << 0 << 2 << 0 << 0 << ""
            << false << BackgroundMode::Unchanged;
        QTest::newRow("ninth line with a trailing blank")
            << CrLfLines({"", "0", "0", "0", "0", "0", "0", "", "[Button]=LR "}) << "" << 0 << 0
            << 0 << 0 << "" << false << BackgroundMode::Picture;
        QTest::newRow("ninth line in other letter case")
            << CrLfLines({"", "0", "0", "0", "0", "0", "0", "", "[button]=LR"}) << "" << 0 << 0 << 0
            << 0 << "" << false << BackgroundMode::Picture;
        QTest::newRow("short file reads zeros and empties")
            << CrLfLines({"p.jpg", "7"}) << "p.jpg" << 7 << 0 << 0 << 0 << "" << false
            << BackgroundMode::Picture;
        QTest::newRow("empty file")
            << QByteArray() << "" << 0 << 0 << 0 << 0 << "" << false << BackgroundMode::Picture;
        QTest::newRow("whole eighth line with blanks")
            << CrLfLines({"", "0", "0", "0", "0", "0", "0", " my log .txt ", "[Button]=LR"}) << ""
            << 0 << 0 << 0 << 0 << " my log .txt " << true << BackgroundMode::Picture;
        QTest::newRow("cyrillic paths stay bytes")
            << CrLfLines({"\xF4\xEE\xED.bmp", "0", "0", "0", "0", "0", "0", "\xEB\xEE\xE3.txt", ""})
            << QString::fromLatin1("\xF4\xEE\xED.bmp") << 0 << 0 << 0 << 0
            << QString::fromLatin1("\xEB\xEE\xE3.txt") << false << BackgroundMode::Picture;
        QTest::newRow("picture path cut to 255 bytes")
            << QByteArray(300, 'p') + "\r\n" + CrLfLines({"42", "0", "0", "0", "0", "0", "", ""})
            << QString(255, 'p') << 42 << 0 << 0 << 0 << "" << false << BackgroundMode::Picture;
        QTest::newRow("a NUL byte ends the picture path")
            << QByteArray("a.bmp\0junk\r\n", 12) + CrLfLines({"0", "0", "0", "0", "0", "0", "", ""})
            << "a.bmp" << 0 << 0 << 0 << 0 << "" << false << BackgroundMode::Picture;
    }

    void reading()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, picture);
        QFETCH(int, fillColor);
        QFETCH(int, useFillColor);
        QFETCH(int, questionColor);
        QFETCH(int, enlargedColor);
        QFETCH(QString, log);
        QFETCH(bool, bothButtons);
        QFETCH(BackgroundMode, mode);

        m_start->WriteFile(QStringLiteral("Ortus00.ini"), file);
        Settings settings;
        ReadSettings(settings);

        QCOMPARE(QString::fromLatin1(settings.BackgroundPicturePath), picture);
        QCOMPARE(settings.FillColor, fillColor);
        QCOMPARE(settings.UseFillColor, useFillColor);
        QCOMPARE(settings.QuestionColor, questionColor);
        QCOMPARE(settings.EnlargedAnswerColor, enlargedColor);
        QCOMPARE(QString::fromLatin1(settings.ResultsLogPath), log);
        QCOMPARE(settings.BothMouseButtons, bothButtons);
        QCOMPARE(StartupBackgroundMode(settings), mode);
    }

    void readingFailures_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("fillColor");
        QTest::addColumn<int>("answerColor");
        QTest::addColumn<int>("enlargedColor");
        QTest::addColumn<QString>("log");

        // The empty line shifts every later number up one line, until "log" meets a number read.
        QTest::newRow("empty line in place of a number")
            << CrLfLines({"pic", "", "1", "2", "3", "4", "5", "log", "[Button]=LR"}) << 1 << 5 << 0
            << "";
        QTest::newRow("number glued to a word")
            << CrLfLines({"pic", "255word", "0", "0", "0", "0", "0", "log", ""}) << 0 << 0 << 0
            << "";
        QTest::newRow("decimal point")
            << CrLfLines({"pic", "12", "0", "0", "0", "1.5", "9", "log", ""}) << 12 << 0 << 0 << "";
        QTest::newRow("overflow") << CrLfLines(
                                         {"pic", "2147483648", "0", "0", "0", "0", "0", "", ""})
                                  << 0 << 0 << 0 << "";
    }

    void readingFailures()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, fillColor);
        QFETCH(int, answerColor);
        QFETCH(int, enlargedColor);
        QFETCH(QString, log);

        m_start->WriteFile(QStringLiteral("Ortus00.ini"), file);
        Settings settings;
        try {
            ReadSettings(settings);
            QFAIL("an invalid number was read without an error");
        } catch (const EInOutError &error) {
            QCOMPARE(error.Code(), 106);
            QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("Invalid numeric input"));
        }
        QCOMPARE(settings.BackgroundPicturePath, std::string("pic"));
        QCOMPARE(settings.FillColor, fillColor);
        QCOMPARE(settings.AnswerColor, answerColor);
        QCOMPARE(settings.EnlargedAnswerColor, enlargedColor);
        QCOMPARE(QString::fromLatin1(settings.ResultsLogPath), log);
        QCOMPARE(settings.BothMouseButtons, false);
        QCOMPARE(PendingIoCode(), 0);

        // A file left open would refuse the rewrite with code 32.
        WriteSettings(settings, m_start->path().toStdString());
        QVERIFY(m_start->ReadFile(QStringLiteral("Ortus00.ini")).startsWith("pic\r\n"));
    }

    // Another account of a shared folder must be able to rewrite the file after this one, and a
    // file that is a symbolic link stays one.
    void rewriteKeepsModeGroupAndLink_data()
    {
        QTest::addColumn<QString>("link"); // what Ortus00.ini links to; empty: a plain file
        QTest::addColumn<int>("mode");

        QTest::newRow("plain file at 0666") << QString() << 0666;
        QTest::newRow("plain file at 0640") << QString() << 0640;
        QTest::newRow("relative link") << "shared/settings.ini" << 0664;
        QTest::newRow("absolute link") << "<start>/shared/settings.ini" << 0600;
    }

    void rewriteKeepsModeGroupAndLink()
    {
        QFETCH(QString, link);
        QFETCH(int, mode);

        constexpr gid_t OtherGroup = 1;
        link.replace(QStringLiteral("<start>"), m_start->path());
        const QString file = QDir(m_start->path()).filePath(link.isEmpty() ? "Ortus00.ini" : link);
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
        WriteSettings(settings, m_start->path().toStdString());

        QCOMPARE(QFileInfo(QStringLiteral("Ortus00.ini")).isSymLink(), !link.isEmpty());
        QVERIFY(m_start->ReadFile(QStringLiteral("Ortus00.ini")).startsWith("\r\n0\r\n0\r\n255"));
        struct stat status {};
        QCOMPARE(::stat(fileName.constData(), &status), 0);
        QCOMPARE(int(status.st_mode & 07777), mode);
        QVERIFY(!grouped || status.st_gid == OtherGroup);
        QCOMPARE(QFileInfo(file).dir().entryList(QDir::Files),
                 QStringList{QFileInfo(file).fileName()});
    }

    // Two PCs rewriting one shared file at the same moment: whenever it is read, it is one
    // writer's whole file.
    void concurrentRewritesLeaveAWholeFile()
    {
        constexpr int Rewrites = 200;
        const std::string start = m_start->path().toStdString();
        Settings mine;
        mine.QuestionColor = 1;
        Settings theirs;
        theirs.ResultsLogPath = "their log.txt";
        WriteSettings(theirs, start);
        const QByteArray theirFile = m_start->ReadFile(QStringLiteral("Ortus00.ini"));
        WriteSettings(mine, start);
        const QByteArray myFile = m_start->ReadFile(QStringLiteral("Ortus00.ini"));

        const pid_t other = ::fork();
        QVERIFY(other >= 0);
        if (other == 0) {
            try {
                for (int i = 0; i < Rewrites; ++i) {
                    WriteSettings(theirs, start);
                }
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        QList<QByteArray> torn;
        try {
            for (int i = 0; i < Rewrites; ++i) {
                WriteSettings(mine, start);
                const QByteArray now = m_start->ReadFile(QStringLiteral("Ortus00.ini"));
                if (now != myFile && now != theirFile) {
                    torn.append(now);
                }
            }
        } catch (const EInOutError &error) {
            torn.append(error.what());
        }
        int status = -1;
        QCOMPARE(::waitpid(other, &status, 0), other);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        QCOMPARE(torn, QList<QByteArray>());
        QCOMPARE(QDir(m_start->path()).entryList(QDir::Files), QStringList{"Ortus00.ini"});
    }
};

QTEST_GUILESS_MAIN(SettingsFileTest)
#include "tst_settingsfile.moc"
