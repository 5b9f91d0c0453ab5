#include "teacher/resultstable.h"

#include <algorithm>

namespace {

// A whole number of tenths with a decimal comma, without ",0".
QString TenthsText(long long tenths)
{
    QString text = QString::number(tenths / 10);
    if (tenths % 10 != 0) {
        text += QLatin1Char(',') + QString::number(tenths % 10);
    }
    return text;
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
        // A record's detail fixes its number of questions; others take the bank's as it is now.
        const int questions = record.questions > 0 ? record.questions
                              : marks              ? marks->questions
                                                   : 0;
        if (marks && questions > 0) {
            row << PercentText(record.score, questions)
                << QString::number(SchoolMark(record.score, questions, marks->scale));
        } else if (marks) {
            row << QString() << QString();
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
