#include "quiz/questionbank.h"

#include "quiz/bankscan.h"

void ShuffleQuestions(QuestionBank &bank, std::mt19937 &generator)
{
    std::array<bool, MaxQuestions + 1> drawn{};
    std::uniform_int_distribution<int> draw(0, bank.QuestionCount - 1);
    for (int position = 1; position <= bank.QuestionCount; ++position) {
        int number = 0;
        do {
            number = 1 + draw(generator);
        } while (drawn[number]);
        drawn[number] = true;
        bank.QuestionOrder[position] = static_cast<std::uint8_t>(number);
    }
}

void LoadBank(QuestionBank &bank, const std::string &fileName, std::mt19937 &generator)
{
    TakeBank(ScanBank(fileName, BankScanReach::AsTheProgram), bank);
    ShuffleQuestions(bank, generator);
}

bool IsCorrectAnswer(const QuestionBank &bank, int question, int answer)
{
    if (question < 1 || static_cast<std::size_t>(question) > bank.AnswerKey.size() || answer < 1 ||
        answer > MaxAnswers) {
        return false;
    }
    // The raw byte, 0..255: keys of late questions hold bytes above 127.
    const int value = static_cast<unsigned char>(bank.AnswerKey[question - 1]);
    return value - 100 - question == answer;
}
