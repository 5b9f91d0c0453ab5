#pragma once

#include "imageformats/picturedata.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>

enum class PictureFormat { Unknown, Pcx, Bmp, Jpeg, Png, Gif, Wmf, Emf };

// Tells the format by the first bytes of a file; the name's extension plays no part.
PictureFormat SniffPictureFormat(QByteArrayView head);

// Decodes a picture held in memory, as LoadPicture does a file's content. A file cut short is
// refused rather than shown in part (except for run-length encoded BMP, which Qt shows as far as
// it goes).
QImage DecodePicture(const QByteArray &bytes, const PictureLimits &limits = {});

// The background picture loader. The path is the file system's name of the picture. The flag is
// always 0 and means nothing here. Returns an opaque RGB32 image, or a null image when nothing
// loads (empty path, missing file, a directory, unknown or damaged content). Never shows a message.
QImage LoadPicture(const QByteArray &path, int flag);
QImage LoadPicture(const QByteArray &path, int flag, const PictureLimits &limits);
