#include "windows/tform2.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

class HelpWindowTest : public QObject {
    Q_OBJECT

private slots:
    // F1: the controls and shortcuts in the help window, in the system's menu colours.
    void helpWindow()
    {
        // The menu and window-text system colours in colours of their own.
        const auto restore = qScopeGuard(
            [original = QApplication::palette()] { QApplication::setPalette(original); });
        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Window, QColor(1, 2, 3));
        palette.setColor(QPalette::Text, QColor(4, 5, 6));
        QApplication::setPalette(palette);
        TForm2 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QStringLiteral("Помощь"));
        QCOMPARE(form.windowModality(), Qt::ApplicationModal);
        QPlainTextEdit *memo = form.Memo1;
        QVERIFY(memo->isReadOnly());
        QCOMPARE(memo->palette().color(QPalette::Base), QColor(1, 2, 3));
        QCOMPARE(memo->palette().color(QPalette::Text), QColor(4, 5, 6));

        // Ctrl+R belongs to the results log and is not listed.
        const QStringList lines{
            "Работа с программой:",
            "  ответ на вопрос - нажать левую кнопку мыши ",
            QString(32, ' ') + "в области ответа ",
            "  завершение тестирования - нажать кнопку ",
            "\"Завершить\"",
            "  выход - закрыть окно",
            "  ",
            "  Ctrl+P - изменение фонового рисунка",
            "  Ctrl+Q - изменение цвета вопросов",
            "  Ctrl+A - изменение цвета ответов",
            "  Ctrl+C - изменение цвета тени ответов",
            "  Ctrl+I  - изменение цвета увеличенного ответа",
            "  F1      - помощь (данное окно)",
        };
        QCOMPARE(memo->toPlainText().split('\n'), lines);
        // Every line shows without scrolling; the blanks of line 3 put its words under the end of
        // line 2, not onto a line of their own.
        QTextCursor end(memo->document());
        end.movePosition(QTextCursor::End);
        QVERIFY(memo->cursorRect(end).bottom() < memo->viewport()->height());
        QCOMPARE(memo->document()->findBlockByNumber(2).layout()->lineCount(), 1);

        // Only the close box closes it.
        QTest::keyClick(memo, Qt::Key_Escape);
        QVERIFY(form.isVisible());
    }
};

QTEST_MAIN(HelpWindowTest)
#include "tst_helpwindow.moc"
