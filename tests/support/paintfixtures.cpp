#include "support/paintfixtures.h"

#include "effectlabel/effectlabelpaint.h"
#include "effectlabel/paintsurface.h"

QImage PaintOver(const EffectLabelModel &label, QSize size, QColor background)
{
    QImage work(size, QImage::Format_RGB32);
    work.fill(background);
    ImagePaintSurface surface(std::move(work));
    PaintEffectLabel(label, size, surface);
    const QImage *result = surface.Finish();
    return result != nullptr ? *result : QImage();
}
