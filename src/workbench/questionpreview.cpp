#include "workbench/questionpreview.h"

#include "effectlabel/effectlabel.h"
#include "imageformats/pictureloader.h"
#include "platform/statuspanels.h"
#include "platform/stretchedimage.h"
#include "runtime/cp1251.h"
#include "runtime/textfile.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

namespace {

constexpr int StatusBarHeight = 19;
constexpr std::array<int, MaxAnswers> AnswerTops{110, 185, 260, 335, 410};

QFont PixelFont(const QString &family, int pixelHeight, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

void SetColour(QWidget *widget, QPalette::ColorRole role, TColor colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, ToQColor(colour));
    widget->setPalette(palette);
}

// What the quiz shows of a text: characters code page 1251 cannot hold come out as "?".
QString AsShown(const QString &text)
{
    return FromCp1251(ToCp1251(text));
}

} // namespace

QuestionPreview::QuestionPreview(QWidget *parent) : QWidget(parent), m_stage(new QWidget)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // The test window's faces, as the quiz sets them up.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    m_stage->setFixedSize(StageWidth, StageHeight);
    m_stage->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11, false));

    // Made in the test window's stacking order, bottom to top.
    m_background = new StretchedImage(m_stage.get());
    m_background->setGeometry(0, 0, StageWidth, StageHeight - StatusBarHeight);
    m_question = new QLabel(m_stage.get());
    m_question->setGeometry(5, 5, 790, 80);
    m_question->setFont(PixelFont(QStringLiteral("Times New Roman"), 21, true));
    m_question->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_question->setWordWrap(true);
    m_question->setTextFormat(Qt::PlainText);
    for (std::size_t n = 0; n < m_answers.size(); ++n) {
        auto *label = new TEffectLabel(m_stage.get());
        label->setGeometry(1, AnswerTops[n], 790, 65);
        ApplyAnswerLabelForm(*label);
        m_answers[n] = label;
    }
    m_finish = new QToolButton(m_stage.get());
    m_finish->setAutoRaise(true);
    m_finish->setGeometry(725, 550, 75, 25);
    m_finish->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11, true));
    m_finish->setText(QStringLiteral("Завершить"));
    m_status = new StatusPanels({150, 50}, m_stage.get());
    m_status->setGeometry(0, StageHeight - StatusBarHeight, StageWidth, StatusBarHeight);
    // The stage is never shown, so its controls are shown one by one to be drawn.
    for (QWidget *control :
         {static_cast<QWidget *>(m_background), static_cast<QWidget *>(m_question),
          static_cast<QWidget *>(m_finish), static_cast<QWidget *>(m_status)}) {
        control->show();
    }
    SetAppearance(Settings{});
}

QuestionPreview::~QuestionPreview() = default;

void QuestionPreview::SetAppearance(const Settings &settings)
{
    m_settings = settings;
    const BackgroundMode mode = StartupBackgroundMode(settings);
    m_background->setVisible(mode != BackgroundMode::FillColour);
    m_stage->setAutoFillBackground(mode == BackgroundMode::FillColour);
    m_stage->setPalette(QPalette());
    if (mode == BackgroundMode::FillColour) {
        SetColour(m_stage.get(), QPalette::Window, settings.FillColor);
    }
    // Relative to the start directory, the current one, and perhaps in CP1251, as the quiz reads
    // it.
    m_background->SetPicture(LoadPicture(
        QByteArray::fromStdString(FileSystemPath(settings.BackgroundPicturePath, EntryExists)), 0));
    SetColour(m_question, QPalette::WindowText, settings.QuestionColor);
    for (TEffectLabel *label : m_answers) {
        label->SetColourHighlight(settings.SelectedAnswerColor);
        label->SetFontColor(settings.AnswerColor);
    }
    SetColour(m_finish, QPalette::ButtonText, settings.AnswerColor);
    Changed();
}

void QuestionPreview::ShowQuestion(const BankQuestion &question, int position, int timeLimitSeconds)
{
    m_question->setText(AsShown(question.text));
    m_answerCount = std::min(static_cast<int>(question.answers.size()), MaxAnswers);
    for (int n = 0; n < MaxAnswers; ++n) {
        TEffectLabel *label = m_answers[static_cast<std::size_t>(n)];
        if (n < m_answerCount) {
            label->SetCaption(AsShown(question.answers[n]));
        }
        label->setVisible(n < m_answerCount);
    }
    m_status->SetPanelText(0, QStringLiteral("Время: %1").arg(timeLimitSeconds));
    m_status->SetPanelText(1, QStringLiteral("Вопрос: %1").arg(position));
    Changed();
}

QImage QuestionPreview::StageImage()
{
    if (m_stale) {
        m_image = QImage(StageWidth, StageHeight, QImage::Format_RGB32);
        m_image.fill(palette().color(QPalette::Window));
        m_stage->render(&m_image);
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
    QWidget *under = m_stage->childAt(stagePoint);
    int hovered = -1;
    for (int n = 0; n < m_answerCount; ++n) {
        if (under == m_answers[static_cast<std::size_t>(n)]) {
            hovered = n;
        }
    }
    if (hovered < 0 && under != m_background) {
        return;
    }
    for (int n = 0; n < m_answerCount; ++n) {
        TEffectLabel *label = m_answers[static_cast<std::size_t>(n)];
        label->SetFontSize(n == hovered ? 18 : 14);
        label->SetFontColor(n == hovered ? m_settings.EnlargedAnswerColor : m_settings.AnswerColor);
    }
    Changed();
}

void QuestionPreview::Changed()
{
    m_stale = true;
    update();
}
