#pragma once

#include "platform/dialogs.h"
#include "quiz/testrun.h"
#include "settings/appearanceview.h"
#include "settings/commands.h"
#include "settings/settings.h"

#include <QWidget>

#include <array>
#include <functional>

class AnimationControl;
class CommandMenu;
class QAction;
class Dialogs;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QToolButton;
class StatusPanels;
class StretchedImage;
class TEffectLabel;
class TestScreen;

// The main window: registration mode (intro, then the three fields) and test mode (a question,
// up to five answers, the finish button and the countdown). It shows what the test run and the
// teacher's commands do.
class TForm1 : public QWidget, public AppearanceView {
    Q_OBJECT
public:
    // Opens the intro animation while the controls are built; throws AviOpenError when it cannot.
    explicit TForm1(Dialogs &dialogs, QWidget *parent = nullptr);
    ~TForm1() override;

    // Controls in their stacking order, bottom to top. The test mode's own (the background, the
    // question, the answers, the finish button and the status bar) are those of its screen.
    TestScreen *Screen = nullptr;
    StretchedImage *Image1 = nullptr;
    QLabel *Label1 = nullptr;
    TEffectLabel *EffectLabel1 = nullptr;
    TEffectLabel *EffectLabel2 = nullptr;
    TEffectLabel *EffectLabel3 = nullptr;
    TEffectLabel *EffectLabel4 = nullptr;
    TEffectLabel *EffectLabel5 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QToolButton *SpeedButton1 = nullptr;
    StatusPanels *StatusBar1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QLineEdit *Edit3 = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QPushButton *Button1 = nullptr;
    AnimationControl *Animate1 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QTimer *Timer1 = nullptr;

    // The teacher's commands: a popup menu that is never shown; its items act by their shortcuts.
    CommandMenu *PopupMenu1 = nullptr;
    QAction *N1 = nullptr;
    QAction *N2 = nullptr;
    QAction *N3 = nullptr;
    QAction *N4 = nullptr;
    QAction *N8 = nullptr;
    QAction *N7 = nullptr;
    QAction *N5 = nullptr;
    QAction *N6 = nullptr;

    // The answer labels in answer order: entry n - 1 shows answer n.
    std::array<TEffectLabel *, 5> AnswerLabels{};

    QuizState &Quiz() { return m_run.State(); }
    const QuizState &Quiz() const { return m_run.State(); }
    Settings &Config() { return m_settings; }
    const Settings &Config() const { return m_settings; }
    TeacherCommands &Commands() { return m_commands; }

    bool TestRunning() const { return m_run.Running(); }

    // The window is built in two steps, so that the intro shows as early as it can: the
    // constructor makes what the intro shows, and this makes the controls the intro covers and
    // runs the first appearance step. It runs once, right after the first paint, or earlier when
    // a click, a key or a command needs the rest.
    void FinishStart();
    bool StartIsFinished() const { return m_startFinished; }

    void FormCreate();
    void FormShow();
    void Memo1Click();
    void Edit1KeyDown(int key);
    void ComboBox1KeyDown(int key);
    void Edit3KeyDown(int key);
    void Button1Click();
    // Sets canClose to whether the window may close.
    void FormClose(bool &canClose);

    void SwitchToTestMode();
    void ReturnToRegistrationMode();
    // Makes the window, shown anew, the one that takes the keys, so that its focus works.
    void TakeKeyboard();

    // The course of a test.
    void Layout();
    void WriteVopr();
    void CheckOtv(int n);
    void Result();
    void Timer1Timer();
    void Button2Click();
    void Image1MouseMove();
    void EffectLabelMouseMove(int n);
    void EffectLabelMouseDown(int n, Qt::MouseButton button);
    void EffectLabelMouseUp(int n, Qt::MouseButton button);

    // What the settings change on screen.
    void ApplyAppearance() override;
    void SetWindowColour(TColor colour) override;
    void ShowBackgroundPicture(bool shown) override;
    void SetFinishButtonColour(TColor colour) override;
    void N1Click();
    void N2Click();
    void N3Click();
    void N4Click();
    void N6Click();
    void N7Click();
    void N8Click();

signals:
    void StartFinished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void CreateControls();
    void CreateHiddenControls();
    void RestoreStackingOrder();
    // The captions and fields of the registration mode, shown together.
    std::array<QWidget *, 7> RegistrationControls() const;
    void ConnectTestScreen();
    void CreateRegistrationControls();
    void CreateIntro();
    void CreatePopupMenu();
    // Lays out the controls aligned to the top and bottom edges and gives the rest to Image1.
    void AlignControls();
    void Guard(const std::function<void()> &handler);
    // The quiz opens its files by their bare names in the start directory, made current again
    // first: a file dialog may have moved the current directory since.
    void MakeStartDirectoryCurrent();
    // Stops the countdown, announces the ending and shows the result; nothing when the outcome
    // ends no test.
    void EndTest(TestRun::Outcome outcome);
    // Asks "Закончить тест?" and ends the test on "OK"; false when the test goes on.
    bool ConfirmedEnd(TestEnding how);

    Dialogs &m_dialogs;
    TestRun m_run;
    Settings m_settings;
    TeacherCommands m_commands;
    bool m_startFinished = false;
    bool m_finishStartQueued = false;
};
