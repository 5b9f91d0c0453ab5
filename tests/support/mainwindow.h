#pragma once

class TForm1;

// Shows the main window as the program does and waits until it has been painted and has made
// the rest of its controls; false when that does not happen.
bool ShowStartedWindow(TForm1 &form);
