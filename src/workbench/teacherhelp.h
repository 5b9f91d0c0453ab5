#pragma once

#include <QList>
#include <QString>

class QMenu;

// The help of the teacher's window, in Russian: the shortcuts of its menus, read from the menus
// themselves so that the help never names a key the window does not know, the keys that act in
// the lists and fields, and the source format of the banks.
QString TeacherHelpHtml(const QList<QMenu *> &menus);

// What "ЮГП", the quiz's caption of the group field, stands for, as a tooltip wherever it shows.
QString GroupToolTip();
