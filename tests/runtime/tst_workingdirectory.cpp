#include "runtime/workingdirectory.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestWorkingDirectory : public QObject {
    Q_OBJECT

private:
    QString m_previous;

private slots:
    void init() { m_previous = QDir::currentPath(); }
    void cleanup() { QDir::setCurrent(m_previous); }

    void currentDirectoryIsTheProcesssOne()
    {
        QTemporaryDir place;
        QVERIFY(QDir::setCurrent(place.path()));
        QCOMPARE(QString::fromStdString(CurrentDirectory()), QDir::currentPath());
    }

    void settingMovesTheProcess()
    {
        QTemporaryDir place;
        QVERIFY(SetCurrentDirectory(place.path().toStdString()));
        QCOMPARE(QDir::currentPath(), QDir(place.path()).canonicalPath());
    }

    void failingLeavesTheDirectoryAlone_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("missing directory") << "missing";
        QTest::newRow("a file") << "file";
        QTest::newRow("empty name") << "";
    }

    void failingLeavesTheDirectoryAlone()
    {
        QFETCH(QString, target);
        QTemporaryDir place;
        QFile file(place.filePath("file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(QDir::setCurrent(place.path()));
        const std::string before = CurrentDirectory();

        QVERIFY(!SetCurrentDirectory(target.toStdString()));
        QCOMPARE(CurrentDirectory(), before);
    }

    // A start directory that has been removed: setting it fails quietly.
    void removedDirectory()
    {
        QTemporaryDir parent;
        const QString doomed = parent.filePath("start");
        QVERIFY(QDir().mkdir(doomed));
        QVERIFY(SetCurrentDirectory(doomed.toStdString()));
        QVERIFY(QDir().rmdir(doomed));
        QVERIFY(SetCurrentDirectory(parent.path().toStdString()));
        QVERIFY(!SetCurrentDirectory(doomed.toStdString()));
        QCOMPARE(QString::fromStdString(CurrentDirectory()), QDir(parent.path()).canonicalPath());
    }
};

QTEST_GUILESS_MAIN(TestWorkingDirectory)
#include "tst_workingdirectory.moc"
