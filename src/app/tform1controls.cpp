// The main window's controls, made in code in their recorded order and stacking: the window's
// description, kept apart from its handlers in tform1.cpp.
#include "app/tform1.h"

#include "app/commandmenu.h"
#include "effectlabel/effectlabel.h"
#include "platform/animationcontrol.h"
#include "platform/pixelfont.h"
#include "platform/statuspanels.h"
#include "platform/stretchedimage.h"
#include "quiz/testrun.h"
#include "testscreen/testscreen.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace {

constexpr int IntroHeight = 231;
constexpr int TitleBoxHeight = 101;

} // namespace

void TForm1::CreateControls()
{
    Screen = new TestScreen(this);
    Image1 = Screen->Image1;
    StatusBar1 = Screen->StatusBar1;
    connect(Screen, &TestScreen::BackgroundMouseMove, this,
            [this] { Guard([this] { Image1MouseMove(); }); });

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
    ConnectTestScreen();
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
    // The test screen's own controls do not overlap the registration captions.
    const std::initializer_list<QWidget *> bottomToTop = {
        Screen, Label2, Label3, Label4, Edit1, Edit3, ComboBox1, Button1, Animate1, Memo1};
    for (QWidget *control : bottomToTop) {
        if (control != nullptr) {
            control->raise();
        }
    }
}

void TForm1::CreatePopupMenu()
{
    PopupMenu1 = new CommandMenu(this);
    const auto addItem = [this](const QString &caption, const QKeySequence &shortcut,
                                void (TForm1::*handler)()) {
        return PopupMenu1->AddCommand(
            caption, shortcut, [this, handler] { Guard([this, handler] { (this->*handler)(); }); });
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

void TForm1::ConnectTestScreen()
{
    Screen->CreateTestControls();
    Label1 = Screen->Label1;
    SpeedButton1 = Screen->SpeedButton1;
    AnswerLabels = Screen->AnswerLabels;
    EffectLabel1 = AnswerLabels[0];
    EffectLabel2 = AnswerLabels[1];
    EffectLabel3 = AnswerLabels[2];
    EffectLabel4 = AnswerLabels[3];
    EffectLabel5 = AnswerLabels[4];
    connect(Screen, &TestScreen::AnswerMouseMove, this,
            [this](int n) { Guard([this, n] { EffectLabelMouseMove(n); }); });
    connect(Screen, &TestScreen::AnswerMouseDown, this, [this](int n, Qt::MouseButton button) {
        Guard([this, n, button] { EffectLabelMouseDown(n, button); });
    });
    connect(Screen, &TestScreen::AnswerMouseUp, this, [this](int n, Qt::MouseButton button) {
        Guard([this, n, button] { EffectLabelMouseUp(n, button); });
    });
    // The keyboard's and a screen reader's choice takes the mouse release's path.
    connect(Screen, &TestScreen::AnswerChosen, this,
            [this](int n) { Guard([this, n] { CheckOtv(n); }); });
    connect(Screen, &TestScreen::FinishClicked, this,
            [this] { Guard([this] { Button2Click(); }); });
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
    // The captions name their fields for a screen reader; they show no mnemonic.
    Label2->setBuddy(Edit1);
    Label3->setBuddy(ComboBox1);
    Label4->setBuddy(Edit3);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(293, 188, 75, 25);
    Button1->setToolTip(QStringLiteral("Начать тестирование"));
    // "OK" alone says nothing to a screen reader's user; the caption on screen stays "OK".
    Button1->setAccessibleName(QStringLiteral("OK — Начать тестирование"));
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
    SetPaletteColour(Memo1, QPalette::Base, Qt::black);
    SetPaletteColour(Memo1, QPalette::Text, ToQColor(clRed));
    Memo1->setPlainText(QStringLiteral("    Ортус 2000"));
    Memo1->setToolTip(
        QStringLiteral("Для того, чтобы начать работать с программой нажмите кнопку мыши"));
    Memo1->viewport()->setCursor(Qt::PointingHandCursor);
}

void TForm1::AlignControls()
{
    int top = 0;
    int bottom = height() - TestScreen::StatusBarHeight;
    if (Animate1 && Animate1->isVisibleTo(this)) {
        Animate1->setGeometry(0, top, width(), IntroHeight);
        top += IntroHeight;
    }
    if (Memo1 && Memo1->isVisibleTo(this)) {
        Memo1->setGeometry(0, bottom - TitleBoxHeight, width(), TitleBoxHeight);
        bottom -= TitleBoxHeight;
    }
    Screen->setGeometry(rect());
    Screen->LayOut(top, bottom);
}
