#include "platform/dialogs.h"

#include "platform/qtsetup.h"
#include "platform/windowplacement.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace {

// The window a box or dialog belongs to: the modal window in front, when one dialog opens
// another, else the program's own window. A window manager keeps a box above the window it
// belongs to, also when that window stays on top of all others, and gives it the focus.
QWidget *Owner()
{
    if (QWidget *modal = QApplication::activeModalWidget()) {
        return modal;
    }
    const QWidgetList windows = QApplication::topLevelWidgets();
    const auto shown = std::find_if(windows.cbegin(), windows.cend(), [](const QWidget *window) {
        return window->isVisible() && window->windowType() == Qt::Window;
    });
    return shown == windows.cend() ? nullptr : *shown;
}

int Run(QDialog &dialog)
{
    // The boxes and dialogs of this program are centred on the screen, not on a window.
    dialog.adjustSize();
    CentreFrameOnScreen(dialog);
    return dialog.exec();
}

// The platform's file dialogs leave the chosen file's folder as the current directory; the
// program's working-directory rule is built around that, so these dialogs do the same.
void EnterFolderOf(const QString &path)
{
    QDir::setCurrent(QFileInfo(path).absolutePath());
}

} // namespace

QtDialogs::QtDialogs()
{
    // This program keeps nothing outside its start directory; the colour dialog's custom colours
    // are kept for the run by the program itself.
    KeepQtSettingsOutOfHome();
}

QStringList PictureDialogFilters()
{
    return {QStringLiteral("All (*.pcx;*.bmp;*.emf;*.wmf;*.jpg) (*.pcx *.bmp *.emf *.wmf *.jpg)"),
            QStringLiteral("PCX Files (*.pcx) (*.pcx)"),
            QStringLiteral("Bitmaps (*.bmp) (*.bmp)"),
            QStringLiteral("JPEG Files (*.jpg) (*.jpg)"),
            QStringLiteral("Enhanced Metafiles (*.emf) (*.emf)"),
            QStringLiteral("Metafiles (*.wmf) (*.wmf)")};
}

void QtDialogs::Information(const QString &text)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), text,
                    QMessageBox::NoButton, Owner());
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    Run(box);
}

Dialogs::Answer QtDialogs::Confirmation(const QString &text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::NoButton,
                    Owner());
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel);
    Run(box);
    return box.clickedButton() == ok ? Answer::Ok : Answer::Cancel;
}

void QtDialogs::Error(const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::NoButton, Owner());
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    Run(box);
}

bool QtDialogs::ChooseColour(ColourDialogState &state)
{
    // Qt keeps custom colours per process; this dialog object's own set is put in place first.
    const int customCount =
        std::min(QColorDialog::customCount(), static_cast<int>(state.CustomColours.size()));
    for (int i = 0; i < customCount; ++i) {
        QColorDialog::setCustomColor(
            i, QColor::fromRgb(state.CustomColours[static_cast<std::size_t>(i)]));
    }
    QColorDialog dialog(ToQColor(state.Colour), Owner());
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (Run(dialog) != QDialog::Accepted) {
        return false;
    }
    const QColor chosen = dialog.selectedColor();
    state.Colour = RgbColour(chosen.red(), chosen.green(), chosen.blue());
    for (int i = 0; i < customCount; ++i) {
        state.CustomColours[static_cast<std::size_t>(i)] = QColorDialog::customColor(i).rgb();
    }
    return true;
}

std::optional<QString> QtDialogs::OpenPicture()
{
    QFileDialog dialog(Owner());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The descriptions carry their patterns already; the second copy is the one Qt matches with.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(PictureDialogFilters());
    dialog.setDirectory(QDir::currentPath());
    if (Run(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString path = QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
    EnterFolderOf(path);
    return path;
}

std::optional<QString> QtDialogs::SaveFile()
{
    QFileDialog dialog(Owner());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // An existing log is taken as it is and kept whole: there is nothing to confirm.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDirectory(QDir::currentPath());
    if (Run(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString path = QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
    EnterFolderOf(path);
    return path;
}
