#include "workbench/resultsmodel.h"

#include "runtime/cp1251.h"
#include "runtime/ioerror.h"
#include "workbench/teacherhelp.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QHash>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <random>

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

ResultsModel::ResultsModel(QObject *parent) : QAbstractTableModel(parent)
{
    connect(&m_detailsReading, &QFutureWatcherBase::finished, this, &ResultsModel::DetailsRead);
}

ResultsModel::~ResultsModel() = default;

void ResultsModel::openLog(const QString &path)
{
    beginResetModel();
    m_document = std::make_unique<ResultsDocument>(path);
    m_detailsIdentity = {-1, 0};
    m_detailsPending = false;
    // The details' reading starts first, so that it runs beside the log's.
    MatchDetailsAgain(true);
    m_document->Poll();
    m_rows = static_cast<int>(m_document->Records().size());
    m_firstLive = m_rows;
    MatchDetailsAgain(true);
    endResetModel();
    emit logChanged();
}

void ResultsModel::closeLog()
{
    beginResetModel();
    m_document.reset();
    m_detailsPending = false;
    m_details = {};
    m_match = {};
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
    if (MatchDetailsAgain(update.changed || update.restarted)) {
        MarksChanged();
        emit logChanged();
    } else if (update.changed) {
        emit logChanged();
    }
}

bool ResultsModel::MatchDetailsAgain(bool recordsChanged)
{
    if (m_detailsPending) {
        // Matched when the reading ends, and read on then if the file changed meanwhile.
        return false;
    }
    const QString path = QFile::decodeName(QByteArray::fromStdString(
        DetailFileName(QFile::encodeName(m_document->Path()).toStdString())));
    const QFileInfo info(path);
    const std::pair<qint64, qint64> identity =
        info.exists() ? std::pair(info.size(), info.lastModified().toMSecsSinceEpoch())
                      : std::pair<qint64, qint64>(-1, 0);
    if (!recordsChanged && identity == m_detailsIdentity) {
        return false;
    }
    // A file that only grew is read on from where it was; any other change reads it again.
    const bool grew = identity.first >= m_detailsIdentity.first && m_detailsIdentity.first >= 0;
    m_detailsIdentity = identity;
    const std::string name = QFile::encodeName(path).toStdString();
    if (!info.exists()) {
        m_details = {};
    } else if (!grew || !ReadMoreResultDetails(name, m_details)) {
        // A school's years of details take longer to read than the log: the table shows the log
        // meanwhile.
        m_details = {};
        m_match = {};
        m_detailsPending = true;
        m_detailsReading.setFuture(QtConcurrent::run(ReadResultDetails, name));
        return true;
    }
    m_match = MatchDetails(m_document->Records(), m_details.details);
    return true;
}

void ResultsModel::DetailsRead()
{
    // A reading for a log that has been closed or replaced since.
    if (!m_detailsPending || !m_document) {
        return;
    }
    m_details = m_detailsReading.future().takeResult();
    m_detailsPending = false;
    // Lines added while it was read are read on; a file replaced meanwhile is read again.
    m_detailsIdentity = {m_details.bytesRead, 0};
    MatchDetailsAgain(true);
    MarksChanged();
    emit logChanged();
}

const ResultDetail *ResultsModel::detail(int row) const
{
    const std::size_t at = std::size_t(row);
    if (at >= m_match.detailOf.size() || m_match.detailOf[at] < 0) {
        return nullptr;
    }
    return &m_details.details[std::size_t(m_match.detailOf[at])];
}

int ResultsModel::questionsOf(int row) const
{
    // The row's own count may differ from the bank's now: no count rather than a wrong mark.
    if (m_detailsPending) {
        return 0;
    }
    const ResultDetail *found = detail(row);
    return found && found->facts.questionCount > 0 ? found->facts.questionCount
                                                   : questionCount(record(row).grade);
}

QDateTime ResultsModel::timeOf(int row) const
{
    const ResultDetail *found = detail(row);
    return found ? QDateTime::fromString(QString::fromStdString(found->time), Qt::ISODate)
                 : QDateTime();
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

std::optional<int> ResultsModel::mark(int row) const
{
    const LogRecord &shown = record(row);
    const int questions = questionsOf(row);
    return questions > 0 ? std::optional<int>(SchoolMark(shown.score, questions, m_scale))
                         : std::nullopt;
}

void ResultsModel::MarksChanged()
{
    if (m_rows > 0) {
        emit dataChanged(index(0, Percent), index(m_rows - 1, Time));
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
        const int questions = questionsOf(row);
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
        case Time:
            if (m_detailsPending) {
                return QStringLiteral("…");
            }
            return detail(row)
                       ? timeOf(row).toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm"))
                       : QStringLiteral("без подробностей");
        }
        return {};
    }
    case Qt::ToolTipRole:
        if (m_detailsPending) {
            return QStringLiteral("Строка %1 журнала. Подробности тестов ещё читаются.")
                .arg(shown.line);
        }
        if (const ResultDetail *found = detail(row)) {
            return QStringLiteral("Строка %1 журнала. Вопросов в тесте: %2, компьютер %3.")
                .arg(shown.line)
                .arg(found->facts.questionCount)
                .arg(QString::fromStdString(found->computer));
        }
        return QStringLiteral("Строка %1 журнала. Подробностей теста нет: число вопросов взято из "
                              "нынешнего банка.")
            .arg(shown.line);
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
    static const QStringList captions = QStringList{QStringLiteral("№")} +
                                        ResultsTable({}, MarkColumns{}).header +
                                        QStringList{QStringLiteral("Время")};
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

void ResultsFilter::setSince(const QDateTime &since)
{
    if (since != m_since) {
        m_since = since;
        invalidateFilter();
    }
}

bool ResultsFilter::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    const LogRecord &shown = m_results.record(sourceRow);
    // A record without a detail has no time: it belongs to no lesson.
    if (m_since.isValid()) {
        const QDateTime time = m_results.timeOf(sourceRow);
        if (!time.isValid() || time < m_since) {
            return false;
        }
    }
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
        order = ComparePercent(a.score, m_results.questionsOf(left.row()), b.score,
                               m_results.questionsOf(right.row()));
        break;
    case ResultsModel::Mark:
        order = m_results.mark(left.row()).value_or(0) - m_results.mark(right.row()).value_or(0);
        break;
    case ResultsModel::Time: {
        const QDateTime first = m_results.timeOf(left.row());
        const QDateTime second = m_results.timeOf(right.row());
        order = (first > second) - (first < second);
        break;
    }
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
    table.header.append(QStringLiteral("Ср. оценка"));
    table.rightAligned.push_back(true);
    for (std::size_t i = 0; i < groups.size(); ++i) {
        long long marked = 0;
        long long total = 0;
        for (int mark = 5; mark >= 2; --mark) {
            const int count = groups[i].marks[std::size_t(mark - 2)];
            table.rows[i].append(QString::number(count));
            marked += count;
            total += static_cast<long long>(mark) * count;
        }
        // The mean mark rounded to tenths, half up, with a decimal comma.
        const long long tenths = marked > 0 ? (total * 20 + marked) / (2 * marked) : 0;
        table.rows[i].append(marked == 0 ? QString()
                             : tenths % 10 == 0
                                 ? QString::number(tenths / 10)
                                 : QStringLiteral("%1,%2").arg(tenths / 10).arg(tenths % 10));
    }
    return table;
}

TextTable ShownResultsTable(const ResultsFilter &shown)
{
    const ResultsModel &results = shown.results();
    const std::vector<int> rows = shown.shownRows();
    std::vector<LogRecord> records;
    records.reserve(rows.size());
    bool anyMarks = false;
    for (const int row : rows) {
        records.push_back(results.record(row));
        // Each row's own number of questions, as ortus-results takes it from the details.
        records.back().questions = results.questionsOf(row);
        anyMarks = anyMarks || records.back().questions > 0;
    }
    return ResultsTable(records, anyMarks ? std::optional(MarkColumns{0, results.markScale()})
                                          : std::nullopt);
}

GradeQuestions ShownQuestionStatistics(const ResultsFilter &shown, const QString &grade,
                                       const QString &folder)
{
    GradeQuestions figures;
    bool isNumber = false;
    const int index = grade.toInt(&isNumber) - 5;
    if (!isNumber || index < 0 || index >= int(BankFileNames.size())) {
        figures.problem = QStringLiteral("Выберите класс, чтобы увидеть его вопросы.");
        return figures;
    }
    figures.bankFile = QString::fromLatin1(BankFileNames[std::size_t(index)]);
    const QString path = QDir(folder).filePath(figures.bankFile);
    QFile file(path);
    std::mt19937 generator;
    try {
        if (!file.open(QIODevice::ReadOnly)) {
            throw EInOutError(2);
        }
        LoadBank(figures.bank, QFile::encodeName(path).toStdString(), generator);
    } catch (const std::exception &error) {
        figures.problem = QStringLiteral("Банк %1 не читается: %2")
                              .arg(figures.bankFile, QString::fromUtf8(error.what()));
        return figures;
    }
    const ResultsModel &results = shown.results();
    std::vector<const ResultDetail *> details;
    for (int row = 0; row < results.rowCount(); ++row) {
        const ResultDetail *detail = results.detail(row);
        if (detail != nullptr && shown.accepts(row) && results.record(row).grade == grade &&
            FromCp1251(detail->facts.bankFileName) == figures.bankFile) {
            details.push_back(detail);
        }
    }
    figures.statistics =
        ComputeQuestionStatistics(details, figures.bank, ShortHash(file.readAll().toStdString()));
    if (details.empty()) {
        figures.problem = QStringLiteral("Нет тестов %1 класса с подробностями.").arg(grade);
    }
    return figures;
}
