#include "app/tform1.h"

#include "effectlabel/answerlabelform.h"
#include "effectlabel/effectlabel.h"
#include "imageformats/pictureloader.h"
#include "platform/animationcontrol.h"
#include "platform/handlerguard.h"
#include "platform/statuspanels.h"
#include "platform/stretchedimage.h"
#include "platform/windowplacement.h"
#include "quiz/resultslog.h"
#include "quiz/testrun.h"
#include "runtime/cp1251.h"
#include "runtime/textfile.h"
#include "runtime/workingdirectory.h"
#include "windows/programicon.h"
#include "windows/tform2.h"
#include "windows/tform3.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
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
constexpr int StatusBarHeight = 19;
constexpr int IntroHeight = 231;
constexpr int TitleBoxHeight = 101;

const Qt::WindowFlags RegistrationFlags = Qt::Window | Qt::CustomizeWindowHint |
                                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
const Qt::WindowFlags TestFlags = Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;

QFont PixelFont(const QString &family, int pixelHeight, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

void SetTextColour(QWidget *widget, QPalette::ColorRole role, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

bool IsEnterKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
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
    // The program's texts are laid out for these faces; Liberation Sans has their metrics.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
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

void TForm1::CreateControls()
{
    Image1 = new StretchedImage(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    connect(Image1, &StretchedImage::MouseMove, this,
            [this] { Guard([this] { Image1MouseMove(); }); });

    StatusBar1 = new StatusPanels({150, 50}, this);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { Guard([this] { Timer1Timer(); }); });

    CreatePopupMenu();
    RestoreStackingOrder();
}

void TForm1::CreateHiddenControls()
{
    if (Button1 != nullptr) {
        return;
    }
    Label1 = new QLabel(this);
    Label1->setGeometry(5, 5, 590, 80);
    Label1->setFont(PixelFont(QStringLiteral("Times New Roman"), 21, true));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setWordWrap(true);
    Label1->setTextFormat(Qt::PlainText);
    Label1->hide();

    CreateAnswerLabels();
    CreateRegistrationControls();
    setTabOrder(Edit1, ComboBox1);
    setTabOrder(ComboBox1, Edit3);
    setTabOrder(Edit3, Button1);
    setTabOrder(Button1, Memo1);
    RestoreStackingOrder();
    // Children made after their window is shown stay hidden until shown themselves.
    for (QWidget *control : RegistrationControls()) {
        control->show();
    }
    // Typing goes to the first field, as it does when the fields are made with the window.
    if (focusWidget() == nullptr || focusWidget() == Memo1) {
        Edit1->setFocus();
    }
}

std::array<QWidget *, 7> TForm1::RegistrationControls() const
{
    return {Label2, Label3, Label4, Edit1, Edit3, ComboBox1, Button1};
}

void TForm1::RestoreStackingOrder()
{
    const std::initializer_list<QWidget *> bottomToTop = {
        Image1,       Label1, EffectLabel1, EffectLabel2, EffectLabel3, EffectLabel4,
        EffectLabel5, Label2, Label3,       Label4,       SpeedButton1, StatusBar1,
        Edit1,        Edit3,  ComboBox1,    Button1,      Animate1,     Memo1};
    for (QWidget *control : bottomToTop) {
        if (control != nullptr) {
            control->raise();
        }
    }
}

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

void TForm1::CreatePopupMenu()
{
    PopupMenu1 = new QMenu(this);
    const auto addItem = [this](const QString &caption, const QKeySequence &shortcut,
                                void (TForm1::*handler)()) {
        QAction *item = PopupMenu1->addAction(caption);
        item->setShortcut(shortcut);
        // The window's key filter runs the items, ahead of the focused control.
        item->setShortcutContext(Qt::WidgetShortcut);
        connect(item, &QAction::triggered, this, [this, handler] {
            if (m_commandRunning) {
                return;
            }
            m_commandRunning = true;
            Guard([this, handler] { (this->*handler)(); });
            m_commandRunning = false;
        });
        return item;
    };
    N1 = addItem(QStringLiteral("Фоновый рисунок..."), QKeySequence(Qt::CTRL | Qt::Key_P),
                 &TForm1::N1Click);
    N2 = addItem(QStringLiteral("Цвет вопроса..."), QKeySequence(Qt::CTRL | Qt::Key_Q),
                 &TForm1::N2Click);
    N3 = addItem(QStringLiteral("Цвет ответов..."), QKeySequence(Qt::CTRL | Qt::Key_A),
                 &TForm1::N3Click);
    N4 = addItem(QStringLiteral("Цвет выбранного ответа..."), QKeySequence(Qt::CTRL | Qt::Key_C),
                 &TForm1::N4Click);
    N8 = addItem(QStringLiteral("Цвет увеличенного ответа..."), QKeySequence(Qt::CTRL | Qt::Key_I),
                 &TForm1::N8Click);
    N7 = addItem(QStringLiteral("Файл с результатом..."), QKeySequence(Qt::CTRL | Qt::Key_R),
                 &TForm1::N7Click);
    N5 = PopupMenu1->addSeparator();
    N6 = addItem(QStringLiteral("О программе..."), QKeySequence(Qt::Key_F1), &TForm1::N6Click);
    // A focused line edit takes Ctrl+C and Ctrl+A for itself; the window must see them first,
    // and the Enter of the registration fields before the fields act on it.
    qApp->installEventFilter(this);
}

bool TForm1::RunShortcut(const QKeyEvent &event)
{
    const QKeySequence pressed(event.keyCombination());
    for (QAction *item : PopupMenu1->actions()) {
        if (!item->isSeparator() && item->shortcut() == pressed) {
            item->trigger();
            return true;
        }
    }
    return false;
}

void TForm1::CreateAnswerLabels()
{
    const std::array<int, 5> tops{110, 185, 260, 335, 410};
    for (std::size_t n = 0; n < AnswerLabels.size(); ++n) {
        auto *label = new TEffectLabel(this);
        label->setObjectName(QStringLiteral("EffectLabel%1").arg(n + 1));
        label->setGeometry(1, tops[n], 790, 65);
        ApplyAnswerLabelForm(*label);
        label->hide();
        AnswerLabels[n] = label;
        ConnectAnswerLabel(static_cast<int>(n) + 1);
    }
    EffectLabel1 = AnswerLabels[0];
    EffectLabel2 = AnswerLabels[1];
    EffectLabel3 = AnswerLabels[2];
    EffectLabel4 = AnswerLabels[3];
    EffectLabel5 = AnswerLabels[4];
}

void TForm1::CreateRegistrationControls()
{
    const QFont captionFont = PixelFont(QStringLiteral("Times New Roman"), 15, true);
    const QFont fieldFont = PixelFont(QStringLiteral("Times New Roman"), 15, false);
    const auto makeCaption = [&](int top, const QString &text) {
        auto *label = new QLabel(text, this);
        label->setGeometry(170, top, 55, 17);
        label->setFont(captionFont);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        return label;
    };
    Label2 = makeCaption(61, QStringLiteral("Ф.И.О.:"));
    Label3 = makeCaption(101, QStringLiteral("Класс:"));
    Label4 = makeCaption(141, QStringLiteral("ЮГП:"));

    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setGeometry(725, 550, 75, 25);
    SpeedButton1->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11, true));
    SpeedButton1->setText(QStringLiteral("Завершить"));
    SpeedButton1->setToolTip(QStringLiteral("Завершение тестирования"));
    SetTextColour(SpeedButton1, QPalette::ButtonText, ToQColor(clRed));
    SpeedButton1->hide();
    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { Guard([this] { Button2Click(); }); });

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(230, 56, 200, 25);
    Edit1->setFont(fieldFont);

    Edit3 = new QLineEdit(this);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    Edit3->setGeometry(230, 136, 200, 25);
    Edit3->setFont(fieldFont);

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(230, 96, 200, 22);
    ComboBox1->setFont(fieldFont);
    ComboBox1->setEditable(false);
    for (const char *grade : GradeTexts) {
        ComboBox1->addItem(QString::fromLatin1(grade));
    }
    ComboBox1->setCurrentIndex(-1);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(293, 188, 75, 25);
    Button1->setToolTip(QStringLiteral("Начать тестирование"));
    // Enter on the focused button presses it, as in a dialog.
    Button1->setAutoDefault(true);
    connect(Button1, &QPushButton::clicked, this, [this] { Guard([this] { Button1Click(); }); });
}

void TForm1::CreateIntro()
{
    Animate1 = new AnimationControl(this);
    Animate1->setObjectName(QStringLiteral("Animate1"));
    Animate1->Open(QStringLiteral("Ortus.avi"));
    Animate1->Play(1, 60);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setFont(PixelFont(QStringLiteral("Arial"), 64, true));
    QPalette palette = Memo1->palette();
    palette.setColor(QPalette::Base, Qt::black);
    palette.setColor(QPalette::Text, ToQColor(clRed));
    Memo1->setPalette(palette);
    Memo1->setPlainText(QStringLiteral("    Ортус 2000"));
    Memo1->setToolTip(
        QStringLiteral("Для того, чтобы начать работать с программой нажмите кнопку мыши"));
    Memo1->viewport()->setCursor(Qt::PointingHandCursor);
}

void TForm1::AlignControls()
{
    int top = 0;
    int bottom = height();
    if (Animate1 && Animate1->isVisibleTo(this)) {
        Animate1->setGeometry(0, top, width(), IntroHeight);
        top += IntroHeight;
    }
    StatusBar1->setGeometry(0, bottom - StatusBarHeight, width(), StatusBarHeight);
    bottom -= StatusBarHeight;
    if (Memo1 && Memo1->isVisibleTo(this)) {
        Memo1->setGeometry(0, bottom - TitleBoxHeight, width(), TitleBoxHeight);
        bottom -= TitleBoxHeight;
    }
    Image1->setGeometry(0, top, width(), std::max(0, bottom - top));
}

void TForm1::Guard(const std::function<void()> &handler)
{
    RunGuarded(m_dialogs, handler);
}

void TForm1::ConnectAnswerLabel(int n)
{
    TEffectLabel *label = AnswerLabels[static_cast<std::size_t>(n - 1)];
    connect(label, &TEffectLabel::MouseMove, this,
            [this, n] { Guard([this, n] { EffectLabelMouseMove(n); }); });
    connect(label, &TEffectLabel::MouseDown, this, [this, n](Qt::MouseButton button) {
        Guard([this, n, button] { EffectLabelMouseDown(n, button); });
    });
    connect(label, &TEffectLabel::MouseUp, this, [this, n](Qt::MouseButton button) {
        Guard([this, n, button] { EffectLabelMouseUp(n, button); });
    });
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
    // The picture shown goes first, so that it and the new one never take memory together.
    Image1->SetPicture(QImage());
    Image1->SetPicture(LoadPicture(
        QByteArray::fromStdString(FileSystemPath(m_settings.BackgroundPicturePath, EntryExists)),
        0));
    const QColor questionColour = ToQColor(m_settings.QuestionColor);
    for (QLabel *label : {Label1, Label2, Label3, Label4}) {
        SetTextColour(label, QPalette::WindowText, questionColour);
    }
    for (TEffectLabel *label : AnswerLabels) {
        label->SetColourHighlight(m_settings.SelectedAnswerColor);
        label->SetFontColor(m_settings.AnswerColor);
    }
    SetTextColour(SpeedButton1, QPalette::ButtonText, ToQColor(m_settings.AnswerColor));
}

void TForm1::SetWindowColour(TColor colour)
{
    SetTextColour(this, QPalette::Window, ToQColor(colour));
    setAutoFillBackground(true);
}

void TForm1::ShowBackgroundPicture(bool shown)
{
    Image1->setVisible(shown);
}

void TForm1::SetFinishButtonColour(TColor colour)
{
    SetTextColour(SpeedButton1, QPalette::ButtonText, ToQColor(colour));
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
    m_run.ReadTest();
    Layout();
    WriteVopr();
    Timer1->start();
}

void TForm1::Layout()
{
    m_run.Layout();
    StatusBar1->SetPanelText(0, QStringLiteral("Время: %1").arg(Quiz().Bank.TimeLeft));
}

void TForm1::WriteVopr()
{
    const QuizState &quiz = Quiz();
    const auto q = static_cast<std::size_t>(m_run.CurrentQuestion());
    Label1->setText(FromCp1251(quiz.Bank.QuestionTexts[q]));
    StatusBar1->SetPanelText(1, QStringLiteral("Вопрос: %1").arg(quiz.CurrentPosition));
    for (int n = 1; n <= MaxAnswers; ++n) {
        TEffectLabel *label = AnswerLabels[static_cast<std::size_t>(n - 1)];
        if (n <= m_run.AnswerCount()) {
            label->show();
            label->SetCaption(FromCp1251(quiz.Bank.AnswerTexts[q][static_cast<std::size_t>(n)]));
        } else {
            label->hide();
        }
    }
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
        StatusBar1->SetPanelText(0, QStringLiteral("Время: %1").arg(Quiz().Bank.TimeLeft));
    }
    EndTest(outcome);
}

void TForm1::Button2Click()
{
    if (m_dialogs.Confirmation(QStringLiteral("Закончить тест?")) != Dialogs::Answer::Ok) {
        return;
    }
    // The countdown may have ended the test while the question was open: then this ends nothing.
    EndTest(m_run.GiveUp());
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
    Label1->setText(QStringLiteral("Ваш результат в баллах: %1").arg(Quiz().Score));
    ReturnToRegistrationMode();
    if (const std::optional<ResultRecord> record = m_run.Record()) {
        AppendResult(m_settings.ResultsLogPath, Quiz().StartDirectory, *record);
    }
    ComboBox1->setCurrentIndex(Quiz().PupilGrade);
}

void TForm1::EffectLabelMouseMove(int n)
{
    TEffectLabel *hovered = AnswerLabels[static_cast<std::size_t>(n - 1)];
    hovered->SetFontSize(18);
    hovered->SetFontColor(m_settings.EnlargedAnswerColor);
    for (int i = 1; i <= m_run.AnswerCount(); ++i) {
        if (i != n) {
            AnswerLabels[static_cast<std::size_t>(i - 1)]->SetFontSize(14);
            AnswerLabels[static_cast<std::size_t>(i - 1)]->SetFontColor(m_settings.AnswerColor);
        }
    }
}

void TForm1::Image1MouseMove()
{
    for (int i = 1; i <= m_run.AnswerCount(); ++i) {
        AnswerLabels[static_cast<std::size_t>(i - 1)]->SetFontSize(14);
        AnswerLabels[static_cast<std::size_t>(i - 1)]->SetFontColor(m_settings.AnswerColor);
    }
}

void TForm1::EffectLabelMouseDown(int n, Qt::MouseButton button)
{
    if (IsCountingButton(button, m_settings.BothMouseButtons)) {
        AnswerLabels[static_cast<std::size_t>(n - 1)]->SetEffectStyle(esNone);
    }
}

void TForm1::EffectLabelMouseUp(int n, Qt::MouseButton button)
{
    if (IsCountingButton(button, m_settings.BothMouseButtons)) {
        AnswerLabels[static_cast<std::size_t>(n - 1)]->SetEffectStyle(esRaised);
        CheckOtv(n);
    }
}

void TForm1::SwitchToTestMode()
{
    Button1->hide();
    Edit1->hide();
    ComboBox1->hide();
    Label1->resize(790, Label1->height());
    Label2->hide();
    Label3->hide();
    Label4->hide();
    Edit3->hide();
    Label1->show();
    SpeedButton1->show();
    hide();
    Quiz().RegistrationLeft = x();
    Quiz().RegistrationTop = y();
    setFixedSize(TestWidth, TestHeight);
    setWindowFlags(TestFlags);
    PlaceFrameAt(*this, QPoint(0, 0));
    AlignControls();
    show();
    // Showing a window anew does not always give it the keyboard; the teacher's shortcuts need it.
    activateWindow();
}

void TForm1::ReturnToRegistrationMode()
{
    for (TEffectLabel *label : AnswerLabels) {
        label->hide();
    }
    SpeedButton1->hide();
    Label1->resize(590, Label1->height());
    for (QWidget *control : RegistrationControls()) {
        control->show();
    }
    StatusBar1->SetPanelText(0, QString());
    StatusBar1->SetPanelText(1, QString());
    hide();
    setFixedSize(RegistrationClientWidth, RegistrationClientHeight);
    setWindowFlags(RegistrationFlags);
    PlaceFrameAt(*this, QPoint(Quiz().RegistrationLeft, Quiz().RegistrationTop));
    AlignControls();
    show();
    activateWindow();
}

void TForm1::FormClose(bool &canClose)
{
    if (!m_run.Running()) {
        canClose = true;
        return;
    }
    canClose = false;
    if (m_dialogs.Confirmation(QStringLiteral("Закончить тест?")) != Dialogs::Answer::Ok) {
        return;
    }
    // The countdown may have ended the test while the question was open; it is not ended twice.
    EndTest(m_run.GiveUp());
    canClose = true;
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
        RunShortcut(*static_cast<QKeyEvent *>(event))) {
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
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
