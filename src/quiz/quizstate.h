#pragma once

#include "quiz/questionbank.h"

#include <cstdint>
#include <string>

// The quiz state of the main window: the registration data of the pupil taking (or last taking) a
// test, the loaded bank and the course of the test. Texts are CP1251 bytes, as files hold them.
struct QuizState {
    std::string StartDirectory;
    std::string PupilName;
    std::uint8_t PupilGrade = 0;
    std::string PupilGroup;
    std::int32_t RegistrationLeft = 0;
    std::int32_t RegistrationTop = 0;

    QuestionBank Bank;
    std::uint8_t CurrentPosition = 0;
    std::uint8_t Score = 0;
    // The bank of the running test was loaded; a test whose load failed leaves no record.
    bool BankLoaded = false;
};
