#pragma once

#include <QDialog>
#include <QFont>

// The help and background-choice windows: a fixed client size, a single border with only the
// system menu and the close box, centred on the screen, application-modal while shown (`exec`).
class AuxiliaryWindow : public QDialog {
    Q_OBJECT
public:
    AuxiliaryWindow(const QString &caption, QSize clientSize, QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// Bold "MS Sans Serif" of the given character height. Linux has no such face; Liberation Sans has
// Arial's metrics, close to it, so the texts fit these windows as they were laid out.
QFont BoldSansSerifFont(int pixelHeight);
