#include "teacher/ioreason.h"

#include "runtime/textfile.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

QString IoErrorReason(int code)
{
    switch (code) {
    case 2:
        return QStringLiteral("файла нет");
    case 3:
        return QStringLiteral("папки нет");
    case 4:
        return QStringLiteral("открыто слишком много файлов");
    case 5:
        return QStringLiteral("нет доступа");
    case 21:
        return QStringLiteral("диск или сетевая папка недоступны");
    case 32:
        return QStringLiteral("файл занят другой программой");
    case 100:
        return QStringLiteral("файл кончился раньше, чем ожидалось");
    case 101:
    case 112:
        return QStringLiteral("диск заполнен");
    case 106:
        return QStringLiteral("там, где должно быть число, записано другое");
    case 206:
        return QStringLiteral("слишком длинное имя файла");
    case 223:
        return QStringLiteral("файл слишком большой");
    default:
        return QStringLiteral("ошибка ввода-вывода %1").arg(code);
    }
}

QString FileErrorReason(const QString &path, int error)
{
    if (error == ENOENT && !QFileInfo(QFileInfo(path).absolutePath()).isDir()) {
        return IoErrorReason(3);
    }
    return IoErrorReason(IoCodeFromErrno(error));
}
