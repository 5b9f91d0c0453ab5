#pragma once

#include <string>
#include <string_view>
#include <vector>

// How a test ended, as its detail record names it.
enum class TestEnding {
    AllAnswered,   // the last question was answered
    FinishedEarly, // the pupil confirmed "Закончить тест?" from the finish button
    TimeOut,       // the countdown reached zero
    WindowClosed,  // the pupil closed the window during the test and confirmed
};

// One question of a test in its asking order: its number in the bank (1-based, the file's
// order) and the answer chosen, 0 when the test ended before it was answered.
struct ShownQuestion {
    int bankNumber = 0;
    int chosenAnswer = 0;
};

// What the test engine knows of a finished test beyond the five lines of its record.
struct TestFacts {
    std::string bankFileName; // the grade's bank as named in the start directory: "Vop67.dat"
    std::string bankHash;     // ShortHash of the bank's bytes as the test read them
    int questionCount = 0;
    int timeLimitSeconds = 0;
    int timeUsedSeconds = 0;
    TestEnding ending = TestEnding::AllAnswered;
    // Every question of the test in asking order, answered or not.
    std::vector<ShownQuestion> shown;
};

// The first 12 hexadecimal digits of the bytes' SHA-256: enough to tell two versions of a bank
// or of a record apart, short enough for a table.
std::string ShortHash(std::string_view bytes);
