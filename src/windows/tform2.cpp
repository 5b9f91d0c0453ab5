#include "windows/tform2.h"

#include "runtime/tcolor.h"

#include <QPlainTextEdit>

QStringList HelpLines()
{
    return {
        QStringLiteral("Работа с программой:"),
        QStringLiteral("  ответ на вопрос - нажать левую кнопку мыши "),
        QString(32, QLatin1Char(' ')) + QStringLiteral("в области ответа "),
        QStringLiteral("  завершение тестирования - нажать кнопку "),
        QStringLiteral("\"Завершить\""),
        QStringLiteral("  выход - закрыть окно"),
        QStringLiteral("  "),
        QStringLiteral("  Ctrl+P - изменение фонового рисунка"),
        QStringLiteral("  Ctrl+Q - изменение цвета вопросов"),
        QStringLiteral("  Ctrl+A - изменение цвета ответов"),
        QStringLiteral("  Ctrl+C - изменение цвета тени ответов"),
        QStringLiteral("  Ctrl+I  - изменение цвета увеличенного ответа"),
        QStringLiteral("  F1      - помощь (данное окно)"),
    };
}

TForm2::TForm2(QWidget *parent) : AuxiliaryWindow(QStringLiteral("Помощь"), QSize(312, 180), parent)
{
    setObjectName(QStringLiteral("Form2"));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(0, 0, 312, 180);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setFont(BoldSansSerifFont(11));
    QPalette palette = Memo1->palette();
    palette.setColor(QPalette::Base, ToQColor(clMenu));
    palette.setColor(QPalette::Text, ToQColor(clWindowText));
    Memo1->setPalette(palette);
    Memo1->viewport()->setCursor(Qt::ArrowCursor);
    Memo1->setPlainText(HelpLines().join(QLatin1Char('\n')));
}
