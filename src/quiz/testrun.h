#pragma once

#include "quiz/quizstate.h"
#include "quiz/resultslog.h"

#include <QString>
#include <Qt>

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

// The grade list's items, indexed by PupilGrade; the record names the grade by these texts.
inline constexpr std::array<const char *, 7> GradeTexts = {"5", "6", "7", "8", "9", "10", "11"};

// The left button answers; the right one too when the settings allow it; the middle one never.
bool IsCountingButton(Qt::MouseButton button, bool bothMouseButtons);

// The course of one test at a time, without a window: the window shows what each step returns.
// A test runs from Begin until its one ending; every step after that is ignored, so no way of
// ending can end a test twice.
class TestRun {
public:
    enum class Outcome {
        Ignored,   // no test with a loaded bank runs: nothing changed
        GoesOn,    // the test continues
        Completed, // the last question was answered
        TimedOut,  // the countdown reached zero
        GivenUp,   // the pupil confirmed that the test is to be finished
    };

    QuizState &State() { return m_state; }
    const QuizState &State() const { return m_state; }

    // Once per run: the question order's generator.
    void Seed(std::uint32_t seed) { m_generator.seed(seed); }

    // A test starts for the pupil (texts in CP1251) and runs until it ends, also when its bank
    // then fails to load. The score starts at 0, so such a test never shows an earlier one's.
    void Begin(std::string pupilName, std::uint8_t pupilGrade, std::string pupilGroup);
    // Loads the pupil's bank from the start directory and shuffles it; raises what the load
    // raises, and the test then has no questions and leaves no record.
    void ReadTest();
    // Score 0 and the first question.
    void Layout();

    bool Running() const { return m_running; }
    // The question on screen as its number in the bank; 0 before the first test.
    int CurrentQuestion() const;
    int AnswerCount() const;

    // Answer n (1..5) to the question on screen.
    Outcome Answer(int n);
    // One second of the countdown.
    Outcome Tick();
    // The pupil confirmed "Закончить тест?"; Ignored when the test has ended meanwhile.
    Outcome GiveUp();

    // The log record of the test; none when its bank did not load.
    std::optional<ResultRecord> Record() const;

private:
    Outcome End(Outcome ending);

    QuizState m_state;
    bool m_running = false;
    std::mt19937 m_generator;
};

// The information message that announces an ending; empty when there is none.
QString EndingMessage(TestRun::Outcome outcome);
