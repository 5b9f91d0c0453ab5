#pragma once

#include <QImage>

// The background-choice window's picture, 192 x 92 in 24-bit colour on a black ground: a framed
// landscape on the left (the background picture), the program's ring in the middle and colour
// swatches on the right (the fill colour). Drawn rather than stored, so no artwork file ships.
QImage DrawBackgroundChoiceEmblem();
