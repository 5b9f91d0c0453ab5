#include "support/mainwindow.h"

#include "app/tform1.h"

#include <QTest>

bool ShowStartedWindow(TForm1 &form)
{
    form.show();
    return QTest::qWaitForWindowExposed(&form) &&
           QTest::qWaitFor([&form] { return form.StartIsFinished(); });
}
