#pragma once

#include "quiz/quizstate.h"
#include "quiz/resultslog.h"
#include "quiz/testfacts.h"

#include <QString>
#include <QStringList>
#include <Qt>

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

// The grade list's items, indexed by PupilGrade; the record names the grade by these texts.
inline constexpr std::array<const char *, 7> GradeTexts = {"5", "6", "7", "8", "9", "10", "11"};

// The left button answers; the right one too when the settings allow it; the middle one never.
bool IsCountingButton(Qt::MouseButton button, bool bothMouseButtons);

// What the test screen shows of the question on screen.
struct TestPage {
    QString question;
    // As many as the question has, at most five, in answer order.
    QStringList answers;
    // Its place in the asking order, counted from 1.
    int position = 0;
};

// The course of one test at a time, without a window: the window shows what each step returns
// and forwards clicks and ticks. A test runs from Begin until its one ending; every step after
// that is ignored, so no way of ending can end a test twice.
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
    // Loads the pupil's bank, the grade's file in `directory` (empty: its bare name, in the
    // current directory), and shuffles it. Raises EInOutError when the file cannot be read (the
    // bank stays as it was) and EInOutError 106 or BankFormatError for a bank that cannot be
    // asked; the test then has no questions and leaves no record.
    void ReadTest(const std::string &directory);
    // The same for a bank already in memory; fileName names it in messages and in the record.
    void ReadTestBytes(const std::string &fileName, std::string bytes);
    // Score 0 and the first question.
    void Layout();

    bool Running() const { return m_running; }
    // The question on screen as its number in the bank; 0 before the first test.
    int CurrentQuestion() const;
    int AnswerCount() const;
    TestPage Page() const;
    std::int32_t TimeLeft() const { return m_state.Bank.TimeLeft; }

    // Answer n (1..5) to the question on screen.
    Outcome Answer(int n);
    // One second of the countdown.
    Outcome Tick();
    // The pupil confirmed "Закончить тест?" (from the finish button or by closing the window);
    // Ignored when the test has ended meanwhile.
    Outcome GiveUp(TestEnding how = TestEnding::FinishedEarly);

    // The log record of the ended test and what else is known of it; none when its bank did not
    // load.
    std::optional<ResultRecord> Record() const;
    std::optional<TestFacts> Facts() const;
    // Appends the record to the log at logPath and its detail beside it, a relative path taken
    // from `directory` as ReadTest takes it; a record the log cannot take waits in the queue of
    // `directory`. Raises EInOutError as the append does; nothing for a test without a record.
    void AppendRecord(const std::string &logPath, const std::string &directory) const;

private:
    Outcome End(Outcome ending, TestEnding how);

    QuizState m_state;
    bool m_running = false;
    std::mt19937 m_generator;
    // Of the bank the test was loaded from.
    std::string m_bankFileName;
    std::string m_bankHash;
    std::int32_t m_timeLimit = 0;
    int m_ticks = 0;
    // The answer chosen at each position, 0 while none is.
    std::array<std::uint8_t, MaxQuestions + 1> m_chosen{};
    TestEnding m_ending = TestEnding::AllAnswered;
};

// The information message that announces an ending; empty when there is none.
QString EndingMessage(TestRun::Outcome outcome);
