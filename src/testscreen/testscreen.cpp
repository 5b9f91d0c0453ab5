#include "testscreen/testscreen.h"

#include "effectlabel/answerlabelform.h"
#include "effectlabel/effectlabel.h"
#include "imageformats/pictureloader.h"
#include "platform/pixelfont.h"
#include "platform/statuspanels.h"
#include "platform/stretchedimage.h"
#include "quiz/testrun.h"
#include "runtime/cp1251.h"
#include "runtime/textfile.h"
#include "settings/settings.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>

namespace {

constexpr std::array<int, MaxAnswers> AnswerTops{110, 185, 260, 335, 410};
constexpr int RestingPoints = 14;
constexpr int EnlargedPoints = 18;

} // namespace

TestScreen::TestScreen(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TestScreen"));
    Image1 = new StretchedImage(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    connect(Image1, &StretchedImage::MouseMove, this, [this] {
        m_keyboardLook = false;
        emit BackgroundMouseMove();
    });
    StatusBar1 = new StatusPanels({150, 50}, this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
}

void TestScreen::CreateTestControls()
{
    if (Label1 != nullptr) {
        return;
    }
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(5, 5, ResultWidth, 80);
    Label1->setFont(PixelFont(QStringLiteral("Times New Roman"), 21, true));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setWordWrap(true);
    Label1->setTextFormat(Qt::PlainText);
    Label1->hide();

    for (std::size_t index = 0; index < AnswerLabels.size(); ++index) {
        const int n = static_cast<int>(index) + 1;
        auto *label = new TEffectLabel(this);
        label->setObjectName(QStringLiteral("EffectLabel%1").arg(n));
        label->setGeometry(1, AnswerTops[index], 790, 65);
        ApplyAnswerLabelForm(*label);
        label->hide();
        AnswerLabels[index] = label;
        label->installEventFilter(this);
        connect(label, &TEffectLabel::MouseMove, this, [this, n] {
            m_keyboardLook = false;
            emit AnswerMouseMove(n);
        });
        connect(label, &TEffectLabel::Activated, this, [this, n] {
            if (n <= m_answerCount) {
                emit AnswerChosen(n);
            }
        });
        connect(label, &TEffectLabel::MouseDown, this,
                [this, n](Qt::MouseButton button) { emit AnswerMouseDown(n, button); });
        connect(label, &TEffectLabel::MouseUp, this,
                [this, n](Qt::MouseButton button) { emit AnswerMouseUp(n, button); });
    }

    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setFocusPolicy(Qt::TabFocus);
    SpeedButton1->installEventFilter(this);
    SpeedButton1->setGeometry(725, 550, 75, 25);
    SpeedButton1->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11, true));
    SpeedButton1->setText(QStringLiteral("Завершить"));
    SpeedButton1->setToolTip(QStringLiteral("Завершение тестирования"));
    SetPaletteColour(SpeedButton1, QPalette::ButtonText, ToQColor(clRed));
    SpeedButton1->hide();
    connect(SpeedButton1, &QToolButton::clicked, this, &TestScreen::FinishClicked);
    RestoreStackingOrder();
}

void TestScreen::RestoreStackingOrder()
{
    Label1->stackUnder(AnswerLabels.front());
    Image1->stackUnder(Label1);
    SpeedButton1->raise();
    StatusBar1->raise();
}

void TestScreen::LayOut(int backgroundTop, int backgroundBottom)
{
    StatusBar1->setGeometry(0, height() - StatusBarHeight, width(), StatusBarHeight);
    Image1->setGeometry(
        0, backgroundTop, width(),
        std::max(0, std::min(backgroundBottom, height() - StatusBarHeight) - backgroundTop));
}

void TestScreen::LayOutPage()
{
    resize(PageWidth, PageHeight);
    LayOut(0, PageHeight);
}

void TestScreen::ShowPage(const TestPage &page)
{
    CreateTestControls();
    Label1->setText(page.question);
    StatusBar1->SetPanelText(1, QStringLiteral("Вопрос: %1").arg(page.position));
    m_answerCount = static_cast<int>(std::min<qsizetype>(page.answers.size(), MaxAnswers));
    const bool focusedHere = isAncestorOf(QApplication::focusWidget());
    for (int n = 1; n <= MaxAnswers; ++n) {
        TEffectLabel *label = AnswerLabel(n);
        if (n <= m_answerCount) {
            label->show();
            label->SetCaption(page.answers[n - 1]);
            // A screen reader reads the new question with the focused answer.
            label->setAccessibleName(QStringLiteral("%1. %2").arg(n).arg(page.answers[n - 1]));
            label->setAccessibleDescription(page.question);
        } else {
            label->hide();
        }
    }
    // A new question starts at its first answer, for a keyboard that was on the last one.
    if (focusedHere) {
        FocusFirstAnswer();
    }
}

void TestScreen::FocusFirstAnswer()
{
    if (m_answerCount == 0) {
        return;
    }
    AnswerLabel(1)->setFocus(Qt::OtherFocusReason);
    if (m_keyboardLook) {
        HoverAnswer(1);
    }
}

QList<QWidget *> TestScreen::KeyboardStops() const
{
    QList<QWidget *> stops;
    for (int n = 1; n <= m_answerCount; ++n) {
        stops.append(AnswerLabel(n));
    }
    stops.append(SpeedButton1);
    return stops;
}

int TestScreen::ShownAnswerNumber(const QObject *object) const
{
    for (int n = 1; n <= m_answerCount; ++n) {
        if (object == AnswerLabel(n)) {
            return n;
        }
    }
    return 0;
}

void TestScreen::MoveFocus(QWidget *from, bool forward)
{
    const QList<QWidget *> stops = KeyboardStops();
    const qsizetype count = stops.size();
    const qsizetype at = std::max<qsizetype>(stops.indexOf(from), 0);
    stops[(at + (forward ? 1 : count - 1)) % count]->setFocus(forward ? Qt::TabFocusReason
                                                                      : Qt::BacktabFocusReason);
}

bool TestScreen::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        // Only the keyboard's focus changes the look: a question shown or a click leaves it.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) {
            m_keyboardLook = true;
            if (const int n = ShownAnswerNumber(watched); n != 0) {
                HoverAnswer(n);
            } else {
                RestAnswers();
            }
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    auto *keyEvent = static_cast<QKeyEvent *>(event);
    switch (keyEvent->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Right:
    case Qt::Key_Down:
        MoveFocus(static_cast<QWidget *>(watched), true);
        return true;
    case Qt::Key_Backtab:
    case Qt::Key_Left:
    case Qt::Key_Up:
        MoveFocus(static_cast<QWidget *>(watched), false);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The finish button takes Enter too, as the answers do.
        if (watched == SpeedButton1 && !keyEvent->isAutoRepeat()) {
            SpeedButton1->click();
            return true;
        }
        break;
    default:
        break;
    }
    if (ShownAnswerNumber(watched) != 0) {
        m_keyboardLook = true;
    }
    return false;
}

void TestScreen::ShowTimeLeft(int seconds)
{
    StatusBar1->SetPanelText(0, QStringLiteral("Время: %1").arg(seconds));
}

void TestScreen::ShowResult(int score)
{
    CreateTestControls();
    Label1->setText(QStringLiteral("Ваш результат в баллах: %1").arg(score));
}

void TestScreen::ClearStatus()
{
    StatusBar1->SetPanelText(0, QString());
    StatusBar1->SetPanelText(1, QString());
}

void TestScreen::ShowTestControls(bool shown)
{
    CreateTestControls();
    if (!shown) {
        for (TEffectLabel *label : AnswerLabels) {
            label->hide();
        }
    }
    Label1->resize(shown ? QuestionWidth : ResultWidth, Label1->height());
    if (shown) {
        Label1->show();
    }
    SpeedButton1->setVisible(shown);
}

void TestScreen::LoadBackground(const std::string &picturePath, const std::string &directory)
{
    // The picture shown goes first, so that it and the new one never take memory together.
    Image1->SetPicture(QImage());
    Image1->SetPicture(
        LoadPicture(QByteArray::fromStdString(FileSystemPathIn(directory, picturePath)), 0));
}

void TestScreen::ApplyColours(const Settings &settings)
{
    CreateTestControls();
    SetPaletteColour(Label1, QPalette::WindowText, ToQColor(settings.QuestionColor));
    for (TEffectLabel *label : AnswerLabels) {
        label->SetColourHighlight(settings.SelectedAnswerColor);
        label->SetFontColor(settings.AnswerColor);
    }
    SetPaletteColour(SpeedButton1, QPalette::ButtonText, ToQColor(settings.AnswerColor));
    m_answerColour = settings.AnswerColor;
    m_enlargedColour = settings.EnlargedAnswerColor;
}

void TestScreen::SetAnswerLook(int n, int points, TColor colour)
{
    TEffectLabel *label = AnswerLabel(n);
    label->SetFontSize(points);
    label->SetFontColor(colour);
}

void TestScreen::HoverAnswer(int n)
{
    SetAnswerLook(n, EnlargedPoints, m_enlargedColour);
    for (int i = 1; i <= m_answerCount; ++i) {
        if (i != n) {
            SetAnswerLook(i, RestingPoints, m_answerColour);
        }
    }
}

void TestScreen::RestAnswers()
{
    for (int i = 1; i <= m_answerCount; ++i) {
        SetAnswerLook(i, RestingPoints, m_answerColour);
    }
}

void TestScreen::PressAnswer(int n)
{
    AnswerLabel(n)->SetEffectStyle(esNone);
}

void TestScreen::ReleaseAnswer(int n)
{
    AnswerLabel(n)->SetEffectStyle(esRaised);
}
