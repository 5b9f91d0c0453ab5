#pragma once

#include <QMenu>

#include <functional>

class QKeyEvent;

// The teacher's commands: a popup menu that is never shown; its items act by their shortcuts,
// which the window matches itself, ahead of whichever of its controls holds the keyboard.
class CommandMenu : public QMenu {
    Q_OBJECT
public:
    explicit CommandMenu(QWidget *window);

    // An item that runs `command`, unless a command is running already (its dialog is open).
    QAction *AddCommand(const QString &caption, const QKeySequence &shortcut,
                        std::function<void()> command);
    // Runs the command whose shortcut the key press is; false when it is none.
    bool RunShortcut(const QKeyEvent &event);

private:
    bool m_commandRunning = false;
};
