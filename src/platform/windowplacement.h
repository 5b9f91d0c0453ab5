#pragma once

#include <QPoint>

class QWidget;

// Places a top-level window by its frame, as its position is meant. The window manager tells the
// frame's size only once the window is on screen, so the window is placed at once with the frame
// seen last and placed again, if it is off, when it is first exposed. Call before showing it.

// The frame centred on the primary screen's available area.
void CentreFrameOnScreen(QWidget &window);
// The frame's top-left corner at the point.
void PlaceFrameAt(QWidget &window, QPoint topLeft);
