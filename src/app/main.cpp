#include "app/runortus.h"
#include "platform/dialogs.h"
#include "platform/platformchoice.h"

int main(int argc, char *argv[])
{
    // Before the application object: Qt takes its platform when that is made.
    UseQtPlatformOfSession();
    QtDialogs dialogs;
    return RunOrtus(argc, argv, dialogs);
}
