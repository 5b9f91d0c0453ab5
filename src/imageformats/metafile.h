#pragma once

#include "imageformats/picturedata.h"

#include <QByteArrayView>
#include <QImage>
#include <QString>
#include <QStringList>

#include <optional>

// Windows metafiles: WMF (with or without the placeable header) and EMF. The libraries that draw
// them, libwmf and libemf2svg, are old C code that reads bytes from anywhere, and their licences
// keep them out of the program's process; so they run only in the helper program ortus-metafile.

bool IsWmfHeader(QByteArrayView head);
bool IsEmfHeader(QByteArrayView head);

// Draws a metafile in the helper, which is stopped after limits.metafileTime. An RGB32 image, or a
// null one when the metafile is refused, the helper is missing, fails, crashes or runs out of
// time.
QImage RenderMetafile(QByteArrayView data, const PictureLimits &limits = {});

// The helper of a program in programDir: installed, in its folder under libexec (../libexec/ortus/
// from /usr/bin); else beside the program, as in the build tree.
QString MetafileHelperFor(const QString &programDir);

// The limits as the helper's command line, and back; nullopt for a command line that is not one.
QStringList MetafileHelperArguments(const PictureLimits &limits);
std::optional<PictureLimits> MetafileHelperLimits(const QStringList &arguments);
