#pragma once

#include "quiz/questionbank.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

// Something wrong at a line of a bank or of its source, told to the teacher in Russian. A fatal
// one would make the program refuse the bank, even with every fault before it mended.
struct BankFinding {
    int line = 0;
    QString message;
    bool fatal = false;
};

// One line as TextFile reads it: its number (a line ends at CR) and its bytes.
struct BankLine {
    int number = 0;
    std::string text;
};

// A question as the program takes it: its line, the line after it as the first answer whatever
// that holds, then answers up to a line that is exactly "#".
struct ScannedQuestion {
    BankLine text;
    std::vector<BankLine> answers;
    bool closed = false;
};

enum class BankScanReach {
    // As far as the program reads: up to the first fatal finding or the last counted question.
    AsTheProgram,
    // On to the end of the text, with every finding; lines the program never reads included.
    WholeText,
    // As WholeText, but an LF alone ends a line too, so that a bank saved with Unix line ends
    // opens in the editor. Its findings are not the program's.
    EveryLine,
};

// A bank file as far as it could be read, with what is wrong with it.
struct BankScan {
    std::int32_t count = 0;
    std::int32_t timeLimit = 0;
    bool keyRead = false;
    BankLine key;
    std::vector<ScannedQuestion> questions;
    // In the order found.
    std::vector<BankFinding> findings;
    // The program's refusal, from the first fatal finding: the input/output code it raises, or
    // else its message (UTF-8) naming the file. Neither for a bank it loads.
    int refusalCode = 0;
    std::string refusal;
};

// A bank is read whole before it is scanned; a file longer than this is read as far as this.
inline constexpr std::size_t BankByteLimit = 16 * 1024 * 1024;

// Reads the bank with TextFile's own statements, so lines and texts are what the program sees.
// Raises EInOutError when the file cannot be opened or read; a header that is no number is a
// finding.
BankScan ScanBank(const std::string &fileName, BankScanReach reach);
// The same over the file's bytes, already read; fileName only names the bank in messages.
BankScan ScanBankBytes(const std::string &fileName, std::string bytes, BankScanReach reach);

// Findings that both the reading and the teacher's checks make.
QString MoreThanFiveAnswersMessage(int number, int questionLine);
QString EndedInQuestionMessage(int number, int questionLine);

// Stores what the scan read into the bank as the program's load stores it, then raises the
// refusal, if any: EInOutError or BankFormatError.
void TakeBank(const BankScan &scan, QuestionBank &bank);
