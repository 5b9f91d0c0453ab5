#pragma once

#include <functional>

class Dialogs;
class TForm1;

// The whole run of the program as main starts it: the application object, the main window and
// its hidden companions, then the event loop; returns the exit code. A caller that watches the
// run (the start-up benchmark) gets the main window in started just before it is first shown.
int RunOrtus(int &argc, char **argv, Dialogs &dialogs,
             const std::function<void(TForm1 &)> &started = {});
