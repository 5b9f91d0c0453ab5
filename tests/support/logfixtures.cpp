#include "support/logfixtures.h"

#include "quiz/resultslog.h"
#include "runtime/cp1251.h"

QByteArray LogRecordBytes(const QString &name, const char *grade, const QString &group, int score)
{
    return QByteArray::fromStdString(
        ResultRecordBytes({ToCp1251(name), grade, ToCp1251(group), score}));
}

QByteArray LogBytes(const QByteArrayList &records)
{
    return "\r\n" + records.join();
}
