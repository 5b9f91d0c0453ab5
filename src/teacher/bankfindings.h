#pragma once

#include "quiz/bankscan.h"

#include <string>

// The findings a teacher needs beyond the program's refusals: blank and stray lines, "#" with
// blanks around it, text saved in UTF-8, a key that names no answer or is too short. Added to the
// scan's findings after those found while reading.
void AddTeacherFindings(BankScan &scan);

// The bank's bytes read as far as `reach` says, with the teacher's findings added.
BankScan ScanBankForTeacher(const std::string &fileName, const std::string &bytes,
                            BankScanReach reach);
