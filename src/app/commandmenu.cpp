#include "app/commandmenu.h"

#include <QKeyEvent>

CommandMenu::CommandMenu(QWidget *window) : QMenu(window)
{
    setObjectName(QStringLiteral("PopupMenu1"));
}

QAction *CommandMenu::AddCommand(const QString &caption, const QKeySequence &shortcut,
                                 std::function<void()> command)
{
    QAction *item = addAction(caption);
    item->setShortcut(shortcut);
    // The window's key filter runs the items, ahead of the focused control.
    item->setShortcutContext(Qt::WidgetShortcut);
    connect(item, &QAction::triggered, this, [this, command = std::move(command)] {
        if (m_commandRunning) {
            return;
        }
        m_commandRunning = true;
        command();
        m_commandRunning = false;
    });
    return item;
}

bool CommandMenu::RunShortcut(const QKeyEvent &event)
{
    const QKeySequence pressed(event.keyCombination());
    for (QAction *item : actions()) {
        if (!item->isSeparator() && item->shortcut() == pressed) {
            item->trigger();
            return true;
        }
    }
    return false;
}
