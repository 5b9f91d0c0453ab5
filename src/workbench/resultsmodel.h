#pragma once

#include "teacher/resultsdetails.h"
#include "teacher/resultstable.h"
#include "workbench/resultsdocument.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QFutureWatcher>
#include <QSortFilterProxyModel>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <vector>

// The results of a log as a table: one row per finished test in the log's order, with the
// percentage and the school mark, and the time of the test. A test's number of questions is that
// of its detail record in the companion file, so its mark stays as it was; a record without a
// detail takes its grade's bank as it is now, and its row says so. Rows that arrived while the log
// was followed are marked.
class ResultsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Order, Name, Grade, Group, Score, Percent, Mark, Time, ColumnCount };

    explicit ResultsModel(QObject *parent = nullptr);
    ~ResultsModel() override;

    // Reads the log at once and its companion file beside the window: until that is read
    // (detailsPending), the rows have neither marks nor times rather than marks from the banks as
    // they are now. What was shown before goes.
    void openLog(const QString &path);
    // No log: a start directory that names none.
    void closeLog();
    // The log looked at again; its new records arrive as inserted rows.
    void poll();
    // Null until a log is opened.
    const ResultsDocument *document() const { return m_document.get(); }

    // 0: not known, and the grade's results get no mark.
    void setQuestionCount(const QString &grade, int questions);
    int questionCount(const QString &grade) const;
    void setMarkScale(const MarkScale &scale);
    const MarkScale &markScale() const { return m_scale; }

    const LogRecord &record(int row) const { return m_document->Records()[std::size_t(row)]; }
    // The record's detail; null for a record without one.
    const ResultDetail *detail(int row) const;
    // The number of questions of the row's test: its detail's, or its grade's bank's now; 0 when
    // neither is known.
    int questionsOf(int row) const;
    // When the row's test ended; null for a record without a detail.
    QDateTime timeOf(int row) const;
    std::optional<int> mark(int row) const;
    // Edits of the log that its details show: a changed record, a detail whose record is gone, a
    // record without a detail.
    const std::vector<LogNote> &detailFindings() const { return m_match.findings; }
    bool hasDetails() const { return m_details.present; }
    bool detailsPending() const { return m_detailsPending; }
    bool arrivedLive(int row) const { return row >= m_firstLive; }
    int arrived() const { return std::max(0, m_rows - m_firstLive); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // Records, findings or the log's state changed.
    void logChanged();

private:
    void MarksChanged();
    // Reads the companion file again when it or the records changed; true when it did, or when
    // its reading has begun.
    bool MatchDetailsAgain(bool recordsChanged);
    void DetailsRead();

    std::unique_ptr<ResultsDocument> m_document;
    DetailsFile m_details;
    DetailMatch m_match;
    QFutureWatcher<DetailsFile> m_detailsReading;
    bool m_detailsPending = false;
    std::pair<qint64, qint64> m_detailsIdentity{-1, 0}; // size, modification time
    // Rows shown; the document may already hold more or others while they are being announced.
    int m_rows = 0;
    int m_firstLive = 0;
    std::map<QString, int> m_questions;
    MarkScale m_scale;
};

// The rows the teacher chose: a grade, a group and a part of the name; sorted by any column,
// ties in the log's order.
class ResultsFilter : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit ResultsFilter(ResultsModel &results, QObject *parent = nullptr);

    // An empty text lets every grade (group, name) through.
    void setFilter(const QString &grade, const QString &group, const QString &namePart);
    // Only the tests that ended at or after the moment (the lesson's start); null: all.
    void setSince(const QDateTime &since);

    const ResultsModel &results() const { return m_results; }
    // The rows of the results model, in the order shown.
    std::vector<int> shownRows() const;
    // Whether the row of the results model is shown.
    bool accepts(int sourceRow) const { return filterAcceptsRow(sourceRow, {}); }

    // The log's own order needs no sorting, which a log of a school's years would wait for.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    ResultsModel &m_results;
    QString m_grade;
    QString m_group;
    QString m_namePart;
    QDateTime m_since;
};

// The shown results of one grade and group.
struct ShownGroup {
    GroupSummary scores;
    // How many got the marks 2, 3, 4 and 5; results of a grade without a question count have none.
    std::array<int, 4> marks{};
    // Rows of the results model, in the log's order.
    std::vector<int> rows;
};

// Grades in numeric order, groups in alphabetical order, as the summary of ortus-results.
std::vector<ShownGroup> ShownGroups(const ResultsFilter &shown);

// The summary of ortus-results with the count of each mark after it, 5 first, and the mean mark.
TextTable ShownSummaryTable(const std::vector<ShownGroup> &groups);

// The table ortus-results --csv writes, of the shown rows in their order: with the percentage and
// the mark when any grade's question count is known (empty for the others).
TextTable ShownResultsTable(const ResultsFilter &shown);

// How the shown tests of one grade fared on each question of the grade's bank as it is now.
struct GradeQuestions {
    QString bankFile;  // "Vop67.dat"
    QuestionBank bank; // as read from the folder
    QuestionStatistics statistics;
    QString problem; // why there are no figures: no bank, no detailed tests
};

// The figures of the shown rows of the grade ("7") that have a detail of the grade's bank in
// folder; tests of another version of the bank are counted apart.
GradeQuestions ShownQuestionStatistics(const ResultsFilter &shown, const QString &grade,
                                       const QString &folder);
