#include "workbench/resultsmodel.h"

#include "workbench/teacherhelp.h"

#include <QColor>
#include <QFont>
#include <QHash>

#include <algorithm>

namespace {

const QColor LiveBackground(255, 241, 184);

// The percentage ordered without rounding: a/b against c/d as a·d against c·b.
int ComparePercent(int score, int questions, int otherScore, int otherQuestions)
{
    if (questions == 0 || otherQuestions == 0) {
        return (questions != 0) - (otherQuestions != 0);
    }
    const long long left = static_cast<long long>(score) * otherQuestions;
    const long long right = static_cast<long long>(otherScore) * questions;
    return (left > right) - (left < right);
}

} // namespace

ResultsModel::ResultsModel(QObject *parent) : QAbstractTableModel(parent) {}

ResultsModel::~ResultsModel() = default;

void ResultsModel::openLog(const QString &path)
{
    beginResetModel();
    m_document = std::make_unique<ResultsDocument>(path);
    m_document->Poll();
    m_rows = static_cast<int>(m_document->Records().size());
    m_firstLive = m_rows;
    endResetModel();
    emit logChanged();
}

void ResultsModel::closeLog()
{
    beginResetModel();
    m_document.reset();
    m_rows = 0;
    m_firstLive = 0;
    endResetModel();
    emit logChanged();
}

void ResultsModel::poll()
{
    if (!m_document) {
        return;
    }
    const LogUpdate update = m_document->Poll();
    const int size = static_cast<int>(m_document->Records().size());
    if (update.restarted) {
        beginResetModel();
        m_rows = size;
        m_firstLive = size;
        endResetModel();
    } else {
        const int kept = std::min(static_cast<int>(update.keptRecords), m_rows);
        if (kept < m_rows) {
            beginRemoveRows({}, kept, m_rows - 1);
            m_rows = kept;
            endRemoveRows();
        }
        if (size > m_rows) {
            beginInsertRows({}, m_rows, size - 1);
            m_rows = size;
            endInsertRows();
        }
    }
    if (update.changed) {
        emit logChanged();
    }
}

void ResultsModel::setQuestionCount(const QString &grade, int questions)
{
    if (questionCount(grade) != questions) {
        m_questions[grade] = questions;
        MarksChanged();
    }
}

int ResultsModel::questionCount(const QString &grade) const
{
    const auto found = m_questions.find(grade);
    return found == m_questions.end() ? 0 : found->second;
}

void ResultsModel::setMarkScale(const MarkScale &scale)
{
    m_scale = scale;
    MarksChanged();
}

std::optional<MarkColumns> ResultsModel::marksFor(const QString &grade) const
{
    const int questions = questionCount(grade);
    return questions > 0 ? std::optional<MarkColumns>(MarkColumns{questions, m_scale})
                         : std::nullopt;
}

std::optional<int> ResultsModel::mark(int row) const
{
    const LogRecord &shown = record(row);
    const int questions = questionCount(shown.grade);
    return questions > 0 ? std::optional<int>(SchoolMark(shown.score, questions, m_scale))
                         : std::nullopt;
}

void ResultsModel::MarksChanged()
{
    if (m_rows > 0) {
        emit dataChanged(index(0, Percent), index(m_rows - 1, Mark));
    }
}

int ResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int ResultsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultsModel::data(const QModelIndex &index, int role) const
{
    // While rows are being announced the document may already hold fewer.
    if (!index.isValid() || std::size_t(index.row()) >= m_document->Records().size()) {
        return {};
    }
    const int row = index.row();
    const LogRecord &shown = record(row);
    switch (role) {
    case Qt::DisplayRole: {
        const int questions = questionCount(shown.grade);
        switch (index.column()) {
        case Order:
            return row + 1;
        case Name:
            return shown.name;
        case Grade:
            return shown.grade;
        case Group:
            return shown.group;
        case Score:
            return shown.score;
        case Percent:
            return questions > 0 ? PercentText(shown.score, questions) : QString();
        case Mark:
            return questions > 0 ? QString::number(*mark(row)) : QString();
        }
        return {};
    }
    case Qt::ToolTipRole:
        return QStringLiteral("Строка %1 журнала").arg(shown.line);
    case Qt::TextAlignmentRole:
        return index.column() == Name || index.column() == Group
                   ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                   : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::FontRole:
        if (arrivedLive(row)) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    case Qt::BackgroundRole:
        return arrivedLive(row) ? QVariant(LiveBackground) : QVariant();
    }
    return {};
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && section == Group) {
        return GroupToolTip();
    }
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    // The captions of ortus-results, after the log order.
    static const QStringList captions =
        QStringList{QStringLiteral("№")} + ResultsTable({}, MarkColumns{}).header;
    return captions.at(section);
}

ResultsFilter::ResultsFilter(ResultsModel &results, QObject *parent)
    : QSortFilterProxyModel(parent), m_results(results)
{
    setSourceModel(&results);
}

void ResultsFilter::setFilter(const QString &grade, const QString &group, const QString &namePart)
{
    const QString part = namePart.trimmed();
    if (grade != m_grade || group != m_group || part != m_namePart) {
        m_grade = grade;
        m_group = group;
        m_namePart = part;
        invalidateFilter();
    }
}

std::vector<int> ResultsFilter::shownRows() const
{
    std::vector<int> rows(static_cast<std::size_t>(rowCount()));
    for (int row = 0; row < rowCount(); ++row) {
        rows[std::size_t(row)] = mapToSource(index(row, 0)).row();
    }
    return rows;
}

void ResultsFilter::sort(int column, Qt::SortOrder order)
{
    const bool logOrder = column == ResultsModel::Order && order == Qt::AscendingOrder;
    QSortFilterProxyModel::sort(logOrder ? -1 : column, order);
}

bool ResultsFilter::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    const LogRecord &shown = m_results.record(sourceRow);
    return (m_grade.isEmpty() || shown.grade == m_grade) &&
           (m_group.isEmpty() || shown.group == m_group) &&
           (m_namePart.isEmpty() || shown.name.contains(m_namePart, Qt::CaseInsensitive));
}

bool ResultsFilter::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const LogRecord &a = m_results.record(left.row());
    const LogRecord &b = m_results.record(right.row());
    int order = 0;
    switch (left.column()) {
    case ResultsModel::Name:
        order = a.name.compare(b.name, Qt::CaseInsensitive);
        break;
    case ResultsModel::Grade:
        order = GradeBefore(a.grade, b.grade) ? -1 : GradeBefore(b.grade, a.grade) ? 1 : 0;
        break;
    case ResultsModel::Group:
        order = a.group.compare(b.group, Qt::CaseInsensitive);
        break;
    case ResultsModel::Score:
        order = (a.score > b.score) - (a.score < b.score);
        break;
    case ResultsModel::Percent:
        order = ComparePercent(a.score, m_results.questionCount(a.grade), b.score,
                               m_results.questionCount(b.grade));
        break;
    case ResultsModel::Mark:
        order = m_results.mark(left.row()).value_or(0) - m_results.mark(right.row()).value_or(0);
        break;
    }
    return order != 0 ? order < 0 : left.row() < right.row();
}

std::vector<ShownGroup> ShownGroups(const ResultsFilter &shown)
{
    const ResultsModel &results = shown.results();
    std::vector<ShownGroup> groups;
    QHash<std::pair<QString, QString>, std::size_t> found;
    for (int row = 0; row < results.rowCount(); ++row) {
        if (!shown.accepts(row)) {
            continue;
        }
        const LogRecord &record = results.record(row);
        const std::pair<QString, QString> key(record.grade, record.group);
        auto at = found.find(key);
        if (at == found.end()) {
            at = found.insert(key, groups.size());
            groups.push_back(
                {{record.grade, record.group, 0, 0, record.score, record.score}, {}, {}});
        }
        ShownGroup &group = groups[*at];
        ++group.scores.pupils;
        group.scores.total += record.score;
        group.scores.lowest = std::min(group.scores.lowest, record.score);
        group.scores.highest = std::max(group.scores.highest, record.score);
        if (const std::optional<int> mark = results.mark(row)) {
            ++group.marks[std::size_t(*mark - 2)];
        }
        group.rows.push_back(row);
    }
    std::sort(groups.begin(), groups.end(), [](const ShownGroup &a, const ShownGroup &b) {
        if (a.scores.grade != b.scores.grade) {
            return GradeBefore(a.scores.grade, b.scores.grade);
        }
        return a.scores.group < b.scores.group;
    });
    return groups;
}

TextTable ShownSummaryTable(const std::vector<ShownGroup> &groups)
{
    std::vector<GroupSummary> scores;
    for (const ShownGroup &group : groups) {
        scores.push_back(group.scores);
    }
    TextTable table = SummaryTable(scores);
    for (int mark = 5; mark >= 2; --mark) {
        table.header.append(QStringLiteral("«%1»").arg(mark));
        table.rightAligned.push_back(true);
    }
    for (std::size_t i = 0; i < groups.size(); ++i) {
        for (int mark = 5; mark >= 2; --mark) {
            table.rows[i].append(QString::number(groups[i].marks[std::size_t(mark - 2)]));
        }
    }
    return table;
}

TextTable ShownResultsTable(const ResultsFilter &shown)
{
    const ResultsModel &results = shown.results();
    const std::vector<int> rows = shown.shownRows();
    const bool anyMarks = std::any_of(rows.begin(), rows.end(), [&](int row) {
        return results.questionCount(results.record(row).grade) > 0;
    });
    std::vector<LogRecord> run;
    std::optional<MarkColumns> runMarks;
    TextTable table = ResultsTable({}, anyMarks ? std::optional(MarkColumns{}) : std::nullopt);
    // Each run of rows with the same question count is one table of ortus-results.
    const auto flush = [&] {
        for (QStringList &row : ResultsTable(run, runMarks).rows) {
            while (row.size() < table.header.size()) {
                row.append(QString());
            }
            table.rows.push_back(std::move(row));
        }
        run.clear();
    };
    for (const int row : rows) {
        const LogRecord &record = results.record(row);
        const std::optional<MarkColumns> marks = results.marksFor(record.grade);
        const auto questions = [](const std::optional<MarkColumns> &m) {
            return m ? m->questions : 0;
        };
        if (!run.empty() && questions(marks) != questions(runMarks)) {
            flush();
        }
        runMarks = marks;
        run.push_back(record);
    }
    flush();
    return table;
}
