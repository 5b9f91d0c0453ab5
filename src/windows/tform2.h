#pragma once

#include "windows/auxiliarywindow.h"

#include <QStringList>

class QPlainTextEdit;

// The help window: the controls and shortcuts in thirteen fixed lines.
class TForm2 : public AuxiliaryWindow {
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr);

    QPlainTextEdit *Memo1 = nullptr;
};

// The help text, one entry per line, blanks included.
QStringList HelpLines();
