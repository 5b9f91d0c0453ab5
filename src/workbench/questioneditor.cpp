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
        grid->addWidget(new QLabel(QStringLiteral("%1.").arg(k + 1), this), k + 1, 0,
                        Qt::AlignRight);
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
    grid->addWidget(AddAnswerButton, MaxAnswers + 1, 1, Qt::AlignLeft);
    grid->setRowStretch(MaxAnswers + 2, 1);
    connect(AddAnswerButton, &QPushButton::clicked, this, [this] {
        m_document.AddAnswer(m_row);
        emit AnswerAdded();
    });

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
        for (QWidget *control :
             {static_cast<QWidget *>(Answers[n]), static_cast<QWidget *>(Correct[n]),
              static_cast<QWidget *>(Remove[n])}) {
            control->setEnabled(present);
        }
    }
    m_correctGroup->setExclusive(true);
    AddAnswerButton->setEnabled(shown && count < MaxAnswers);
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
             Correct[n]->isEnabled() ? correct : QString());
    }
}
