#include "runtime/tcolor.h"
#include "settings/tform2.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QTimer>

class HelpWindowTest : public QObject {
    Q_OBJECT

private slots:
    void window();
    void lines_data();
    void lines();
    void textBox();
    void everyLineShowsWithoutScrolling();
    void typingChangesNothing();
    void cursorStaysAnArrowUnderTheMouse();
    void escapeDoesNotClose();
    void execEndsWhenTheCloseBoxIsUsed();
};

void HelpWindowTest::window()
{
    TForm2 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QCOMPARE(form.windowTitle(), QStringLiteral("Помощь"));
    QCOMPARE(form.size(), QSize(312, 180));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QCOMPARE(form.windowType(), Qt::Dialog);
    QCOMPARE(form.windowModality(), Qt::ApplicationModal);
    QVERIFY(!form.windowIcon().isNull());
    // The buttons the window manager offers and where it puts the frame are checked under real
    // window managers (tests/desktop).
}

void HelpWindowTest::lines_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("text");

    QTest::newRow("1") << 1 << QStringLiteral("Работа с программой:");
    QTest::newRow("2 two leading blanks, one trailing")
        << 2 << QStringLiteral("  ответ на вопрос - нажать левую кнопку мыши ");
    QTest::newRow("3 thirty-two leading blanks, one trailing")
        << 3 << QStringLiteral("                                в области ответа ");
    QTest::newRow("4 two leading blanks, one trailing")
        << 4 << QStringLiteral("  завершение тестирования - нажать кнопку ");
    QTest::newRow("5 quoted button name") << 5 << QStringLiteral("\"Завершить\"");
    QTest::newRow("6") << 6 << QStringLiteral("  выход - закрыть окно");
    QTest::newRow("7 two blanks") << 7 << QStringLiteral("  ");
    QTest::newRow("8 Ctrl+P") << 8 << QStringLiteral("  Ctrl+P - изменение фонового рисунка");
    QTest::newRow("9 Ctrl+Q") << 9 << QStringLiteral("  Ctrl+Q - изменение цвета вопросов");
    QTest::newRow("10 Ctrl+A") << 10 << QStringLiteral("  Ctrl+A - изменение цвета ответов");
    QTest::newRow("11 Ctrl+C") << 11 << QStringLiteral("  Ctrl+C - изменение цвета тени ответов");
    QTest::newRow("12 Ctrl+I, two blanks after it")
        << 12 << QStringLiteral("  Ctrl+I  - изменение цвета увеличенного ответа");
    QTest::newRow("13 F1, six blanks after it")
        << 13 << QStringLiteral("  F1      - помощь (данное окно)");
}

void HelpWindowTest::lines()
{
    QFETCH(int, line);
    QFETCH(QString, text);

    TForm2 form;
    const QTextDocument *document = form.Memo1->document();
    // Ctrl+R belongs to the results log and is not listed.
    QCOMPARE(document->blockCount(), 13);
    QCOMPARE(document->findBlockByNumber(line - 1).text().toUtf8(), text.toUtf8());
}

void HelpWindowTest::textBox()
{
    TForm2 form;
    QPlainTextEdit *memo = form.Memo1;

    QCOMPARE(memo->geometry(), QRect(0, 0, 312, 180));
    QVERIFY(memo->isReadOnly());
    QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(memo->font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(memo->font().pixelSize(), 11);
    QVERIFY(memo->font().bold());
    QCOMPARE(memo->palette().color(QPalette::Base), ToQColor(clMenu));
    QCOMPARE(memo->palette().color(QPalette::Text), ToQColor(clWindowText));
    QVERIFY(memo->toolTip().isEmpty());
}

void HelpWindowTest::everyLineShowsWithoutScrolling()
{
    TForm2 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QTextCursor end(form.Memo1->document());
    end.movePosition(QTextCursor::End);
    QVERIFY(form.Memo1->cursorRect(end).bottom() < form.Memo1->viewport()->height());
    // The blanks of line 3 put its words under the end of line 2, not onto a line of their own.
    QCOMPARE(form.Memo1->document()->findBlockByNumber(2).layout()->lineCount(), 1);
    QCOMPARE(form.Memo1->horizontalScrollBar()->maximum(), 0);
    QVERIFY(!form.Memo1->horizontalScrollBar()->isVisible());
    QVERIFY(!form.Memo1->verticalScrollBar()->isVisible());
}

void HelpWindowTest::typingChangesNothing()
{
    TForm2 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QString before = form.Memo1->toPlainText();

    form.Memo1->setFocus();
    QTest::keyClicks(form.Memo1, QStringLiteral("abc xyz"));
    QTest::keyClick(form.Memo1, Qt::Key_Backspace);
    QTest::keyClick(form.Memo1, Qt::Key_Delete);
    QTest::keyClick(form.Memo1, Qt::Key_Return);
    QTest::keyClick(form.Memo1, Qt::Key_V, Qt::ControlModifier);

    QCOMPARE(form.Memo1->toPlainText(), before);
    QVERIFY(form.isVisible());
}

void HelpWindowTest::cursorStaysAnArrowUnderTheMouse()
{
    TForm2 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QWidget *viewport = form.Memo1->viewport();
    QTest::mouseMove(viewport, QPoint(40, 20));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(40, 20));
    QTest::mouseMove(viewport, QPoint(100, 60));
    QCOMPARE(viewport->cursor().shape(), Qt::ArrowCursor);
}

void HelpWindowTest::escapeDoesNotClose()
{
    TForm2 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QTest::keyClick(form.Memo1, Qt::Key_Escape);
    QTest::keyClick(&form, Qt::Key_Escape);
    QVERIFY(form.isVisible());
}

void HelpWindowTest::execEndsWhenTheCloseBoxIsUsed()
{
    TForm2 form;
    bool modalWhileOpen = false;
    QTimer::singleShot(0, &form, [&] {
        modalWhileOpen = QApplication::activeModalWidget() == &form;
        form.close();
    });
    form.exec();
    QVERIFY(modalWhileOpen);
    QVERIFY(!form.isVisible());
}

QTEST_MAIN(HelpWindowTest)
#include "tst_helpwindow.moc"
