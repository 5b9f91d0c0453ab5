#include "support/recordingsurface.h"

#include <QFontMetrics>

RecordingPaintSurface::RecordingPaintSurface()
    : measureWidth([](const QFont &font, const QString &text) {
          return QFontMetrics(font).horizontalAdvance(text);
      }),
      measureHeight([](const QFont &font, const QString &) { return QFontMetrics(font).height(); })
{
}

std::vector<SurfaceCall> RecordingPaintSurface::CallsOf(SurfaceCall::Kind kind) const
{
    std::vector<SurfaceCall> result;
    for (const SurfaceCall &call : m_calls) {
        if (call.kind == kind) {
            result.push_back(call);
        }
    }
    return result;
}

SurfaceCall &RecordingPaintSurface::Record(SurfaceCall::Kind kind, PaintImage image)
{
    SurfaceCall &call = m_calls.emplace_back();
    call.kind = kind;
    call.image = image;
    return call;
}

void RecordingPaintSurface::SetFont(PaintImage image, const QFont &font, int escapement)
{
    (image == PaintImage::Work ? m_workFont : m_maskFont) = font;
    SurfaceCall &call = Record(SurfaceCall::SetFont, image);
    call.font = font;
    call.escapement = escapement;
}

int RecordingPaintSurface::TextWidth(PaintImage image, const QString &text)
{
    return measureWidth(image == PaintImage::Work ? m_workFont : m_maskFont, text);
}

int RecordingPaintSurface::TextHeight(PaintImage image, const QString &text)
{
    return measureHeight(image == PaintImage::Work ? m_workFont : m_maskFont, text);
}

void RecordingPaintSurface::FillRect(PaintImage image, const QRect &rect, QColor colour)
{
    SurfaceCall &call = Record(SurfaceCall::FillRect, image);
    call.rect = rect;
    call.colour = colour;
}

void RecordingPaintSurface::FillPolygon(PaintImage image, const QPolygon &polygon, QColor colour)
{
    SurfaceCall &call = Record(SurfaceCall::FillPolygon, image);
    call.polygon = polygon;
    call.colour = colour;
}

void RecordingPaintSurface::DrawTextInRect(PaintImage image, const QRect &rect, int flags,
                                           const QString &text, QColor colour)
{
    SurfaceCall &call = Record(SurfaceCall::TextInRect, image);
    call.rect = rect;
    call.flags = flags;
    call.text = text;
    call.colour = colour;
}

void RecordingPaintSurface::DrawTextAt(PaintImage image, QPoint topLeft, const QString &text,
                                       QColor colour)
{
    SurfaceCall &call = Record(SurfaceCall::TextAt, image);
    call.point = topLeft;
    call.text = text;
    call.colour = colour;
}

void RecordingPaintSurface::CopyRect(PaintImage source, PaintImage target, const QRect &rect)
{
    SurfaceCall &call = Record(SurfaceCall::Copy, target);
    call.source = source;
    call.rect = rect;
}

void RecordingPaintSurface::MaskedCopy(PaintImage source, PaintImage target, const QRect &rect,
                                       QColor replaced, QColor brush)
{
    SurfaceCall &call = Record(SurfaceCall::MaskedCopy, target);
    call.source = source;
    call.rect = rect;
    call.replaced = replaced;
    call.colour = brush;
}

void RecordingPaintSurface::TranslucentPass(TranslucentLayer layer)
{
    SurfaceCall &call = Record(SurfaceCall::Translucent, PaintImage::Work);
    call.source = PaintImage::Mask;
    call.layer = layer;
}
