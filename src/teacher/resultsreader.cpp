#include "teacher/resultsreader.h"

#include "quiz/resultslog.h"
#include "quiz/testfacts.h"
#include "runtime/cp1251.h"
#include "runtime/textfile.h"

#include <QStringList>

#include <algorithm>
#include <optional>
#include <string_view>

namespace {

// The captions of a record, as code page 1251 bytes, are taken from the writer itself, so that the
// two cannot drift apart.
struct Captions {
    std::string grade;
    std::string group;
    std::string score;
};

const Captions &RecordCaptions()
{
    static const Captions captions = [] {
        ResultRecord blank;
        blank.Score = 0;
        // "", "", "Класс: ", "ЮГП: ", "Результат: 0", ""
        const QStringList lines =
            FromCp1251(ResultRecordBytes(blank)).split(QStringLiteral("\r\n"));
        return Captions{ToCp1251(lines.at(2)), ToCp1251(lines.at(3)),
                        ToCp1251(lines.at(4).chopped(1))};
    }();
    return captions;
}

// Every line of the log as an editor shows them: an LF alone also ends a line.
std::vector<std::string> ReadLogLines(const std::string &path)
{
    TextFile log(path);
    log.OpenForReading();
    CheckIo();
    std::vector<std::string> lines;
    for (;;) {
        const bool ended = log.AtEndOfText();
        CheckIo();
        if (ended) {
            break;
        }
        const std::string text = log.ReadText();
        log.SkipLine();
        CheckIo();
        for (std::size_t start = 0;;) {
            const std::size_t end = text.find('\n', start);
            lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
            if (end == std::string::npos) {
                break;
            }
            start = end + 1;
        }
    }
    log.CloseFile();
    CheckIo();
    return lines;
}

// A line cut in the middle of its caption, as a record broken off while being written leaves it.
bool IsCutCaption(std::string_view text, std::string_view caption)
{
    return !text.empty() && caption.starts_with(text);
}

bool IsBlank(std::string_view text)
{
    return text.empty() || FromCp1251(text).trimmed().isEmpty();
}

std::optional<int> ScoreOf(std::string_view text)
{
    const QString digits = FromCp1251(text.substr(RecordCaptions().score.size())).trimmed();
    if (digits.isEmpty() ||
        !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); })) {
        return std::nullopt;
    }
    bool ok = false;
    const int score = digits.toInt(&ok);
    return ok ? std::optional<int>(score) : std::nullopt;
}

class LogParser {
public:
    LogParser(const std::vector<std::string_view> &lines, int firstLine)
        : m_lines(lines), m_firstLine(firstLine), m_used(m_lines.size(), false)
    {
        // A record takes five lines, one of them empty.
        m_log.records.reserve(m_lines.size() / 5 + 1);
    }

    ResultsLog Parse()
    {
        // Every record is found by its grade line; the name is the line before it.
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            if (!m_used[i] && m_lines[i].starts_with(RecordCaptions().grade)) {
                ReadRecord(i);
            }
        }
        NoteStrayLines();
        std::stable_sort(m_log.notes.begin(), m_log.notes.end(),
                         [](const LogNote &a, const LogNote &b) { return a.line < b.line; });
        return std::move(m_log);
    }

private:
    int Number(std::size_t index) const { return m_firstLine + static_cast<int>(index); }

    void ReadRecord(std::size_t gradeIndex)
    {
        const Captions &captions = RecordCaptions();
        LogRecord record;
        record.line = Number(gradeIndex);
        std::string_view name;
        if (gradeIndex > 0 && !m_used[gradeIndex - 1]) {
            m_used[gradeIndex - 1] = true;
            name = m_lines[gradeIndex - 1];
            record.name = FromCp1251(name);
            record.line = Number(gradeIndex - 1);
        }
        m_used[gradeIndex] = true;
        record.grade = FromCp1251(m_lines[gradeIndex].substr(captions.grade.size())).trimmed();

        const std::size_t groupIndex = gradeIndex + 1;
        const std::size_t scoreIndex = gradeIndex + 2;
        if (!Take(groupIndex, captions.group)) {
            NoteIncomplete(record, captions.group);
            return;
        }
        record.group = FromCp1251(m_lines[groupIndex].substr(captions.group.size()));
        if (!Take(scoreIndex, captions.score)) {
            NoteIncomplete(record, captions.score);
            return;
        }
        const std::optional<int> score = ScoreOf(m_lines[scoreIndex]);
        if (!score) {
            m_log.notes.push_back(
                {Number(scoreIndex),
                 QStringLiteral("в записи ученика «%1» после «%2» нет числа баллов; в таблицу "
                                "она не вошла.")
                     .arg(record.name, FromCp1251(captions.score).trimmed())});
            return;
        }
        record.score = *score;
        m_recordBytes.clear();
        for (const std::string_view line :
             {name, m_lines[gradeIndex], m_lines[groupIndex], m_lines[scoreIndex]}) {
            m_recordBytes += "\r\n";
            m_recordBytes += line;
        }
        m_recordBytes += "\r\n";
        record.recordHash = ShortHash(m_recordBytes);
        m_log.records.push_back(std::move(record));
        m_log.settledLines = static_cast<int>(scoreIndex) + 1;
    }

    // Takes the line at index when it carries the caption, or is a piece of it that a record cut
    // short left; true only for the whole caption.
    bool Take(std::size_t index, std::string_view caption)
    {
        if (index >= m_lines.size() || m_used[index]) {
            return false;
        }
        const std::string_view text = m_lines[index];
        if (text.starts_with(caption)) {
            m_used[index] = true;
            return true;
        }
        if (IsCutCaption(text, caption)) {
            m_used[index] = true;
        }
        return false;
    }

    void NoteIncomplete(const LogRecord &record, const std::string &missing)
    {
        m_log.notes.push_back({record.line, QStringLiteral("запись ученика «%1» оборвана: нет "
                                                           "строки «%2…»; в таблицу она не вошла.")
                                                .arg(record.name, FromCp1251(missing))});
    }

    void NoteStrayLines()
    {
        // The lines after the last record are what a record broken off before its grade line
        // left (its name, perhaps part of the caption): one note for them. More lines than that
        // are no record at all.
        std::size_t tail = m_lines.size();
        while (tail > 0 && !m_used[tail - 1]) {
            --tail;
        }
        const auto tailTexts =
            std::count_if(m_lines.begin() + static_cast<qsizetype>(tail), m_lines.end(),
                          [](std::string_view line) { return !IsBlank(line); });
        if (tailTexts > 2) {
            tail = m_lines.size();
        }
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            const std::string_view line = m_lines[i];
            if (m_used[i] || IsBlank(line)) {
                continue;
            }
            if (i >= tail) {
                m_log.notes.push_back(
                    {Number(i), QStringLiteral("запись «%1» оборвана, не дойдя до строки «%2…»; "
                                               "в таблицу она не вошла.")
                                    .arg(FromCp1251(line), FromCp1251(RecordCaptions().grade))});
                return;
            }
            m_log.notes.push_back(
                {Number(i), QStringLiteral("строка «%1» не относится ни к одной записи; пропущена.")
                                .arg(FromCp1251(line))});
        }
    }

    const std::vector<std::string_view> &m_lines;
    int m_firstLine;
    std::vector<bool> m_used;
    ResultsLog m_log;
    // The five lines of the record being read, as appended: kept, so that each record's hash
    // needs no allocation.
    std::string m_recordBytes;
};

} // namespace

ResultsLog ReadResultsLog(const std::string &path)
{
    const std::vector<std::string> lines = ReadLogLines(path);
    return ParseResultsLines(std::vector<std::string_view>(lines.begin(), lines.end()));
}

ResultsLog ParseResultsLines(const std::vector<std::string_view> &lines, int firstLine)
{
    return LogParser(lines, firstLine).Parse();
}
