#pragma once

#include "teacher/banksource.h"

#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

// Everything in a bank file that would stop the program loading it, make it ask something other
// than what was meant, or score a question unfairly, in line order; none for a sound bank. Line
// numbers are the program's (a line ends at CR). Raises EInOutError when the file cannot be opened
// or read.
std::vector<BankFinding> CheckBankFile(const std::string &fileName);

// The problems of a bank source, given the bytes of its file, in line order; none when it builds.
std::vector<BankFinding> CheckBankSource(const QByteArray &bytes);

// A bank file written back as a source to edit and rebuild.
struct BankListing {
    QString source;
    // Why building the source would not give back the file's bytes; empty when it would.
    std::vector<BankFinding> notes;
};

// The bank as the program loads it, written as a source. Raises EInOutError and BankFormatError
// as LoadBank does.
BankListing ListBank(const std::string &fileName);
