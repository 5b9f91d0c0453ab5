#pragma once

#include "imageformats/picturedata.h"

#include <QByteArrayView>
#include <QImage>

// ZSoft PCX: 128-byte header, then run-length encoded scan lines, plane after plane in each line.
// Reads 1-bit mono (0 black, 1 white), 1-bit with 2 to 4 planes and packed 4-bit (16-colour header
// palette), 8-bit (256-colour palette after a 0x0C marker at the end) and 24-bit (3 planes of
// 8 bits), into an RGB32 image. A file whose pixel data ends before its last scan line, or an
// 8-bit file without its end palette, gives a null image: a cut file is refused, not shown in part.
bool IsPcxHeader(QByteArrayView head);
QImage DecodePcx(QByteArrayView data, const PictureLimits &limits = {});
