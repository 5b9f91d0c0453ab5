#include "quiz/testrun.h"

#include "quiz/bankscan.h"
#include "runtime/cp1251.h"
#include "runtime/textfile.h"
#include "runtime/workingdirectory.h"

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

void TestRun::ReadTest(const std::string &directory)
{
    const std::string fileName = BankFileNames.at(m_state.PupilGrade);
    ReadTestBytes(fileName, ReadFileBytes(InDirectory(directory, fileName), BankByteLimit));
}

void TestRun::ReadTestBytes(const std::string &fileName, std::string bytes)
{
    m_bankFileName = fileName;
    m_bankHash = ShortHash(bytes);
    TakeBank(ScanBankBytes(fileName, std::move(bytes), BankScanReach::AsTheProgram), m_state.Bank);
    ShuffleQuestions(m_state.Bank, m_generator);
    m_state.BankLoaded = true;
}

void TestRun::Layout()
{
    m_state.Score = 0;
    m_state.CurrentPosition = 1;
    m_timeLimit = m_state.Bank.TimeLeft;
    m_ticks = 0;
    m_chosen.fill(0);
}

int TestRun::CurrentQuestion() const
{
    return m_state.Bank.QuestionOrder[m_state.CurrentPosition];
}

int TestRun::AnswerCount() const
{
    return m_state.Bank.AnswerCounts[static_cast<std::size_t>(CurrentQuestion())];
}

TestPage TestRun::Page() const
{
    const QuestionBank &bank = m_state.Bank;
    const auto q = static_cast<std::size_t>(CurrentQuestion());
    TestPage page{FromCp1251(bank.QuestionTexts[q]), {}, m_state.CurrentPosition};
    for (int n = 1; n <= AnswerCount(); ++n) {
        page.answers.append(FromCp1251(bank.AnswerTexts[q][static_cast<std::size_t>(n)]));
    }
    return page;
}

TestRun::Outcome TestRun::Answer(int n)
{
    if (!m_running || !m_state.BankLoaded) {
        return Outcome::Ignored;
    }
    m_chosen[m_state.CurrentPosition] = static_cast<std::uint8_t>(n);
    if (IsCorrectAnswer(m_state.Bank, CurrentQuestion(), n)) {
        ++m_state.Score;
    }
    if (m_state.CurrentPosition == m_state.Bank.QuestionCount) {
        return End(Outcome::Completed, TestEnding::AllAnswered);
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
    ++m_ticks;
    return m_state.Bank.TimeLeft <= 0 ? End(Outcome::TimedOut, TestEnding::TimeOut)
                                      : Outcome::GoesOn;
}

TestRun::Outcome TestRun::GiveUp(TestEnding how)
{
    return m_running ? End(Outcome::GivenUp, how) : Outcome::Ignored;
}

TestRun::Outcome TestRun::End(Outcome ending, TestEnding how)
{
    m_running = false;
    m_ending = how;
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

std::optional<TestFacts> TestRun::Facts() const
{
    if (!m_state.BankLoaded) {
        return std::nullopt;
    }
    TestFacts facts{m_bankFileName, m_bankHash, m_state.Bank.QuestionCount, m_timeLimit, m_ticks,
                    m_ending,       {}};
    for (int position = 1; position <= m_state.Bank.QuestionCount; ++position) {
        facts.shown.push_back({m_state.Bank.QuestionOrder[static_cast<std::size_t>(position)],
                               m_chosen[static_cast<std::size_t>(position)]});
    }
    return facts;
}

void TestRun::AppendRecord(const std::string &logPath, const std::string &directory) const
{
    if (const std::optional<ResultRecord> record = Record()) {
        AppendResult(logPath, directory, *record, *Facts());
    }
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
