// The program started exactly as main starts it, watched from inside for bench_report:
//   start              ends right after the main window's first paint;
//   script             a pupil registers, answers every question and the result is written;
//   idle-registration  at rest in registration mode, the intro dismissed;
//   idle-test          at rest during a test, between the countdown's ticks.
// It prints "painted" once the main window has first been painted, and the idle modes then
// "cpu SECONDS wall SECONDS" for ten seconds at rest.

#include "app/runortus.h"
#include "app/tform1.h"
#include "effectlabel/effectlabel.h"
#include "platform/afterpaint.h"
#include "platform/dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include <sys/resource.h>

namespace {

// Accepts every message and confirms every question, as a pupil who finishes the test would. An
// error box means the run went wrong, so it ends the run.
class BenchDialogs : public Dialogs {
public:
    void Information(const QString &) override {}
    Answer Confirmation(const QString &) override { return Answer::Ok; }
    void Error(const QString &caption, const QString &text) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
        std::exit(EXIT_FAILURE);
    }
    bool ChooseColour(ColourDialogState &) override { return false; }
    std::optional<QString> OpenPicture() override { return std::nullopt; }
    std::optional<QString> SaveFile() override { return std::nullopt; }
};

void SendMouse(QWidget *widget, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    const QPointF position(20, 20);
    QMouseEvent event(type, position, widget->mapToGlobal(position), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void Click(QWidget *widget)
{
    SendMouse(widget, QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
    SendMouse(widget, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
    QCoreApplication::processEvents();
}

void DismissIntro(TForm1 &form)
{
    Click(form.Memo1->viewport());
}

// Registers a fifth-grade pupil and starts the test.
void Register(TForm1 &form)
{
    form.Edit1->setText(QStringLiteral("Иванов Иван"));
    form.ComboBox1->setCurrentIndex(0);
    form.Edit3->setText(QStringLiteral("5А"));
    form.Button1->click();
    QCoreApplication::processEvents();
    if (!form.TestRunning()) {
        std::fputs("the test did not start\n", stderr);
        std::exit(EXIT_FAILURE);
    }
}

void AnswerEveryQuestion(TForm1 &form)
{
    for (int asked = 0; form.TestRunning(); ++asked) {
        if (asked > MaxQuestions) {
            std::fputs("the test did not end after every question\n", stderr);
            std::exit(EXIT_FAILURE);
        }
        Click(form.AnswerLabels[0]);
    }
}

double ProcessorSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &time) {
        return time.tv_sec + time.tv_usec / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Lets the window settle, then reports the processor time of ten seconds at rest.
void MeasureRest(TForm1 &form, bool inTest)
{
    constexpr int SettleMs = 1000;
    constexpr int RestMs = 10000;
    QTimer::singleShot(SettleMs, [&form, inTest] {
        const double cpu = ProcessorSeconds();
        const auto wall = std::chrono::steady_clock::now();
        QTimer::singleShot(RestMs, [&form, inTest, cpu, wall] {
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - wall;
            if (form.TestRunning() != inTest) {
                std::fputs("the window left the mode it rested in\n", stderr);
                std::exit(EXIT_FAILURE);
            }
            std::printf("cpu %.6f wall %.6f\n", ProcessorSeconds() - cpu, elapsed.count());
            QCoreApplication::quit();
        });
    });
}

void Painted()
{
    std::puts("painted");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    const char *mode = argc > 1 ? argv[1] : "";
    std::function<void(TForm1 &)> afterPaint;
    if (std::strcmp(mode, "start") == 0) {
        afterPaint = [](TForm1 &) {
            QCoreApplication::quit();
        };
    } else if (std::strcmp(mode, "script") == 0) {
        afterPaint = [](TForm1 &form) {
            DismissIntro(form);
            Register(form);
            AnswerEveryQuestion(form);
            QCoreApplication::quit();
        };
    } else if (std::strcmp(mode, "idle-registration") == 0) {
        afterPaint = [](TForm1 &form) {
            DismissIntro(form);
            MeasureRest(form, false);
        };
    } else if (std::strcmp(mode, "idle-test") == 0) {
        afterPaint = [](TForm1 &form) {
            DismissIntro(form);
            Register(form);
            MeasureRest(form, true);
        };
    } else {
        std::fputs("usage: probe_ortus start|script|idle-registration|idle-test\n", stderr);
        return EXIT_FAILURE;
    }

    BenchDialogs dialogs;
    return RunOrtus(argc, argv, dialogs, [&afterPaint](TForm1 &form) {
        new AfterPaint(form, [&form, &afterPaint] {
            Painted();
            afterPaint(form);
        });
    });
}
