#pragma once

#include "platform/dialogs.h"
#include "support/scripteddialogs.h"
#include "support/startdirectory.h"

#include <QString>

#include <memory>

struct BankQuestion;
class TForm1;

// The main window over a scratch copy of the shipped start directory, with scripted dialogs.
// Every grade's bank holds the three questions of ThreeQuestions().
class MainWindowFixture {
public:
    explicit MainWindowFixture(int timeLimit = 600);
    ~MainWindowFixture();

    void WriteBanks(int timeLimit) const;
    // Makes the window and shows it as the program does; false unless it is painted, active and
    // has made the rest of its controls.
    bool Open();
    // Dismisses the intro, fills the registration fields and presses "OK".
    void StartTest(const QString &name = QStringLiteral("Петров Пётр"), int grade = 0,
                   const QString &group = QStringLiteral("7А"));
    // The question on screen, as ThreeQuestions() holds it; null when none of them is.
    const BankQuestion *QuestionOnScreen() const;
    // Clicks the right answer, or a wrong one, to the question on screen.
    void Answer(bool right, Qt::MouseButton button = Qt::LeftButton);
    // Clicks the finish button and answers "Закончить тест?".
    void Finish(Dialogs::Answer answer);
    QByteArray Log() const { return start.ReadFile(QStringLiteral("Results.txt")); }
    QByteArray SettingsFile() const { return start.ReadFile(QStringLiteral("Ortus00.ini")); }
    // The texts of the error boxes shown.
    QStringList Errors() const;

    StartDirectoryFixture start;
    ScriptedDialogs dialogs;
    std::unique_ptr<TForm1> form;
};
