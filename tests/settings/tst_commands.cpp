#include "platform/handlerguard.h"
#include "quiz/resultdetail.h"
#include "quiz/resultslog.h"
#include "runtime/cp1251.h"
#include "runtime/ioerror.h"
#include "settings/appearanceview.h"
#include "settings/commands.h"
#include "support/scripteddialogs.h"
#include "support/startdirectory.h"
#include "windows/tform3.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolButton>

namespace {

// What the commands did to the main window's screen, in order.
class RecordingView final : public AppearanceView {
public:
    QStringList calls;
    // The appearance reads the picture relative to the current directory: the start directory,
    // whatever folder a dialog of the command left current.
    QString startDirectory;

    void ApplyAppearance() override
    {
        calls.append(startDirectory.isEmpty() || QDir::currentPath() == startDirectory
                         ? QStringLiteral("apply")
                         : QStringLiteral("apply in ") + QDir::currentPath());
    }
    void SetWindowColour(TColor colour) override
    {
        calls.append(QStringLiteral("window %1").arg(colour));
    }
    void ShowBackgroundPicture(bool shown) override
    {
        calls.append(shown ? "picture shown" : "picture hidden");
    }
    void SetFinishButtonColour(TColor colour) override
    {
        calls.append(QStringLiteral("finish button %1").arg(colour));
    }
};

const QString TooLong = QStringLiteral("Слишком длинный путь к рисунку (больше 255 байт). "
                                       "Оставлен прежний рисунок.");
const QString LogTooLong = QStringLiteral("Слишком длинный путь к файлу результатов (больше 259 "
                                          "байт). Оставлен прежний файл.");

} // namespace

// The teacher's commands and their windows, without the main window: the settings file they
// write, the boxes they show and what they tell the main window's screen.
class CommandsTest : public QObject {
    Q_OBJECT

public:
    enum class Command { Colour, AnswerColour, ResultsLog, Fill, Picture, Leave };
    Q_ENUM(Command)

private slots:
    void commands_data()
    {
        // Whether the shipped settings start in fill-colour mode; what the dialog gives (a colour
        // or a path below the start directory; empty: cancelled); whether every rewrite of the
        // settings fails. Then the boxes shown, followed by what the screen was told and "open"
        // when the background-choice window stays open; and the lines of the settings file that
        // differ from the file at the start, "line=text", <path> for the chosen path. For a failed
        // rewrite they are those of the next successful one: what was kept in memory.
        QTest::addColumn<Command>("command");
        QTest::addColumn<bool>("fillMode");
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("blocked");
        QTest::addColumn<QStringList>("seen");
        QTest::addColumn<QString>("changes");

        const QString denied = QStringLiteral("File access denied.");
        const QStringList apply{"apply"};
        const QStringList twice{"apply", "picture shown", "apply"};
        const QStringList back{"picture shown", "apply"};
        const QString p250 = "/" + QString(250, 'p') + ".bmp";
        QTest::newRow("colour confirmed: its line alone changes")
            << Command::Colour << false << "255" << false << apply << "5=255";
        QTest::newRow("answer colour: the finish button at once")
            << Command::AnswerColour << false << "255" << false
            << QStringList{"finish button 255", "apply"} << "6=255";
        QTest::newRow("colour cancelled: nothing written")
            << Command::Colour << false << "" << false << QStringList() << "";
        QTest::newRow("colour rewrite fails: kept in memory, not shown")
            << Command::AnswerColour << false << "255" << true
            << QStringList{denied, "finish button 255"} << "6=255";
        QTest::newRow("new log: made with one empty line")
            << Command::ResultsLog << false << "в папке/журнал.txt" << false << apply << "8=<path>";
        QTest::newRow("existing log: kept as it is")
            << Command::ResultsLog << false << "в папке/старый.txt" << false << apply << "8=<path>";
        QTest::newRow("log dialog cancelled")
            << Command::ResultsLog << false << "" << false << QStringList() << "";
        QTest::newRow("log cannot be made: path in memory, settings not written")
            << Command::ResultsLog << false << "нет папки/журнал.txt" << false
            << QStringList{"Invalid filename."} << "8=<path>";
        // Cut, the name would be another file: nothing is made, the settings stay.
        QTest::newRow("log path over 259 bytes: refused")
            << Command::ResultsLog << false << QString(250, 'l') + ".txt" << false
            << QStringList{LogTooLong} << "";
        QTest::newRow("fill colour cancelled: the window stays")
            << Command::Fill << false << "" << false << QStringList{"open"} << "";
        QTest::newRow("fill colour confirmed")
            << Command::Fill << false << "255" << false
            << QStringList{"picture hidden", "window 255", "apply"} << "2=255 3=1";
        QTest::newRow("fill colour, rewrite fails: shown and in memory, the window stays")
            << Command::Fill << false << "255" << true
            << QStringList{denied, "picture hidden", "window 255", "open"} << "2=255 3=1";
        // Written with the mode as it was, then again in picture mode.
        QTest::newRow("picture chosen in fill mode: written twice")
            << Command::Picture << true << "в папке/фон.bmp" << false << twice << "1=<path> 3=0";
        QTest::newRow("picture dialog cancelled in fill mode: back to the stored picture")
            << Command::Picture << true << "" << false << back << "3=0";
        // At most 255 bytes are stored, a cut path would name another file: a Russian letter takes
        // one, a letter code page 1251 lacks two (UTF-8).
        QTest::newRow("255 bytes")
            << Command::Picture << false << p250 << false << twice << "1=<path>";
        QTest::newRow("256 bytes") << Command::Picture << false << "/p" + p250.mid(1) << false
                                   << QStringList{TooLong} + back << "";
        QTest::newRow("255 Russian letters")
            << Command::Picture << false << "/" + QStringLiteral("ф").repeated(250) + ".bmp"
            << false << twice << "1=<path>";
        QTest::newRow("131 letters in 257 bytes")
            << Command::Picture << false << "/" + QStringLiteral("ü").repeated(126) + ".bmp"
            << false << QStringList{TooLong} + back << "";
        QTest::newRow("picture chosen, first rewrite fails: new path, mode as it was")
            << Command::Picture << true << "в папке/фон.bmp" << true << QStringList{denied, "open"}
            << "1=<path>";
        QTest::newRow("picture cancelled, rewrite fails: picture shown, mode 0 in memory")
            << Command::Picture << true << "" << true
            << QStringList{denied, "picture shown", "open"} << "3=0";
        QTest::newRow("Отмена") << Command::Leave << true << "" << false << QStringList() << "";
    }

    void commands()
    {
        QFETCH(Command, command);
        QFETCH(bool, fillMode);
        QFETCH(QString, input);
        QFETCH(bool, blocked);
        QFETCH(QStringList, seen);
        QFETCH(QString, changes);

        const StartDirectoryFixture start(ShippedStartDirectory());
        const QString settingsPath = start.filePath(QStringLiteral("Ortus00.ini"));
        QList<QByteArray> lines = start.ReadFile(QStringLiteral("Ortus00.ini")).split('\n');
        lines[2] = fillMode ? "1\r" : "0\r";
        start.WriteFile(QStringLiteral("Ortus00.ini"), lines.join('\n'));
        const QByteArray before = lines.join('\n');
        Settings settings;
        QVERIFY_THROWS_NO_EXCEPTION(ReadSettings(settings, start.path().toStdString()));
        QVERIFY(QDir(start.path()).mkdir(QStringLiteral("в папке")));
        start.WriteFile(QStringLiteral("в папке/старый.txt"), "\r\nold\r\n");
        const QString path = input.startsWith('/') ? input : start.filePath(input);
        // A folder in place of the settings file makes every rewrite fail.
        QVERIFY(!blocked || (QFile::remove(settingsPath) && QDir().mkdir(settingsPath)));
        ScriptedDialogs dialogs;
        if (!input.isEmpty()) {
            command == Command::ResultsLog || command == Command::Picture
                ? dialogs.QueuePath(path)
                : dialogs.QueueColour(input.toInt());
        }
        RecordingView view;
        view.startDirectory = start.path();
        const std::string startDirectory = start.path().toStdString();
        TeacherCommands commands(settings, startDirectory, dialogs, view);
        TForm3 form3(commands, dialogs);
        form3.show();
        RunGuarded(dialogs, [&] {
            if (command == Command::Colour || command == Command::AnswerColour) {
                commands.ChooseColour(command == Command::Colour ? &Settings::SelectedAnswerColor
                                                                 : &Settings::AnswerColor);
            } else if (command == Command::ResultsLog) {
                commands.ChooseResultsLog();
            }
        });
        const std::array buttons{form3.SpeedButton1, form3.SpeedButton2, form3.SpeedButton3};
        if (command >= Command::Fill) {
            QTest::mouseClick(buttons[int(command) - int(Command::Fill)], Qt::LeftButton);
        }

        // The boxes' texts; the colour and file dialogs have none.
        QStringList shown = dialogs.texts();
        shown.removeAll(QString());
        QCOMPARE(shown + view.calls +
                     (form3.isVisible() && command >= Command::Fill ? QStringList{"open"}
                                                                    : QStringList()),
                 seen);
        if (command == Command::ResultsLog && !input.isEmpty() && shown.isEmpty()) {
            QCOMPARE(start.ReadFile(input), input.endsWith("старый.txt") ? "\r\nold\r\n" : "\r\n");
        }
        QVERIFY(QDir(start.path()).entryList({QStringLiteral("lll*")}).isEmpty());
        const bool failed = blocked || !shown.isEmpty();
        QVERIFY(!blocked || QDir().rmdir(settingsPath));
        QVERIFY(blocked || !failed || start.ReadFile(QStringLiteral("Ortus00.ini")) == before);
        if (failed) {
            QVERIFY_THROWS_NO_EXCEPTION(commands.WriteIni());
        }
        for (const QString &change : changes.split(' ', Qt::SkipEmptyParts)) {
            lines[change.section('=', 0, 0).toInt() - 1] =
                QByteArray::fromStdString(ToCp1251(change.section('=', 1)))
                    .replace("<path>", QByteArray::fromStdString(StoredPath(path))) +
                '\r';
        }
        // The dialog may have moved the current directory; the settings stay in the start one.
        QCOMPARE(start.ReadFile(QStringLiteral("Ortus00.ini")), lines.join('\n'));
    }

    // A result that found no log is appended to the log that Ctrl+R makes, at once.
    void chosenLogTakesQueuedResults()
    {
        const StartDirectoryFixture start(ShippedStartDirectory());
        const std::string startDirectory = start.path().toStdString();
        const ResultRecord record{"Petrov", "7", "7A", 12};
        QVERIFY_EXCEPTION_THROWN(AppendResult("gone.txt", startDirectory, record, TestFacts{}),
                                 EInOutError);
        Settings settings;
        ScriptedDialogs dialogs;
        RecordingView view;
        TeacherCommands commands(settings, startDirectory, dialogs, view);
        dialogs.QueuePath(start.filePath(QStringLiteral("new.txt")));
        QVERIFY_THROWS_NO_EXCEPTION(commands.ChooseResultsLog());
        QCOMPARE(start.ReadFile(QStringLiteral("new.txt")),
                 "\r\n" + QByteArray::fromStdString(ResultRecordBytes(record)));
        QVERIFY(QueuedResults(startDirectory).empty());
    }

    // The main window's colour dialog opens at the colour last confirmed in it; each
    // background-choice window has a dialog of its own, black at every opening.
    void colourDialogPresets()
    {
        const StartDirectoryFixture start;
        Settings settings;
        ScriptedDialogs dialogs;
        RecordingView view;
        const std::string startDirectory = start.path().toStdString();
        TeacherCommands commands(settings, startDirectory, dialogs, view);
        dialogs.QueueColour(clRed);
        QVERIFY_THROWS_NO_EXCEPTION(commands.ChooseColour(&Settings::QuestionColor));
        QVERIFY_THROWS_NO_EXCEPTION(commands.ChooseColour(&Settings::AnswerColor));
        QVERIFY_THROWS_NO_EXCEPTION(TForm3(commands, dialogs).SpeedButton1Click());
        QCOMPARE(dialogs.colourPresets(), (QList<TColor>{clBlack, clRed, clBlack}));
    }
};

QTEST_MAIN(CommandsTest)
#include "tst_commands.moc"
