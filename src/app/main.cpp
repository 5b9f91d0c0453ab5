#include "app/runortus.h"
#include "platform/dialogs.h"

int main(int argc, char *argv[])
{
    QtDialogs dialogs;
    return RunOrtus(argc, argv, dialogs);
}
