// Takes the README's pictures of the program without a display: the intro, the registration
// screen, a question, the result screen, the help and background windows, and the teacher's
// window with a question selected and its preview, and with its results tab after a lesson of
// grade 7 (its marks, its per-question figures and its findings), also at the size of a classroom
// PC's 1024 x 768 screen.
// Usage (in a copy of the start directory): ortus-screenshots OUTPUT_FOLDER
#include "app/tform1.h"
#include "effectlabel/effectlabel.h"
#include "platform/animationcontrol.h"
#include "platform/dialogs.h"
#include "quiz/testrun.h"
#include "runtime/cp1251.h"
#include "windows/tform2.h"
#include "windows/tform3.h"
#include "workbench/bankstab.h"
#include "workbench/questionpreview.h"
#include "workbench/resultstab.h"
#include "workbench/teacherdialogs.h"
#include "workbench/teacherwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

// Answers every question with "OK" and records nothing: the pictures need no choices.
class AgreeingDialogs : public Dialogs {
public:
    void Information(const QString &) override {}
    Answer Confirmation(const QString &) override { return Answer::Ok; }
    void Error(const QString &caption, const QString &text) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    }
    bool ChooseColour(ColourDialogState &) override { return false; }
    std::optional<QString> OpenPicture() override { return std::nullopt; }
    std::optional<QString> SaveFile() override { return std::nullopt; }
};

bool Save(QWidget *widget, const QDir &folder, const QString &name)
{
    QApplication::processEvents();
    const bool saved = widget->grab().save(folder.filePath(name));
    if (!saved) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(folder.filePath(name)));
    }
    return saved;
}

// A lesson of grade 7 taken through the quiz's own test engine, so that each test has its detail:
// most answers right, question 2 of the bank answered wrong by everybody (as a wrong key makes
// it). Then one pupil's score is raised in the log by hand, which its detail shows.
void TakeLesson()
{
    static const char *const pupils[] = {"Громов Кирилл", "Ершова Лиза",   "Жуков Артём",
                                         "Зуева Полина",  "Исаев Никита",  "Карпова Яна",
                                         "Лапин Денис",   "Макарова Вика", "Носов Илья",
                                         "Осипова Таня",  "Панов Степан",  "Рябова Мила"};
    for (int pupil = 0; pupil < int(std::size(pupils)); ++pupil) {
        TestRun run;
        run.Seed(std::uint32_t(pupil + 1));
        run.Begin(ToCp1251(QString::fromUtf8(pupils[pupil])), 2,
                  ToCp1251(pupil % 2 == 0 ? QStringLiteral("7А") : QStringLiteral("7Б")));
        run.ReadTest({});
        run.Layout();
        for (int step = 0; run.Running(); ++step) {
            const int question = run.CurrentQuestion();
            const bool right = question != 2 && (pupil + step) % 4 != 0;
            int answer = 1;
            while (answer < run.AnswerCount() &&
                   IsCorrectAnswer(run.State().Bank, question, answer) != right) {
                ++answer;
            }
            run.Answer(answer);
        }
        run.AppendRecord("Results.txt", {});
    }
    QFile log(QStringLiteral("Results.txt"));
    if (log.open(QIODevice::ReadWrite)) {
        QByteArray bytes = log.readAll();
        const QByteArray score = QByteArray::fromStdString(ToCp1251(QStringLiteral("Результат: ")));
        const qsizetype at =
            bytes.indexOf(score, bytes.indexOf(ToCp1251(QStringLiteral("Носов Илья")).c_str()));
        bytes.replace(at + score.size(), bytes.indexOf('\r', at) - at - score.size(), "21");
        log.seek(0);
        log.write(bytes);
    }
}

// The splitter that holds the widget, its parts given these widths.
void Widen(QWidget *widget, const QList<int> &sizes)
{
    for (QWidget *parent = widget->parentWidget(); parent; parent = parent->parentWidget()) {
        if (auto *splitter = qobject_cast<QSplitter *>(parent);
            splitter && splitter->orientation() == Qt::Horizontal) {
            splitter->setSizes(sizes);
            return;
        }
    }
}

// Shows the page of the results tab's lower views that holds the widget.
void ShowView(ResultsTab &tab, QWidget *widget)
{
    for (QTabWidget *views : tab.findChildren<QTabWidget *>()) {
        for (int page = 0; page < views->count(); ++page) {
            if (views->widget(page)->isAncestorOf(widget)) {
                views->setCurrentIndex(page);
            }
        }
    }
}

void MovePointer(QWidget *widget, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        return 1;
    }

    AgreeingDialogs dialogs;
    TForm1 form(dialogs);
    form.show();
    for (int frame = 0; frame < 20; ++frame) {
        form.Animate1->AdvanceFrame();
    }
    bool ok = Save(&form, folder, QStringLiteral("intro.png"));

    form.Memo1Click();
    form.Edit1->setText(QStringLiteral("Петрова Анна"));
    form.ComboBox1->setCurrentIndex(2);
    form.Edit3->setText(QStringLiteral("7А"));
    ok = Save(&form, folder, QStringLiteral("registration.png")) && ok;

    form.Button1Click();
    form.EffectLabelMouseMove(2);
    MovePointer(form.EffectLabel2, QPoint(300, 30));
    ok = Save(&form, folder, QStringLiteral("question.png")) && ok;

    form.CheckOtv(1);
    form.Button2Click();
    ok = Save(&form, folder, QStringLiteral("result.png")) && ok;

    TForm2 help(&form);
    help.show();
    ok = Save(&help, folder, QStringLiteral("help.png")) && ok;
    TForm3 background(form.Commands(), dialogs, &form);
    background.show();
    ok = Save(&background, folder, QStringLiteral("background.png")) && ok;
    background.close();
    help.close();
    form.hide();

    TakeLesson();
    // The window's size and position go to a scratch file, not to the user's configuration.
    const QTemporaryDir configuration;
    UnattendedTeacherDialogs teacherDialogs;
    TeacherWindow teacher(&teacherDialogs, configuration.filePath(QStringLiteral("teacher.conf")));
    teacher.Banks->OpenStartDirectory(QDir::currentPath());
    teacher.resize(1200, 780);
    teacher.show();
    teacher.Banks->QuestionList->selectRow(1);
    QApplication::processEvents();
    QuestionPreview *preview = teacher.Banks->Preview;
    MovePointer(preview, QPoint(preview->width() / 2, preview->height() * 235 / 600));
    ok = Save(&teacher, folder, QStringLiteral("teacher.png")) && ok;
    teacher.Tabs->setCurrentWidget(teacher.Results);
    // The details are read beside the window; the pictures show their marks.
    while (teacher.Results->results().detailsPending()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    ok = Save(&teacher, folder, QStringLiteral("results.png")) && ok;
    teacher.Results->gradeFilter()->setCurrentText(QStringLiteral("7"));
    ShowView(*teacher.Results, teacher.Results->questionView());
    // Drawn wider by the teacher, as its question texts ask.
    Widen(teacher.Results->questionView(), {420, 760});
    ok = Save(&teacher, folder, QStringLiteral("results-questions.png")) && ok;
    teacher.Results->gradeFilter()->setCurrentIndex(0);
    ShowView(*teacher.Results, teacher.Results->findings());
    ok = Save(&teacher, folder, QStringLiteral("results-findings.png")) && ok;

    // On a classroom PC's 1024 x 768 screen, less the window's title bar and a panel.
    teacher.resize(1024, 720);
    ok = Save(&teacher, folder, QStringLiteral("results-1024.png")) && ok;
    teacher.Tabs->setCurrentWidget(teacher.Banks);
    MovePointer(preview, QPoint(preview->width() / 2, preview->height() * 235 / 600));
    ok = Save(&teacher, folder, QStringLiteral("teacher-1024.png")) && ok;
    return ok ? 0 : 1;
}
