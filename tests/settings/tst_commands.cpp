#include "app/tform1.h"
#include "effectlabel/effectlabel.h"
#include "quiz/resultslog.h"
#include "runtime/cp1251.h"
#include "settings/tform2.h"
#include "settings/tform3.h"
#include "support/scripteddialogs.h"
#include "support/startdirectory.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

class CommandsTest : public QObject {
    Q_OBJECT

private:
    void Press(QWidget *target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
    {
        QTest::keyClick(target, key, modifiers);
    }
    QByteArray SettingsFile() const { return m_start->ReadFile(QStringLiteral("Ortus00.ini")); }

    std::unique_ptr<StartDirectoryFixture> m_start;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<TForm1> m_form;

private slots:
    void init()
    {
        m_start = std::make_unique<StartDirectoryFixture>(ShippedStartDirectory());
        m_dialogs = ScriptedDialogs();
        m_form = std::make_unique<TForm1>(m_dialogs);
        m_form->show();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        m_form->Memo1Click();
    }

    void cleanup()
    {
        m_form.reset();
        m_start.reset();
    }

    void menuItems()
    {
        const QList<QAction *> items = m_form->PopupMenu1->actions();
        QCOMPARE(items.size(), 8);
        const QStringList captions{"Фоновый рисунок...",
                                   "Цвет вопроса...",
                                   "Цвет ответов...",
                                   "Цвет выбранного ответа...",
                                   "Цвет увеличенного ответа...",
                                   "Файл с результатом...",
                                   QString(),
                                   "О программе..."};
        const QStringList shortcuts{"Ctrl+P", "Ctrl+Q", "Ctrl+A", "Ctrl+C",
                                    "Ctrl+I", "Ctrl+R", "",       "F1"};
        for (int i = 0; i < items.size(); ++i) {
            QCOMPARE(items[i]->text(), captions[i]);
            QCOMPARE(items[i]->shortcut().toString(), shortcuts[i]);
        }
        QVERIFY(items[6]->isSeparator());
        QCOMPARE(items[0], m_form->N1);
        QCOMPARE(items[5], m_form->N7);
        QCOMPARE(items[7], m_form->N6);
    }

    void shortcutsOpenTheirDialog_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("kind");
        QTest::newRow("Ctrl+Q") << int(Qt::Key_Q) << int(ScriptedDialogs::Kind::Colour);
        QTest::newRow("Ctrl+A") << int(Qt::Key_A) << int(ScriptedDialogs::Kind::Colour);
        QTest::newRow("Ctrl+C") << int(Qt::Key_C) << int(ScriptedDialogs::Kind::Colour);
        QTest::newRow("Ctrl+I") << int(Qt::Key_I) << int(ScriptedDialogs::Kind::Colour);
        QTest::newRow("Ctrl+R") << int(Qt::Key_R) << int(ScriptedDialogs::Kind::SaveFile);
    }

    void shortcutsOpenTheirDialog()
    {
        QFETCH(int, key);
        QFETCH(int, kind);
        for (QWidget *target :
             {static_cast<QWidget *>(m_form.get()), static_cast<QWidget *>(m_form->Edit1),
              static_cast<QWidget *>(m_form->ComboBox1)}) {
            m_dialogs.clear();
            Press(target, static_cast<Qt::Key>(key));
            QCOMPARE(m_dialogs.shown().size(), 1);
            QCOMPARE(int(m_dialogs.shown().first().kind), kind);
        }
    }

    void shortcutsActInTestMode()
    {
        m_form->Edit1->setText(QStringLiteral("Ученик"));
        m_form->ComboBox1->setCurrentIndex(0);
        m_form->Edit3->setText(QStringLiteral("5А"));
        QTest::mouseClick(m_form->Button1, Qt::LeftButton);
        QVERIFY(m_form->TestRunning());
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        m_dialogs.clear();
        Press(m_form.get(), Qt::Key_Q);
        QCOMPARE(m_dialogs.shown().size(), 1);
        QCOMPARE(m_dialogs.shown().first().kind, ScriptedDialogs::Kind::Colour);
        QVERIFY(m_form->Timer1->isActive());
    }

    void ctrlCInNameFieldCopiesNothing()
    {
        QApplication::clipboard()->setText(QStringLiteral("before"));
        m_form->Edit1->setText(QStringLiteral("Иванов"));
        m_form->Edit1->setFocus();
        m_form->Edit1->selectAll();
        Press(m_form->Edit1, Qt::Key_C);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
        QCOMPARE(m_form->Edit1->text(), QStringLiteral("Иванов"));
        QCOMPARE(m_dialogs.shown().size(), 1);

        m_form->Edit1->deselect();
        Press(m_form->Edit1, Qt::Key_A);
        QVERIFY(!m_form->Edit1->hasSelectedText());
        QCOMPARE(m_dialogs.shown().size(), 2);
    }

    void noShortcutWhileACommandRuns()
    {
        m_dialogs.WhileNextBoxIsOpen([this] { Press(m_form.get(), Qt::Key_A); });
        Press(m_form.get(), Qt::Key_Q);
        QCOMPARE(m_dialogs.shown().size(), 1);
    }

    void rightClickShowsNoMenu()
    {
        QTest::mouseClick(m_form.get(), Qt::RightButton, {}, QPoint(50, 300));
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(50, 300),
                                m_form->mapToGlobal(QPoint(50, 300)));
        QApplication::sendEvent(m_form.get(), &event);
        QVERIFY(!m_form->PopupMenu1->isVisible());
        QVERIFY(QApplication::activePopupWidget() == nullptr);
        QVERIFY(m_dialogs.shown().isEmpty());
    }

    // The dialog starts from the last confirmed colour; a cancelled one writes nothing.
    void cancelledColourWritesNothing()
    {
        m_dialogs.QueueColour(clRed);
        Press(m_form.get(), Qt::Key_Q);
        const QByteArray before = SettingsFile();
        const Settings settings = m_form->Config();
        for (const Qt::Key key : {Qt::Key_A, Qt::Key_C, Qt::Key_I}) {
            Press(m_form.get(), key);
        }
        QCOMPARE(m_dialogs.colourPresets(), (QList<TColor>{clBlack, clRed, clRed, clRed}));
        QCOMPARE(SettingsFile(), before);
        QCOMPARE(m_form->Config().QuestionColor, clRed);
        QCOMPARE(m_form->Config().AnswerColor, settings.AnswerColor);
    }

    void confirmedColourWritesCompleteFile_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("question") << int(Qt::Key_Q)
                                  << CrLfLines({"Fon.jpg", "16445670", "0", "255", "16777215",
                                                "25600", "180", "Results.txt", "[Button]=L"});
        QTest::newRow("answers") << int(Qt::Key_A)
                                 << CrLfLines({"Fon.jpg", "16445670", "0", "8388608", "16777215",
                                               "255", "180", "Results.txt", "[Button]=L"});
        QTest::newRow("selected answer")
            << int(Qt::Key_C)
            << CrLfLines({"Fon.jpg", "16445670", "0", "8388608", "255", "25600", "180",
                          "Results.txt", "[Button]=L"});
        QTest::newRow("enlarged answer")
            << int(Qt::Key_I)
            << CrLfLines({"Fon.jpg", "16445670", "0", "8388608", "16777215", "25600", "255",
                          "Results.txt", "[Button]=L"});
    }

    void confirmedColourWritesCompleteFile()
    {
        QFETCH(int, key);
        QFETCH(QByteArray, file);
        m_dialogs.QueueColour(clRed);
        Press(m_form.get(), static_cast<Qt::Key>(key));
        QCOMPARE(SettingsFile(), file);
    }

    void answerColourRecoloursFinishButtonAtOnce()
    {
        m_dialogs.QueueColour(clRed);
        Press(m_form.get(), Qt::Key_A);
        QCOMPARE(m_form->SpeedButton1->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
        QCOMPARE(m_form->EffectLabel1->FontColor(), clRed);

        m_dialogs.QueueColour(clLime);
        Press(m_form.get(), Qt::Key_C);
        QCOMPARE(m_form->EffectLabel3->ColourHighlight(), clLime);
        QCOMPARE(m_form->EffectLabel3->FontColor(), clRed);
    }

    void failedWriteKeepsNewColourInMemory()
    {
        const QString settings = m_start->filePath(QStringLiteral("Ortus00.ini"));
        QVERIFY(QFile::remove(settings) && QDir().mkdir(settings));
        m_dialogs.QueueColour(clRed);
        Press(m_form.get(), Qt::Key_C);
        QCOMPARE(m_dialogs.texts().last(), QStringLiteral("File access denied."));
        QCOMPARE(m_dialogs.shown().last().kind, ScriptedDialogs::Kind::Error);
        QCOMPARE(m_form->Config().SelectedAnswerColor, clRed);
        // The appearance step did not run, so the labels keep the old highlight.
        QCOMPARE(m_form->EffectLabel1->ColourHighlight(), clWhite);
    }

    void resultsLogCommand_data()
    {
        QTest::addColumn<QByteArray>("old"); // empty: there is no file yet
        QTest::newRow("new file is created with one empty line") << QByteArray();
        QTest::newRow("existing file is kept") << QByteArray("\r\nold\r\n");
    }

    void resultsLogCommand()
    {
        QFETCH(QByteArray, old);
        const QString name = QStringLiteral("logs/журнал.txt");
        QVERIFY(QDir(m_start->path()).mkdir(QStringLiteral("logs")));
        if (!old.isEmpty()) {
            m_start->WriteFile(name, old);
        }
        m_dialogs.QueuePath(m_start->filePath(name));
        Press(m_form->Edit3, Qt::Key_R);

        // Stored in code page 1251, the path still names the chosen file.
        const std::string stored = ToCp1251(m_start->filePath(name));
        QCOMPARE(m_form->Config().ResultsLogPath, stored);
        // The dialog moved the current directory; the settings still go to the start directory.
        QVERIFY(SettingsFile().contains(QByteArray::fromStdString(stored) + "\r\n[Button]=L\r\n"));
        const ResultRecord record{"name", "5", "5A", 1};
        AppendResult(stored, m_start->path().toStdString(), record);
        QCOMPARE(m_start->ReadFile(name), (old.isEmpty() ? QByteArray("\r\n") : old) +
                                              QByteArray::fromStdString(ResultRecordBytes(record)));
    }

    // The real save dialog takes an existing log as it is: a question about replacing it would
    // promise what the command does not do.
    void saveDialogAsksNothingAboutAnExistingFile()
    {
        const QString existing = m_start->filePath(QStringLiteral("Results.txt"));
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

    void cancelledResultsLogChangesNothing()
    {
        const QByteArray before = SettingsFile();
        Press(m_form.get(), Qt::Key_R);
        QCOMPARE(SettingsFile(), before);
        QCOMPARE(m_form->Config().ResultsLogPath, std::string("Results.txt"));
    }

    void windowCommandsOpenANewWindowEachTime_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("caption");
        QTest::newRow("Ctrl+P") << int(Qt::Key_P) << QStringLiteral("Выбор рисунка ... ");
        QTest::newRow("F1") << int(Qt::Key_F1) << QStringLiteral("Помощь");
    }

    void windowCommandsOpenANewWindowEachTime()
    {
        QFETCH(int, key);
        QFETCH(QString, caption);
        const Qt::KeyboardModifiers modifiers =
            key == Qt::Key_F1 ? Qt::NoModifier : Qt::ControlModifier;
        QList<QWidget *> opened;
        for (int round = 0; round < 2; ++round) {
            QTimer::singleShot(0, this, [&] {
                QWidget *window = QApplication::activeModalWidget();
                QVERIFY(window);
                opened.append(window);
                QCOMPARE(window->windowTitle(), caption);
                // Another shortcut while the window is open starts nothing.
                Press(m_form.get(), Qt::Key_Q);
                window->close();
            });
            Press(m_form->Edit1, static_cast<Qt::Key>(key), modifiers);
        }
        QCOMPARE(opened.size(), 2);
        QVERIFY(m_dialogs.shown().isEmpty());
        QVERIFY(m_form->findChildren<TForm3 *>().isEmpty());
        QVERIFY(m_form->findChildren<TForm2 *>().isEmpty());
    }
};

QTEST_MAIN(CommandsTest)
#include "tst_commands.moc"
