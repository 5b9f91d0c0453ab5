#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <initializer_list>
#include <string>

// A scratch start directory holding copies of shipped files; it is the current directory for the
// fixture's life and the previous one is restored afterwards.
class StartDirectoryFixture {
public:
    explicit StartDirectoryFixture(const QStringList &shippedFiles = {QStringLiteral("Ortus.avi")});
    ~StartDirectoryFixture();

    StartDirectoryFixture(const StartDirectoryFixture &) = delete;
    StartDirectoryFixture &operator=(const StartDirectoryFixture &) = delete;

    QString path() const { return m_directory.path(); }
    QString filePath(const QString &name) const { return m_directory.filePath(name); }
    void WriteFile(const QString &name, const QByteArray &bytes) const;
    QByteArray ReadFile(const QString &name) const;

private:
    QTemporaryDir m_directory;
    QString m_previous;
};

// A file of the shipped start directory in the repository.
QString ShippedFile(const QString &name);
// Every file of the shipped start directory.
QStringList ShippedStartDirectory();

// Writes a fixture file whole (a test cannot go on without it) and returns its path.
std::string WriteFixtureFile(const QString &path, const QByteArray &bytes);

// The lines as a text file holds them: each ended by CR LF.
QByteArray CrLfLines(std::initializer_list<const char *> lines);
