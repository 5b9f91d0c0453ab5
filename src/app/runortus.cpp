#include "app/runortus.h"

#include "app/tform1.h"
#include "platform/animationcontrol.h"
#include "platform/dialogs.h"
#include "platform/handlerguard.h"
#include "platform/qtsetup.h"
#include "platform/windowplacement.h"
#include "windows/tform2.h"
#include "windows/tform3.h"

#include <QApplication>

#include <memory>

int RunOrtus(int &argc, char **argv, Dialogs &dialogs, const std::function<void(TForm1 &)> &started)
{
    QApplication application(argc, argv);
    LoadQtTranslations();

    std::unique_ptr<TForm1> form1;
    try {
        form1 = std::make_unique<TForm1>(dialogs);
    } catch (const AviOpenError &error) {
        // The intro is part of the main window: without it the program does not start.
        dialogs.Error(QStringLiteral("Application Error"),
                      ErrorBoxText(QString::fromUtf8(error.what())));
        return 1;
    }
    // Kept hidden, as at start-up; the commands open windows of their own. Made once the main
    // window has finished starting, so that they do not delay its first paint.
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;
    QObject::connect(form1.get(), &TForm1::StartFinished, form1.get(), [&] {
        form2 = std::make_unique<TForm2>();
        form3 = std::make_unique<TForm3>(form1->Commands(), dialogs);
    });

    CentreFrameOnScreen(*form1);
    if (started) {
        started(*form1);
    }
    form1->show();
    return application.exec();
}
