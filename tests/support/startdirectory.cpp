#include "support/startdirectory.h"

#include <QDir>
#include <QFile>

#include <stdexcept>

QString ShippedFile(const QString &name)
{
    return QStringLiteral(ORTUS_SOURCE_DIR "/data/") + name;
}

QStringList ShippedStartDirectory()
{
    return QDir(QStringLiteral(ORTUS_SOURCE_DIR "/data")).entryList(QDir::Files);
}

StartDirectoryFixture::StartDirectoryFixture(const QStringList &shippedFiles)
    : m_previous(QDir::currentPath())
{
    if (!m_directory.isValid()) {
        throw std::runtime_error("cannot create a temporary start directory");
    }
    for (const QString &name : shippedFiles) {
        if (!QFile::copy(ShippedFile(name), m_directory.filePath(name))) {
            throw std::runtime_error("cannot copy a shipped file: " + name.toStdString());
        }
        QFile::setPermissions(m_directory.filePath(name),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    }
    QDir::setCurrent(m_directory.path());
}

StartDirectoryFixture::~StartDirectoryFixture()
{
    QDir::setCurrent(m_previous);
}

void StartDirectoryFixture::WriteFile(const QString &name, const QByteArray &bytes) const
{
    WriteFixtureFile(m_directory.filePath(name), bytes);
}

QByteArray StartDirectoryFixture::ReadFile(const QString &name) const
{
    QFile file(m_directory.filePath(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

QByteArray CrLfLines(std::initializer_list<const char *> lines)
{
    QByteArray bytes;
    for (const char *line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

std::string WriteFixtureFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
    return path.toStdString();
}
