#include "platform/dialogs.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

int Run(QMessageBox &box)
{
    // Message boxes of this program are centred on the screen, not on a window.
    box.adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        box.move(area.center() - QPoint(box.width() / 2, box.height() / 2));
    }
    return box.exec();
}

// The platform's file dialogs leave the chosen file's folder as the current directory; the
// program's working-directory rule is built around that, so these dialogs do the same.
void EnterFolderOf(const QString &path)
{
    QDir::setCurrent(QFileInfo(path).absolutePath());
}

} // namespace

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
    QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), text);
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    Run(box);
}

Dialogs::Answer QtDialogs::Confirmation(const QString &text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text);
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel);
    Run(box);
    return box.clickedButton() == ok ? Answer::Ok : Answer::Cancel;
}

void QtDialogs::Error(const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, caption, text);
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
    QColorDialog dialog(ToQColor(state.Colour));
    if (dialog.exec() != QDialog::Accepted) {
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
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The descriptions carry their patterns already; the second copy is the one Qt matches with.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(PictureDialogFilters());
    dialog.setDirectory(QDir::currentPath());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString path = QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
    EnterFolderOf(path);
    return path;
}

std::optional<QString> QtDialogs::SaveFile()
{
    QFileDialog dialog;
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // An existing log is taken as it is and kept whole: there is nothing to confirm.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDirectory(QDir::currentPath());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString path = QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
    EnterFolderOf(path);
    return path;
}
