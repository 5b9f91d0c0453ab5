#include "quiz/testrun.h"

#include <utility>

bool IsCountingButton(Qt::MouseButton button, bool bothMouseButtons)
{
    return button == Qt::LeftButton || (button == Qt::RightButton && bothMouseButtons);
}

void TestRun::Begin(std::string pupilName, std::uint8_t pupilGrade, std::string pupilGroup)
{
    m_state.PupilName = std::move(pupilName);
    m_state.PupilGrade = pupilGrade;
    m_state.PupilGroup = std::move(pupilGroup);
    m_state.Score = 0;
    m_state.BankLoaded = false;
    m_running = true;
}

void TestRun::ReadTest()
{
    ::ReadTest(m_state.Bank, m_state.PupilGrade, m_state.StartDirectory, m_generator);
    m_state.BankLoaded = true;
}

void TestRun::Layout()
{
    m_state.Score = 0;
    m_state.CurrentPosition = 1;
}

int TestRun::CurrentQuestion() const
{
    return m_state.Bank.QuestionOrder[m_state.CurrentPosition];
}

int TestRun::AnswerCount() const
{
    return m_state.Bank.AnswerCounts[static_cast<std::size_t>(CurrentQuestion())];
}

TestRun::Outcome TestRun::Answer(int n)
{
    if (!m_running || !m_state.BankLoaded) {
        return Outcome::Ignored;
    }
    if (IsCorrectAnswer(m_state.Bank, CurrentQuestion(), n)) {
        ++m_state.Score;
    }
    if (m_state.CurrentPosition == m_state.Bank.QuestionCount) {
        return End(Outcome::Completed);
    }
    ++m_state.CurrentPosition;
    return Outcome::GoesOn;
}

TestRun::Outcome TestRun::Tick()
{
    if (!m_running || !m_state.BankLoaded) {
        return Outcome::Ignored;
    }
    --m_state.Bank.TimeLeft;
    return m_state.Bank.TimeLeft <= 0 ? End(Outcome::TimedOut) : Outcome::GoesOn;
}

TestRun::Outcome TestRun::GiveUp()
{
    return m_running ? End(Outcome::GivenUp) : Outcome::Ignored;
}

TestRun::Outcome TestRun::End(Outcome ending)
{
    m_running = false;
    return ending;
}

std::optional<ResultRecord> TestRun::Record() const
{
    if (!m_state.BankLoaded) {
        return std::nullopt;
    }
    return ResultRecord{m_state.PupilName, GradeTexts[m_state.PupilGrade], m_state.PupilGroup,
                        m_state.Score};
}

QString EndingMessage(TestRun::Outcome outcome)
{
    switch (outcome) {
    case TestRun::Outcome::Completed:
        return QStringLiteral("Тест завершен");
    case TestRun::Outcome::TimedOut:
        return QStringLiteral("Тест окончен!");
    default:
        return {};
    }
}
