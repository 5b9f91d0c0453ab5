// The smallest Qt Widgets program, the baseline of bench_report: one 600 x 350 window, the size of
// the main window in registration mode. It prints "painted" after the window's first paint and
// ends. With the argument "text" the window shows one line of text, as every real window does,
// so that the baseline sets up fonts too; without it the window is empty.

#include "platform/afterpaint.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.resize(600, 350);
    if (argc > 1 && qstrcmp(argv[1], "text") == 0) {
        auto *label = new QLabel(QStringLiteral("Ортус 2000"), &window);
        label->move(20, 20);
    }
    new AfterPaint(window, [] {
        std::puts("painted");
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    window.show();
    return application.exec();
}
