#pragma once

#include "settings/settings.h"
#include "teacher/banksource.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <memory>

class QLabel;
class QToolButton;
class StatusPanels;
class StretchedImage;
class TEffectLabel;

// A question as the pupil will see it: the test window's 800 x 600 layout built from the
// program's own controls (the question label, the answers as effect labels in the answer form,
// the finish button, the status bar) over the background of the settings, drawn scaled to fit.
// The pointer over an answer enlarges it as in the test.
class QuestionPreview : public QWidget {
    Q_OBJECT
public:
    static constexpr int StageWidth = 800;
    static constexpr int StageHeight = 600;

    explicit QuestionPreview(QWidget *parent = nullptr);
    ~QuestionPreview() override;

    // The background (picture paths resolve against the current directory) and the colours.
    void SetAppearance(const Settings &settings);
    void ShowQuestion(const BankQuestion &question, int position, int timeLimitSeconds);
    // The test window as drawn, unscaled.
    QImage StageImage();
    TEffectLabel *AnswerLabel(int n) const { return m_answers.at(static_cast<std::size_t>(n)); }

    QSize sizeHint() const override { return {StageWidth / 2, StageHeight / 2}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return width * StageHeight / StageWidth; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QRect StageRect() const;
    void Hover(QPoint stagePoint);
    void Changed();

    // Never shown on screen: its controls are drawn into m_image.
    std::unique_ptr<QWidget> m_stage;
    StretchedImage *m_background = nullptr;
    QLabel *m_question = nullptr;
    std::array<TEffectLabel *, MaxAnswers> m_answers{};
    QToolButton *m_finish = nullptr;
    StatusPanels *m_status = nullptr;
    Settings m_settings;
    int m_answerCount = 0;
    QImage m_image;
    bool m_stale = true;
};
