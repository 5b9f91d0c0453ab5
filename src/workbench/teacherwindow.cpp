#include "workbench/teacherwindow.h"

#include "workbench/bankstab.h"
#include "workbench/resultstab.h"
#include "workbench/teacherdialogs.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>

namespace {

const QString Title = QStringLiteral("Ортус 2000 — учитель");
const QString GeometryKey = QStringLiteral("window/geometry");

} // namespace

TeacherWindow::TeacherWindow(TeacherDialogs *dialogs, const QString &geometryFile, QWidget *parent)
    : QMainWindow(parent), m_geometryFile(geometryFile)
{
    if (dialogs == nullptr) {
        m_ownDialogs = std::make_unique<QtTeacherDialogs>(this);
        dialogs = m_ownDialogs.get();
    }
    Tabs = new QTabWidget(this);
    Banks = new BanksTab(*dialogs, Tabs);
    Tabs->addTab(Banks, QStringLiteral("Банки вопросов"));
    Results = new ResultsTab(*dialogs, Tabs);
    Tabs->addTab(Results, QStringLiteral("Результаты"));
    connect(Banks, &BanksTab::StartDirectoryOpened, Results, &ResultsTab::OpenStartDirectory);
    // A question of the results' per-question view is opened in its bank.
    connect(Results, &ResultsTab::questionOpened, this, [this](const QString &bank, int number) {
        for (std::size_t i = 0; i < BanksTab::Files.size(); ++i) {
            if (bank == QLatin1String(BanksTab::Files[i])) {
                Tabs->setCurrentWidget(Banks);
                Banks->OpenBankActions[i]->trigger();
                Banks->QuestionList->selectRow(number - 1);
            }
        }
    });
    setCentralWidget(Tabs);
    CreateMenus();
    connect(Banks, &BanksTab::TitleChanged, this, &TeacherWindow::UpdateTitle);
    connect(Banks, &BanksTab::StatusMessage, statusBar(),
            [this](const QString &text) { statusBar()->showMessage(text); });
    UpdateTitle();
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

    QMenu *results = menuBar()->addMenu(QStringLiteral("&Результаты"));
    results->addActions({Results->OpenLog, Results->SaveCsv});
    results->addSeparator();
    results->addActions({Results->PrintSheet, Results->SavePdf});
}

void TeacherWindow::UpdateTitle()
{
    const QString bank = Banks->BankTitle();
    setWindowTitle(bank.isEmpty() ? Title : bank + QStringLiteral(" — ") + Title);
    setWindowModified(Banks->Document().IsModified());
}
