#include "windows/auxiliarywindow.h"

#include "platform/windowplacement.h"
#include "windows/programicon.h"

#include <QKeyEvent>

AuxiliaryWindow::AuxiliaryWindow(const QString &caption, QSize clientSize, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(caption);
    setWindowIcon(ProgramIcon());
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(clientSize);
    // An explicit position keeps QDialog from centring the window over its parent instead.
    CentreFrameOnScreen(*this);
}

void AuxiliaryWindow::keyPressEvent(QKeyEvent *event)
{
    // These windows have no cancel button, so Escape closes nothing; only the close box and
    // their own commands do.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

QFont BoldSansSerifFont(int pixelHeight)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
    font.setPixelSize(pixelHeight);
    font.setBold(true);
    return font;
}
