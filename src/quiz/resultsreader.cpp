#include "quiz/resultsreader.h"

#include "quiz/resultslog.h"
#include "runtime/cp1251.h"
#include "runtime/textfile.h"

#include <algorithm>
#include <map>

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
        m_log.records.push_back(record);
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

// A whole number of tenths with a decimal comma, without ",0".
QString TenthsText(long long tenths)
{
    QString text = QString::number(tenths / 10);
    if (tenths % 10 != 0) {
        text += QLatin1Char(',') + QString::number(tenths % 10);
    }
    return text;
}

// Grades are numbers ("5" … "11") and sort as numbers; anything else comes after them.
bool GradeBefore(const QString &a, const QString &b)
{
    bool aNumber = false;
    bool bNumber = false;
    const int aValue = a.toInt(&aNumber);
    const int bValue = b.toInt(&bNumber);
    if (aNumber != bNumber) {
        return aNumber;
    }
    if (aNumber && aValue != bValue) {
        return aValue < bValue;
    }
    return a < b;
}

QString CsvField(const QString &text)
{
    QString field = text;
    if (!field.isEmpty() && QStringLiteral("=+-@\t\r").contains(field.front())) {
        field.prepend(QLatin1Char('\''));
    }
    field.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + field + QLatin1Char('"');
}

} // namespace

ResultsLog ReadResultsLog(const std::string &path)
{
    return LogParser(ReadLogLines(path)).Parse();
}

std::optional<MarkScale> ParseMarkScale(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 3) {
        return std::nullopt;
    }
    MarkScale scale;
    int previous = -1;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const int value = parts[i].trimmed().toInt(&ok);
        if (!ok || value < 0 || value > 100 || value <= previous) {
            return std::nullopt;
        }
        scale.thresholds[static_cast<std::size_t>(i)] = value;
        previous = value;
    }
    return scale;
}

int SchoolMark(int score, int questions, const MarkScale &scale)
{
    int mark = 2;
    for (const int threshold : scale.thresholds) {
        // score / questions >= threshold / 100, in whole numbers.
        if (static_cast<long long>(score) * 100 >= static_cast<long long>(threshold) * questions) {
            ++mark;
        }
    }
    return mark;
}

QString PercentText(int score, int questions)
{
    return TenthsText(static_cast<long long>(score) * 1000 / questions);
}

std::vector<GroupSummary> SummarizeResults(const std::vector<LogRecord> &records)
{
    std::vector<GroupSummary> summaries;
    for (const LogRecord &record : records) {
        auto found = std::find_if(summaries.begin(), summaries.end(), [&](const GroupSummary &s) {
            return s.grade == record.grade && s.group == record.group;
        });
        if (found == summaries.end()) {
            summaries.push_back({record.grade, record.group, 0, 0, record.score, record.score});
            found = summaries.end() - 1;
        }
        ++found->pupils;
        found->total += record.score;
        found->lowest = std::min(found->lowest, record.score);
        found->highest = std::max(found->highest, record.score);
    }
    std::stable_sort(summaries.begin(), summaries.end(),
                     [](const GroupSummary &a, const GroupSummary &b) {
                         if (a.grade != b.grade) {
                             return GradeBefore(a.grade, b.grade);
                         }
                         return a.group < b.group;
                     });
    return summaries;
}

TextTable ResultsTable(const std::vector<LogRecord> &records,
                       const std::optional<MarkColumns> &marks)
{
    TextTable table;
    table.header = {QStringLiteral("Ученик"), QStringLiteral("Класс"), QStringLiteral("ЮГП"),
                    QStringLiteral("Баллы")};
    table.rightAligned = {false, true, false, true};
    if (marks) {
        table.header << QStringLiteral("%") << QStringLiteral("Оценка");
        table.rightAligned.insert(table.rightAligned.end(), {true, true});
    }
    for (const LogRecord &record : records) {
        QStringList row{record.name, record.grade, record.group, QString::number(record.score)};
        if (marks) {
            row << PercentText(record.score, marks->questions)
                << QString::number(SchoolMark(record.score, marks->questions, marks->scale));
        }
        table.rows.push_back(row);
    }
    return table;
}

TextTable SummaryTable(const std::vector<GroupSummary> &summaries)
{
    TextTable table;
    table.header = {QStringLiteral("Класс"),      QStringLiteral("ЮГП"),
                    QStringLiteral("Учеников"),   QStringLiteral("Средний балл"),
                    QStringLiteral("Наименьший"), QStringLiteral("Наибольший")};
    table.rightAligned = {true, false, true, true, true, true};
    for (const GroupSummary &summary : summaries) {
        // The mean rounded to tenths, half up.
        const long long meanTenths =
            (static_cast<long long>(summary.total) * 20 + summary.pupils) / (2LL * summary.pupils);
        table.rows.push_back({summary.grade, summary.group, QString::number(summary.pupils),
                              TenthsText(meanTenths), QString::number(summary.lowest),
                              QString::number(summary.highest)});
    }
    return table;
}

QString FormatTextTable(const TextTable &table)
{
    std::vector<qsizetype> widths(static_cast<std::size_t>(table.header.size()), 0);
    const auto measure = [&widths](const QStringList &row) {
        for (qsizetype column = 0; column < row.size(); ++column) {
            auto &width = widths[static_cast<std::size_t>(column)];
            width = std::max(width, row[column].size());
        }
    };
    measure(table.header);
    for (const QStringList &row : table.rows) {
        measure(row);
    }
    const auto format = [&](const QStringList &row) {
        QStringList cells;
        for (qsizetype column = 0; column < row.size(); ++column) {
            const auto index = static_cast<std::size_t>(column);
            cells.append(table.rightAligned[index] ? row[column].rightJustified(widths[index])
                                                   : row[column].leftJustified(widths[index]));
        }
        QString line = cells.join(QStringLiteral("  "));
        while (line.endsWith(QLatin1Char(' '))) {
            line.chop(1);
        }
        return line + QLatin1Char('\n');
    };
    QStringList dashes;
    for (const qsizetype width : widths) {
        dashes.append(QString(width, QLatin1Char('-')));
    }
    QString text = format(table.header) + dashes.join(QStringLiteral("  ")) + QLatin1Char('\n');
    for (const QStringList &row : table.rows) {
        text += format(row);
    }
    return text;
}

QByteArray CsvBytes(const TextTable &table)
{
    QByteArray bytes("\xEF\xBB\xBF");
    const auto append = [&bytes](const QStringList &row) {
        QStringList fields;
        for (const QString &cell : row) {
            fields.append(CsvField(cell));
        }
        bytes += fields.join(QLatin1Char(';')).toUtf8() + "\r\n";
    };
    append(table.header);
    for (const QStringList &row : table.rows) {
        append(row);
    }
    return bytes;
}
