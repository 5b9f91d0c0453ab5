#pragma once

#include <QIcon>
#include <QImage>

// The program's emblem drawn from code: a red ring with a book-like bar on a dark ground.
QImage DrawProgramIcon(int size);
QIcon ProgramIcon();
