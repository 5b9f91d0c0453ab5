#pragma once

#include "effectlabel/paintsurface.h"

#include <functional>
#include <vector>

// One drawing operation as the recording surface saw it. Only the fields that the operation has
// are set: `image` is the image drawn on (the target of a copy), `source` the image copied from.
struct SurfaceCall {
    enum Kind { SetFont, FillRect, FillPolygon, TextInRect, TextAt, Copy, MaskedCopy, Translucent };

    Kind kind = FillRect;
    PaintImage image = PaintImage::Work;
    PaintImage source = PaintImage::Work;
    QRect rect;
    QPoint point;
    QPolygon polygon;
    QColor colour;
    QColor replaced;
    int flags = 0;
    QString text;
    QFont font;
    int escapement = 0;
    TranslucentLayer layer = TranslucentLayer::Shadow;
};

// Records every drawing operation instead of drawing, so a test can check what the paint did:
// which copy, where, in which colour, on which image. Text is measured by `measureWidth` and
// `measureHeight`, by default in the font set for the image.
class RecordingPaintSurface final : public PaintSurface {
public:
    using Measure = std::function<int(const QFont &font, const QString &text)>;

    RecordingPaintSurface();

    const std::vector<SurfaceCall> &Calls() const { return m_calls; }
    // The recorded calls of one kind, in order.
    std::vector<SurfaceCall> CallsOf(SurfaceCall::Kind kind) const;

    Measure measureWidth;
    Measure measureHeight;

    void SetFont(PaintImage image, const QFont &font, int escapement) override;
    int TextWidth(PaintImage image, const QString &text) override;
    int TextHeight(PaintImage image, const QString &text) override;
    void FillRect(PaintImage image, const QRect &rect, QColor colour) override;
    void FillPolygon(PaintImage image, const QPolygon &polygon, QColor colour) override;
    void DrawTextInRect(PaintImage image, const QRect &rect, int flags, const QString &text,
                        QColor colour) override;
    void DrawTextAt(PaintImage image, QPoint topLeft, const QString &text, QColor colour) override;
    void CopyRect(PaintImage source, PaintImage target, const QRect &rect) override;
    void MaskedCopy(PaintImage source, PaintImage target, const QRect &rect, QColor replaced,
                    QColor brush) override;
    void TranslucentPass(TranslucentLayer layer) override;

private:
    SurfaceCall &Record(SurfaceCall::Kind kind, PaintImage image);

    std::vector<SurfaceCall> m_calls;
    QFont m_workFont;
    QFont m_maskFont;
};
