#pragma once

#include "platform/dialogs.h"
#include "windows/auxiliarywindow.h"

class QLabel;
class QToolButton;
class TeacherCommands;

// The background-choice window: switches the main window between a plain fill colour and a
// background picture. It is created anew for each opening, so nothing carries over between two.
class TForm3 : public AuxiliaryWindow {
    Q_OBJECT
public:
    TForm3(TeacherCommands &commands, Dialogs &dialogs, QWidget *parent = nullptr);

    // Controls in their stacking order, bottom to top.
    QLabel *Image1 = nullptr;
    QToolButton *SpeedButton1 = nullptr;
    QToolButton *SpeedButton2 = nullptr;
    QToolButton *SpeedButton3 = nullptr;

    // This window's own colour dialog: black at every opening.
    ColourDialogState ColorDialog1;

    // "Заливка...": a plain fill colour.
    void SpeedButton1Click();
    // "Рисунок...": a background picture, or back to the stored one when the dialog is cancelled.
    void SpeedButton2Click();
    // "Отмена".
    void SpeedButton3Click();

private:
    QToolButton *CreateButton(int top, const QString &caption, const QString &hint,
                              void (TForm3::*handler)());

    TeacherCommands &m_commands;
    Dialogs &m_dialogs;
};
