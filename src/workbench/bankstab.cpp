#include "workbench/bankstab.h"

#include "runtime/cp1251.h"
#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "settings/settings.h"
#include "teacher/ioreason.h"
#include "workbench/filefollower.h"
#include "workbench/questioneditor.h"
#include "workbench/questionpreview.h"
#include "workbench/teacherdialogs.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

#include <cerrno>
#include <limits>

namespace {

const QString SourceFilter = QStringLiteral("Исходники банков (*.txt);;Все файлы (*)");

enum BankColumn { GradeColumn, FileColumn, CountColumn, TimeColumn, IssuesColumn, BankColumns };

constexpr int IssueRowRole = Qt::UserRole;
// Index into the document's issues; -1 for a finding of the file.
constexpr int IssueIndexRole = Qt::UserRole + 1;

QString TimeText(int seconds)
{
    if (seconds < 0) {
        return QStringLiteral("%1 с").arg(seconds);
    }
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// The number of questions read, and the header's when it promised another.
QString CountText(int read, int promised)
{
    return promised > 0 ? QStringLiteral("%1 (в заголовке %2)").arg(read).arg(promised)
                        : QString::number(read);
}

std::string LocalName(const QString &path)
{
    return path.toLocal8Bit().toStdString();
}

// Holds the preview as large as the space allows at the test window's proportions, at the top:
// the space the preview cannot use stays below and beside it, not between it and the editor.
class PreviewFrame : public QWidget {
public:
    PreviewFrame(QWidget *preview, QWidget *parent) : QWidget(parent), m_preview(preview)
    {
        m_preview->setParent(this);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

    QSize sizeHint() const override { return m_preview->sizeHint(); }
    QSize minimumSizeHint() const override
    {
        return {QuestionPreview::StageWidth / 4, QuestionPreview::StageHeight / 4};
    }

protected:
    void resizeEvent(QResizeEvent *) override
    {
        QSize stage(QuestionPreview::StageWidth, QuestionPreview::StageHeight);
        stage.scale(size(), Qt::KeepAspectRatio);
        m_preview->setGeometry((width() - stage.width()) / 2, 0, stage.width(), stage.height());
    }

private:
    QWidget *m_preview;
};

QToolButton *ActionButton(QAction *action, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setDefaultAction(action);
    return button;
}

} // namespace

BanksTab::BanksTab(TeacherDialogs &dialogs, QWidget *parent) : QWidget(parent), m_dialogs(dialogs)
{
    CreateActions();
    FolderLabel = new QLabel(this);
    FolderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Папка:"), this));
    top->addWidget(FolderLabel, 1);
    top->addWidget(ActionButton(OpenFolder, this));

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(CreateBankPane());
    splitter->addWidget(CreateQuestionPane());
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(splitter, 1);

    connect(&m_document, &BankDocument::IssuesChanged, this, [this] {
        // A moved question keeps the list's current row with it, without a signal.
        Editor->SetRow(CurrentRow());
        ShowPreview();
        ShowIssues();
        ShowBankRow(m_bank);
        UpdateActions();
    });
    connect(&m_document, &BankDocument::TimeLimitChanged, this, &BanksTab::ShowTimeLimit);
    connect(&m_document, &BankDocument::ModifiedChanged, this, [this] {
        ShowBankRow(m_bank);
        emit TitleChanged();
        // "Saved" and the like no longer describe a bank with new edits.
        if (m_document.IsModified()) {
            emit StatusMessage(QString());
        }
    });
    connect(&m_document, &BankDocument::RowTouched, this, &BanksTab::SelectRow);
    m_follower = new FileFollower(this);
    connect(m_follower, &FileFollower::Changed, this, &BanksTab::FileChanged);
    for (QLineEdit *field : findChildren<QLineEdit *>()) {
        field->installEventFilter(this);
    }
    // A spin box hands the keys to its own field without asking the field's filters.
    Minutes->installEventFilter(this);
    Seconds->installEventFilter(this);
    UpdateActions();
}

bool BanksTab::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void BanksTab::CreateActions()
{
    const auto make = [this](const QString &text, const QKeySequence &shortcut,
                             const std::function<void()> &run) {
        auto *action = new QAction(text, this);
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, run);
        addAction(action);
        return action;
    };
    OpenFolder = make(QStringLiteral("Открыть папку…"), QKeySequence::Open, [this] {
        if (const auto folder = m_dialogs.ChooseFolder(m_folder)) {
            OpenStartDirectory(*folder);
        }
    });
    for (std::size_t n = 0; n < Files.size(); ++n) {
        OpenBankActions[n] =
            make(QStringLiteral("Банк %1 (класс %2)")
                     .arg(QString::fromLatin1(Files[n]), QString::fromUtf8(Grades[n])),
                 QKeySequence(Qt::ALT | static_cast<Qt::Key>(Qt::Key_1 + n)),
                 [this, n] { Banks->setCurrentCell(static_cast<int>(n), FileColumn); });
    }
    CreateBank = make(QStringLiteral("Создать банк"),
                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), [this] {
                          m_document.Create(BankPath(m_bank));
                          SelectRow(0);
                          Editor->Text->setFocus();
                          emit StatusMessage(QStringLiteral("Банк %1 будет записан при сохранении.")
                                                 .arg(QFileInfo(m_document.FilePath()).fileName()));
                      });
    Save = make(QStringLiteral("Сохранить"), QKeySequence::Save, [this] { SaveBank(); });
    Import = make(QStringLiteral("Импорт…"), QKeySequence(Qt::CTRL | Qt::Key_I),
                  [this] { ImportSource(); });
    Export = make(QStringLiteral("Экспорт…"), QKeySequence(Qt::CTRL | Qt::Key_E),
                  [this] { ExportSource(); });

    Undo = m_document.UndoStack().createUndoAction(this, QStringLiteral("Отменить"));
    Undo->setShortcuts(QKeySequence::Undo);
    Redo = m_document.UndoStack().createRedoAction(this, QStringLiteral("Повторить"));
    Redo->setShortcuts(QKeySequence::Redo);
    addActions({Undo, Redo});
    CopyQuestion = make(QStringLiteral("Копировать вопрос"), QKeySequence::Copy, [this] {
        QGuiApplication::clipboard()->setText(m_document.SourceOf(CurrentRow()));
    });
    PasteQuestions =
        make(QStringLiteral("Вставить вопросы"), QKeySequence::Paste, [this] { Paste(); });

    AddQuestion =
        make(QStringLiteral("Добавить вопрос"), QKeySequence(Qt::CTRL | Qt::Key_N), [this] {
            m_document.AddQuestion(CurrentRow() + 1);
            Editor->Text->setFocus();
        });
    DuplicateQuestion =
        make(QStringLiteral("Дублировать вопрос"), QKeySequence(Qt::CTRL | Qt::Key_D),
             [this] { m_document.DuplicateQuestion(CurrentRow()); });
    RemoveQuestion = make(QStringLiteral("Удалить вопрос"), QKeySequence::Delete,
                          [this] { m_document.RemoveQuestion(CurrentRow()); });
    MoveUp = make(QStringLiteral("Переместить выше"), QKeySequence(Qt::ALT | Qt::Key_Up),
                  [this] { m_document.MoveQuestion(CurrentRow(), CurrentRow() - 1); });
    MoveDown = make(QStringLiteral("Переместить ниже"), QKeySequence(Qt::ALT | Qt::Key_Down),
                    [this] { m_document.MoveQuestion(CurrentRow(), CurrentRow() + 1); });
    AddAnswer = make(QStringLiteral("Добавить ответ"), QKeySequence(Qt::CTRL | Qt::Key_Return),
                     [this] { Editor->AddAnswer(); });
    RemoveAnswer =
        make(QStringLiteral("Удалить ответ"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete),
             [this] { m_document.RemoveAnswer(CurrentRow(), Editor->CurrentAnswer()); });
    for (int k = 0; k < MaxAnswers; ++k) {
        MarkCorrect[static_cast<std::size_t>(k)] =
            make(QStringLiteral("Верный ответ %1").arg(k + 1),
                 QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + k)),
                 [this, k] { m_document.SetCorrect(CurrentRow(), k); });
    }
    ShowAsPupil = make(QStringLiteral("Показать как ученику"), QKeySequence(Qt::Key_F5),
                       [this] { Preview->ShowFullSize(); });
    // Copying, pasting and deleting act on the question list only; elsewhere the keys are the
    // text fields' own.
    for (QAction *action : {CopyQuestion, PasteQuestions, RemoveQuestion}) {
        action->setShortcutContext(Qt::WidgetShortcut);
    }
}

QWidget *BanksTab::CreateBankPane()
{
    auto *pane = new QWidget(this);
    Banks = new QTableWidget(static_cast<int>(Files.size()), BankColumns, pane);
    Banks->setHorizontalHeaderLabels({QStringLiteral("Класс"), QStringLiteral("Файл"),
                                      QStringLiteral("Вопросов"), QStringLiteral("Время"),
                                      QStringLiteral("Замечаний")});
    Banks->verticalHeader()->hide();
    Banks->setAccessibleName(QStringLiteral("Банки по классам"));
    // Tab goes on to the next control; the arrow keys walk the banks.
    Banks->setTabKeyNavigation(false);
    Banks->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Banks->horizontalHeader()->setStretchLastSection(true);
    Banks->setSelectionBehavior(QAbstractItemView::SelectRows);
    Banks->setSelectionMode(QAbstractItemView::SingleSelection);
    Banks->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Banks->setFixedHeight(Banks->horizontalHeader()->sizeHint().height() +
                          4 * Banks->verticalHeader()->defaultSectionSize() + 4);
    for (int row = 0; row < Banks->rowCount(); ++row) {
        for (int column = 0; column < BankColumns; ++column) {
            Banks->setItem(row, column, new QTableWidgetItem);
        }
        Banks->item(row, GradeColumn)
            ->setText(QString::fromUtf8(Grades[static_cast<std::size_t>(row)]));
        Banks->item(row, FileColumn)
            ->setText(QString::fromLatin1(Files[static_cast<std::size_t>(row)]));
    }
    connect(Banks, &QTableWidget::currentCellChanged, this, [this](int row) { OpenBank(row); });

    Minutes = new QSpinBox(pane);
    // The longest time a bank's signed 32-bit seconds can hold.
    Minutes->setRange(0, std::numeric_limits<std::int32_t>::max() / 60 - 1);
    Minutes->setSuffix(QStringLiteral(" мин"));
    Minutes->setAccessibleName(QStringLiteral("Время на тест, минуты"));
    Seconds = new QSpinBox(pane);
    Seconds->setRange(0, 59);
    Seconds->setSuffix(QStringLiteral(" с"));
    Seconds->setAccessibleName(QStringLiteral("Время на тест, секунды"));
    for (QSpinBox *box : {Minutes, Seconds}) {
        connect(box, &QSpinBox::valueChanged, this, &BanksTab::TimeLimitEdited);
    }
    auto *timeCaption = new QLabel(QStringLiteral("&Время на тест:"), pane);
    timeCaption->setBuddy(Minutes);
    auto *time = new QHBoxLayout;
    time->addWidget(timeCaption);
    time->addWidget(Minutes);
    time->addWidget(Seconds);
    time->addStretch();

    QuestionList = new QTableView(pane);
    QuestionList->setModel(&m_document);
    QuestionList->setAccessibleName(QStringLiteral("Вопросы банка"));
    QuestionList->setTabKeyNavigation(false);
    QuestionList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QuestionList->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    QuestionList->horizontalHeader()->setSectionResizeMode(BankDocument::TextColumn,
                                                           QHeaderView::Stretch);
    QuestionList->setSelectionBehavior(QAbstractItemView::SelectRows);
    QuestionList->setSelectionMode(QAbstractItemView::SingleSelection);
    QuestionList->setWordWrap(false);
    // Grid lines between rows would be drop places outside every row, which append.
    QuestionList->setShowGrid(false);
    QuestionList->setAlternatingRowColors(true);
    QuestionList->setDragDropMode(QAbstractItemView::DragDrop);
    QuestionList->setDefaultDropAction(Qt::MoveAction);
    QuestionList->setDragDropOverwriteMode(false);
    QuestionList->addActions({CopyQuestion, PasteQuestions, RemoveQuestion});
    connect(QuestionList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &BanksTab::CurrentRowChanged);
    // The buttons under the list say it short, so that the pane leaves the preview its room on
    // a 1024 x 768 screen; the menus and tooltips say it in full.
    const std::array<std::pair<QAction *, QString>, 5> listButtons{
        {{AddQuestion, QStringLiteral("Добавить")},
         {DuplicateQuestion, QStringLiteral("Дублировать")},
         {RemoveQuestion, QStringLiteral("Удалить")},
         {MoveUp, QStringLiteral("Выше")},
         {MoveDown, QStringLiteral("Ниже")}}};
    auto *buttons = new QHBoxLayout;
    for (const auto &[action, shortText] : listButtons) {
        action->setIconText(shortText);
        buttons->addWidget(ActionButton(action, pane));
    }
    buttons->addStretch();

    Issues = new QListWidget(pane);
    Issues->setWordWrap(true);
    Issues->setAccessibleName(QStringLiteral("Замечания"));
    connect(Issues, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { IssueChosen(Issues->row(item)); });
    connect(Issues, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { IssueChosen(Issues->row(item)); });

    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Banks);
    layout->addLayout(time);
    layout->addWidget(QuestionList, 3);
    layout->addLayout(buttons);
    layout->addWidget(new QLabel(QStringLiteral("Замечания:"), pane));
    layout->addWidget(Issues, 1);
    return pane;
}

QWidget *BanksTab::CreateQuestionPane()
{
    auto *pane = new QWidget(this);
    Editor = new QuestionEditor(m_document, pane);
    Preview = new QuestionPreview(pane);
    PreviewNote = new QLabel(pane);
    PreviewNote->setWordWrap(true);
    PreviewNote->hide();
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Editor);
    layout->addWidget(new QLabel(QStringLiteral("Так вопрос увидит ученик:"), pane));
    layout->addWidget(PreviewNote);
    layout->addWidget(new PreviewFrame(Preview, pane), 1);
    return pane;
}

bool BanksTab::OpenStartDirectory(const QString &folder)
{
    if (!MayLeaveBank()) {
        return false;
    }
    m_folder = QDir(folder).absolutePath();
    FolderLabel->setText(QDir::toNativeSeparators(m_folder));
    ShowAppearance();
    emit StatusMessage(QString());
    m_bank = -1;
    m_document.Close();
    int first = -1;
    for (int index = 0; index < static_cast<int>(Files.size()); ++index) {
        ShowBankRow(index);
        if (first < 0 && QFile::exists(BankPath(index))) {
            first = index;
        }
    }
    {
        const QSignalBlocker blocker(Banks);
        Banks->setCurrentCell(std::max(first, 0), FileColumn);
    }
    OpenBank(std::max(first, 0));
    FollowFiles();
    emit StartDirectoryOpened(m_folder);
    return true;
}

void BanksTab::ShowAppearance()
{
    Settings settings;
    QString problem;
    try {
        ReadSettings(settings, LocalName(m_folder));
    } catch (const EInOutError &error) {
        problem = QStringLiteral("Не удаётся прочитать %1: %2. Вопрос показан без этих настроек.")
                      .arg(QString::fromLatin1(SettingsFileName), IoErrorReason(error.Code()));
    }
    PreviewNote->setText(problem);
    PreviewNote->setVisible(!problem.isEmpty());
    // The settings name their picture relative to the start directory, as the quiz reads them.
    Preview->SetAppearance(settings, LocalName(m_folder));
    m_picturePath = QFile::decodeName(QByteArray::fromStdString(
        FileSystemPathIn(LocalName(m_folder), settings.BackgroundPicturePath)));
}

void BanksTab::FollowFiles()
{
    QStringList paths{SettingsPath()};
    if (!m_picturePath.isEmpty()) {
        paths.append(m_picturePath);
    }
    for (int index = 0; index < static_cast<int>(Files.size()); ++index) {
        paths.append(BankPath(index));
    }
    m_follower->Follow(paths);
}

void BanksTab::FileChanged(const QString &path)
{
    if (path == SettingsPath() || path == m_picturePath) {
        const QString picture = m_picturePath;
        ShowAppearance();
        if (m_picturePath != picture) {
            FollowFiles();
        }
        return;
    }
    for (int index = 0; index < static_cast<int>(Files.size()); ++index) {
        if (path != BankPath(index)) {
            continue;
        }
        if (index != m_bank) {
            ShowBankRow(index);
        } else if (m_document.IsModified()) {
            emit StatusMessage(
                QStringLiteral("Файл %1 изменён другой программой; в окне остались "
                               "несохранённые правки, «Сохранить» запишет их "
                               "вместо него.")
                    .arg(QString::fromLatin1(Files[static_cast<std::size_t>(index)])));
        } else {
            const int row = CurrentRow();
            ReadOpenBank();
            SelectRow(std::min(row, m_document.rowCount() - 1));
            UpdateActions();
            emit TitleChanged();
        }
    }
}

QString BanksTab::SettingsPath() const
{
    return QDir(m_folder).filePath(QString::fromLatin1(SettingsFileName));
}

bool BanksTab::MayLeaveBank()
{
    if (!m_document.IsModified()) {
        return true;
    }
    switch (m_dialogs.AskUnsaved(QFileInfo(m_document.FilePath()).fileName())) {
    case TeacherDialogs::Unsaved::Save:
        SaveBank();
        return !m_document.IsModified();
    case TeacherDialogs::Unsaved::Discard:
        return true;
    case TeacherDialogs::Unsaved::Cancel:
        break;
    }
    return false;
}

QString BanksTab::BankTitle() const
{
    return m_bank < 0 ? QString()
                      : QString::fromLatin1(Files[static_cast<std::size_t>(m_bank)]) +
                            QStringLiteral("[*]");
}

void BanksTab::OpenBank(int index)
{
    if (index == m_bank || index < 0) {
        return;
    }
    if (!MayLeaveBank()) {
        const QSignalBlocker blocker(Banks);
        Banks->setCurrentCell(m_bank, FileColumn);
        return;
    }
    const int previous = m_bank;
    m_bank = index;
    ReadOpenBank();
    ShowBankRow(previous);
    SelectRow(m_document.rowCount() > 0 ? 0 : -1);
    UpdateActions();
    emit TitleChanged();
}

// The open bank's file read into the window anew; the status bar says what is odd about it.
void BanksTab::ReadOpenBank()
{
    const QString path = BankPath(m_bank);
    const QString name = QString::fromLatin1(Files[static_cast<std::size_t>(m_bank)]);
    m_document.Close();
    emit StatusMessage(QString());
    if (!QFile::exists(path)) {
        emit StatusMessage(
            QStringLiteral("Банка %1 нет в папке: его можно создать («Создать», %2).")
                .arg(name, CreateBank->shortcut().toString(QKeySequence::NativeText)));
        return;
    }
    const QString error = m_document.Open(path);
    if (!error.isEmpty()) {
        m_dialogs.Error(error);
    } else if (m_document.PromisedCount() > 0) {
        emit StatusMessage(QStringLiteral("Банк %1 прочитан не весь: в его заголовке указано "
                                          "вопросов %2, а в файле их %3.")
                               .arg(name)
                               .arg(m_document.PromisedCount())
                               .arg(m_document.rowCount()));
    }
}

// A bank's line in the list: the open one as it stands in the window, the others as on disk.
void BanksTab::ShowBankRow(int index)
{
    if (index < 0) {
        return;
    }
    const QString path = BankPath(index);
    QString count;
    QString time;
    QString issues;
    bool missing = false;
    if (index == m_bank && m_document.IsOpen()) {
        const BankSource &bank = m_document.Content();
        count = CountText(static_cast<int>(bank.questions.size()), m_document.PromisedCount());
        time = TimeText(bank.timeLimitSeconds);
        issues = QString::number(m_document.Issues().size() + m_document.FileFindings().size());
        if (m_document.IsModified()) {
            issues += QStringLiteral(" (не сохранён)");
        }
    } else if (!QFile::exists(path)) {
        count = QStringLiteral("нет файла");
        missing = true;
    } else {
        try {
            const ReadBank read = ReadBankAsFarAsPossible(LocalName(path));
            count = CountText(static_cast<int>(read.bank.questions.size()), read.promisedCount);
            time = TimeText(read.bank.timeLimitSeconds);
            issues = QString::number(read.findings.size());
        } catch (const EInOutError &error) {
            count = QStringLiteral("не читается: %1").arg(IoErrorReason(error.Code()));
        }
    }
    Banks->item(index, CountColumn)->setText(count);
    Banks->item(index, TimeColumn)->setText(time);
    Banks->item(index, IssuesColumn)->setText(issues);
    if (missing && Banks->cellWidget(index, IssuesColumn) == nullptr) {
        auto *create = new QPushButton(QStringLiteral("Создать"), Banks);
        connect(create, &QPushButton::clicked, this, [this, index] {
            Banks->setCurrentCell(index, FileColumn);
            if (m_bank == index && !m_document.IsOpen()) {
                CreateBank->trigger();
            }
        });
        Banks->setCellWidget(index, IssuesColumn, create);
    } else if (!missing) {
        Banks->removeCellWidget(index, IssuesColumn);
    }
}

void BanksTab::SelectRow(int row)
{
    if (row < 0 || row >= m_document.rowCount()) {
        QuestionList->selectionModel()->clearCurrentIndex();
        CurrentRowChanged();
        return;
    }
    QuestionList->setCurrentIndex(m_document.index(row, BankDocument::TextColumn));
}

void BanksTab::CurrentRowChanged()
{
    Editor->SetRow(CurrentRow());
    ShowPreview();
    UpdateActions();
}

void BanksTab::ShowIssues()
{
    Issues->clear();
    const std::vector<BankIssue> &issues = m_document.Issues();
    for (std::size_t n = 0; n < issues.size(); ++n) {
        const BankIssue &issue = issues[n];
        const QString where = issue.question < 0
                                  ? QStringLiteral("Банк")
                                  : QStringLiteral("Вопрос %1").arg(issue.question + 1);
        auto *item =
            new QListWidgetItem(style()->standardIcon(issue.fatal ? QStyle::SP_MessageBoxCritical
                                                                  : QStyle::SP_MessageBoxWarning),
                                QStringLiteral("%1: %2").arg(where, issue.message), Issues);
        item->setData(IssueRowRole, issue.question);
        item->setData(IssueIndexRole, static_cast<int>(n));
    }
    for (const BankFinding &finding : m_document.FileFindings()) {
        auto *item = new QListWidgetItem(
            style()->standardIcon(QStyle::SP_FileIcon),
            QStringLiteral("В файле, строка %1: %2").arg(finding.line).arg(finding.message),
            Issues);
        item->setData(IssueRowRole, m_document.QuestionAtLine(finding.line));
        item->setData(IssueIndexRole, -1);
    }
}

void BanksTab::IssueChosen(int item)
{
    const QListWidgetItem *entry = Issues->item(item);
    if (entry == nullptr) {
        return;
    }
    const int row = entry->data(IssueRowRole).toInt();
    const int index = entry->data(IssueIndexRole).toInt();
    if (row >= 0) {
        SelectRow(row);
    }
    if (index < 0 || static_cast<std::size_t>(index) >= m_document.Issues().size()) {
        return;
    }
    const BankIssue &issue = m_document.Issues()[static_cast<std::size_t>(index)];
    if (issue.field == BankIssue::Field::TimeLimit) {
        Minutes->setFocus();
    } else if (row >= 0) {
        Editor->FocusIssue(issue);
    }
}

void BanksTab::ShowTimeLimit()
{
    const int seconds = m_document.Content().timeLimitSeconds;
    const QSignalBlocker minutes(Minutes);
    const QSignalBlocker secondsBlocker(Seconds);
    Minutes->setValue(seconds / 60);
    Seconds->setValue(seconds % 60);
    ShowPreview();
}

void BanksTab::TimeLimitEdited()
{
    m_document.SetTimeLimit(Minutes->value() * 60 + Seconds->value());
}

void BanksTab::ShowPreview()
{
    const int row = CurrentRow();
    Preview->ShowQuestion(row >= 0 ? m_document.Question(row) : BankQuestion{}, row + 1,
                          m_document.Content().timeLimitSeconds);
}

void BanksTab::UpdateActions()
{
    const bool open = m_document.IsOpen();
    const int row = CurrentRow();
    const int rows = m_document.rowCount();
    const int answers = row >= 0 ? static_cast<int>(m_document.Question(row).answers.size()) : 0;
    CreateBank->setEnabled(!open && m_bank >= 0);
    for (QAction *action : {Save, Import, Export, PasteQuestions}) {
        action->setEnabled(open);
    }
    for (QWidget *control : {static_cast<QWidget *>(Minutes), static_cast<QWidget *>(Seconds)}) {
        control->setEnabled(open);
    }
    AddQuestion->setEnabled(open && rows < MaxQuestions);
    DuplicateQuestion->setEnabled(row >= 0 && rows < MaxQuestions);
    CopyQuestion->setEnabled(row >= 0);
    RemoveQuestion->setEnabled(row >= 0);
    MoveUp->setEnabled(row > 0);
    MoveDown->setEnabled(row >= 0 && row < rows - 1);
    AddAnswer->setEnabled(row >= 0 && answers < MaxAnswers);
    RemoveAnswer->setEnabled(answers > 0);
    for (int k = 0; k < MaxAnswers; ++k) {
        MarkCorrect[static_cast<std::size_t>(k)]->setEnabled(k < answers);
    }
}

void BanksTab::SaveBank()
{
    const QString error = m_document.Save();
    if (!error.isEmpty()) {
        m_dialogs.Error(error);
        return;
    }
    // The window's own write is no change from outside.
    m_follower->Known(m_document.FilePath());
    emit StatusMessage(
        QStringLiteral("Банк %1 сохранён.").arg(QFileInfo(m_document.FilePath()).fileName()));
}

void BanksTab::ImportSource()
{
    const auto path =
        m_dialogs.OpenFile(QStringLiteral("Импорт вопросов"),
                           QDir(m_folder).filePath(QStringLiteral("banks")), SourceFilter);
    if (!path) {
        return;
    }
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_dialogs.Error(QStringLiteral("Не удалось прочитать «%1»: %2.")
                            .arg(QFileInfo(*path).fileName(), FileErrorReason(*path, errno)));
        return;
    }
    const int before = m_document.rowCount();
    QString timeNote;
    const QString error = m_document.InsertSource(before, file.readAll(), &timeNote);
    if (!error.isEmpty()) {
        m_dialogs.Error(error);
        return;
    }
    emit StatusMessage(QStringLiteral("Добавлено вопросов: %1. %2")
                           .arg(m_document.rowCount() - before)
                           .arg(timeNote)
                           .trimmed());
}

void BanksTab::ExportSource()
{
    const QString suggested = QDir(m_folder).filePath(
        QStringLiteral("banks/%1.txt").arg(QFileInfo(m_document.FilePath()).completeBaseName()));
    const auto path =
        m_dialogs.SaveFile(QStringLiteral("Экспорт вопросов"), suggested, SourceFilter);
    if (!path) {
        return;
    }
    const QString error = m_document.Export(*path);
    if (!error.isEmpty()) {
        m_dialogs.Error(error);
    }
}

void BanksTab::Paste()
{
    const QString error =
        m_document.InsertSource(CurrentRow() + 1, QGuiApplication::clipboard()->text().toUtf8());
    if (!error.isEmpty()) {
        m_dialogs.Error(error);
    }
}

QString BanksTab::BankPath(int index) const
{
    return QDir(m_folder).filePath(QString::fromLatin1(Files[static_cast<std::size_t>(index)]));
}

int BanksTab::CurrentRow() const
{
    const QModelIndex current = QuestionList->currentIndex();
    return current.isValid() ? current.row() : -1;
}
