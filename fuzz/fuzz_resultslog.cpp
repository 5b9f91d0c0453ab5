// Appending a pupil's record to a log of any content: the old text is kept up to the end-of-text
// mark (a Ctrl+Z among its last 128 bytes) and the record follows it whole; the teacher's reader
// then reads the log without failing.
#include "fuzztarget.h"

#include "quiz/resultdetail.h"
#include "quiz/resultslog.h"
#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "teacher/resultsreader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

// The text an append keeps: everything before the first Ctrl+Z of the last 128 bytes.
std::string KeptText(const std::string &log)
{
    const std::size_t tailStart =
        log.size() > TextFile::BufferSize ? log.size() - TextFile::BufferSize : 0;
    const std::size_t mark = log.find(static_cast<char>(TextFile::EndOfText), tailStart);
    return mark == std::string::npos ? log : log.substr(0, mark);
}

std::string ReadWhole(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::filesystem::path &directory = FuzzScratchFolder("resultslog");
    const std::string log(reinterpret_cast<const char *>(data), size);
    {
        std::ofstream out(directory / "Results.txt", std::ios::binary | std::ios::trunc);
        out.write(log.data(), static_cast<std::streamsize>(log.size()));
    }
    ResultRecord record;
    record.PupilName = "\xC8\xE2\xE0\xED\xEE\xE2 \xC8\xE2\xE0\xED"; // "Иванов Иван" in CP1251
    // Built from characters: GCC 12 at -O3 wrongly warns about copying a short literal here.
    record.GradeText = std::string(1, '7');
    record.PupilGroup = std::string(1, '1');
    record.Score = static_cast<int>(size % 23);
    // The detail file would grow with every input: each run starts without one.
    std::filesystem::remove(DetailFileName((directory / "Results.txt").string()));
    const TestFacts facts{"Vop67.dat", ShortHash(log), 22, 600, 30, TestEnding::AllAnswered, {}};
    AppendResult("Results.txt", directory.string(), record, facts);
    Require(PendingIoCode() == 0);
    Require(ReadWhole(directory / "Results.txt") == KeptText(log) + ResultRecordBytes(record));

    try {
        const ResultsLog parsed = ReadResultsLog((directory / "Results.txt").string());
        Require(std::all_of(parsed.records.begin(), parsed.records.end(),
                            [](const LogRecord &entry) { return entry.line > 0; }));
    } catch (const EInOutError &) {
        std::abort();
    }
    return 0;
}
