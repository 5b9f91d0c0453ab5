#include "platform/handlerguard.h"
#include "runtime/cp1251.h"
#include "settings/appearanceview.h"
#include "settings/commands.h"
#include "settings/emblem.h"
#include "settings/tform3.h"
#include "support/scripteddialogs.h"
#include "support/startdirectory.h"

#include <QDir>
#include <QTest>
#include <QToolButton>

#include <functional>

namespace {

// What the commands did to the main window's screen, in order.
class RecordingView final : public AppearanceView {
public:
    QStringList calls;

    void ApplyAppearance() override { calls.append(QStringLiteral("apply")); }
    void SetWindowColour(TColor colour) override
    {
        calls.append(QStringLiteral("window %1").arg(colour));
    }
    void ShowBackgroundPicture(bool shown) override
    {
        calls.append(shown ? QStringLiteral("picture shown") : QStringLiteral("picture hidden"));
    }
    void SetFinishButtonColour(TColor colour) override
    {
        calls.append(QStringLiteral("finish button %1").arg(colour));
    }
};

// The shipped settings file with one line replaced; fill colour mode when fill is set.
QByteArray Shipped(int line = 0, const char *value = nullptr, bool fill = false)
{
    QList<QByteArray> lines{"Fon.jpg", "16445670", fill ? "1" : "0", "8388608",   "16777215",
                            "25600",   "180",      "Results.txt",    "[Button]=L"};
    if (line > 0) {
        lines[line - 1] = value;
    }
    return lines.join("\r\n") + "\r\n";
}

const QByteArray FillMode = Shipped(0, nullptr, true);
const QString TooLong = QStringLiteral("Слишком длинный путь к рисунку (больше 255 байт). "
                                       "Оставлен прежний рисунок.");

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT

public:
    enum class Command { Colour, AnswerColour, ResultsLog, Fill, Picture, Leave };
    Q_ENUM(Command)

private slots:
    void commands_data()
    {
        // The settings file at the start; what the dialog gives (a colour or a path below the start
        // directory; empty: cancelled); whether every rewrite of the settings fails. Then the boxes
        // shown followed by what the screen was told, whether the background-choice window stays
        // open, and the settings file at the end: for a failed rewrite, the one that the next
        // successful rewrite writes, so it shows what was kept in memory. <path> stands for the
        // chosen file's full path.
        QTest::addColumn<Command>("command");
        QTest::addColumn<QByteArray>("settingsFile");
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("blocked");
        QTest::addColumn<QStringList>("seen");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QByteArray>("file");

        const QString denied = QStringLiteral("File access denied.");
        const QStringList apply{"apply"};
        const QStringList none;
        const QStringList twice{"apply", "picture shown", "apply"};
        const QStringList back{"picture shown", "apply"};
        const QByteArray shipped = Shipped();
        QTest::newRow("colour confirmed: its line alone changes")
            << Command::Colour << shipped << "255" << false << apply << false << Shipped(5, "255");
        QTest::newRow("answer colour: the finish button at once")
            << Command::AnswerColour << shipped << "255" << false
            << QStringList{"finish button 255", "apply"} << false << Shipped(6, "255");
        QTest::newRow("colour cancelled: nothing written")
            << Command::Colour << shipped << "" << false << none << false << shipped;
        QTest::newRow("colour rewrite fails: kept in memory, not shown")
            << Command::AnswerColour << shipped << "255" << true
            << QStringList{denied, "finish button 255"} << false << Shipped(6, "255");
        QTest::newRow("new log: made with one empty line")
            << Command::ResultsLog << shipped << "в папке/журнал.txt" << false << apply << false
            << Shipped(8, "<path>");
        QTest::newRow("existing log: kept as it is")
            << Command::ResultsLog << shipped << "в папке/старый журнал.txt" << false << apply
            << false << Shipped(8, "<path>");
        QTest::newRow("log dialog cancelled")
            << Command::ResultsLog << shipped << "" << false << none << false << shipped;
        QTest::newRow("log cannot be made: path in memory, settings not written")
            << Command::ResultsLog << shipped << "нет папки/журнал.txt" << false
            << QStringList{"Invalid filename."} << false << Shipped(8, "<path>");
        QTest::newRow("fill colour cancelled: the window stays")
            << Command::Fill << shipped << "" << false << none << true << shipped;
        QTest::newRow("fill colour confirmed")
            << Command::Fill << shipped << "255" << false
            << QStringList{"picture hidden", "window 255", "apply"} << false
            << Shipped(2, "255", true);
        QTest::newRow("fill colour, rewrite fails: shown and in memory, the window stays")
            << Command::Fill << shipped << "255" << true
            << QStringList{denied, "picture hidden", "window 255"} << true
            << Shipped(2, "255", true);
        // Written with the mode as it was, then again in picture mode.
        QTest::newRow("picture chosen in fill mode: written twice")
            << Command::Picture << FillMode << "в папке/фон.bmp" << false << twice << false
            << Shipped(1, "<path>");
        QTest::newRow("picture dialog cancelled in fill mode: back to the stored picture")
            << Command::Picture << FillMode << "" << false << back << false << shipped;
        // At most 255 bytes are stored, a cut path would name another file: a Russian letter takes
        // one, a letter code page 1251 lacks two (UTF-8).
        QTest::newRow("255 bytes")
            << Command::Picture << shipped << "/" + QString(250, 'p') + ".bmp" << false << twice
            << false << Shipped(1, "<path>");
        QTest::newRow("256 bytes")
            << Command::Picture << shipped << "/" + QString(251, 'p') + ".bmp" << false
            << QStringList{TooLong} + back << false << shipped;
        QTest::newRow("255 Russian letters")
            << Command::Picture << shipped << "/" + QStringLiteral("ф").repeated(250) + ".bmp"
            << false << twice << false << Shipped(1, "<path>");
        QTest::newRow("131 letters in 257 bytes")
            << Command::Picture << shipped << "/" + QStringLiteral("ü").repeated(126) + ".bmp"
            << false << QStringList{TooLong} + back << false << shipped;
        QTest::newRow("picture chosen, first rewrite fails: new path, mode as it was")
            << Command::Picture << FillMode << "в папке/фон.bmp" << true << QStringList{denied}
            << true << Shipped(1, "<path>", true);
        QTest::newRow("picture cancelled, rewrite fails: picture shown, mode 0 in memory")
            << Command::Picture << FillMode << "" << true << QStringList{denied, "picture shown"}
            << true << shipped;
        QTest::newRow("Отмена") << Command::Leave << FillMode << "" << false << none << false
                                << FillMode;
    }

    void commands()
    {
        QFETCH(Command, command);
        QFETCH(QByteArray, settingsFile);
        QFETCH(QString, input);
        QFETCH(bool, blocked);
        QFETCH(QStringList, seen);
        QFETCH(bool, open);
        QFETCH(QByteArray, file);

        const StartDirectoryFixture start(ShippedStartDirectory());
        const QString settingsPath = start.filePath(QStringLiteral("Ortus00.ini"));
        start.WriteFile(QStringLiteral("Ortus00.ini"), settingsFile);
        Settings settings;
        ReadSettings(settings);
        QVERIFY(QDir(start.path()).mkdir(QStringLiteral("в папке")));
        const QByteArray oldLog = "\r\nold\r\n";
        start.WriteFile(QStringLiteral("в папке/старый журнал.txt"), oldLog);
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
        const std::string startDirectory = start.path().toStdString();
        TeacherCommands commands(settings, startDirectory, dialogs, view);
        TForm3 form3(commands, dialogs);
        form3.show();
        const auto run = [&](const std::function<void()> &handler) {
            RunGuarded(dialogs, handler);
        };
        switch (command) {
        case Command::Colour:
            run([&] { commands.ChooseColour(&Settings::SelectedAnswerColor); });
            break;
        case Command::AnswerColour:
            run([&] { commands.ChooseColour(&Settings::AnswerColor); });
            break;
        case Command::ResultsLog:
            run([&] { commands.ChooseResultsLog(); });
            break;
        case Command::Fill:
            QTest::mouseClick(form3.SpeedButton1, Qt::LeftButton);
            break;
        case Command::Picture:
            QTest::mouseClick(form3.SpeedButton2, Qt::LeftButton);
            break;
        case Command::Leave:
            QTest::mouseClick(form3.SpeedButton3, Qt::LeftButton);
            break;
        }

        QStringList shown;
        for (const ScriptedDialogs::Shown &box : dialogs.shown()) {
            if (box.kind == ScriptedDialogs::Kind::Information ||
                box.kind == ScriptedDialogs::Kind::Error) {
                shown.append(box.text);
            }
        }
        QCOMPARE(shown + view.calls, seen);
        QVERIFY(command < Command::Fill || form3.isVisible() == open);
        const bool failed = blocked || !shown.isEmpty();
        if (command == Command::ResultsLog && !input.isEmpty() && !failed) {
            QCOMPARE(start.ReadFile(input), input.contains("старый") ? oldLog : "\r\n");
        }
        QVERIFY(!blocked || QDir().rmdir(settingsPath));
        QVERIFY(blocked || !failed ||
                start.ReadFile(QStringLiteral("Ortus00.ini")) == settingsFile);
        if (failed) {
            commands.WriteIni();
        }
        // The dialog may have moved the current directory; the settings stay in the start one.
        QCOMPARE(start.ReadFile(QStringLiteral("Ortus00.ini")),
                 file.replace("<path>", QByteArray::fromStdString(StoredPath(path))));
    }

    // The main window's colour dialog opens at the colour last confirmed in it; each
    // background-choice window has a dialog of its own, black at every opening.
    void colourDialogPresets()
    {
        Settings settings;
        ScriptedDialogs dialogs;
        RecordingView view;
        const std::string startDirectory = StartDirectoryFixture().path().toStdString();
        TeacherCommands commands(settings, startDirectory, dialogs, view);
        dialogs.QueueColour(clRed);
        commands.ChooseColour(&Settings::QuestionColor);
        commands.ChooseColour(&Settings::AnswerColor);
        TForm3(commands, dialogs).SpeedButton1Click();
        QCOMPARE(dialogs.colourPresets(), (QList<TColor>{clBlack, clRed, clBlack}));
    }

    // The emblem shows through the background-choice window's buttons, which draw only their
    // aqua captions.
    void backgroundWindowShowsTheEmblem()
    {
        Settings settings;
        ScriptedDialogs dialogs;
        RecordingView view;
        const std::string startDirectory;
        TeacherCommands commands(settings, startDirectory, dialogs, view);
        const QImage shown = TForm3(commands, dialogs).grab().toImage();
        for (const QPoint point : {QPoint(96, 8), QPoint(20, 47), QPoint(5, 35)}) {
            QCOMPARE(shown.pixel(point), DrawBackgroundChoiceEmblem().pixel(point));
        }
        int aqua = 0;
        for (int x = 50; x < 145; ++x) {
            aqua += shown.pixel(x, 47) == qRgb(0, 255, 255) ? 1 : 0;
        }
        QVERIFY(aqua > 3);
    }
};

QTEST_MAIN(CommandsTest)
#include "tst_commands.moc"
