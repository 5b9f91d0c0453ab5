#include "platform/handlerguard.h"
#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "support/scripteddialogs.h"

#include <QtTest>

// How an input/output error reaches the user: the error box's text and caption.
class TestHandlerGuard : public QObject {
    Q_OBJECT

private slots:
    void errorBoxText_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");

        QTest::newRow("letter gets a full stop") << "File not found"
                                                 << "File not found.";
        QTest::newRow("digit gets a full stop") << "I/O error 32"
                                                << "I/O error 32.";
        QTest::newRow("Cyrillic letter") << "Файл пуст"
                                         << "Файл пуст.";
        QTest::newRow("full stop stays single") << "Готово."
                                                << "Готово.";
        QTest::newRow("exclamation sorts before") << "Стоп!"
                                                  << "Стоп!";
        QTest::newRow("bracket sorts before") << "(2)"
                                              << "(2)";
        QTest::newRow("comma sorts before") << "a,"
                                            << "a,";
        QTest::newRow("slash sorts after") << "path/"
                                           << "path/.";
        QTest::newRow("empty stays empty") << ""
                                           << "";
    }

    void errorBoxText()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(ErrorBoxText(message), shown);
    }

    void applicationTitle_data()
    {
        QTest::addColumn<QString>("programFile");
        QTest::addColumn<QString>("title");

        QTest::newRow("folder dropped, lower case") << "/usr/bin/ORTUS"
                                                    << "Ortus";
        QTest::newRow("cut at the first full stop") << "C:/Games/ORTUS.EXE"
                                                    << "Ortus";
        QTest::newRow("first letter kept") << "/opt/ortus.bin"
                                           << "ortus";
        QTest::newRow("several full stops") << "/x/My.Quiz.exe"
                                            << "My";
        QTest::newRow("Cyrillic name") << "/x/ОРТУС2000.exe"
                                       << "Ортус2000";
        QTest::newRow("name starting with a full stop") << "/x/.hidden"
                                                        << "";
    }

    void applicationTitle()
    {
        QFETCH(QString, programFile);
        QFETCH(QString, title);
        QCOMPARE(ApplicationTitle(programFile), title);
    }

    // A failed file statement inside a handler: the rest of the handler does not run and the box
    // shows the message with its full stop under the program's title.
    void ioErrorReachesTheBox_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("missing file") << 2 << "File not found.";
        QTest::newRow("in use") << 32 << "I/O error 32.";
        QTest::newRow("bad number") << 106 << "Invalid numeric input.";
    }

    void ioErrorReachesTheBox()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        ScriptedDialogs dialogs;
        bool rest = false;
        RunGuarded(dialogs, [&] {
            if (code != 0) {
                throw EInOutError(code);
            }
            rest = true;
        });
        QVERIFY(!rest);
        QCOMPARE(dialogs.shown().size(), qsizetype(1));
        QCOMPARE(dialogs.shown().front().kind, ScriptedDialogs::Kind::Error);
        QCOMPARE(dialogs.shown().front().text, text);
        QCOMPARE(dialogs.shown().front().caption,
                 ApplicationTitle(QCoreApplication::applicationFilePath()));
        QCOMPARE(dialogs.shown().front().caption, QStringLiteral("tst_handlerguard"));
    }

    void missingFileThroughTheStatementCheck()
    {
        ScriptedDialogs dialogs;
        RunGuarded(dialogs, [] {
            TextFile file("no-such-settings-file.ini");
            file.OpenForReading();
            CheckIo();
        });
        QCOMPARE(dialogs.texts(), QStringList{"File not found."});
        QCOMPARE(PendingIoCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestHandlerGuard)
#include "tst_handlerguard.moc"
