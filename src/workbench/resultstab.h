#pragma once

#include "workbench/resultsmodel.h"

#include <QFileSystemWatcher>
#include <QMap>
#include <QTimer>
#include <QWidget>

class QAction;
class QChart;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QStandardItemModel;
class QTableView;
class TeacherDialogs;

// The results of the class, kept open during a lesson: the log of the start directory's quiz (or
// any other) as a table that follows the log as pupils finish, a summary and a chart of the marks
// per group, and the sheet to print, save as PDF or as CSV.
class ResultsTab : public QWidget {
    Q_OBJECT

public:
    // How often the log is looked at where change notifications do not arrive (network shares).
    static constexpr int PollMilliseconds = 500;

    explicit ResultsTab(TeacherDialogs &dialogs, QWidget *parent = nullptr);

    // The log that the start directory's quiz appends to, and its banks' numbers of questions.
    void OpenStartDirectory(const QString &folder);

    ResultsModel &results() { return m_results; }
    ResultsFilter &shown() { return m_shown; }
    QTableView *table() const { return m_table; }
    QTableView *summary() const { return m_summaryView; }
    QChart *chart() const { return m_chart; }
    // The state of the log, as shown above the table.
    QString stateText() const;
    QLineEdit *thresholds() const { return m_thresholds; }
    QComboBox *gradeFilter() const { return m_gradeFilter; }
    // "всё время", "этот урок", "сегодня", "с момента:" and the moment.
    QComboBox *lessonFilter() const { return m_lessonFilter; }
    QDateTimeEdit *since() const { return m_since; }
    QListWidget *findings() const { return m_findings; }
    // The per-question figures of the chosen grade, hardest first.
    QTableView *questionView() const { return m_questionView; }
    QSpinBox *questions(const QString &grade) const { return m_questions.value(grade); }

    // Menu "Результаты".
    QAction *OpenLog = nullptr;
    QAction *SaveCsv = nullptr;
    QAction *PrintSheet = nullptr;
    QAction *SavePdf = nullptr;

signals:
    // A question of the per-question view was double-clicked: show it in the bank tab.
    void questionOpened(const QString &bankFile, int number);

public slots:
    void openLog(const QString &path);
    // Looks at the log: the timer's and the file watcher's handler.
    void poll();
    // False, after telling the teacher why, when the file cannot be written.
    bool saveCsv(const QString &path);
    bool savePdf(const QString &path);

private:
    void BuildControls();
    void ReadBankCounts();
    void Watch();
    void StopWatching();
    void LogChanged();
    void ShowChoices();
    void ApplyFilter();
    void ShowSummary();
    void ShowQuestions();
    void FillChoices(QComboBox *box, const QStringList &values, const QString &all);
    void RememberTop();
    void KeepTop();
    void ChooseLog();
    void ChooseCsv();
    void ChoosePdf();
    void Print();

    QString m_startDirectory;
    QString m_banksStamp;
    TeacherDialogs &m_dialogs;
    ResultsModel m_results;
    ResultsFilter m_shown{m_results};
    QString m_locationProblem;

    QFileSystemWatcher m_watcher;
    QTimer m_pollTimer;
    // The choices, the summary and the chart follow once the table is painted: a long log shows
    // its table first.
    QTimer m_choicesDue;
    // The record at the top of the view while rows come and go, and whether the view followed
    // the end.
    int m_anchor = -1;
    bool m_atEnd = false;

    QLabel *m_state = nullptr;
    QDateTime m_openedAt = QDateTime::currentDateTime();
    QComboBox *m_lessonFilter = nullptr;
    QDateTimeEdit *m_since = nullptr;
    QComboBox *m_gradeFilter = nullptr;
    QComboBox *m_groupFilter = nullptr;
    QLineEdit *m_nameFilter = nullptr;
    QLineEdit *m_thresholds = nullptr;
    QLabel *m_thresholdsProblem = nullptr;
    QMap<QString, QSpinBox *> m_questions;
    QTableView *m_table = nullptr;
    QStandardItemModel *m_summary = nullptr;
    QTableView *m_summaryView = nullptr;
    QChart *m_chart = nullptr;
    QWidget *m_chartView = nullptr;
    QLabel *m_findingsTitle = nullptr;
    QStandardItemModel *m_questionFigures = nullptr;
    QTableView *m_questionView = nullptr;
    QLabel *m_questionsTitle = nullptr;
    QString m_questionsBank;
    QListWidget *m_findings = nullptr;
};
