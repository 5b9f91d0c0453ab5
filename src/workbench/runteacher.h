#pragma once

#include <functional>

class TeacherWindow;

// The whole run of ortus-teacher as main starts it: the application object set up, the window on
// the current directory as its start directory, then the event loop; returns the exit code. A
// caller that watches the run (the start-up benchmark) gets the window in started just before it
// is first shown.
int RunTeacher(int &argc, char **argv, const std::function<void(TeacherWindow &)> &started = {});
