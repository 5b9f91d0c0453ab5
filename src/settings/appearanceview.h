#pragma once

#include "runtime/tcolor.h"

// What the teacher's commands change on the main window's screen; the main window implements it,
// so the commands and the background-choice window need no window of their own type.
class AppearanceView {
public:
    // The appearance step: the background picture loaded anew and the text colours set.
    virtual void ApplyAppearance() = 0;
    virtual void SetWindowColour(TColor colour) = 0;
    virtual void ShowBackgroundPicture(bool shown) = 0;
    virtual void SetFinishButtonColour(TColor colour) = 0;

protected:
    ~AppearanceView() = default;
};
