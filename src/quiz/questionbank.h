#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>

inline constexpr int MaxQuestions = 50;
inline constexpr int MaxAnswers = 5;

// The loaded question bank, one instance in the quiz state, overwritten by each load. The tables
// are numbered from 1 as questions and answers are counted; entry 0 is never used. Texts are the
// file's CP1251 bytes.
struct QuestionBank {
    std::uint8_t QuestionCount = 0;
    std::int32_t TimeLeft = 0;
    std::string AnswerKey;
    std::array<std::string, MaxQuestions + 1> QuestionTexts;
    std::array<std::array<std::string, MaxAnswers + 1>, MaxQuestions + 1> AnswerTexts;
    std::array<std::uint8_t, MaxQuestions + 1> AnswerCounts{};
    // Position p (1..QuestionCount) names the question asked p-th.
    std::array<std::uint8_t, MaxQuestions + 1> QuestionOrder{};
};

// The bank file of each grade, indexed by PupilGrade (0 = grade 5 … 6 = grade 11).
inline constexpr std::array<const char *, 7> BankFileNames = {
    "Vop5.dat", "Vop67.dat", "Vop67.dat", "Vop89.dat", "Vop89.dat", "Vop1011.dat", "Vop1011.dat",
};

// A bank that lies outside what the program can ask: its message (UTF-8, Russian) names the file,
// the line and what is wrong, for the teacher who wrote it.
class BankFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Loads the bank file into bank and shuffles its asking order with the generator. Raises
// EInOutError when the file cannot be opened or read (the bank stays as it was), and EInOutError
// 106 or BankFormatError for a bank the program cannot ask (the bank then holds what was read
// before the fault).
void LoadBank(QuestionBank &bank, const std::string &fileName, std::mt19937 &generator);

// Positions 1..QuestionCount get a uniformly random order of the questions: each position draws
// numbers until one comes that has not been drawn yet.
void ShuffleQuestions(QuestionBank &bank, std::mt19937 &generator);

// The key rule: key byte i holds 100 + i + the correct answer's number. A question beyond the key
// has no correct answer.
bool IsCorrectAnswer(const QuestionBank &bank, int question, int answer);
