#pragma once

#include "quiz/questionbank.h"
#include "workbench/bankcontent.h"

#include <QWidget>

#include <array>

class BankDocument;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

// The selected question's text and answers, each answer with its "correct" choice. Every change
// goes to the document as an edit; the fields an issue is about are marked. The tab order runs
// text, answers, correct choice.
class QuestionEditor : public QWidget {
    Q_OBJECT
public:
    explicit QuestionEditor(BankDocument &document, QWidget *parent = nullptr);

    // Shows the document's question of that row (-1 for none) and marks its issues.
    void SetRow(int row);
    int Row() const { return m_row; }
    void FocusIssue(const BankIssue &issue);
    // The answer whose field has the keyboard, else the last one; -1 without answers.
    int CurrentAnswer() const;

    QLineEdit *Text = nullptr;
    std::array<QLineEdit *, MaxAnswers> Answers{};
    std::array<QRadioButton *, MaxAnswers> Correct{};
    std::array<QToolButton *, MaxAnswers> Remove{};
    QPushButton *AddAnswerButton = nullptr;

    // A new empty answer after the last, which gets the keyboard.
    void AddAnswer();

private:
    void MarkIssues();
    // The number, field, "correct" choice and remove button of one answer's slot.
    std::array<QWidget *, 4> SlotControls(std::size_t n) const;

    BankDocument &m_document;
    std::array<QLabel *, MaxAnswers> m_numbers{};
    QButtonGroup *m_correctGroup = nullptr;
    int m_row = -1;
};
