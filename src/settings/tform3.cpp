#include "settings/tform3.h"

#include "app/programicon.h"

TForm3::TForm3(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Выбор рисунка ... "));
    setWindowIcon(ProgramIcon());
    setFixedSize(192, 92);
}
