#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <map>

// Files followed on disk, as a teacher expects of a window that shows them: written, replaced,
// created or deleted by another program, each change is reported once. Change notifications
// come first; a look every second catches what they miss (network shares).
class FileFollower : public QObject {
    Q_OBJECT
public:
    static constexpr int LookIntervalMs = 1000;

    explicit FileFollower(QObject *parent = nullptr);

    // Follows these files from their present state on; the ones followed before are dropped.
    void Follow(const QStringList &paths);
    // Takes a file's present state as known, after the window itself has written it.
    void Known(const QString &path);
    // Reports every followed file whose state differs from the one known.
    void Look();

signals:
    void Changed(const QString &path);

private:
    // What tells one state of a file from another: a rewrite changes the time or the size, a
    // replacement the file's identity.
    struct State {
        bool exists = false;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        quint64 device = 0;
        quint64 inode = 0;
        bool operator==(const State &) const = default;
    };
    static State StateOf(const QString &path);
    void Watch();

    std::map<QString, State> m_known;
    QFileSystemWatcher m_watcher;
    QTimer m_timer;
};
