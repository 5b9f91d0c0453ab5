#include "workbench/questionpreview.h"

#include "effectlabel/effectlabel.h"
#include "platform/pixelfont.h"
#include "platform/stretchedimage.h"
#include "quiz/testrun.h"
#include "runtime/cp1251.h"
#include "testscreen/testscreen.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

// What the quiz shows of a text: characters code page 1251 cannot hold come out as "?".
QString AsShown(const QString &text)
{
    return FromCp1251(ToCp1251(text));
}

// The full-size preview's window: the test screen at its own size, closed with Escape.
class FullSizeFrame : public QWidget {
public:
    explicit FullSizeFrame(QWidget *parent) : QWidget(parent, Qt::Dialog)
    {
        setWindowTitle(QStringLiteral("Так вопрос увидит ученик"));
        setFixedSize(TestScreen::PageWidth, TestScreen::PageHeight);
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Escape) {
            close();
            return;
        }
        QWidget::keyPressEvent(event);
    }
};

// A screen at the test window's layout, with the test mode's controls shown.
void PrepareScreen(TestScreen &screen)
{
    // The test window's face, as the quiz sets it up.
    screen.setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11, false));
    screen.CreateTestControls();
    screen.LayOutPage();
    screen.ShowTestControls(true);
}

} // namespace

QuestionPreview::QuestionPreview(QWidget *parent) : QWidget(parent), m_screen(new TestScreen)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    PrepareScreen(*m_screen);
    SetAppearance(Settings{});
}

QuestionPreview::~QuestionPreview() = default;

TEffectLabel *QuestionPreview::AnswerLabel(int n) const
{
    return m_screen->AnswerLabel(n + 1);
}

void QuestionPreview::SetAppearance(const Settings &settings, const std::string &startDirectory)
{
    m_settings = settings;
    m_startDirectory = startDirectory;
    // The picture is read once per appearance, and for the stage only when it is next drawn: a
    // start directory opened names it again before the window is first painted.
    m_pictureStale = true;
    Present(*m_screen);
    if (m_fullSizeScreen != nullptr) {
        Present(*m_fullSizeScreen);
        LoadBackground(*m_fullSizeScreen);
    }
    Changed();
}

void QuestionPreview::ShowQuestion(const BankQuestion &question, int position, int timeLimitSeconds)
{
    m_question = question;
    m_position = position;
    m_timeLimit = timeLimitSeconds;
    Present(*m_screen);
    if (m_fullSizeScreen != nullptr) {
        Present(*m_fullSizeScreen);
    }
    Changed();
}

void QuestionPreview::Present(TestScreen &screen) const
{
    const BackgroundMode mode = StartupBackgroundMode(m_settings);
    screen.Image1->setVisible(mode != BackgroundMode::FillColour);
    screen.setAutoFillBackground(mode == BackgroundMode::FillColour);
    screen.setPalette(QPalette());
    if (mode == BackgroundMode::FillColour) {
        SetPaletteColour(&screen, QPalette::Window, ToQColor(m_settings.FillColor));
    }
    screen.ApplyColours(m_settings);
    TestPage page{AsShown(m_question.text), {}, m_position};
    for (const QString &answer : m_question.answers) {
        page.answers.append(AsShown(answer));
    }
    screen.ShowPage(page);
    screen.ShowTimeLeft(m_timeLimit);
}

void QuestionPreview::ShowFullSize()
{
    if (m_fullSize == nullptr) {
        m_fullSize = std::make_unique<FullSizeFrame>(this);
        m_fullSizeScreen = new TestScreen(m_fullSize.get());
        PrepareScreen(*m_fullSizeScreen);
        TestScreen *screen = m_fullSizeScreen;
        connect(screen, &TestScreen::AnswerMouseMove, screen, &TestScreen::HoverAnswer);
        connect(screen, &TestScreen::BackgroundMouseMove, screen, &TestScreen::RestAnswers);
        connect(screen, &TestScreen::AnswerMouseDown, screen,
                [screen](int n, Qt::MouseButton) { screen->PressAnswer(n); });
        connect(screen, &TestScreen::AnswerMouseUp, screen,
                [screen](int n, Qt::MouseButton) { screen->ReleaseAnswer(n); });
        Present(*m_fullSizeScreen);
        LoadBackground(*m_fullSizeScreen);
    }
    m_fullSize->show();
    m_fullSize->raise();
    m_fullSize->activateWindow();
}

void QuestionPreview::LoadBackground(TestScreen &screen) const
{
    screen.LoadBackground(m_settings.BackgroundPicturePath, m_startDirectory);
}

QImage QuestionPreview::StageImage()
{
    if (m_pictureStale) {
        LoadBackground(*m_screen);
        m_pictureStale = false;
    }
    if (m_stale) {
        m_image = QImage(StageWidth, StageHeight, QImage::Format_RGB32);
        m_image.fill(palette().color(QPalette::Window));
        m_screen->render(&m_image);
        m_stale = false;
    }
    return m_image;
}

void QuestionPreview::HoldStage(bool held)
{
    m_held = held;
    update();
}

void QuestionPreview::paintEvent(QPaintEvent *)
{
    if (m_held) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(StageRect(), StageImage());
}

void QuestionPreview::mouseMoveEvent(QMouseEvent *event)
{
    const QRect stage = StageRect();
    if (stage.isEmpty()) {
        return;
    }
    const QPointF inside = event->position() - stage.topLeft();
    Hover(QPoint(static_cast<int>(inside.x() * StageWidth / stage.width()),
                 static_cast<int>(inside.y() * StageHeight / stage.height())));
}

QRect QuestionPreview::StageRect() const
{
    QSize size(StageWidth, StageHeight);
    size.scale(this->size(), Qt::KeepAspectRatio);
    return {QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size};
}

// As in the test: the answer under the pointer grows and takes the enlarged colour, the others
// rest; over the bare background picture all rest; over anything else nothing changes.
void QuestionPreview::Hover(QPoint stagePoint)
{
    QWidget *under = m_screen->childAt(stagePoint);
    for (int n = 1; n <= m_screen->ShownAnswers(); ++n) {
        if (under == m_screen->AnswerLabel(n)) {
            m_screen->HoverAnswer(n);
            Changed();
            return;
        }
    }
    if (under == m_screen->Image1) {
        m_screen->RestAnswers();
        Changed();
    }
}

void QuestionPreview::Changed()
{
    m_stale = true;
    update();
}
