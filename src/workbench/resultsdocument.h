#pragma once

#include "teacher/resultsreader.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

// What one look at the log changed.
struct LogUpdate {
    // The log was replaced or cut short: everything was read anew.
    bool restarted = false;
    // Records before this index are as they were (when not restarted).
    std::size_t keptRecords = 0;
    // Records, findings or the state differ from before.
    bool changed = false;
};

// A results log that is read as it grows, while a class takes its tests. Each Poll reads only
// what was added since the last whole record, so a long log costs nothing between appends. A log
// replaced by another file, cut shorter or rewritten in place is read again from its start; a log
// that is missing or unreadable for a while keeps what was read and says why.
class ResultsDocument {
public:
    enum class State { Reading, Missing, Unreadable };

    // Text without a whole record beyond this is no results log (a picture chosen by mistake):
    // reading stops there rather than holding it all.
    static constexpr qsizetype MaxUnsettledBytes = 1024 * 1024;
    // Read in small pieces: each is decoded and split before the next, so a long log needs little
    // memory besides its records.
    static constexpr qsizetype ChunkBytes = 256 * 1024;

    explicit ResultsDocument(QString path) : m_path(std::move(path)) {}

    const QString &Path() const { return m_path; }
    LogUpdate Poll();

    const std::vector<LogRecord> &Records() const { return m_records; }
    const std::vector<LogNote> &Notes() const { return m_notes; }
    State CurrentState() const { return m_state; }
    // Why the log cannot be read now, for the teacher; empty while it is read.
    const QString &Problem() const { return m_problem; }

private:
    struct Identity {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = -1;
        std::int64_t modified = 0;
        bool operator==(const Identity &) const = default;
    };

    LogUpdate SetProblem(State state, const QString &problem);
    void StartOver();
    // Reads from the end of the last whole record to the end of the text and sets the state;
    // false on a read error.
    bool ReadOn(int fd);
    // Parses the unsettled text and moves what cannot change any more to the settled part; gives
    // what is left.
    ResultsLog ParseUnsettled();
    bool FingerprintHolds(int fd) const;

    QString m_path;
    State m_state = State::Reading;
    QString m_problem;
    bool m_known = false;
    Identity m_identity;

    std::vector<LogRecord> m_records;
    std::vector<LogNote> m_notes;
    std::size_t m_settledRecords = 0;
    std::size_t m_settledNotes = 0;
    std::int64_t m_settledBytes = 0;
    int m_settledLines = 0;
    // The bytes just before the settled end: a log rewritten in place no longer holds them.
    QByteArray m_fingerprint;
    QByteArray m_unsettled;
};
