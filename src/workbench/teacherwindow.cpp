#include "workbench/teacherwindow.h"

#include "workbench/bankstab.h"
#include "workbench/resultstab.h"
#include "workbench/teacherdialogs.h"
#include "workbench/teacherhelp.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMenuBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <utility>

namespace {

const QString Title = QStringLiteral("Ортус 2000 — учитель");
const QString GeometryKey = QStringLiteral("window/geometry");
const QString ResultsTitle = QStringLiteral("Результаты");

} // namespace

TeacherWindow::TeacherWindow(TeacherDialogs *dialogs, const QString &geometryFile, QWidget *parent,
                             ResultsBuilt results)
    : QMainWindow(parent), m_dialogs(dialogs), m_geometryFile(geometryFile)
{
    if (m_dialogs == nullptr) {
        m_ownDialogs = std::make_unique<QtTeacherDialogs>(this);
        m_dialogs = m_ownDialogs.get();
    }
    Tabs = new QTabWidget(this);
    Banks = new BanksTab(*m_dialogs, Tabs);
    Tabs->addTab(Banks, QStringLiteral("Банки вопросов"));
    m_resultsPlaceholder = new QWidget(Tabs);
    Tabs->addTab(m_resultsPlaceholder, ResultsTitle);
    connect(Tabs, &QTabWidget::currentChanged, this, [this] {
        if (Tabs->currentWidget() == m_resultsPlaceholder) {
            BuildResults();
        }
    });
    connect(Banks, &BanksTab::StartDirectoryOpened, this, [this](const QString &folder) {
        m_resultsFolder = folder;
        // Opened as the window first shows, the hidden results tab is built and reads its log
        // right after the first paint: the window is there sooner, and the tab a moment later.
        if (!isVisible() || m_painted) {
            BuildResults();
        }
    });
    setCentralWidget(Tabs);
    CreateMenus();
    connect(Banks, &BanksTab::TitleChanged, this, &TeacherWindow::UpdateTitle);
    connect(Banks, &BanksTab::StatusMessage, statusBar(),
            [this](const QString &text) { statusBar()->showMessage(text); });
    UpdateTitle();
    if (results == ResultsBuilt::AtOnce) {
        BuildResults();
    }
    resize(1200, 800);
    restoreGeometry(
        QSettings(m_geometryFile, QSettings::IniFormat).value(GeometryKey).toByteArray());
}

TeacherWindow::~TeacherWindow() = default;

QString TeacherWindow::DefaultGeometryFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/ortus/ortus-teacher.conf");
}

void TeacherWindow::FitToScreen(const QRect &available)
{
    // Room for the window manager's title bar and borders, which are not known before the
    // window shows.
    const QSize room = available.size() - QSize(16, 48);
    if (width() <= room.width() && height() <= room.height()) {
        return;
    }
    resize(size().boundedTo(room));
    move(available.topLeft());
    setWindowState(windowState() | Qt::WindowMaximized);
}

ResultsTab &TeacherWindow::OpenResultsTab()
{
    BuildResults();
    Tabs->setCurrentWidget(Results);
    return *Results;
}

void TeacherWindow::BuildResults()
{
    if (Results == nullptr) {
        Results = new ResultsTab(*m_dialogs, Tabs);
        // A question of the results' per-question view is opened in its bank.
        connect(Results, &ResultsTab::questionOpened, this,
                [this](const QString &bank, int number) {
                    for (std::size_t i = 0; i < BanksTab::Files.size(); ++i) {
                        if (bank == QLatin1String(BanksTab::Files[i])) {
                            Tabs->setCurrentWidget(Banks);
                            Banks->OpenBankActions[i]->trigger();
                            Banks->QuestionList->selectRow(number - 1);
                        }
                    }
                });
        m_resultsMenu->addActions({Results->OpenLog, Results->SaveCsv});
        m_resultsMenu->addSeparator();
        m_resultsMenu->addActions({Results->PrintSheet, Results->SavePdf});
        // The tab takes the waiting page's place; the teacher who was on it stays there.
        const bool current = Tabs->currentWidget() == m_resultsPlaceholder;
        const QSignalBlocker blocker(Tabs);
        Tabs->insertTab(Tabs->indexOf(m_resultsPlaceholder), Results, ResultsTitle);
        delete m_resultsPlaceholder;
        m_resultsPlaceholder = nullptr;
        if (current) {
            Tabs->setCurrentWidget(Results);
        }
    }
    if (!m_resultsFolder.isEmpty()) {
        Results->OpenStartDirectory(std::exchange(m_resultsFolder, QString()));
    }
}

bool TeacherWindow::event(QEvent *event)
{
    if (event->type() == QEvent::Paint && !m_painted) {
        m_painted = true;
        // Queued: the paint finishes first.
        QMetaObject::invokeMethod(this, &TeacherWindow::BuildResults, Qt::QueuedConnection);
    }
    return QMainWindow::event(event);
}

void TeacherWindow::closeEvent(QCloseEvent *event)
{
    if (!Banks->MayLeaveBank()) {
        event->ignore();
        return;
    }
    QSettings(m_geometryFile, QSettings::IniFormat).setValue(GeometryKey, saveGeometry());
    event->accept();
}

void TeacherWindow::CreateMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&Файл"));
    file->addAction(Banks->OpenFolder);
    file->addSeparator();
    for (QAction *action : Banks->OpenBankActions) {
        file->addAction(action);
    }
    file->addAction(Banks->CreateBank);
    file->addAction(Banks->Save);
    file->addSeparator();
    file->addAction(Banks->Import);
    file->addAction(Banks->Export);
    file->addSeparator();
    QAction *quit = file->addAction(QStringLiteral("Выход"), this, &QWidget::close);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Правка"));
    edit->addActions({Banks->Undo, Banks->Redo});
    edit->addSeparator();
    edit->addActions({Banks->CopyQuestion, Banks->PasteQuestions});

    QMenu *question = menuBar()->addMenu(QStringLiteral("&Вопрос"));
    question->addActions({Banks->AddQuestion, Banks->DuplicateQuestion, Banks->RemoveQuestion,
                          Banks->MoveUp, Banks->MoveDown});
    question->addSeparator();
    question->addActions({Banks->AddAnswer, Banks->RemoveAnswer});
    question->addSeparator();
    for (QAction *action : Banks->MarkCorrect) {
        question->addAction(action);
    }
    question->addSeparator();
    question->addAction(Banks->ShowAsPupil);

    // Its entries come with the results tab.
    m_resultsMenu = menuBar()->addMenu(QStringLiteral("&Результаты"));

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Справка"));
    ShowHelp =
        help->addAction(QStringLiteral("Клавиши и формат банков"), this, &TeacherWindow::OpenHelp);
    ShowHelp->setShortcut(QKeySequence::HelpContents);
}

void TeacherWindow::OpenHelp()
{
    if (Help == nullptr) {
        // The help lists the results menu's entries too.
        BuildResults();
        Help = new QDialog(this);
        Help->setWindowTitle(QStringLiteral("Справка — ") + Title);
        auto *text = new QTextBrowser(Help);
        QList<QMenu *> menus;
        for (QAction *menu : menuBar()->actions()) {
            if (menu->menu() != nullptr) {
                menus.append(menu->menu());
            }
        }
        text->setHtml(TeacherHelpHtml(menus));
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, Help);
        connect(buttons, &QDialogButtonBox::rejected, Help, &QDialog::reject);
        auto *layout = new QVBoxLayout(Help);
        layout->addWidget(text);
        layout->addWidget(buttons);
        Help->resize(620, 560);
    }
    Help->show();
    Help->raise();
    Help->activateWindow();
}

void TeacherWindow::UpdateTitle()
{
    const QString bank = Banks->BankTitle();
    setWindowTitle(bank.isEmpty() ? Title : bank + QStringLiteral(" — ") + Title);
    setWindowModified(Banks->Document().IsModified());
}
