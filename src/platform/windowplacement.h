#pragma once

#include <QPoint>

class QWidget;

// Places a top-level window by its frame, as its position is meant. The window manager tells the
// frame's size only once the window is on screen, and may still change the frame and move the
// window after it is first exposed (KWin finishes a change of decorations late). So the window is
// placed at once with the frame seen last, and again after every move or resize the window
// manager makes, until it has been quiet for a moment with the window in place; from then on the
// window is the user's to move. Call before showing it.

// The frame centred on the primary screen's available area.
void CentreFrameOnScreen(QWidget &window);
// The frame's top-left corner at the point.
void PlaceFrameAt(QWidget &window, QPoint topLeft);
