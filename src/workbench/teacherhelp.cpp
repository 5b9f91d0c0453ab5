#include "workbench/teacherhelp.h"

#include <QAction>
#include <QMenu>

namespace {

QString Row(const QString &keys, const QString &command)
{
    return QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
        .arg(keys.toHtmlEscaped(), command.toHtmlEscaped());
}

// A menu's commands that have keys, under the menu's name.
QString MenuTable(const QMenu &menu)
{
    QString rows;
    for (const QAction *action : menu.actions()) {
        if (action->shortcuts().isEmpty()) {
            continue;
        }
        QStringList keys;
        for (const QKeySequence &shortcut : action->shortcuts()) {
            keys.append(shortcut.toString(QKeySequence::NativeText));
        }
        rows +=
            Row(keys.join(QStringLiteral(", ")), QString(action->text()).remove(QLatin1Char('&')));
    }
    if (rows.isEmpty()) {
        return {};
    }
    return QStringLiteral("<h3>Меню «%1»</h3><table cellspacing=\"4\">%2</table>")
        .arg(QString(menu.title()).remove(QLatin1Char('&')).toHtmlEscaped(), rows);
}

} // namespace

QString TeacherHelpHtml(const QList<QMenu *> &menus)
{
    QString html = QStringLiteral("<h2>Клавиши</h2>");
    for (const QMenu *menu : menus) {
        html += MenuTable(*menu);
    }
    html += QStringLiteral("<h3>В списке вопросов и в полях</h3><table cellspacing=\"4\">") +
            Row(QStringLiteral("Ctrl+C, Ctrl+V, Del"),
                QStringLiteral("копируют, вставляют и удаляют вопросы, только когда клавиатура "
                               "у списка вопросов; в полях это обычные клавиши правки текста")) +
            Row(QStringLiteral("Tab"), QStringLiteral("текст вопроса, ответы, затем выбор "
                                                      "верного ответа")) +
            Row(QStringLiteral("мышь"), QStringLiteral("вопрос перетаскивают в списке на новое "
                                                       "место; щелчок по замечанию открывает его "
                                                       "вопрос и поле")) +
            Row(QStringLiteral("щелчок по заголовку столбца"),
                QStringLiteral("упорядочивает таблицу результатов по этому столбцу")) +
            QStringLiteral("</table>");
    html += QStringLiteral(
        "<h2>Исходный текст банка</h2>"
        "<p>«Импорт…», «Экспорт…», «Копировать вопрос» и «Вставить вопросы» работают с текстом "
        "такого вида (его же понимает <tt>ortus-bank build</tt>):</p>"
        "<pre>Время: 20 мин\n\nСколько будет 7 · 8?\n-54\n+56\n-64\n\n"
        "Какой город — столица России?\n+Москва\n-Санкт-Петербург\n-Казань</pre>"
        "<ul>"
        "<li>Первая строка — время на тест: <tt>Время: 20 мин</tt>, <tt>Время: 1200</tt> "
        "(секунды), <tt>Время: 90 с</tt> или просто число секунд. Во вставляемом куске её может "
        "не быть.</li>"
        "<li>Дальше вопросы: строка текста вопроса и под ней ответы, не больше пяти.</li>"
        "<li>Ответ начинается с <tt>+</tt> (верный, ровно один у вопроса) или <tt>-</tt>.</li>"
        "<li>Вопросы разделяются пустыми строками; пробелы по краям текста и после "
        "<tt>+</tt>/<tt>-</tt> отбрасываются.</li>"
        "<li>Вопросов не больше 50.</li>"
        "<li>Только символы кодировки Windows-1251: русские и латинские буквы, цифры, обычные "
        "знаки препинания, « » — № €; ни ², ни √.</li>"
        "</ul>"
        "<p>Текст с ошибками не добавляет ничего, а сообщение называет строки с ошибками.</p>");
    return html;
}

QString GroupToolTip()
{
    return QStringLiteral("ЮГП — группа ученика (например, 7А): то, что он ввёл в поле «ЮГП» при "
                          "регистрации в программе тестирования");
}
