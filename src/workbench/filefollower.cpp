#include "workbench/filefollower.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sys/stat.h>

FileFollower::FileFollower(QObject *parent) : QObject(parent)
{
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &FileFollower::Look);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FileFollower::Look);
    connect(&m_timer, &QTimer::timeout, this, &FileFollower::Look);
    m_timer.setInterval(LookIntervalMs);
}

void FileFollower::Follow(const QStringList &paths)
{
    m_known.clear();
    for (const QString &path : paths) {
        m_known[path] = StateOf(path);
    }
    Watch();
    if (m_known.empty()) {
        m_timer.stop();
    } else {
        m_timer.start();
    }
}

void FileFollower::Known(const QString &path)
{
    const auto found = m_known.find(path);
    if (found != m_known.end()) {
        found->second = StateOf(path);
    }
}

void FileFollower::Look()
{
    QStringList changed;
    for (auto &[path, known] : m_known) {
        const State now = StateOf(path);
        if (!(now == known)) {
            known = now;
            changed.append(path);
        }
    }
    // A file replaced by a rename is no longer the one watched, and a new one is not watched
    // yet: the changed ones are watched anew.
    QStringList stale;
    for (const QString &path : changed) {
        if (m_watcher.files().contains(path)) {
            stale.append(path);
        }
    }
    if (!stale.isEmpty()) {
        m_watcher.removePaths(stale);
    }
    Watch();
    for (const QString &path : changed) {
        emit Changed(path);
    }
}

FileFollower::State FileFollower::StateOf(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return {};
    }
    return {true, static_cast<qint64>(status.st_size),
            static_cast<qint64>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec,
            static_cast<quint64>(status.st_dev), static_cast<quint64>(status.st_ino)};
}

void FileFollower::Watch()
{
    QSet<QString> wanted;
    for (const auto &[path, known] : m_known) {
        // The folder tells of files created, deleted and renamed over; the file of its writes.
        wanted.insert(QFileInfo(path).absolutePath());
        if (known.exists) {
            wanted.insert(path);
        }
    }
    QStringList watched = m_watcher.files() + m_watcher.directories();
    QStringList gone;
    for (const QString &path : watched) {
        if (!wanted.contains(path)) {
            gone.append(path);
        }
    }
    if (!gone.isEmpty()) {
        m_watcher.removePaths(gone);
    }
    watched = m_watcher.files() + m_watcher.directories();
    QStringList added;
    for (const QString &path : wanted) {
        if (!watched.contains(path) && QFileInfo::exists(path)) {
            added.append(path);
        }
    }
    if (!added.isEmpty()) {
        m_watcher.addPaths(added);
    }
}
