#include "workbench/questioneditor.h"

#include "workbench/bankdocument.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace {

const QColor MarkedBase(255, 214, 214);

void Mark(QWidget *field, QPalette::ColorRole role, const QColor &colour, const QString &why)
{
    QPalette palette = field->palette();
    palette.setColor(role, why.isEmpty() ? QPalette().color(role) : colour);
    field->setPalette(palette);
    field->setToolTip(why);
}

void ShowText(QLineEdit *field, const QString &text)
{
    // Setting the same text again would move the cursor while the teacher types.
    if (field->text() != text) {
        field->setText(text);
    }
}

} // namespace

QuestionEditor::QuestionEditor(BankDocument &document, QWidget *parent)
    : QWidget(parent), m_document(document), m_correctGroup(new QButtonGroup(this))
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    Text = new QLineEdit(this);
    Text->setPlaceholderText(QStringLiteral("Текст вопроса"));
    auto *textCaption = new QLabel(QStringLiteral("&Вопрос:"), this);
    textCaption->setBuddy(Text);
    grid->addWidget(textCaption, 0, 0);
    grid->addWidget(Text, 0, 1, 1, 3);
    connect(Text, &QLineEdit::textEdited, this,
            [this](const QString &text) { m_document.SetQuestionText(m_row, text); });

    for (int k = 0; k < MaxAnswers; ++k) {
        const std::size_t n = static_cast<std::size_t>(k);
        Answers[n] = new QLineEdit(this);
        Answers[n]->setPlaceholderText(QStringLiteral("Ответ %1").arg(k + 1));
        Answers[n]->setAccessibleName(QStringLiteral("Ответ %1").arg(k + 1));
        Correct[n] = new QRadioButton(QStringLiteral("верный"), this);
        // "верный" alone does not say which answer it marks.
        Correct[n]->setAccessibleName(QStringLiteral("Ответ %1 верный").arg(k + 1));
        m_correctGroup->addButton(Correct[n], k);
        Remove[n] = new QToolButton(this);
        Remove[n]->setText(QStringLiteral("✕"));
        Remove[n]->setToolTip(QStringLiteral("Удалить ответ %1").arg(k + 1));
        Remove[n]->setFocusPolicy(Qt::NoFocus);
        m_numbers[n] = new QLabel(QStringLiteral("%1.").arg(k + 1), this);
        grid->addWidget(m_numbers[n], k + 1, 0, Qt::AlignRight);
        grid->addWidget(Answers[n], k + 1, 1);
        grid->addWidget(Correct[n], k + 1, 2);
        grid->addWidget(Remove[n], k + 1, 3);
        connect(Answers[n], &QLineEdit::textEdited, this,
                [this, k](const QString &text) { m_document.SetAnswerText(m_row, k, text); });
        connect(Correct[n], &QRadioButton::clicked, this,
                [this, k] { m_document.SetCorrect(m_row, k); });
        connect(Remove[n], &QToolButton::clicked, this,
                [this, k] { m_document.RemoveAnswer(m_row, k); });
    }
    AddAnswerButton = new QPushButton(QStringLiteral("Добавить ответ"), this);
    connect(AddAnswerButton, &QPushButton::clicked, this, &QuestionEditor::AddAnswer);
    // A slot without an answer is hidden, not merely disabled: an empty field that takes no
    // typing looks like a fault. Its place is kept, so the editor keeps its height.
    for (std::size_t n = 0; n < Answers.size(); ++n) {
        for (QWidget *control : SlotControls(n)) {
            QSizePolicy policy = control->sizePolicy();
            policy.setRetainSizeWhenHidden(true);
            control->setSizePolicy(policy);
        }
    }

    QWidget *previous = Text;
    for (QLineEdit *answer : Answers) {
        setTabOrder(previous, answer);
        previous = answer;
    }
    for (QRadioButton *choice : Correct) {
        setTabOrder(previous, choice);
        previous = choice;
    }
    setTabOrder(previous, AddAnswerButton);
    SetRow(-1);
}

void QuestionEditor::SetRow(int row)
{
    m_row = row;
    const bool shown = m_row >= 0 && m_row < m_document.rowCount();
    setEnabled(shown);
    const BankQuestion question = shown ? m_document.Question(m_row) : BankQuestion{};
    ShowText(Text, question.text);
    const int count = static_cast<int>(question.answers.size());
    // An exclusive group cannot be emptied by unchecking its button.
    m_correctGroup->setExclusive(false);
    for (int k = 0; k < MaxAnswers; ++k) {
        const std::size_t n = static_cast<std::size_t>(k);
        const bool present = k < count;
        ShowText(Answers[n], present ? question.answers[k] : QString());
        Correct[n]->setChecked(present && question.correct == k + 1);
        for (QWidget *control : SlotControls(n)) {
            control->setVisible(present);
        }
    }
    m_correctGroup->setExclusive(true);
    // In the place of the next answer, so the editor needs no row of its own for it.
    if (count < MaxAnswers) {
        static_cast<QGridLayout *>(layout())->addWidget(AddAnswerButton, count + 1, 1,
                                                        Qt::AlignLeft);
    }
    AddAnswerButton->setVisible(shown && count < MaxAnswers);
    MarkIssues();
}

void QuestionEditor::FocusIssue(const BankIssue &issue)
{
    if (issue.field == BankIssue::Field::Answer && issue.answer >= 0 && issue.answer < MaxAnswers) {
        Answers[static_cast<std::size_t>(issue.answer)]->setFocus();
    } else if (issue.field == BankIssue::Field::Correct) {
        Correct.front()->setFocus();
    } else if (issue.field == BankIssue::Field::Answers) {
        AddAnswerButton->setFocus();
    } else {
        Text->setFocus();
    }
}

void QuestionEditor::AddAnswer()
{
    if (!m_document.ValidRow(m_row)) {
        return;
    }
    m_document.AddAnswer(m_row);
    // The document has shown the new answer's slot by now: the typing goes there, not on into
    // the answer that had the keyboard.
    const auto last = static_cast<std::size_t>(m_document.Question(m_row).answers.size()) - 1;
    if (last < Answers.size()) {
        Answers[last]->setFocus();
    }
}

std::array<QWidget *, 4> QuestionEditor::SlotControls(std::size_t n) const
{
    return {m_numbers[n], Answers[n], Correct[n], Remove[n]};
}

int QuestionEditor::CurrentAnswer() const
{
    if (m_row < 0 || m_row >= m_document.rowCount()) {
        return -1;
    }
    for (int k = 0; k < MaxAnswers; ++k) {
        if (Answers[static_cast<std::size_t>(k)]->hasFocus() ||
            Correct[static_cast<std::size_t>(k)]->hasFocus()) {
            return k;
        }
    }
    return static_cast<int>(m_document.Question(m_row).answers.size()) - 1;
}

void QuestionEditor::MarkIssues()
{
    QString text;
    std::array<QString, MaxAnswers> answers;
    QString correct;
    for (const BankIssue &issue : m_document.Issues()) {
        if (issue.question != m_row || m_row < 0) {
            continue;
        }
        if (issue.field == BankIssue::Field::QuestionText) {
            text = issue.message;
        } else if (issue.field == BankIssue::Field::Answer && issue.answer < MaxAnswers) {
            answers[static_cast<std::size_t>(issue.answer)] = issue.message;
        } else if (issue.field == BankIssue::Field::Correct ||
                   issue.field == BankIssue::Field::Answers) {
            correct = issue.message;
        }
    }
    Mark(Text, QPalette::Base, MarkedBase, text);
    for (std::size_t n = 0; n < Answers.size(); ++n) {
        Mark(Answers[n], QPalette::Base, MarkedBase, answers[n]);
        Mark(Correct[n], QPalette::WindowText, Qt::red,
             Correct[n]->isVisibleTo(this) ? correct : QString());
    }
}
