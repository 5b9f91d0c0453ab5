#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "settings/settings.h"
#include "support/startdirectory.h"

#include <QDir>
#include <QTest>

#include <memory>

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

    void longPicturePathIsCut()
    {
        const QByteArray longPath(300, 'p');
        m_start->WriteFile(QStringLiteral("Ortus00.ini"),
                           longPath + "\r\n" + CrLfLines({"42", "0", "0", "0", "0", "0", "", ""}));
        Settings settings;
        ReadSettings(settings);
        QCOMPARE(settings.BackgroundPicturePath, std::string(255, 'p'));
        QCOMPARE(settings.FillColor, 42);

        WriteSettings(settings, m_start->path().toStdString());
        QVERIFY(m_start->ReadFile(QStringLiteral("Ortus00.ini"))
                    .startsWith(QByteArray(255, 'p') + "\r\n"));
    }

    // Created in the start directory, though the current one has moved.
    void missingFileIsCreatedCompleteByTheFirstWrite()
    {
        QTemporaryDir elsewhere;
        QDir::setCurrent(elsewhere.path());
        Settings settings;
        try {
            ReadSettings(settings);
            QFAIL("a missing settings file was read");
        } catch (const EInOutError &error) {
            QCOMPARE(error.Code(), 2);
        }
        settings.QuestionColor = 255;
        WriteSettings(settings, m_start->path().toStdString());
        QCOMPARE(m_start->ReadFile(QStringLiteral("Ortus00.ini")),
                 CrLfLines({"", "0", "0", "255", "0", "0", "0", "", "[Button]=L"}));
        QVERIFY(!QFile::exists(m_start->filePath(QStringLiteral("Ortus00.ini.tmp"))));
        QVERIFY(!QFile::exists(QDir(elsewhere.path()).filePath(QStringLiteral("Ortus00.ini"))));
    }

    void writeRoundTripsEveryValue()
    {
        Settings written;
        written.BackgroundPicturePath = "/home/teacher/\xF4\xEE\xED.pcx";
        written.FillColor = -2147483633;
        written.UseFillColor = 1;
        written.QuestionColor = 0x123456;
        written.SelectedAnswerColor = -2147483643;
        written.AnswerColor = 0;
        written.EnlargedAnswerColor = 0xFFFFFF;
        written.ResultsLogPath = "results.txt";
        written.BothMouseButtons = true;
        WriteSettings(written, m_start->path().toStdString());

        QCOMPARE(m_start->ReadFile(QStringLiteral("Ortus00.ini")),
                 CrLfLines({"/home/teacher/\xF4\xEE\xED.pcx", "-2147483633", "1", "1193046",
                            "-2147483643", "0", "16777215", "results.txt", "[Button]=LR"}));
        Settings read;
        ReadSettings(read);
        QCOMPARE(read.BackgroundPicturePath, written.BackgroundPicturePath);
        QCOMPARE(read.FillColor, written.FillColor);
        QCOMPARE(read.SelectedAnswerColor, written.SelectedAnswerColor);
        QCOMPARE(read.ResultsLogPath, written.ResultsLogPath);
        QCOMPARE(read.BothMouseButtons, true);
    }

    void failedWriteKeepsTheOldFile()
    {
        const QByteArray old =
            CrLfLines({"old.bmp", "1", "0", "2", "3", "4", "5", "log.txt", "[Button]=LR"});
        m_start->WriteFile(QStringLiteral("Ortus00.ini"), old);
        QVERIFY(QDir(m_start->path()).mkdir(QStringLiteral("Ortus00.ini.tmp")));

        Settings settings;
        settings.BackgroundPicturePath = "new.bmp";
        try {
            WriteSettings(settings, m_start->path().toStdString());
            QFAIL("the write reported success");
        } catch (const EInOutError &error) {
            QCOMPARE(error.Code(), 5);
        }
        QCOMPARE(m_start->ReadFile(QStringLiteral("Ortus00.ini")), old);
        QVERIFY(QFileInfo(m_start->filePath(QStringLiteral("Ortus00.ini.tmp"))).isDir());
        QCOMPARE(PendingIoCode(), 0);
    }

    void writeIntoRemovedStartDirectoryFails()
    {
        QTemporaryDir gone;
        const std::string path = gone.path().toStdString();
        QDir::setCurrent(gone.path());
        gone.remove();
        Settings settings;
        try {
            WriteSettings(settings, path);
            QFAIL("writing into a removed directory reported success");
        } catch (const EInOutError &error) {
            QCOMPARE(error.Code(), 2);
        }
        QDir::setCurrent(m_start->path());
    }
};

QTEST_GUILESS_MAIN(SettingsFileTest)
#include "tst_settingsfile.moc"
