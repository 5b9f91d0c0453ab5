#include "platform/platformchoice.h"

#include <QtGlobal>

QByteArray ChooseQtPlatform(const SessionDisplays &session)
{
    if (!session.QtPlatform.isEmpty()) {
        return session.QtPlatform;
    }
    // Without an X display on a Wayland session, Wayland itself is the only way left: the window
    // shows, though the compositor places it and may cover it.
    if (session.Display.isEmpty() && !session.WaylandDisplay.isEmpty()) {
        return QByteArrayLiteral("wayland");
    }
    // With no display at all this still names X, so Qt's message says which display is missing.
    return QByteArrayLiteral("xcb");
}

void UseQtPlatformOfSession()
{
    const SessionDisplays session{qgetenv("DISPLAY"), qgetenv("WAYLAND_DISPLAY"),
                                  qgetenv("QT_QPA_PLATFORM")};
    qputenv("QT_QPA_PLATFORM", ChooseQtPlatform(session));
}
