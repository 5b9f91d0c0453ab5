#include "platform/dialogs.h"
#include "platform/handlerguard.h"
#include "platform/qtsetup.h"
#include "runtime/textfile.h"
#include "support/scripteddialogs.h"
#include "support/startdirectory.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

// How the program talks to the user: the error box of a failed handler, and the real dialogs.
class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void errorBoxText_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("stopAdded");

        QTest::newRow("letter gets a full stop") << "File not found" << true;
        QTest::newRow("Cyrillic letter") << "Файл пуст" << true;
        QTest::newRow("full stop stays single") << "Готово." << false;
        QTest::newRow("exclamation sorts before") << "Стоп!" << false;
        QTest::newRow("slash sorts after") << "path/" << true;
        QTest::newRow("empty stays empty") << "" << false;
    }

    void errorBoxText()
    {
        QFETCH(QString, message);
        QFETCH(bool, stopAdded);
        QCOMPARE(ErrorBoxText(message), stopAdded ? message + '.' : message);
    }

    void applicationTitle_data()
    {
        QTest::addColumn<QString>("programFile");
        QTest::addColumn<QString>("title");

        QTest::newRow("folder dropped, lower case") << u"/usr/bin/ORTUS"_s << "Ortus";
        QTest::newRow("cut at the first full stop") << u"/x/My.Quiz.exe"_s << "My";
        QTest::newRow("Cyrillic name") << u"/x/ОРТУС2000.exe"_s << "Ортус2000";
        QTest::newRow("name starting with a full stop") << u"/x/.hidden"_s << "";
    }

    void applicationTitle()
    {
        QFETCH(QString, programFile);
        QFETCH(QString, title);
        QCOMPARE(ApplicationTitle(programFile), title);
    }

    // A failed file statement inside a handler: the rest of the handler does not run and the box
    // shows the message with its full stop under the program's title.
    void ioErrorLeavesTheHandler()
    {
        ScriptedDialogs dialogs;
        bool rest = false;
        RunGuarded(dialogs, [&] {
            TextFile file("no-such-settings-file.ini");
            file.OpenForReading();
            CheckIo();
            rest = true;
        });
        QVERIFY(!rest);
        QCOMPARE(dialogs.texts(), QStringList{"File not found."});
        QCOMPARE(dialogs.shown().front().kind, ScriptedDialogs::Kind::Error);
        QCOMPARE(dialogs.shown().front().caption, QStringLiteral("tst_dialogs"));
        QCOMPARE(PendingIoCode(), 0);
    }

    // Qt's own texts are Russian, as the rest of the programs; the quiz's boxes keep the English
    // captions and buttons they are described with.
    void russianQtEnglishBoxes_data()
    {
        QTest::addColumn<bool>("confirmation");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("buttons");
        QTest::newRow("information") << false << "Information" << QStringList{"OK"};
        QTest::newRow("confirmation") << true << "Confirm" << QStringList{"OK", "Cancel"};
    }

    void russianQtEnglishBoxes()
    {
        QFETCH(bool, confirmation);
        QFETCH(QString, caption);
        QFETCH(QStringList, buttons);
        QVERIFY(LoadQtTranslations());
        QFileDialog files;
        files.setOption(QFileDialog::DontUseNativeDialog);
        QStringList captions;
        for (const QLabel *label : files.findChildren<QLabel *>()) {
            captions.append(label->text());
        }
        const QString shown = captions.join(QLatin1Char('|'));
        QVERIFY2(!shown.contains(u"Look in"_s) && shown.contains(QRegularExpression(u"[а-я]"_s)),
                 qPrintable(shown));

        QString seenCaption;
        QStringList seenButtons;
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            seenCaption = box->windowTitle();
            for (const QAbstractButton *button : box->buttons()) {
                seenButtons.append(button->text());
            }
            box->buttons().front()->click();
        });
        QtDialogs dialogs;
        if (confirmation) {
            dialogs.Confirmation(u"Закончить тест?"_s);
        } else {
            dialogs.Information(u"Тест завершен"_s);
        }
        QCOMPARE(seenCaption, caption);
        seenButtons.sort();
        buttons.sort();
        QCOMPARE(seenButtons, buttons);
    }

    // Qt's dialogs would keep their folders and colours in ~/.config/QtProject.conf.
    void qtKeepsNothingInTheHomeFolder()
    {
        KeepQtSettingsOutOfHome();
        const QSettings qt(QSettings::UserScope, u"QtProject"_s);
        QVERIFY2(!qt.fileName().startsWith(QDir::homePath()), qPrintable(qt.fileName()));
    }

    // The real save dialog takes an existing log as it is: a question about replacing it would
    // promise what the command does not do.
    void saveDialogAsksNothingAboutAnExistingFile()
    {
        const StartDirectoryFixture start;
        const QString existing = start.filePath(QStringLiteral("Ortus.avi"));
        QStringList asked;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QTimer::singleShot(0, dialog, [&] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    asked.append(box->text());
                    box->button(QMessageBox::Yes)->click();
                }
            });
            dialog->selectFile(existing);
            static_cast<QDialog *>(dialog)->accept();
        });
        QCOMPARE(QtDialogs().SaveFile(), std::optional<QString>(existing));
        QCOMPARE(asked, QStringList());
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
