#include "teacher/resultsreader.h"

#include "quiz/resultslog.h"
#include "quiz/testfacts.h"
#include "runtime/cp1251.h"
#include "runtime/textfile.h"

#include <QStringList>

#include <algorithm>
#include <optional>

namespace {

struct LogLine {
    int number = 0;
    QString text;
};

// The captions of a record are taken from the writer itself, so that the two cannot drift apart.
struct Captions {
    QString grade;
    QString group;
    QString score;
};

const Captions &RecordCaptions()
{
    static const Captions captions = [] {
        ResultRecord blank;
        blank.Score = 0;
        // "", "", "Класс: ", "ЮГП: ", "Результат: 0", ""
        const QStringList lines =
            FromCp1251(ResultRecordBytes(blank)).split(QStringLiteral("\r\n"));
        return Captions{lines.at(2), lines.at(3), lines.at(4).chopped(1)};
    }();
    return captions;
}

// Every line of the log, numbered as an editor shows them: an LF alone also ends a line.
std::vector<LogLine> ReadLogLines(const std::string &path)
{
    TextFile log(path);
    log.OpenForReading();
    CheckIo();
    std::vector<LogLine> lines;
    int number = 0;
    for (;;) {
        const bool ended = log.AtEndOfText();
        CheckIo();
        if (ended) {
            break;
        }
        const std::string text = log.ReadText();
        log.SkipLine();
        CheckIo();
        for (const QString &part : FromCp1251(text).split(QLatin1Char('\n'))) {
            lines.push_back({++number, part});
        }
    }
    log.CloseFile();
    CheckIo();
    return lines;
}

// A line cut in the middle of its caption, as a record broken off while being written leaves it.
bool IsCutCaption(const QString &text, const QString &caption)
{
    return !text.isEmpty() && caption.startsWith(text);
}

std::optional<int> ScoreOf(const QString &text)
{
    const QString digits = text.mid(RecordCaptions().score.size()).trimmed();
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
    explicit LogParser(std::vector<LogLine> lines)
        : m_lines(std::move(lines)), m_used(m_lines.size(), false)
    {
    }

    ResultsLog Parse()
    {
        // Every record is found by its grade line; the name is the line before it.
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            if (!m_used[i] && m_lines[i].text.startsWith(RecordCaptions().grade)) {
                ReadRecord(i);
            }
        }
        NoteStrayLines();
        std::stable_sort(m_log.notes.begin(), m_log.notes.end(),
                         [](const LogNote &a, const LogNote &b) { return a.line < b.line; });
        return std::move(m_log);
    }

private:
    void ReadRecord(std::size_t gradeIndex)
    {
        const Captions &captions = RecordCaptions();
        LogRecord record;
        record.line = m_lines[gradeIndex].number;
        if (gradeIndex > 0 && !m_used[gradeIndex - 1]) {
            m_used[gradeIndex - 1] = true;
            record.name = m_lines[gradeIndex - 1].text;
            record.line = m_lines[gradeIndex - 1].number;
        }
        m_used[gradeIndex] = true;
        record.grade = m_lines[gradeIndex].text.mid(captions.grade.size()).trimmed();

        const std::size_t groupIndex = gradeIndex + 1;
        const std::size_t scoreIndex = gradeIndex + 2;
        if (!Take(groupIndex, captions.group)) {
            NoteIncomplete(record, captions.group);
            return;
        }
        record.group = m_lines[groupIndex].text.mid(captions.group.size());
        if (!Take(scoreIndex, captions.score)) {
            NoteIncomplete(record, captions.score);
            return;
        }
        const std::optional<int> score = ScoreOf(m_lines[scoreIndex].text);
        if (!score) {
            m_log.notes.push_back(
                {m_lines[scoreIndex].number,
                 QStringLiteral("в записи ученика «%1» после «%2» нет числа баллов; в таблицу "
                                "она не вошла.")
                     .arg(record.name, captions.score.trimmed())});
            return;
        }
        record.score = *score;
        const QString lineEnd = QStringLiteral("\r\n");
        record.recordHash = ShortHash(
            ToCp1251(lineEnd + record.name + lineEnd + m_lines[gradeIndex].text + lineEnd +
                     m_lines[groupIndex].text + lineEnd + m_lines[scoreIndex].text + lineEnd));
        m_log.records.push_back(record);
        m_log.settledLines = static_cast<int>(scoreIndex) + 1;
    }

    // Takes the line at index when it carries the caption, or is a piece of it that a record cut
    // short left; true only for the whole caption.
    bool Take(std::size_t index, const QString &caption)
    {
        if (index >= m_lines.size() || m_used[index]) {
            return false;
        }
        const QString &text = m_lines[index].text;
        if (text.startsWith(caption)) {
            m_used[index] = true;
            return true;
        }
        if (IsCutCaption(text, caption)) {
            m_used[index] = true;
        }
        return false;
    }

    void NoteIncomplete(const LogRecord &record, const QString &missing)
    {
        m_log.notes.push_back({record.line, QStringLiteral("запись ученика «%1» оборвана: нет "
                                                           "строки «%2…»; в таблицу она не вошла.")
                                                .arg(record.name, missing)});
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
                          [](const LogLine &line) { return !line.text.trimmed().isEmpty(); });
        if (tailTexts > 2) {
            tail = m_lines.size();
        }
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            const LogLine &line = m_lines[i];
            if (m_used[i] || line.text.trimmed().isEmpty()) {
                continue;
            }
            if (i >= tail) {
                m_log.notes.push_back(
                    {line.number, QStringLiteral("запись «%1» оборвана, не дойдя до строки «%2…»; "
                                                 "в таблицу она не вошла.")
                                      .arg(line.text, RecordCaptions().grade)});
                return;
            }
            m_log.notes.push_back(
                {line.number,
                 QStringLiteral("строка «%1» не относится ни к одной записи; пропущена.")
                     .arg(line.text)});
        }
    }

    std::vector<LogLine> m_lines;
    std::vector<bool> m_used;
    ResultsLog m_log;
};

} // namespace

ResultsLog ReadResultsLog(const std::string &path)
{
    return LogParser(ReadLogLines(path)).Parse();
}

ResultsLog ParseResultsLines(const QStringList &lines, int firstLine)
{
    std::vector<LogLine> numbered;
    numbered.reserve(static_cast<std::size_t>(lines.size()));
    for (const QString &line : lines) {
        numbered.push_back({firstLine++, line});
    }
    return LogParser(std::move(numbered)).Parse();
}
