#include "workbench/questionpreview.h"

#include "effectlabel/effectlabel.h"
#include "platform/pixelfont.h"
#include "platform/stretchedimage.h"
#include "quiz/testrun.h"
#include "runtime/cp1251.h"
#include "testscreen/testscreen.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

// What the quiz shows of a text: characters code page 1251 cannot hold come out as "?".
QString AsShown(const QString &text)
{
    return FromCp1251(ToCp1251(text));
}

} // namespace

QuestionPreview::QuestionPreview(QWidget *parent) : QWidget(parent), m_screen(new TestScreen)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // The test window's face, as the quiz sets it up.
    m_screen->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11, false));
    m_screen->CreateTestControls();
    m_screen->LayOutPage();
    m_screen->ShowTestControls(true);
    SetAppearance(Settings{});
}

QuestionPreview::~QuestionPreview() = default;

TEffectLabel *QuestionPreview::AnswerLabel(int n) const
{
    return m_screen->AnswerLabel(n + 1);
}

void QuestionPreview::SetAppearance(const Settings &settings, const std::string &startDirectory)
{
    const BackgroundMode mode = StartupBackgroundMode(settings);
    m_screen->Image1->setVisible(mode != BackgroundMode::FillColour);
    m_screen->setAutoFillBackground(mode == BackgroundMode::FillColour);
    m_screen->setPalette(QPalette());
    if (mode == BackgroundMode::FillColour) {
        SetPaletteColour(m_screen.get(), QPalette::Window, ToQColor(settings.FillColor));
    }
    m_screen->LoadBackground(settings.BackgroundPicturePath, startDirectory);
    m_screen->ApplyColours(settings);
    Changed();
}

void QuestionPreview::ShowQuestion(const BankQuestion &question, int position, int timeLimitSeconds)
{
    TestPage page{AsShown(question.text), {}, position};
    for (const QString &answer : question.answers) {
        page.answers.append(AsShown(answer));
    }
    m_screen->ShowPage(page);
    m_screen->ShowTimeLeft(timeLimitSeconds);
    Changed();
}

QImage QuestionPreview::StageImage()
{
    if (m_stale) {
        m_image = QImage(StageWidth, StageHeight, QImage::Format_RGB32);
        m_image.fill(palette().color(QPalette::Window));
        m_screen->render(&m_image);
        m_stale = false;
    }
    return m_image;
}

void QuestionPreview::paintEvent(QPaintEvent *)
{
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
