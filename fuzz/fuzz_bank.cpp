// Arbitrary bytes as a question bank: the load either fails with an input/output error or a
// clear BankFormatError, or gives a bank within the capacities and a full asking order. It never
// stores beyond the tables and never loops at the end of the text. The teacher's check and
// editor, which read on to the end of the text, end too, with every line accounted for.
#include "fuzztarget.h"

#include "quiz/bankscan.h"
#include "quiz/questionbank.h"
#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "teacher/bankfindings.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

const std::string &ScratchPath()
{
    static const std::string &path =
        *new std::string((FuzzScratchFolder("bank") / "bank.dat").string());
    return path;
}

void RequireSoundBank(const QuestionBank &bank)
{
    Require(bank.QuestionCount >= 1 && bank.QuestionCount <= MaxQuestions);
    std::array<bool, MaxQuestions + 1> asked{};
    for (int position = 1; position <= bank.QuestionCount; ++position) {
        const int question = bank.QuestionOrder[position];
        Require(question >= 1 && question <= bank.QuestionCount && !asked[question]);
        asked[question] = true;
        Require(bank.AnswerCounts[question] >= 1 && bank.AnswerCounts[question] <= MaxAnswers);
        int correct = 0;
        for (int answer = 1; answer <= MaxAnswers; ++answer) {
            correct += IsCorrectAnswer(bank, question, answer) ? 1 : 0;
        }
        Require(correct <= 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    {
        std::ofstream out(ScratchPath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
    }
    static std::mt19937 generator(2000);
    QuestionBank bank;
    try {
        LoadBank(bank, ScratchPath(), generator);
        RequireSoundBank(bank);
    } catch (const EInOutError &error) {
        Require(error.Code() == 106);
    } catch (const BankFormatError &error) {
        Require(std::string(error.what()).find("Файл вопросов") == 0);
    }
    Require(PendingIoCode() == 0);
    for (const BankScanReach reach : {BankScanReach::WholeText, BankScanReach::EveryLine}) {
        const BankScan scan = ScanBankForTeacher(
            ScratchPath(), std::string(reinterpret_cast<const char *>(data), size), reach);
        Require(scan.questions.size() <= size + 1);
        Require(PendingIoCode() == 0);
    }
    return 0;
}
