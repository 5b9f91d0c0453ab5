#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

// A record as the quiz appends it to the results log, CP1251 bytes.
QByteArray LogRecordBytes(const QString &name, const char *grade, const QString &group, int score);

// A log as the quiz leaves it: created with its empty line, then one record per test.
QByteArray LogBytes(const QByteArrayList &records);
