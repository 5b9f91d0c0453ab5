#include "workbench/resultsdocument.h"

#include "runtime/ioerror.h"
#include "runtime/textfile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <iterator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int FingerprintBytes = 64;
constexpr int AccessDenied = 5;

// The lines of the text as the log reader numbers them: CR, CR LF and LF alone end a line.
struct Lines {
    // Views into the bytes split, so that a log of a school's years is not copied line by line.
    std::vector<std::string_view> texts;
    // The byte after each line's end.
    std::vector<qsizetype> ends;
    // Whether the line's end is known: a CR that is the last byte may still get its LF.
    std::vector<bool> complete;
};

Lines SplitLines(const QByteArray &bytes)
{
    Lines lines;
    const char *const text = bytes.constData();
    const qsizetype size = bytes.size();
    // A record's line is some eleven characters long on average; room for shorter ones, so
    // that the lines are not moved again.
    const auto expected = std::size_t(size / 8 + 1);
    lines.texts.reserve(expected);
    lines.ends.reserve(expected);
    lines.complete.reserve(expected);
    qsizetype start = 0;
    const auto add = [&](qsizetype end, qsizetype next, bool complete) {
        lines.texts.emplace_back(text + start, std::size_t(end - start));
        lines.ends.push_back(next);
        lines.complete.push_back(complete);
        start = next;
    };
    for (qsizetype i = 0; i < size; ++i) {
        if (text[i] == '\n') {
            add(i, i + 1, true);
        } else if (text[i] == '\r') {
            const bool last = i + 1 == size;
            const bool crLf = !last && text[i + 1] == '\n';
            add(i, crLf ? i + 2 : i + 1, !last);
            i += crLf ? 1 : 0;
        }
    }
    if (start < size) {
        add(size, size, false);
    }
    return lines;
}

bool SameRecord(const LogRecord &a, const LogRecord &b)
{
    return a.line == b.line && a.score == b.score && a.name == b.name && a.grade == b.grade &&
           a.group == b.group;
}

class FileCloser {
public:
    explicit FileCloser(int fd) : m_fd(fd) {}
    ~FileCloser() { ::close(m_fd); }
    FileCloser(const FileCloser &) = delete;
    FileCloser &operator=(const FileCloser &) = delete;

private:
    int m_fd;
};

ssize_t ReadAt(int fd, char *buffer, std::size_t size, std::int64_t offset)
{
    ssize_t got = 0;
    do {
        got = ::pread(fd, buffer, size, offset);
    } while (got < 0 && errno == EINTR);
    return got;
}

// A log is text: its first bytes hold no control characters but line ends, tabs and the
// end-of-text mark. A picture (JPEG, PNG, BMP …) has them among its first bytes, before any
// end-of-text mark would stop the reading.
bool LooksBinary(const QByteArray &start)
{
    const QByteArray head = start.left(512);
    return std::any_of(head.begin(), head.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 32 && byte != '\r' && byte != '\n' && byte != '\t' &&
               byte != TextFile::EndOfText;
    });
}

} // namespace

LogUpdate ResultsDocument::Poll()
{
    const QByteArray name = QFile::encodeName(m_path);
    struct stat info {};
    if (::stat(name.constData(), &info) != 0) {
        const int code = IoCodeFromErrno(errno);
        return SetProblem(errno == ENOENT || errno == ENOTDIR ? State::Missing : State::Unreadable,
                          IoErrorMessage(code));
    }
    const auto identityOf = [](const struct stat &file) {
        return Identity{static_cast<std::uint64_t>(file.st_dev),
                        static_cast<std::uint64_t>(file.st_ino), file.st_size,
                        file.st_mtim.tv_sec * 1000000000LL + file.st_mtim.tv_nsec};
    };
    if (m_known && m_state != State::Missing && identityOf(info) == m_identity) {
        return {false, m_records.size(), false};
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return SetProblem(State::Unreadable, IoErrorMessage(IoCodeFromErrno(errno)));
    }
    const FileCloser closer(fd);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return SetProblem(State::Unreadable, IoErrorMessage(AccessDenied));
    }
    const Identity identity = identityOf(info);

    LogUpdate update;
    update.changed = true;
    // Appends only ever make the log longer: the same length with a new time is a rewrite.
    const bool rewritten = identity.size == m_identity.size && m_state == State::Reading;
    if (m_known && (identity.device != m_identity.device || identity.inode != m_identity.inode ||
                    identity.size < m_settledBytes || rewritten || !FingerprintHolds(fd))) {
        StartOver();
        update.restarted = true;
    }
    const std::size_t keptBefore = m_settledRecords;
    const std::vector<LogRecord> oldTail(m_records.begin() + static_cast<qsizetype>(keptBefore),
                                         m_records.end());
    m_records.resize(m_settledRecords);
    m_notes.resize(m_settledNotes);
    m_known = true;
    m_identity = identity;
    if (!ReadOn(fd)) {
        // Read again at the next look, whatever the file says then.
        m_identity.size = -1;
    }
    const auto firstNew = std::mismatch(oldTail.begin(), oldTail.end(),
                                        m_records.begin() + static_cast<qsizetype>(keptBefore),
                                        m_records.end(), SameRecord);
    update.keptRecords = keptBefore + static_cast<std::size_t>(firstNew.first - oldTail.begin());
    return update;
}

LogUpdate ResultsDocument::SetProblem(State state, const QString &problem)
{
    const QString text =
        state == State::Missing
            ? QStringLiteral("Журнала «%1» нет (%2). Таблица оставлена как была; журнал будет "
                             "прочитан, когда появится.")
                  .arg(m_path, problem)
            : QStringLiteral("Журнал «%1» не читается (%2). Таблица оставлена как была.")
                  .arg(m_path, problem);
    LogUpdate update;
    update.keptRecords = m_records.size();
    update.changed = m_state != state || m_problem != text;
    m_state = state;
    m_problem = text;
    return update;
}

void ResultsDocument::StartOver()
{
    m_records.clear();
    m_notes.clear();
    m_settledRecords = 0;
    m_settledNotes = 0;
    m_settledBytes = 0;
    m_settledLines = 0;
    m_fingerprint.clear();
}

bool ResultsDocument::ReadOn(int fd)
{
    m_unsettled.clear();
    std::int64_t offset = m_settledBytes;
    ResultsLog tentative;
    bool firstPiece = true;
    for (;;) {
        QByteArray chunk(ChunkBytes, Qt::Uninitialized);
        const ssize_t got =
            ReadAt(fd, chunk.data(), static_cast<std::size_t>(chunk.size()), offset);
        if (got < 0) {
            SetProblem(State::Unreadable, IoErrorMessage(IoCodeFromErrno(errno)));
            return false;
        }
        chunk.truncate(got);
        if (offset == 0 && LooksBinary(chunk)) {
            m_state = State::Unreadable;
            m_problem = QStringLiteral("Файл «%1» не текст: похоже, это не журнал результатов. "
                                       "Чтение остановлено.")
                            .arg(m_path);
            return true;
        }
        offset += got;
        // The end-of-text mark ends the readable text, as for the quiz's own reading.
        const qsizetype mark = chunk.indexOf(char(TextFile::EndOfText));
        if (mark >= 0) {
            chunk.truncate(mark);
        }
        m_unsettled += chunk;
        const std::size_t recordsBefore = m_records.size();
        const std::int64_t bytesBefore = m_settledBytes;
        tentative = ParseUnsettled();
        // The first piece tells how long a record is: room for the rest at once rather than
        // moving them all again each time the table outgrows its room.
        if (firstPiece && m_settledBytes > bytesBefore && m_identity.size > m_settledBytes) {
            const auto rest = std::size_t(m_identity.size - m_settledBytes);
            const std::size_t expected =
                m_records.size() + (m_records.size() - recordsBefore) * rest /
                                       std::size_t(m_settledBytes - bytesBefore);
            m_records.reserve(expected + expected / 16);
        }
        firstPiece = false;
        if (m_unsettled.size() > MaxUnsettledBytes) {
            m_state = State::Unreadable;
            m_problem = QStringLiteral("В журнале «%1» больше 1 МиБ текста без единой целой "
                                       "записи: похоже, это не журнал результатов. Чтение "
                                       "остановлено.")
                            .arg(m_path);
            return true;
        }
        if (got == 0 || mark >= 0) {
            break;
        }
    }
    m_records.insert(m_records.end(), std::make_move_iterator(tentative.records.begin()),
                     std::make_move_iterator(tentative.records.end()));
    m_notes.insert(m_notes.end(), tentative.notes.begin(), tentative.notes.end());
    m_state = State::Reading;
    m_problem.clear();
    return true;
}

ResultsLog ResultsDocument::ParseUnsettled()
{
    const Lines lines = SplitLines(m_unsettled);
    const int firstLine = m_settledLines + 1;
    ResultsLog log = ParseResultsLines(lines.texts, firstLine);
    const auto settled = static_cast<std::size_t>(log.settledLines);
    // A whole record whose score line has not ended yet stays unsettled: its digits may go on.
    if (settled == 0 || !lines.complete[settled - 1]) {
        return log;
    }
    const int boundary = firstLine + log.settledLines;
    const auto recordsEnd =
        std::find_if(log.records.begin(), log.records.end(),
                     [boundary](const LogRecord &record) { return record.line >= boundary; });
    const auto notesEnd =
        std::find_if(log.notes.begin(), log.notes.end(),
                     [boundary](const LogNote &note) { return note.line >= boundary; });
    m_records.insert(m_records.end(), std::make_move_iterator(log.records.begin()),
                     std::make_move_iterator(recordsEnd));
    m_notes.insert(m_notes.end(), log.notes.begin(), notesEnd);
    m_settledRecords = m_records.size();
    m_settledNotes = m_notes.size();
    log.records.erase(log.records.begin(), recordsEnd);
    log.notes.erase(log.notes.begin(), notesEnd);

    const qsizetype bytes = lines.ends[settled - 1];
    // Only the settled text's last bytes are kept: a piece is far longer than them.
    const qsizetype tail = std::min<qsizetype>(bytes, FingerprintBytes);
    m_fingerprint =
        (m_fingerprint + m_unsettled.sliced(bytes - tail, tail)).right(FingerprintBytes);
    m_unsettled.remove(0, bytes);
    m_settledBytes += bytes;
    m_settledLines += log.settledLines;
    return log;
}

bool ResultsDocument::FingerprintHolds(int fd) const
{
    QByteArray bytes(m_fingerprint.size(), Qt::Uninitialized);
    return ReadAt(fd, bytes.data(), static_cast<std::size_t>(bytes.size()),
                  m_settledBytes - m_fingerprint.size()) == bytes.size() &&
           bytes == m_fingerprint;
}
