#pragma once

#include "quiz/questionbank.h"
#include "runtime/tcolor.h"

#include <QWidget>

#include <array>
#include <string>

class QLabel;
class QToolButton;
struct Settings;
class StatusPanels;
class StretchedImage;
class TEffectLabel;
struct TestPage;

// The test mode's screen: the background picture, the question, up to five answers as effect
// labels, the finish button and the status bar with the time and the question number, at the
// test window's layout. The quiz's main window shows it under its registration controls, and the
// teacher's previews draw the very same widget.
class TestScreen : public QWidget {
    Q_OBJECT
public:
    static constexpr int PageWidth = 800;
    static constexpr int PageHeight = 600;
    static constexpr int StatusBarHeight = 19;
    static constexpr int QuestionWidth = 790;
    static constexpr int ResultWidth = 590;

    // Makes the background and the status bar, which the intro shows too; the rest waits for
    // CreateTestControls, so that the intro can be painted first.
    explicit TestScreen(QWidget *parent = nullptr);

    // The controls, bottom to top, by the main window's names.
    StretchedImage *Image1 = nullptr;
    QLabel *Label1 = nullptr;
    std::array<TEffectLabel *, MaxAnswers> AnswerLabels{};
    QToolButton *SpeedButton1 = nullptr;
    StatusPanels *StatusBar1 = nullptr;

    // Makes the question, the answers and the finish button, hidden; once.
    void CreateTestControls();
    // The status bar along the bottom edge and the background between the two edges given.
    void LayOut(int backgroundTop, int backgroundBottom);
    // The whole 800 x 600 page, as the test window shows it.
    void LayOutPage();

    // The question on screen: its text, its answers on as many labels, the others hidden, and
    // "Вопрос: " with its position.
    void ShowPage(const TestPage &page);
    // "Время: " with the seconds left.
    void ShowTimeLeft(int seconds);
    // "Ваш результат в баллах: " with the score, on the question's label.
    void ShowResult(int score);
    void ClearStatus();
    // The test's controls shown (the question, the answers of ShowPage, the finish button) or
    // hidden, and the question label as wide as the mode wants it.
    void ShowTestControls(bool shown);

    // The background picture from its path as the settings hold it (perhaps in CP1251), a relative
    // one taken from `directory` (the current directory when empty); none when it does not load.
    void LoadBackground(const std::string &picturePath, const std::string &directory);
    // The settings' colours: the question, the answers' highlight and rest colour, the finish
    // button; the enlarged colour is kept for HoverAnswer.
    void ApplyColours(const Settings &settings);

    // The pointer over answer n: it grows and takes the enlarged colour, the other answers of the
    // question rest. Answers beyond the question's count are left alone.
    void HoverAnswer(int n);
    // The pointer over the background: every answer of the question rests.
    void RestAnswers();
    // A counting button pressed on answer n flattens its lettering; the release raises it again.
    void PressAnswer(int n);
    void ReleaseAnswer(int n);
    // The keyboard's place in test mode: the first answer, in the look of the answer under the
    // pointer once the keyboard has been used.
    void FocusFirstAnswer();
    int ShownAnswers() const { return m_answerCount; }
    TEffectLabel *AnswerLabel(int n) const
    {
        return AnswerLabels.at(static_cast<std::size_t>(n - 1));
    }

signals:
    void AnswerMouseMove(int n);
    void AnswerMouseDown(int n, Qt::MouseButton button);
    void AnswerMouseUp(int n, Qt::MouseButton button);
    void BackgroundMouseMove();
    void FinishClicked();
    // Space or Enter on a focused answer, or a screen reader's press on it.
    void AnswerChosen(int n);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SetAnswerLook(int n, int points, TColor colour);
    void RestoreStackingOrder();
    // The shown answers, then the finish button: what Tab and the arrow keys walk, in order.
    QList<QWidget *> KeyboardStops() const;
    void MoveFocus(QWidget *from, bool forward);
    // Answer n, or 0 for none of the shown ones.
    int ShownAnswerNumber(const QObject *object) const;

    TColor m_answerColour = 0;
    TColor m_enlargedColour = 0;
    // Answers of the question last shown; none before the first.
    int m_answerCount = 0;
    // The focused answer looks enlarged only while the keyboard leads; the pointer takes over.
    bool m_keyboardLook = false;
};
