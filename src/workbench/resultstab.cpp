#include "workbench/resultstab.h"

#include "quiz/questionbank.h"
#include "quiz/resultdetail.h"
#include "quiz/resultslog.h"
#include "runtime/cp1251.h"
#include "workbench/classfiles.h"
#include "workbench/classsheet.h"
#include "workbench/markschart.h"
#include "workbench/teacherdialogs.h"
#include "workbench/teacherhelp.h"

#include <QChartView>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QSaveFile>
#include <QScrollBar>
#include <QSet>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString AllGrades = QStringLiteral("Все классы");
const QString AllGroups = QStringLiteral("Все ЮГП");

QWidget *Titled(const QString &title, QWidget *content, QLabel **titleLabel = nullptr)
{
    auto *box = new QWidget;
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(title);
    layout->addWidget(label);
    layout->addWidget(content);
    if (titleLabel != nullptr) {
        *titleLabel = label;
    }
    return box;
}

} // namespace

ResultsTab::ResultsTab(TeacherDialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_dialogs(dialogs)
{
    BuildControls();
    connect(&m_results, &ResultsModel::logChanged, this, &ResultsTab::LogChanged);
    // Rows that arrive must not move the rows the teacher is reading.
    connect(&m_shown, &QAbstractItemModel::rowsAboutToBeInserted, this, &ResultsTab::RememberTop);
    connect(&m_shown, &QAbstractItemModel::rowsInserted, this, &ResultsTab::KeepTop);
    connect(&m_shown, &QAbstractItemModel::rowsAboutToBeRemoved, this, &ResultsTab::RememberTop);
    connect(&m_shown, &QAbstractItemModel::rowsRemoved, this, &ResultsTab::KeepTop);
    connect(&m_shown, &QAbstractItemModel::layoutAboutToBeChanged, this, &ResultsTab::RememberTop);
    connect(&m_shown, &QAbstractItemModel::layoutChanged, this, &ResultsTab::KeepTop);

    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &ResultsTab::poll);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &ResultsTab::poll);
    connect(&m_pollTimer, &QTimer::timeout, this, &ResultsTab::poll);
    m_pollTimer.start(PollMilliseconds);
    m_choicesDue.setSingleShot(true);
    connect(&m_choicesDue, &QTimer::timeout, this, &ResultsTab::ShowChoices);
    LogChanged();
}

void ResultsTab::OpenStartDirectory(const QString &folder)
{
    m_startDirectory = folder;
    ReadBankCounts();
    const QuizLog log = QuizResultsLog(folder);
    if (log.path.isEmpty()) {
        StopWatching();
        m_locationProblem = log.problem;
        m_results.closeLog();
    } else {
        openLog(log.path);
    }
}

void ResultsTab::BuildControls()
{
    auto *tools = new QToolBar;
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    OpenLog = tools->addAction(QStringLiteral("Открыть журнал…"), this, &ResultsTab::ChooseLog);
    OpenLog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    SaveCsv = tools->addAction(QStringLiteral("Сохранить CSV…"), this, &ResultsTab::ChooseCsv);
    SaveCsv->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    PrintSheet = tools->addAction(QStringLiteral("Печать…"), this, &ResultsTab::Print);
    PrintSheet->setShortcut(QKeySequence::Print);
    SavePdf = tools->addAction(QStringLiteral("Сохранить PDF…"), this, &ResultsTab::ChoosePdf);
    SavePdf->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));

    m_state = new QLabel;
    m_state->setWordWrap(true);
    m_state->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_gradeFilter = new QComboBox;
    m_groupFilter = new QComboBox;
    m_nameFilter = new QLineEdit;
    m_nameFilter->setPlaceholderText(QStringLiteral("часть имени"));
    m_nameFilter->setClearButtonEnabled(true);
    // Names for a screen reader; the captions beside them are not linked to them.
    m_gradeFilter->setAccessibleName(QStringLiteral("Класс"));
    m_groupFilter->setAccessibleName(QStringLiteral("ЮГП"));
    m_nameFilter->setAccessibleName(QStringLiteral("Ученик"));
    connect(m_gradeFilter, &QComboBox::currentIndexChanged, this, &ResultsTab::ApplyFilter);
    connect(m_groupFilter, &QComboBox::currentIndexChanged, this, &ResultsTab::ApplyFilter);
    connect(m_nameFilter, &QLineEdit::textChanged, this, &ResultsTab::ApplyFilter);
    auto *filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("Класс:")));
    filters->addWidget(m_gradeFilter);
    filters->addWidget(new QLabel(QStringLiteral("ЮГП:")));
    filters->itemAt(filters->count() - 1)->widget()->setToolTip(GroupToolTip());
    m_groupFilter->setToolTip(GroupToolTip());
    filters->addWidget(m_groupFilter);
    filters->addWidget(new QLabel(QStringLiteral("Ученик:")));
    filters->addWidget(m_nameFilter, 1);
    // The lesson: the tests since the window was opened, since the day began, or since a moment.
    m_lessonFilter = new QComboBox;
    m_lessonFilter->addItems({QStringLiteral("всё время"), QStringLiteral("этот урок"),
                              QStringLiteral("сегодня"), QStringLiteral("с момента:")});
    m_lessonFilter->setToolTip(QStringLiteral("«Этот урок» — тесты с тех пор, как окно открыто. "
                                              "Записи без подробностей времени не имеют."));
    m_since = new QDateTimeEdit(m_openedAt);
    m_since->setDisplayFormat(QStringLiteral("dd.MM.yyyy HH:mm"));
    m_since->setEnabled(false);
    m_lessonFilter->setAccessibleName(QStringLiteral("Когда"));
    m_since->setAccessibleName(QStringLiteral("Результаты с момента"));
    connect(m_lessonFilter, &QComboBox::currentIndexChanged, this, &ResultsTab::ApplyFilter);
    connect(m_since, &QDateTimeEdit::dateTimeChanged, this, &ResultsTab::ApplyFilter);
    // A row of its own: beside the others it would make the tab wider than a 1024 x 768 screen.
    auto *lesson = new QHBoxLayout;
    lesson->addWidget(new QLabel(QStringLiteral("Когда:")));
    lesson->addWidget(m_lessonFilter);
    lesson->addWidget(m_since);
    lesson->addStretch(1);

    m_thresholds = new QLineEdit(QStringLiteral("50,70,85"));
    m_thresholds->setMaximumWidth(90);
    m_thresholds->setAccessibleName(QStringLiteral("Пороги оценок 3, 4, 5 (%)"));
    m_thresholds->setToolTip(QStringLiteral("Проценты верных ответов для оценок 3, 4 и 5"));
    m_thresholdsProblem = new QLabel(QStringLiteral(
        "Пороги: три процента от 0 до 100 по возрастанию через запятую, например 50,70,85. "
        "Оценки поставлены по прежним порогам."));
    m_thresholdsProblem->setWordWrap(true);
    m_thresholdsProblem->setStyleSheet(QStringLiteral("color: #b00000"));
    m_thresholdsProblem->hide();
    connect(m_thresholds, &QLineEdit::textChanged, this, [this](const QString &text) {
        const std::optional<MarkScale> scale = ParseMarkScale(text);
        m_thresholdsProblem->setVisible(!scale);
        if (scale) {
            m_results.setMarkScale(*scale);
            ShowSummary();
        }
    });
    auto *marks = new QHBoxLayout;
    marks->addWidget(new QLabel(QStringLiteral("Пороги оценок 3, 4, 5 (%):")));
    marks->addWidget(m_thresholds);
    marks->addSpacing(12);
    marks->addWidget(new QLabel(QStringLiteral("Вопросов в тесте:")));
    for (int grade = 5; grade <= 11; ++grade) {
        const QString text = QString::number(grade);
        auto *count = new QSpinBox;
        count->setRange(0, MaxQuestions);
        count->setSpecialValueText(QStringLiteral("—"));
        count->setAccessibleName(QStringLiteral("Вопросов в тесте %1 класса").arg(text));
        count->setToolTip(QStringLiteral("Число вопросов теста %1 класса (по банку класса; "
                                         "«—»: не известно, оценки не ставятся)")
                              .arg(text));
        // The summary follows once for all the counts that the banks set together.
        connect(count, &QSpinBox::valueChanged, this, [this, text](int value) {
            m_results.setQuestionCount(text, value);
            m_choicesDue.start();
        });
        m_questions.insert(text, count);
        marks->addWidget(new QLabel(text + QLatin1Char(':')));
        marks->addWidget(count);
    }
    marks->addStretch(1);

    m_table = new QTableView;
    m_table->setModel(&m_shown);
    m_table->verticalHeader()->hide();
    m_table->setAccessibleName(QStringLiteral("Результаты"));
    // Tab goes on to the next control; the arrow keys walk the cells.
    m_table->setTabKeyNavigation(false);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setSortIndicator(ResultsModel::Order, Qt::AscendingOrder);
    m_table->setSortingEnabled(true);
    const int widths[] = {50, 210, 55, 70, 55, 60, 65, 130};
    for (int column = 0; column < ResultsModel::ColumnCount; ++column) {
        m_table->setColumnWidth(column, widths[column]);
    }

    m_summary = new QStandardItemModel(this);
    auto *summary = m_summaryView = new QTableView;
    summary->setModel(m_summary);
    summary->verticalHeader()->hide();
    summary->setAccessibleName(QStringLiteral("Итоги по классам и ЮГП"));
    summary->setTabKeyNavigation(false);
    summary->setEditTriggers(QAbstractItemView::NoEditTriggers);
    summary->verticalHeader()->setDefaultSectionSize(summary->fontMetrics().height() + 6);
    summary->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // As wide as its columns: the chart beside it gives way.
    summary->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    summary->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Expanding);
    m_chart = NewMarksChart();
    auto *chartView = new QChartView(m_chart);
    chartView->setRenderHint(QPainter::Antialiasing);
    chartView->setMinimumHeight(200);
    chartView->setAccessibleName(QStringLiteral("Оценки по классам и ЮГП"));
    m_chartView = chartView;
    m_findings = new QListWidget;
    m_findings->setWordWrap(true);
    m_findings->setAccessibleName(QStringLiteral("Замечания к результатам"));

    m_questionFigures = new QStandardItemModel(this);
    m_questionView = new QTableView;
    m_questionView->setModel(m_questionFigures);
    m_questionView->setAccessibleName(QStringLiteral("Результаты по вопросам"));
    m_questionView->verticalHeader()->hide();
    m_questionView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_questionView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_questionView->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_questionView->setToolTip(QStringLiteral("Двойной щелчок открывает вопрос во вкладке банков"));
    connect(m_questionView, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &at) {
        emit questionOpened(m_questionsBank, m_questionFigures->item(at.row(), 0)->data().toInt());
    });

    // The table over the whole width, the summary beside the chart, the per-question figures and
    // the findings below it: every column stays in view on a 1024 × 768 screen.
    auto *views = new QTabWidget;
    views->addTab(chartView, QStringLiteral("Оценки"));
    views->addTab(Titled(QString(), m_questionView, &m_questionsTitle),
                  QStringLiteral("По вопросам"));
    views->addTab(Titled(QString(), m_findings, &m_findingsTitle), QStringLiteral("Замечания"));
    // Its pages' tables would ask for their columns' width; the summary beside it comes first.
    views->setMinimumWidth(250);
    auto *lower = new QSplitter(Qt::Horizontal);
    lower->addWidget(Titled(QStringLiteral("Итоги по классам и ЮГП"), summary));
    lower->addWidget(views);
    lower->setStretchFactor(0, 3);
    lower->setStretchFactor(1, 2);
    auto *split = new QSplitter(Qt::Vertical);
    split->addWidget(m_table);
    split->addWidget(lower);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tools);
    layout->addWidget(m_state);
    layout->addLayout(filters);
    layout->addLayout(lesson);
    layout->addLayout(marks);
    layout->addWidget(m_thresholdsProblem);
    layout->addWidget(split, 1);
}

void ResultsTab::openLog(const QString &path)
{
    m_locationProblem.clear();
    StopWatching();
    m_results.openLog(path);
    Watch();
}

void ResultsTab::StopWatching()
{
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    if (!watched.isEmpty()) {
        m_watcher.removePaths(watched);
    }
}

// The grades' counts follow the banks: a bank saved in the bank tab or changed on disk.
void ResultsTab::ReadBankCounts()
{
    m_banksStamp = BanksStamp(m_startDirectory);
    const std::map<QString, int> counts = BankQuestionCounts(m_startDirectory);
    for (auto [grade, count] : m_questions.asKeyValueRange()) {
        const auto found = counts.find(grade);
        count->setValue(found == counts.end() ? 0 : found->second);
    }
}

void ResultsTab::poll()
{
    if (!m_startDirectory.isEmpty() && BanksStamp(m_startDirectory) != m_banksStamp) {
        ReadBankCounts();
        ShowQuestions();
    }
    m_results.poll();
    Watch();
}

// A log replaced by another file, or created after it was missing, is watched anew; the folder is
// watched for that. Where nothing can be watched the timer still looks.
void ResultsTab::Watch()
{
    const ResultsDocument *document = m_results.document();
    if (document == nullptr) {
        return;
    }
    const QFileInfo log(document->Path());
    if (log.exists() && !m_watcher.files().contains(log.filePath())) {
        m_watcher.addPath(log.filePath());
    }
    if (log.dir().exists() && !m_watcher.directories().contains(log.path())) {
        m_watcher.addPath(log.path());
    }
}

QString ResultsTab::stateText() const
{
    return m_state->text();
}

void ResultsTab::LogChanged()
{
    const ResultsDocument *document = m_results.document();
    if (document == nullptr) {
        m_state->setText(m_locationProblem);
    } else if (!document->Problem().isEmpty()) {
        m_state->setText(document->Problem());
    } else {
        m_state->setText(QStringLiteral("Журнал «%1»: записей %2, из них новых %3.")
                             .arg(document->Path())
                             .arg(m_results.rowCount())
                             .arg(m_results.arrived()) +
                         (m_results.detailsPending()
                              ? QStringLiteral(" Оценки и время появятся, когда прочитаются "
                                               "подробности тестов.")
                              : QString()));
    }

    m_findings->clear();
    if (document != nullptr) {
        for (const LogNote &note : document->Notes()) {
            m_findings->addItem(QStringLiteral("Строка %1: %2").arg(note.line).arg(note.message));
        }
        for (const LogNote &note : m_results.detailFindings()) {
            m_findings->addItem(
                note.line > 0 ? QStringLiteral("Строка %1: %2").arg(note.line).arg(note.message)
                              : note.message);
        }
    }
    // Results the quiz could not append (no log, no access) wait in the start directory.
    for (const ResultDetail &queued :
         QueuedResults(QFile::encodeName(m_startDirectory).toStdString())) {
        m_findings->addItem(
            QStringLiteral("Ждёт записи в журнал (журнал был недоступен): %1, %2 класс, %3, "
                           "баллов %4, %5.")
                .arg(FromCp1251(queued.record.PupilName), FromCp1251(queued.record.GradeText),
                     FromCp1251(queued.record.PupilGroup))
                .arg(queued.record.Score)
                .arg(QString::fromStdString(queued.time)));
    }
    m_findingsTitle->setText(QStringLiteral("Замечания к журналу: %1").arg(m_findings->count()));
    m_choicesDue.start();
}

void ResultsTab::ShowChoices()
{
    QSet<QString> grades;
    QSet<QString> groups;
    for (int row = 0; row < m_results.rowCount(); ++row) {
        grades.insert(m_results.record(row).grade);
        groups.insert(m_results.record(row).group);
    }
    QStringList gradeList(grades.begin(), grades.end());
    std::sort(gradeList.begin(), gradeList.end(), GradeBefore);
    QStringList groupList(groups.begin(), groups.end());
    groupList.sort();
    FillChoices(m_gradeFilter, gradeList, AllGrades);
    FillChoices(m_groupFilter, groupList, AllGroups);
    ApplyFilter();
}

// The choices follow the log; the teacher's choice stays while the log still has it.
void ResultsTab::FillChoices(QComboBox *box, const QStringList &values, const QString &all)
{
    const QStringList wanted = QStringList{all} + values;
    QStringList present;
    for (int i = 0; i < box->count(); ++i) {
        present.append(box->itemText(i));
    }
    if (present == wanted) {
        return;
    }
    const QString current = box->currentIndex() > 0 ? box->currentText() : QString();
    const QSignalBlocker blocker(box);
    box->clear();
    box->addItems(wanted);
    box->setCurrentIndex(current.isEmpty() ? 0 : std::max(0, int(wanted.indexOf(current))));
}

void ResultsTab::ApplyFilter()
{
    const auto chosen = [](const QComboBox *box) {
        return box->currentIndex() > 0 ? box->currentText() : QString();
    };
    m_shown.setFilter(chosen(m_gradeFilter), chosen(m_groupFilter), m_nameFilter->text());
    const std::array<QDateTime, 4> since{QDateTime(), m_openedAt, QDate::currentDate().startOfDay(),
                                         m_since->dateTime()};
    m_since->setEnabled(m_lessonFilter->currentIndex() == 3);
    m_shown.setSince(since[std::size_t(std::max(0, m_lessonFilter->currentIndex()))]);
    ShowSummary();
}

void ResultsTab::ShowSummary()
{
    const std::vector<ShownGroup> groups = ShownGroups(m_shown);
    const TextTable table = ShownSummaryTable(groups);
    m_summary->clear();
    m_summary->setHorizontalHeaderLabels(table.header);
    for (const QStringList &row : table.rows) {
        QList<QStandardItem *> items;
        for (qsizetype column = 0; column < row.size(); ++column) {
            auto *item = new QStandardItem(row[column]);
            item->setTextAlignment(table.rightAligned[std::size_t(column)]
                                       ? Qt::AlignRight | Qt::AlignVCenter
                                       : Qt::AlignLeft | Qt::AlignVCenter);
            items.append(item);
        }
        m_summary->appendRow(items);
    }
    ShowMarks(*m_chart, groups);
    m_chartView->setAccessibleDescription(MarksDescription(groups));
    ShowQuestions();
    // Nothing leaves the window without its marks.
    const bool complete = !groups.empty() && !m_results.detailsPending();
    PrintSheet->setEnabled(complete);
    SavePdf->setEnabled(complete);
    SaveCsv->setEnabled(!m_results.detailsPending());
}

void ResultsTab::ShowQuestions()
{
    const GradeQuestions figures = ShownQuestionStatistics(
        m_shown, m_gradeFilter->currentIndex() > 0 ? m_gradeFilter->currentText() : QString(),
        m_startDirectory);
    const TextTable table = QuestionStatisticsTable(figures.statistics, figures.bank);
    m_questionsBank = figures.bankFile;
    m_questionFigures->clear();
    m_questionFigures->setHorizontalHeaderLabels(table.header);
    QFont bold;
    bold.setBold(true);
    for (std::size_t q = 0; q < table.rows.size(); ++q) {
        const QuestionFigures &question = figures.statistics.questions[q];
        QList<QStandardItem *> items;
        for (const QString &cell : table.rows[q]) {
            auto *item = new QStandardItem(cell);
            // Everybody wrong: the key is the usual cause.
            if (question.allWrong()) {
                item->setBackground(QColor(255, 205, 205));
                item->setFont(bold);
                item->setToolTip(QStringLiteral("Все ответившие ответили неверно: проверьте ключ "
                                                "вопроса."));
            }
            items.append(item);
        }
        items.front()->setData(question.number);
        m_questionFigures->appendRow(items);
    }
    // The figures stay in view beside the number; the question's text takes what is left.
    QHeaderView *header = m_questionView->horizontalHeader();
    if (header->count() > 2) {
        header->moveSection(header->visualIndex(1), header->count() - 1);
        header->setSectionResizeMode(1, QHeaderView::Stretch);
    }
    QString title = QStringLiteral("По вопросам");
    if (!figures.problem.isEmpty()) {
        title += QStringLiteral(": ") + figures.problem;
    } else {
        title += QStringLiteral(" (%1, тестов %2, трудные первыми)")
                     .arg(figures.bankFile)
                     .arg(figures.statistics.tests);
    }
    if (figures.statistics.otherVersion > 0) {
        title += QStringLiteral("; ещё %1 тестов по прежней версии банка не сопоставлены")
                     .arg(figures.statistics.otherVersion);
    }
    m_questionsTitle->setText(title);
}

void ResultsTab::RememberTop()
{
    const QScrollBar *bar = m_table->verticalScrollBar();
    m_atEnd = bar->maximum() > 0 && bar->value() == bar->maximum();
    const int top = m_table->rowAt(0);
    m_anchor = top < 0 ? -1 : m_shown.mapToSource(m_shown.index(top, 0)).row();
}

// A view scrolled to the end follows the end; any other keeps its top row where it was.
void ResultsTab::KeepTop()
{
    if (m_atEnd) {
        m_table->scrollToBottom();
        return;
    }
    if (m_anchor < 0 || m_anchor >= m_results.rowCount()) {
        return;
    }
    const QModelIndex top = m_shown.mapFromSource(m_results.index(m_anchor, 0));
    if (top.isValid()) {
        m_table->scrollTo(top, QAbstractItemView::PositionAtTop);
    }
}

bool ResultsTab::saveCsv(const QString &path)
{
    // What ortus-results --csv writes for the same rows.
    const QByteArray bytes = CsvBytes(ShownResultsTable(m_shown));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        m_dialogs.Error(
            QStringLiteral("Не удаётся сохранить «%1»: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

bool ResultsTab::savePdf(const QString &path)
{
    const QString problem = SaveClassSheetPdf(path, m_shown, QDate::currentDate());
    if (!problem.isEmpty()) {
        m_dialogs.Error(QStringLiteral("Не удаётся сохранить «%1»: %2").arg(path, problem));
        return false;
    }
    return true;
}

void ResultsTab::ChooseLog()
{
    if (const auto path = m_dialogs.OpenFile(QStringLiteral("Открыть журнал"), m_startDirectory,
                                             QStringLiteral("Журналы (*.txt);;Все файлы (*)"))) {
        openLog(*path);
    }
}

void ResultsTab::ChooseCsv()
{
    if (const auto path = m_dialogs.SaveFile(QStringLiteral("Сохранить CSV"), m_startDirectory,
                                             QStringLiteral("CSV (*.csv)"))) {
        saveCsv(*path);
    }
}

void ResultsTab::ChoosePdf()
{
    if (const auto path = m_dialogs.SaveFile(QStringLiteral("Сохранить PDF"), m_startDirectory,
                                             QStringLiteral("PDF (*.pdf)"))) {
        savePdf(*path);
    }
}

void ResultsTab::Print()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    if (m_dialogs.SetUpPrinter(printer) &&
        !PaintClassSheet(printer, m_shown, QDate::currentDate())) {
        m_dialogs.Error(QStringLiteral("Не удаётся напечатать: принтер не принял страницы."));
    }
}
