#pragma once

#include <QByteArray>

// What the session offers the program, as its environment says: an X display, a Wayland display,
// and the Qt platform the user asked for. An empty value counts as unset, as it does for Qt.
struct SessionDisplays {
    QByteArray Display;
    QByteArray WaylandDisplay;
    QByteArray QtPlatform;
};

// The Qt platform the quiz's window runs on. On a Wayland session a program cannot place its
// window nor keep it above the others, so the quiz goes through the X display (Xwayland) whenever
// there is one; the choice never rests on which of Qt's plugins are installed. A platform the
// user set is kept.
QByteArray ChooseQtPlatform(const SessionDisplays &session);

// Reads the session from the environment and sets QT_QPA_PLATFORM to the choice. Call before the
// application object is made.
void UseQtPlatformOfSession();
