#include "support/startdirectory.h"
#include "workbench/filefollower.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

// Files followed on disk: what another program does to them is reported once, and what the window
// wrote itself not at all.
using Change = std::function<void(const QString &path)>;
Q_DECLARE_METATYPE(Change)

class TestFileFollower : public QObject {
    Q_OBJECT

private slots:
    void reportsEachChangeOnce_data()
    {
        QTest::addColumn<bool>("existsBefore");
        QTest::addColumn<Change>("change");
        QTest::addColumn<bool>("reported");

        QTest::newRow("left alone") << true << Change([](const QString &) {}) << false;
        QTest::newRow("rewritten in place")
            << true << Change([](const QString &path) { WriteFixtureFile(path, "longer text"); })
            << true;
        QTest::newRow("replaced by a rename, same size") << true << Change([](const QString &path) {
            WriteFixtureFile(path + ".new", "text");
            QVERIFY(QFile::remove(path));
            QVERIFY(QFile::rename(path + ".new", path));
        }) << true;
        QTest::newRow("deleted") << true << Change([](const QString &path) {
            QVERIFY(QFile::remove(path));
        }) << true;
        QTest::newRow("created") << false << Change([](const QString &path) {
            WriteFixtureFile(path, "text");
        }) << true;
    }

    void reportsEachChangeOnce()
    {
        QFETCH(bool, existsBefore);
        QFETCH(Change, change);
        QFETCH(bool, reported);
        const QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("Vop5.dat"));
        const QString other = folder.filePath(QStringLiteral("Ortus00.ini"));
        WriteFixtureFile(other, "settings");
        if (existsBefore) {
            WriteFixtureFile(path, "text");
        }
        FileFollower follower;
        follower.Follow({path, other});
        QSignalSpy changed(&follower, &FileFollower::Changed);
        change(path);
        follower.Look();
        follower.Look();
        QCOMPARE(changed.size(), reported ? 1 : 0);
        if (reported) {
            QCOMPARE(changed.front().front().toString(), path);
        }
    }

    // The window's own save is known before anyone looks.
    void ownWriteIsNoChange()
    {
        const QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("Vop5.dat"));
        WriteFixtureFile(path, "text");
        FileFollower follower;
        follower.Follow({path});
        QSignalSpy changed(&follower, &FileFollower::Changed);
        WriteFixtureFile(path, "saved by the window");
        follower.Known(path);
        follower.Look();
        QCOMPARE(changed.size(), 0);
    }
};

QTEST_MAIN(TestFileFollower)
#include "tst_filefollower.moc"
