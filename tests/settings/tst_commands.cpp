#include "platform/handlerguard.h"
#include "quiz/resultslog.h"
#include "runtime/cp1251.h"
#include "settings/appearanceview.h"
#include "settings/commands.h"
#include "settings/emblem.h"
#include "settings/tform3.h"
#include "support/scripteddialogs.h"
#include "support/startdirectory.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

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

// The shipped settings file with one line replaced.
QByteArray Shipped(int line = 0, const char *value = nullptr)
{
    QList<QByteArray> lines{"Fon.jpg", "16445670", "0",           "8388608",   "16777215",
                            "25600",   "180",      "Results.txt", "[Button]=L"};
    if (line > 0) {
        lines[line - 1] = value;
    }
    return lines.join("\r\n") + "\r\n";
}

QByteArray FillMode(int line = 0, const char *value = nullptr)
{
    QByteArray file = Shipped(line, value);
    return line == 3 ? file : file.replace("\r\n0\r\n", "\r\n1\r\n");
}

const QString TooLong = QStringLiteral("Слишком длинный путь к рисунку (больше 255 байт). "
                                       "Оставлен прежний рисунок.");

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT

public:
    enum class Command { Colour, AnswerColour, ResultsLog, Fill, Picture, Leave, CloseBox };
    Q_ENUM(Command)

private slots:
    void commands_data()
    {
        // The settings file at the start (the shipped one when empty); what the dialog gives (a
        // colour or a path below the start directory; empty: cancelled); the contents of the
        // chosen file beforehand (none when null); whether every rewrite of the settings fails.
        // Then the boxes shown, what the screen was told, whether the background-choice window
        // stays open and the settings file at the end: for a failed rewrite, the one that the
        // next successful rewrite writes, so it shows what was kept in memory. <path> stands for
        // the chosen file's full path.
        QTest::addColumn<Command>("command");
        QTest::addColumn<QByteArray>("settingsFile");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QByteArray>("existing");
        QTest::addColumn<bool>("blocked");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("screen");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QByteArray>("file");

        const QString denied = QStringLiteral("File access denied.");
        const QStringList apply{"apply"};
        const QStringList none;
        QTest::newRow("colour confirmed: its line alone changes")
            << Command::Colour << QByteArray() << "255" << QByteArray() << false << none << apply
            << false << Shipped(5, "255");
        QTest::newRow("answer colour: the finish button at once")
            << Command::AnswerColour << QByteArray() << "255" << QByteArray() << false << none
            << QStringList{"finish button 255", "apply"} << false << Shipped(6, "255");
        QTest::newRow("colour cancelled: nothing written")
            << Command::Colour << QByteArray() << "" << QByteArray() << false << none << none
            << false << Shipped();
        QTest::newRow("colour rewrite fails: kept in memory, not shown")
            << Command::AnswerColour << QByteArray() << "255" << QByteArray() << true
            << QStringList{denied} << QStringList{"finish button 255"} << false
            << Shipped(6, "255");
        QTest::newRow("new log: made with one empty line")
            << Command::ResultsLog << QByteArray() << "в папке/журнал.txt" << QByteArray() << false
            << none << apply << false << Shipped(8, "<path>");
        QTest::newRow("existing log: kept as it is")
            << Command::ResultsLog << QByteArray() << "в папке/журнал.txt"
            << QByteArray("\r\nold\r\n") << false << none << apply << false << Shipped(8, "<path>");
        QTest::newRow("log dialog cancelled")
            << Command::ResultsLog << QByteArray() << "" << QByteArray() << false << none << none
            << false << Shipped();
        QTest::newRow("log cannot be made: path in memory, settings not written")
            << Command::ResultsLog << QByteArray() << "нет папки/журнал.txt" << QByteArray()
            << false << QStringList{"Invalid filename."} << none << false << Shipped(8, "<path>");
        QTest::newRow("fill colour cancelled: the window stays")
            << Command::Fill << QByteArray() << "" << QByteArray() << false << none << none << true
            << Shipped();
        QTest::newRow("fill colour confirmed")
            << Command::Fill << QByteArray() << "255" << QByteArray() << false << none
            << QStringList{"picture hidden", "window 255", "apply"} << false << FillMode(2, "255");
        QTest::newRow("fill colour, rewrite fails: shown and in memory, the window stays")
            << Command::Fill << QByteArray() << "255" << QByteArray() << true << QStringList{denied}
            << QStringList{"picture hidden", "window 255"} << true << FillMode(2, "255");
        // Written with the mode as it was, then again in picture mode.
        QTest::newRow("picture chosen in fill mode: written twice")
            << Command::Picture << FillMode() << "в папке/фон.bmp" << QByteArray() << false << none
            << QStringList{"apply", "picture shown", "apply"} << false << Shipped(1, "<path>");
        QTest::newRow("picture dialog cancelled in fill mode: back to the stored picture")
            << Command::Picture << FillMode() << "" << QByteArray() << false << none
            << QStringList{"picture shown", "apply"} << false << Shipped();
        // At most 255 bytes are stored, a cut path would name another file: a Russian letter takes
        // one, a letter code page 1251 lacks two (UTF-8).
        const QString latin = QStringLiteral("p");
        QTest::newRow("255 bytes")
            << Command::Picture << QByteArray() << "/" + latin.repeated(250) + ".bmp"
            << QByteArray() << false << none << QStringList{"apply", "picture shown", "apply"}
            << false << Shipped(1, "<path>");
        QTest::newRow("256 bytes")
            << Command::Picture << QByteArray() << "/" + latin.repeated(251) + ".bmp"
            << QByteArray() << false << QStringList{TooLong}
            << QStringList{"picture shown", "apply"} << false << Shipped();
        QTest::newRow("255 Russian letters")
            << Command::Picture << QByteArray() << "/" + QStringLiteral("ф").repeated(250) + ".bmp"
            << QByteArray() << false << none << QStringList{"apply", "picture shown", "apply"}
            << false << Shipped(1, "<path>");
        QTest::newRow("131 letters in 257 bytes")
            << Command::Picture << QByteArray() << "/" + QStringLiteral("ü").repeated(126) + ".bmp"
            << QByteArray() << false << QStringList{TooLong}
            << QStringList{"picture shown", "apply"} << false << Shipped();
        QTest::newRow("picture chosen, first rewrite fails: new path, mode as it was")
            << Command::Picture << FillMode() << "в папке/фон.bmp" << QByteArray() << true
            << QStringList{denied} << none << true << FillMode(1, "<path>");
        QTest::newRow("picture cancelled, rewrite fails: picture shown, mode 0 in memory")
            << Command::Picture << FillMode() << "" << QByteArray() << true << QStringList{denied}
            << QStringList{"picture shown"} << true << Shipped();
        QTest::newRow("Отмена") << Command::Leave << FillMode() << "" << QByteArray() << false
                                << none << none << false << FillMode();
        QTest::newRow("close box") << Command::CloseBox << FillMode() << "" << QByteArray() << false
                                   << none << none << false << FillMode();
    }

    void commands()
    {
        QFETCH(Command, command);
        QFETCH(QByteArray, settingsFile);
        QFETCH(QString, input);
        QFETCH(QByteArray, existing);
        QFETCH(bool, blocked);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, screen);
        QFETCH(bool, open);
        QFETCH(QByteArray, file);

        const StartDirectoryFixture start(ShippedStartDirectory());
        if (!settingsFile.isEmpty()) {
            start.WriteFile(QStringLiteral("Ortus00.ini"), settingsFile);
        }
        const QByteArray before = start.ReadFile(QStringLiteral("Ortus00.ini"));
        Settings settings;
        ReadSettings(settings);
        QVERIFY(QDir(start.path()).mkdir(QStringLiteral("в папке")));
        const QString path = input.startsWith('/') ? input : start.filePath(input);
        if (!existing.isNull()) {
            start.WriteFile(input, existing);
        }
        // A folder in place of the settings file makes every rewrite fail.
        const QString settingsPath = start.filePath(QStringLiteral("Ortus00.ini"));
        QVERIFY(!blocked || (QFile::remove(settingsPath) && QDir().mkdir(settingsPath)));
        ScriptedDialogs dialogs;
        if (!input.isEmpty()) {
            const bool colour = command == Command::Colour || command == Command::AnswerColour ||
                                command == Command::Fill;
            colour ? dialogs.QueueColour(input.toInt()) : dialogs.QueuePath(path);
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
        case Command::CloseBox:
            // Escape is no way out.
            QTest::keyClick(&form3, Qt::Key_Escape);
            QVERIFY(form3.isVisible());
            command == Command::Leave ? QTest::mouseClick(form3.SpeedButton3, Qt::LeftButton)
                                      : void(form3.close());
            break;
        }

        QStringList shown;
        for (const ScriptedDialogs::Shown &box : dialogs.shown()) {
            if (box.kind == ScriptedDialogs::Kind::Information ||
                box.kind == ScriptedDialogs::Kind::Error) {
                shown.append(box.text);
            }
        }
        QCOMPARE(shown, boxes);
        QCOMPARE(view.calls, screen);
        if (command >= Command::Fill) {
            QCOMPARE(form3.isVisible(), open);
        }
        if (command == Command::ResultsLog && !input.isEmpty() && boxes.isEmpty()) {
            QCOMPARE(start.ReadFile(input), existing.isNull() ? QByteArray("\r\n") : existing);
            // Stored in code page 1251, the path still names the chosen file.
            const ResultRecord record{"name", "5", "5A", 1};
            AppendResult(settings.ResultsLogPath, startDirectory, record);
            QVERIFY(start.ReadFile(input).endsWith(ResultRecordBytes(record)));
        }
        if (blocked) {
            QVERIFY(QDir().rmdir(settingsPath));
        } else if (!boxes.isEmpty()) {
            QCOMPARE(start.ReadFile(QStringLiteral("Ortus00.ini")), before);
        }
        if (blocked || !boxes.isEmpty()) {
            commands.WriteIni();
        }
        // The dialog may have moved the current directory; the settings stay in the start one.
        QCOMPARE(start.ReadFile(QStringLiteral("Ortus00.ini")),
                 file.replace("<path>", QByteArray::fromStdString(StoredPath(path))));
    }

    void colourDialogStartsFromTheLastConfirmedColour()
    {
        const StartDirectoryFixture start(ShippedStartDirectory());
        Settings settings;
        ScriptedDialogs dialogs;
        RecordingView view;
        const std::string startDirectory = start.path().toStdString();
        TeacherCommands commands(settings, startDirectory, dialogs, view);
        dialogs.QueueColour(clRed);
        commands.ChooseColour(&Settings::QuestionColor);
        commands.ChooseColour(&Settings::AnswerColor);
        commands.ChooseColour(&Settings::QuestionColor);
        // Each background-choice window has a dialog of its own, black at every opening.
        TForm3(commands, dialogs).SpeedButton1Click();
        QCOMPARE(dialogs.colourPresets(), (QList<TColor>{clBlack, clRed, clRed, clBlack}));
    }

    // The real save dialog takes an existing log as it is: a question about replacing it would
    // promise what the command does not do.
    void saveDialogAsksNothingAboutAnExistingFile()
    {
        const StartDirectoryFixture start(ShippedStartDirectory());
        const QString existing = start.filePath(QStringLiteral("Results.txt"));
        QStringList asked;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QTimer::singleShot(0, dialog, [&] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    asked.append(box->text());
                    box->button(QMessageBox::Yes)->click();
                }
            });
            dialog->selectFile(existing);
            static_cast<QDialog *>(dialog)->accept();
        });
        QCOMPARE(QtDialogs().SaveFile(), std::optional<QString>(existing));
        QCOMPARE(asked, QStringList());
    }

    // The emblem shows through the background-choice window's buttons, which draw only their
    // aqua captions, and a frame under the mouse.
    void backgroundWindowShowsTheEmblem()
    {
        Settings settings;
        ScriptedDialogs dialogs;
        RecordingView view;
        const std::string startDirectory;
        TeacherCommands commands(settings, startDirectory, dialogs, view);
        TForm3 form3(commands, dialogs);
        form3.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form3));
        const QImage emblem = DrawBackgroundChoiceEmblem();
        const QImage shown = form3.grab().toImage();
        const QPoint corner = form3.SpeedButton2->geometry().topLeft();
        for (const QPoint point : {QPoint(96, 8), QPoint(20, 47), QPoint(155, 45), corner}) {
            QCOMPARE(shown.pixel(point), emblem.pixel(point));
        }
        int aqua = 0;
        for (int x = 50; x < 145; ++x) {
            aqua += shown.pixel(x, corner.y() + 12) == qRgb(0, 255, 255) ? 1 : 0;
        }
        QVERIFY(aqua > 3);

        QTest::mouseMove(form3.SpeedButton2, QPoint(20, 12));
        const QImage hovered = form3.grab().toImage();
        QVERIFY(hovered.pixel(corner) != emblem.pixel(corner));
        QCOMPARE(hovered.pixel(20, 47), emblem.pixel(20, 47));
    }
};

QTEST_MAIN(CommandsTest)
#include "tst_commands.moc"
