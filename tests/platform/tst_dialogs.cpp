#include "platform/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// Qt's own dialogs keep their state in the user's settings; the program's real dialogs leave the
// user's folders as they found them.
class DialogsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_config;

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        // Qt reads it when settings are first used, which is after this.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }

    // Each row starts from an empty folder.
    void init()
    {
        QVERIFY(QDir(m_config.path()).removeRecursively());
        QVERIFY(QDir().mkpath(m_config.path()));
    }

    void cancelledDialogWritesNothing_data()
    {
        QTest::addColumn<int>("dialog");
        QTest::newRow("colour dialog with custom colours") << 0;
        QTest::newRow("picture dialog") << 1;
        QTest::newRow("save dialog") << 2;
    }

    void cancelledDialogWritesNothing()
    {
        QFETCH(int, dialog);
        QtDialogs dialogs;
        QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
        if (dialog == 0) {
            ColourDialogState state;
            state.CustomColours[0] = qRgb(255, 0, 0);
            QVERIFY(!dialogs.ChooseColour(state));
        } else {
            QVERIFY(!(dialog == 1 ? dialogs.OpenPicture() : dialogs.SaveFile()));
        }
        QCOMPARE(QDir(m_config.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
