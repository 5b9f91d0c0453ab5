#include "quiz/resultslog.h"

#include "runtime/cp1251.h"
#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "runtime/workingdirectory.h"

#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int SharingViolation = 32;

// Opens the log for appending, waiting while another writer holds it.
void OpenWaitingForOtherWriters(TextFile &log, const AppendRetry &retry)
{
    for (int attempt = 1;; ++attempt) {
        log.OpenForAppending();
        if (PendingIoCode() != SharingViolation || attempt >= retry.attempts) {
            CheckIo();
            return;
        }
        DiscardPendingIoCode();
        std::this_thread::sleep_for(retry.pause);
    }
}

} // namespace

std::string ResultRecordBytes(const ResultRecord &record)
{
    // "Класс: ", "ЮГП: " and "Результат: " in code page 1251.
    static const std::string GradeCaption = "\xCA\xEB\xE0\xF1\xF1: ";
    static const std::string GroupCaption = "\xDE\xC3\xCF: ";
    static const std::string ScoreCaption = "\xD0\xE5\xE7\xF3\xEB\xFC\xF2\xE0\xF2: ";
    const std::string lineEnd = "\r\n";
    return lineEnd + record.PupilName + lineEnd + GradeCaption + record.GradeText + lineEnd +
           GroupCaption + record.PupilGroup + lineEnd + ScoreCaption +
           std::to_string(record.Score) + lineEnd;
}

void AppendResult(const std::string &logPath, const std::string &startDirectory,
                  const ResultRecord &record, const AppendRetry &retry)
{
    SetCurrentDirectory(startDirectory);
    const std::string path = FileSystemPath(logPath, EntryExists);
    TextFile log(path);
    OpenWaitingForOtherWriters(log, retry);

    struct stat before {};
    const bool knowsLength = ::stat(path.c_str(), &before) == 0;
    log.WriteText(ResultRecordBytes(record));
    log.CloseFile();
    if (PendingIoCode() != 0 && knowsLength) {
        // Never leave half a record behind: the log goes back to what it held before.
        [[maybe_unused]] const int result = ::truncate(path.c_str(), before.st_size);
    }
    CheckIo();
}

void CreateResultsLog(const std::string &path)
{
    TextFile log(path);
    log.OpenForRewriting();
    CheckIo();
    log.EndLine();
    CheckIo();
    log.CloseFile();
    CheckIo();
}
