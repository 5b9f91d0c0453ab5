#include "platform/handlerguard.h"

#include "platform/dialogs.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <exception>

QString ApplicationTitle(const QString &programFilePath)
{
    QString name = QFileInfo(programFilePath).fileName();
    const qsizetype stop = name.indexOf(QLatin1Char('.'));
    if (stop >= 0) {
        name.truncate(stop);
    }
    if (name.isEmpty()) {
        return name;
    }
    return name.left(1) + name.mid(1).toLower();
}

QString ErrorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.')) {
        return message + QLatin1Char('.');
    }
    return message;
}

void RunGuarded(Dialogs &dialogs, const std::function<void()> &handler)
{
    QString message;
    try {
        handler();
        return;
    } catch (const std::exception &error) {
        message = QString::fromUtf8(error.what());
    } catch (...) {
        message = QStringLiteral("Unknown error");
    }
    dialogs.Error(ApplicationTitle(QCoreApplication::applicationFilePath()), ErrorBoxText(message));
}
