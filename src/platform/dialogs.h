#pragma once

#include "runtime/tcolor.h"

#include <QRgb>
#include <QString>

#include <array>
#include <optional>

// What one colour dialog object remembers between its uses during a run.
struct ColourDialogState {
    TColor Colour = clBlack;
    std::array<QRgb, 16> CustomColours{};
};

// Every message box and standard dialog of the program goes through this seam, so tests can
// script the answers.
class Dialogs {
public:
    enum class Answer { Ok, Cancel };

    virtual ~Dialogs() = default;

    // Caption "Information", information icon, one "OK" button.
    virtual void Information(const QString &text) = 0;
    // Caption "Confirm", question icon, "OK" (the default) and "Cancel"; Escape answers "Cancel".
    virtual Answer Confirmation(const QString &text) = 0;
    // Error icon and one "OK" button under the given caption.
    virtual void Error(const QString &caption, const QString &text) = 0;

    // The colour dialog, opened at state.Colour. On confirmation the chosen colour and the custom
    // colours are kept in the state and true is returned; a cancel changes nothing.
    virtual bool ChooseColour(ColourDialogState &state) = 0;
    // The picture dialog with the six picture filters; the full path of the chosen file.
    virtual std::optional<QString> OpenPicture() = 0;
    // The save dialog, without filter, default extension or file name; the full path chosen. An
    // existing file is chosen without a question.
    virtual std::optional<QString> SaveFile() = 0;
};

// The real message boxes: modal, centred on the screen, English captions and buttons.
class QtDialogs : public Dialogs {
public:
    QtDialogs();

    void Information(const QString &text) override;
    Answer Confirmation(const QString &text) override;
    void Error(const QString &caption, const QString &text) override;
    bool ChooseColour(ColourDialogState &state) override;
    std::optional<QString> OpenPicture() override;
    std::optional<QString> SaveFile() override;
};

// The filter entries of the picture dialog, in order.
QStringList PictureDialogFilters();
