#include "quiz/testfacts.h"

#include <QCryptographicHash>

std::string ShortHash(std::string_view bytes)
{
    const QByteArray digest =
        QCryptographicHash::hash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                 QCryptographicHash::Sha256);
    return digest.toHex().left(12).toStdString();
}
