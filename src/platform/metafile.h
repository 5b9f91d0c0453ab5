#pragma once

#include "platform/pictureloader.h"

#include <QByteArrayView>
#include <QImage>

// Windows metafiles. Before a library sees the bytes, the record chain is walked: every record
// must lie inside the data, the chain must end with its end-of-file record, every embedded
// device-independent bitmap must be within the limits and within its record, and every count of
// points or characters must fit its record. Anything else is refused. The libraries then run in
// a child process with a time limit (limits.metafileTime). The picture is drawn on white at its
// declared size (96 dots per inch), scaled down to fit limits.maxMetafileSide. Both return an
// RGB32 image, or a null one.

// WMF, with or without the placeable header; drawn by libwmf.
bool IsWmfHeader(QByteArrayView head);
QImage RenderWmf(QByteArrayView data, const PictureLimits &limits = {});

// EMF; turned into SVG by libemf2svg (EMF+ records are left to their EMF fallback) and drawn by
// Qt SVG.
bool IsEmfHeader(QByteArrayView head);
QImage RenderEmf(QByteArrayView data, const PictureLimits &limits = {});
