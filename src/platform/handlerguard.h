#pragma once

#include <QString>

#include <functional>

class Dialogs;

// The error box's caption: the program file's name without its folder, cut at the first full
// stop, its first letter kept and the rest in lower case.
QString ApplicationTitle(const QString &programFilePath);

// The message as the error box shows it: a full stop is added when the last character sorts after
// ".", so "File not found" gains one and a message ending in "!" or "." does not.
QString ErrorBoxText(const QString &message);

// Runs one event handler, menu command, timer tick or the creation handler. Whatever error escapes
// ends the handler there and is shown in an error box; it never unwinds through Qt's event loop.
void RunGuarded(Dialogs &dialogs, const std::function<void()> &handler);
