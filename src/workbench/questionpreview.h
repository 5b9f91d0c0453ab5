#pragma once

#include "settings/settings.h"
#include "teacher/banksource.h"

#include <QImage>
#include <QWidget>

#include <memory>
#include <string>

class TEffectLabel;
class TestScreen;

// A question as the pupil will see it: the quiz's own test screen at its 800 x 600 layout, over
// the background and in the colours of the settings, drawn scaled to fit. The pointer over an
// answer enlarges it as in the test.
class QuestionPreview : public QWidget {
    Q_OBJECT
public:
    static constexpr int StageWidth = 800;
    static constexpr int StageHeight = 600;

    explicit QuestionPreview(QWidget *parent = nullptr);
    ~QuestionPreview() override;

    // The background and the colours; a relative picture path is taken from startDirectory,
    // perhaps in CP1251, as the quiz reads it.
    void SetAppearance(const Settings &settings, const std::string &startDirectory = {});
    void ShowQuestion(const BankQuestion &question, int position, int timeLimitSeconds);
    // The test window as drawn, unscaled.
    QImage StageImage();
    TEffectLabel *AnswerLabel(int n) const;
    // "Показать как ученику": the question in a window of its own at the test window's own size,
    // the answers following the pointer, closed with Escape. It follows the question and the
    // appearance shown here while it is open.
    void ShowFullSize();
    QWidget *FullSizeWindow() const { return m_fullSize.get(); }
    // While held, the stage is left blank on screen: the window's first picture need not wait for
    // the settings' picture and the test screen's fonts.
    void HoldStage(bool held);

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
    // Shows the appearance but its picture, and the question, on a screen.
    void Present(TestScreen &screen) const;
    void LoadBackground(TestScreen &screen) const;

    // Never shown on screen: drawn into m_image.
    std::unique_ptr<TestScreen> m_screen;
    std::unique_ptr<QWidget> m_fullSize;
    TestScreen *m_fullSizeScreen = nullptr;
    Settings m_settings;
    std::string m_startDirectory;
    BankQuestion m_question;
    int m_position = 0;
    int m_timeLimit = 0;
    QImage m_image;
    bool m_stale = true;
    // The settings' picture not yet read for m_screen.
    bool m_pictureStale = true;
    bool m_held = false;
};
