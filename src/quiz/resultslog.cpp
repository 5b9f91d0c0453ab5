#include "quiz/resultslog.h"

#include "quiz/resultdetail.h"
#include "runtime/cp1251.h"
#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "runtime/workingdirectory.h"

#include <QFile>
#include <QSysInfo>

#include <cerrno>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int SharingViolation = 32;
constexpr int NameTooLong = 206; // ERROR_FILENAME_EXCED_RANGE

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

// A file descriptor closed with its owner; closing it also releases its lock.
class Handle {
public:
    Handle() = default;
    ~Handle() { Close(); }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;

    // Opens the file for writing, created when asked, and waits for its exclusive lock, which
    // only another append holds, and only for the moment of writing. False with errno set.
    bool OpenLocked(const std::string &path, bool create)
    {
        Close();
        do {
            m_fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
        } while (m_fd < 0 && errno == EINTR);
        if (m_fd < 0) {
            return false;
        }
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        int result = 0;
        do {
            result = ::fcntl(m_fd, F_OFD_SETLKW, &lock);
        } while (result != 0 && errno == EINTR);
        struct stat status {};
        if (result != 0 || ::fstat(m_fd, &status) != 0) {
            const int error = errno;
            Close();
            errno = error;
            return false;
        }
        m_size = status.st_size;
        return true;
    }

    bool IsOpen() const { return m_fd >= 0; }
    off_t Size() const { return m_size; }

    std::string ReadAll() const
    {
        std::string bytes(static_cast<std::size_t>(m_size), '\0');
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t count =
                ::pread(m_fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                break;
            }
            done += static_cast<std::size_t>(count);
        }
        bytes.resize(done);
        return bytes;
    }

    // Writes the bytes at the end whole, or cuts the file back to its length before and gives
    // false with errno set.
    bool AppendWhole(std::string_view bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t count = ::pwrite(m_fd, bytes.data() + done, bytes.size() - done,
                                           m_size + static_cast<off_t>(done));
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                const int error = count < 0 ? errno : ENOSPC;
                CutBack();
                errno = error;
                return false;
            }
            done += static_cast<std::size_t>(count);
        }
        return true;
    }

    // Takes back what AppendWhole wrote.
    void CutBack() { [[maybe_unused]] const int result = ::ftruncate(m_fd, m_size); }

    // Empties the file and writes the bytes in its place.
    void Replace(std::string_view bytes)
    {
        m_size = 0;
        if (::ftruncate(m_fd, 0) == 0) {
            AppendWhole(bytes);
        }
    }

private:
    void Close()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = -1;
    }

    int m_fd = -1;
    off_t m_size = 0;
};

std::string QueuePath(const std::string &startDirectory)
{
    return InDirectory(startDirectory, QueueFileName);
}

// The queue's lines: those that read as details, and those that do not, which are kept.
struct QueueContents {
    std::vector<ResultDetail> details;
    std::string unreadable;
};

QueueContents ReadQueue(const std::string &bytes)
{
    QueueContents contents;
    const std::string header = ResultDetailHeader();
    std::size_t start = bytes.compare(0, header.size(), header) == 0 ? header.size() : 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        end = end == std::string::npos ? bytes.size() : end + 1;
        const std::string_view line(bytes.data() + start, end - start);
        if (std::optional<ResultDetail> detail =
                ParseResultDetail(line.substr(0, line.find('\n')))) {
            contents.details.push_back(std::move(*detail));
        } else if (!line.empty() && line != "\n") {
            contents.unreadable += line;
        }
        start = end;
    }
    return contents;
}

// Adds the detail to the queue (already open and locked, or opened here). When even that fails
// nothing more can be done: the append's own error is what the pupil sees.
void Enqueue(Handle &queue, const std::string &startDirectory, const ResultDetail &detail)
{
    if (!queue.IsOpen() && !queue.OpenLocked(QueuePath(startDirectory), true)) {
        return;
    }
    const std::string line = ResultDetailLine(detail);
    queue.AppendWhole(queue.Size() == 0 ? ResultDetailHeader() + line : line);
}

ResultDetail DetailOf(const ResultRecord &record, const TestFacts &facts)
{
    const DetailSources &sources = ResultDetailSources();
    const QDateTime now = sources.now();
    ResultDetail detail;
    detail.time = now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate).toStdString();
    detail.computer = sources.computerName();
    detail.record = record;
    detail.facts = facts;
    detail.recordHash = ShortHash(ResultRecordBytes(record));
    return detail;
}

// The append of the queued records and the current one (none for a flush). See AppendResult.
void AppendDetails(const std::string &logPath, const std::string &startDirectory,
                   const std::optional<ResultDetail> &current, const AppendRetry &retry)
{
    Handle queue;
    try {
        const std::string path = ResultsLogFileName(logPath, startDirectory);
        TextFile log(path);
        OpenWaitingForOtherWriters(log, retry);
        // The companion's lock is taken under the log's and kept until the log is back as it
        // was: the next writer waits for it before writing anything.
        Handle details;
        if (!details.OpenLocked(DetailFileName(path), true)) {
            throw EInOutError(IoCodeFromErrno(errno));
        }
        QueueContents queued;
        if (queue.OpenLocked(QueuePath(startDirectory), false)) {
            queued = ReadQueue(queue.ReadAll());
        }
        std::vector<ResultDetail> appended = std::move(queued.details);
        if (current) {
            appended.push_back(*current);
        }
        if (appended.empty()) {
            return;
        }
        std::string records;
        std::string lines = details.Size() == 0 ? ResultDetailHeader() : std::string();
        for (const ResultDetail &detail : appended) {
            records += ResultRecordBytes(detail.record);
            lines += ResultDetailLine(detail);
        }

        struct stat before {};
        const bool knowsLength = ::stat(path.c_str(), &before) == 0;
        log.WriteText(records);
        int detailsError = 0;
        if (PendingIoCode() == 0 && !details.AppendWhole(lines)) {
            detailsError = IoCodeFromErrno(errno);
        }
        log.CloseFile();
        const int code = PendingIoCode() != 0 ? PendingIoCode() : detailsError;
        if (code != 0) {
            // Never leave half a record behind: the log and its companion go back to what they
            // held before.
            DiscardPendingIoCode();
            if (knowsLength) {
                [[maybe_unused]] const int result = ::truncate(path.c_str(), before.st_size);
            }
            details.CutBack();
            throw EInOutError(code);
        }
        if (queue.IsOpen()) {
            queue.Replace(queued.unreadable.empty() ? std::string()
                                                    : ResultDetailHeader() + queued.unreadable);
        }
    } catch (const EInOutError &) {
        if (current) {
            Enqueue(queue, startDirectory, *current);
        }
        throw;
    }
}

} // namespace

DetailSources &ResultDetailSources()
{
    static DetailSources sources{[] { return QDateTime::currentDateTime(); },
                                 [] {
                                     return QSysInfo::machineHostName().toStdString();
                                 }};
    return sources;
}

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

std::string ResultsLogFileName(const std::string &logPath, const std::string &startDirectory)
{
    const std::string path = FileSystemPathIn(startDirectory, logPath);
    if (path.size() > TextFile::MaxNameLength) {
        throw EInOutError(NameTooLong);
    }
    return path;
}

void AppendResult(const std::string &logPath, const std::string &startDirectory,
                  const ResultRecord &record, const TestFacts &facts, const AppendRetry &retry)
{
    AppendDetails(logPath, startDirectory, DetailOf(record, facts), retry);
}

void FlushQueuedResults(const std::string &logPath, const std::string &startDirectory,
                        const AppendRetry &retry)
{
    struct stat queue {};
    if (::stat(QueuePath(startDirectory).c_str(), &queue) != 0 || queue.st_size == 0) {
        return;
    }
    AppendDetails(logPath, startDirectory, std::nullopt, retry);
}

std::vector<ResultDetail> QueuedResults(const std::string &startDirectory)
{
    // Read without a lock, by the teacher too, who may not write the start directory: every
    // line is written whole, so a read in the middle of an append sees the line or not.
    QFile queue(QFile::decodeName(QByteArray::fromStdString(QueuePath(startDirectory))));
    if (!queue.open(QIODevice::ReadOnly)) {
        return {};
    }
    return ReadQueue(queue.readAll().toStdString()).details;
}

void CreateResultsLog(const std::string &path)
{
    if (path.size() > TextFile::MaxNameLength) {
        throw EInOutError(NameTooLong);
    }
    TextFile log(path);
    log.OpenForRewriting();
    CheckIo();
    log.EndLine();
    CheckIo();
    log.CloseFile();
    CheckIo();
}
