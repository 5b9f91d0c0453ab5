#include "app/tform1.h"

#include "app/commandmenu.h"

#include "platform/animationcontrol.h"
#include "platform/handlerguard.h"
#include "platform/pixelfont.h"
#include "platform/stretchedimage.h"
#include "platform/windowplacement.h"
#include "quiz/testrun.h"
#include "runtime/cp1251.h"
#include "runtime/workingdirectory.h"
#include "testscreen/testscreen.h"
#include "windows/programicon.h"
#include "windows/tform2.h"
#include "windows/tform3.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <chrono>

namespace {

constexpr int RegistrationClientWidth = 600;
constexpr int RegistrationClientHeight = 350;
constexpr int TestWidth = 800;
constexpr int TestHeight = 600;

const Qt::WindowFlags RegistrationFlags = Qt::Window | Qt::CustomizeWindowHint |
                                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
const Qt::WindowFlags TestFlags = Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;

bool IsEnterKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The keys that close the intro, as a click on it does.
bool IsIntroKey(int key)
{
    return IsEnterKey(key) || key == Qt::Key_Space || key == Qt::Key_Escape;
}

// A typed name or group must not bring a line break into a five-line record.
std::string RegistrationText(const QString &typed)
{
    QString text = typed;
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return ToCp1251(text);
}

} // namespace

TForm1::TForm1(Dialogs &dialogs, QWidget *parent)
    : QWidget(parent, RegistrationFlags), m_dialogs(dialogs),
      m_commands(m_settings, m_run.State().StartDirectory, dialogs, *this)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Ортус 2000 - Регистрация"));
    setFixedSize(RegistrationClientWidth, RegistrationClientHeight);
    // Made before the window's font is set, so that its first layouts reuse the application's
    // face instead of setting up one more.
    CreateIntro();
    setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11, false));
    CreateControls();
    AlignControls();
    Guard([this] { FormCreate(); });
}

TForm1::~TForm1() = default;

void TForm1::FinishStart()
{
    if (m_startFinished) {
        return;
    }
    m_startFinished = true;
    setWindowIcon(ProgramIcon());
    CreateHiddenControls();
    Guard([this] { FormShow(); });
    emit StartFinished();
}

void TForm1::Guard(const std::function<void()> &handler)
{
    RunGuarded(m_dialogs, handler);
}

void TForm1::MakeStartDirectoryCurrent()
{
    SetCurrentDirectory(Quiz().StartDirectory);
}

void TForm1::FormCreate()
{
    m_run.Seed(
        static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
    m_run.State().StartDirectory = CurrentDirectory();
    ReadSettings(m_settings, m_run.State().StartDirectory);
    switch (StartupBackgroundMode(m_settings)) {
    case BackgroundMode::Picture:
        Image1->show();
        break;
    case BackgroundMode::FillColour:
        Image1->hide();
        SetWindowColour(m_settings.FillColor);
        break;
    case BackgroundMode::Unchanged:
        break;
    }
}

void TForm1::FormShow()
{
    ApplyAppearance();
}

void TForm1::ApplyAppearance()
{
    CreateHiddenControls();
    // A dialog may have left another folder current: the picture is the start directory's.
    Screen->LoadBackground(m_settings.BackgroundPicturePath, Quiz().StartDirectory);
    Screen->ApplyColours(m_settings);
    for (QLabel *label : {Label2, Label3, Label4}) {
        SetPaletteColour(label, QPalette::WindowText, ToQColor(m_settings.QuestionColor));
    }
}

void TForm1::SetWindowColour(TColor colour)
{
    SetPaletteColour(this, QPalette::Window, ToQColor(colour));
    setAutoFillBackground(true);
}

void TForm1::ShowBackgroundPicture(bool shown)
{
    Image1->setVisible(shown);
}

void TForm1::SetFinishButtonColour(TColor colour)
{
    SetPaletteColour(SpeedButton1, QPalette::ButtonText, ToQColor(colour));
}

void TForm1::N2Click()
{
    m_commands.ChooseColour(&Settings::QuestionColor);
}

void TForm1::N3Click()
{
    m_commands.ChooseColour(&Settings::AnswerColor);
}

void TForm1::N4Click()
{
    m_commands.ChooseColour(&Settings::SelectedAnswerColor);
}

void TForm1::N8Click()
{
    m_commands.ChooseColour(&Settings::EnlargedAnswerColor);
}

void TForm1::N1Click()
{
    // A new window each time, destroyed when it closes, also when an error escapes.
    TForm3 form(m_commands, m_dialogs, this);
    form.exec();
}

void TForm1::N6Click()
{
    TForm2 form(this);
    form.exec();
}

void TForm1::N7Click()
{
    m_commands.ChooseResultsLog();
}

void TForm1::Memo1Click()
{
    FinishStart();
    Memo1->hide();
    Animate1->hide();
    // The intro does not come back, so its clip need not stay in memory.
    Animate1->Close();
    AlignControls();
}

void TForm1::Edit1KeyDown(int key)
{
    if (IsEnterKey(key)) {
        ComboBox1->setFocus();
    }
}

void TForm1::ComboBox1KeyDown(int key)
{
    if (IsEnterKey(key)) {
        Edit3->setFocus();
    }
}

void TForm1::Edit3KeyDown(int key)
{
    if (IsEnterKey(key)) {
        Button1->setFocus();
    }
}

void TForm1::Button1Click()
{
    const QString name = Edit1->text();
    const QString group = Edit3->text();
    const QString grade = ComboBox1->currentIndex() < 0 ? QString() : ComboBox1->currentText();
    if (name.isEmpty() || group.isEmpty() || grade.isEmpty()) {
        m_dialogs.Information(QStringLiteral("Необходимо заполнить все поля!"));
        return;
    }
    m_run.Begin(RegistrationText(name), static_cast<std::uint8_t>(ComboBox1->currentIndex()),
                RegistrationText(group));
    SwitchToTestMode();
    MakeStartDirectoryCurrent();
    m_run.ReadTest({});
    Layout();
    WriteVopr();
    Timer1->start();
    Screen->FocusFirstAnswer();
}

void TForm1::Layout()
{
    m_run.Layout();
    Screen->ShowTimeLeft(m_run.TimeLeft());
}

void TForm1::WriteVopr()
{
    Screen->ShowPage(m_run.Page());
}

void TForm1::CheckOtv(int n)
{
    const TestRun::Outcome outcome = m_run.Answer(n);
    if (outcome == TestRun::Outcome::GoesOn) {
        WriteVopr();
    }
    EndTest(outcome);
}

void TForm1::Timer1Timer()
{
    const TestRun::Outcome outcome = m_run.Tick();
    if (outcome != TestRun::Outcome::Ignored) {
        Screen->ShowTimeLeft(m_run.TimeLeft());
    }
    EndTest(outcome);
}

void TForm1::Button2Click()
{
    ConfirmedEnd(TestEnding::FinishedEarly);
}

bool TForm1::ConfirmedEnd(TestEnding how)
{
    if (m_dialogs.Confirmation(QStringLiteral("Закончить тест?")) != Dialogs::Answer::Ok) {
        return false;
    }
    // The countdown may have ended the test while the question was open: then this ends nothing.
    EndTest(m_run.GiveUp(how));
    return true;
}

void TForm1::EndTest(TestRun::Outcome outcome)
{
    if (outcome == TestRun::Outcome::Ignored || outcome == TestRun::Outcome::GoesOn) {
        return;
    }
    Timer1->stop();
    if (const QString message = EndingMessage(outcome); !message.isEmpty()) {
        m_dialogs.Information(message);
    }
    Result();
}

void TForm1::Result()
{
    Screen->ShowResult(Quiz().Score);
    ReturnToRegistrationMode();
    MakeStartDirectoryCurrent();
    m_run.AppendRecord(m_settings.ResultsLogPath, {});
    ComboBox1->setCurrentIndex(Quiz().PupilGrade);
    Edit1->setFocus();
}

void TForm1::EffectLabelMouseMove(int n)
{
    Screen->HoverAnswer(n);
}

void TForm1::Image1MouseMove()
{
    Screen->RestAnswers();
}

void TForm1::EffectLabelMouseDown(int n, Qt::MouseButton button)
{
    if (IsCountingButton(button, m_settings.BothMouseButtons)) {
        Screen->PressAnswer(n);
    }
}

void TForm1::EffectLabelMouseUp(int n, Qt::MouseButton button)
{
    if (IsCountingButton(button, m_settings.BothMouseButtons)) {
        Screen->ReleaseAnswer(n);
        CheckOtv(n);
    }
}

void TForm1::SwitchToTestMode()
{
    // A test never starts under the intro.
    if (Memo1->isVisibleTo(this)) {
        Memo1Click();
    }
    Button1->hide();
    Edit1->hide();
    ComboBox1->hide();
    Label2->hide();
    Label3->hide();
    Label4->hide();
    Edit3->hide();
    Screen->ShowTestControls(true);
    hide();
    Quiz().RegistrationLeft = x();
    Quiz().RegistrationTop = y();
    setFixedSize(TestWidth, TestHeight);
    setWindowFlags(TestFlags);
    // A frameless window shows no title; a screen reader still needs a name for it.
    setAccessibleName(QStringLiteral("Ортус 2000 - Тестирование"));
    PlaceFrameAt(*this, QPoint(0, 0));
    AlignControls();
    show();
    TakeKeyboard();
}

void TForm1::TakeKeyboard()
{
    // Showing a window anew does not always give it the keyboard; the teacher's shortcuts need it.
    activateWindow();
    // Hiding made the window inactive for the widgets, but the system may still see it as the
    // window with the keyboard and report no change: without this no control would get the focus.
    if (QGuiApplication::focusWindow() == windowHandle() && QApplication::activeWindow() != this) {
        QApplication::setActiveWindow(this);
    }
}

void TForm1::ReturnToRegistrationMode()
{
    Screen->ShowTestControls(false);
    for (QWidget *control : RegistrationControls()) {
        control->show();
    }
    Screen->ClearStatus();
    hide();
    setFixedSize(RegistrationClientWidth, RegistrationClientHeight);
    setWindowFlags(RegistrationFlags);
    setAccessibleName(QString());
    PlaceFrameAt(*this, QPoint(Quiz().RegistrationLeft, Quiz().RegistrationTop));
    AlignControls();
    show();
    TakeKeyboard();
}

void TForm1::FormClose(bool &canClose)
{
    if (!m_run.Running()) {
        canClose = true;
        return;
    }
    canClose = ConfirmedEnd(TestEnding::WindowClosed);
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && !m_startFinished) {
        FinishStart();
    }
    // Keys reach this window's controls only while it is the active window; a modal dialog of a
    // command takes them itself, so no command can start twice.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == this &&
        PopupMenu1->RunShortcut(*static_cast<QKeyEvent *>(event))) {
        return true;
    }
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == this) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        // A field hidden by the mode (the group field under the test) takes no typing.
        if (!static_cast<QWidget *>(watched)->isVisible()) {
            return true;
        }
        if (Memo1->isVisibleTo(this) && IsIntroKey(key)) {
            Guard([this] { Memo1Click(); });
            return true;
        }
        if (IsEnterKey(key)) {
            if (watched == Edit1) {
                Guard([&] { Edit1KeyDown(key); });
                return true;
            }
            if (watched == ComboBox1) {
                Guard([&] { ComboBox1KeyDown(key); });
                return true;
            }
            if (watched == Edit3) {
                Guard([&] { Edit3KeyDown(key); });
                return true;
            }
        }
    }
    if (Memo1 && watched == Memo1->viewport() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        Guard([this] { Memo1Click(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The first showing's appearance step waits for the intro to be painted: see FinishStart.
    if (!event->spontaneous() && m_startFinished) {
        Guard([this] { FormShow(); });
    }
}

void TForm1::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (!m_startFinished && !m_finishStartQueued) {
        m_finishStartQueued = true;
        // Queued: the controls paint first, so the intro is on screen before the rest is made.
        QMetaObject::invokeMethod(this, &TForm1::FinishStart, Qt::QueuedConnection);
    }
}

void TForm1::closeEvent(QCloseEvent *event)
{
    bool canClose = false;
    Guard([&] { FormClose(canClose); });
    if (canClose) {
        event->accept();
    } else {
        event->ignore();
    }
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    AlignControls();
}
