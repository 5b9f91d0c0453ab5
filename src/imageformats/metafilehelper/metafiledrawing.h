#pragma once

#include "imageformats/picturedata.h"

#include <QByteArrayView>
#include <QImage>

// What the metafile helper does with a file. Before a library sees the bytes, the record chain is
// walked: every record must lie inside the data, the chain must end with its end-of-file record,
// every embedded device-independent bitmap must be within the limits and within its record, and
// every count of points or characters must fit its record. Anything else is refused. A WMF is
// then drawn by libwmf; an EMF is turned into SVG by libemf2svg (EMF+ records are left to their
// EMF fallback) and drawn by Qt SVG, which needs a QGuiApplication for its text. The picture is
// drawn on white at its declared size (96 dots per inch), scaled down to fit
// limits.maxMetafileSide. An RGB32 image, or a null one.
QImage DrawMetafile(QByteArrayView data, const PictureLimits &limits);

// Whether the checks let the libraries see the metafile: the first step of DrawMetafile.
bool MetafilePassesChecks(QByteArrayView data, const PictureLimits &limits);
