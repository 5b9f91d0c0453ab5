#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstddef>
#include <optional>
#include <vector>

// The two off-screen images of one paint of the effect label.
enum class PaintImage { Work, Mask };

// Which layer a translucent pass belongs to: a shadow darkens what lies beneath, a highlight
// lightens it.
enum class TranslucentLayer { Shadow, Highlight };

// The drawing operations the effect label's paint needs, on its work and mask images. Colours are
// passed with each call; text is always drawn without a background, glyph pixels only. The work
// image starts as what lies beneath the label, the mask image all white.
class PaintSurface {
public:
    virtual ~PaintSurface() = default;

    // The font of one image; a non-zero escapement (tenths of a degree, counter-clockwise) turns
    // the text drawn at a point.
    virtual void SetFont(PaintImage image, const QFont &font, int escapement) = 0;
    // Measured in the image's font along its own baseline, as if unrotated; one line, every
    // character taken as a glyph.
    virtual int TextWidth(PaintImage image, const QString &text) = 0;
    virtual int TextHeight(PaintImage image, const QString &text) = 0;

    virtual void FillRect(PaintImage image, const QRect &rect, QColor colour) = 0;
    // Filled in `colour` and outlined by a solid black line one pixel wide.
    virtual void FillPolygon(PaintImage image, const QPolygon &polygon, QColor colour) = 0;
    // Formatted text (Qt alignment and text flags), clipped to the rectangle.
    virtual void DrawTextInRect(PaintImage image, const QRect &rect, int flags, const QString &text,
                                QColor colour) = 0;
    // One line, unformatted; `topLeft` is the top-left corner of the text cell in the font's
    // turned frame.
    virtual void DrawTextAt(PaintImage image, QPoint topLeft, const QString &text,
                            QColor colour) = 0;
    virtual void CopyRect(PaintImage source, PaintImage target, const QRect &rect) = 0;
    // Copies the rectangle from source to target, painting every source pixel of exactly
    // `replaced` in `brush` instead.
    virtual void MaskedCopy(PaintImage source, PaintImage target, const QRect &rect,
                            QColor replaced, QColor brush) = 0;
    // Every work pixel whose mask pixel is exactly black is darkened (shadow) or lightened
    // (highlight) halfway.
    virtual void TranslucentPass(TranslucentLayer layer) = 0;
};

// The scan-line passes behind the image surface, on Format_RGB32 images of one size.
void ApplyTranslucentPass(QImage &work, const QImage &mask, TranslucentLayer layer);
void ApplyMaskedCopy(const QImage &source, QImage &target, const QRect &rect, QRgb replaced,
                     QRgb brush);

// One formatted text laid out in a rectangle of one size, kept as the runs of its glyph pixels.
// The image surface makes it on first need and fills it for every copy of the text. Laying the
// text out and drawing it costs several times what all the rest of a paint does, so a label keeps
// its stamp from one paint to the next; it is made anew as soon as the text, the text flags, the
// font or the size differ from what it was made for.
class GlyphStamp {
    friend class ImagePaintSurface;

    // A run of glyph pixels in one row, and the rows that have runs, relative to the text's
    // rectangle.
    struct Run {
        int x;
        int length;
    };
    struct RunRow {
        int y;
        std::size_t first;
        std::size_t end;
    };

    QSize size;
    QString text;
    int flags = 0;
    QFont font;
    std::vector<RunRow> rows;
    std::vector<Run> runs;
    QRect bounds;
    bool valid = false;
};

// Draws on two QImages in Format_RGB32 without antialiasing, so that every glyph pixel is exactly
// the colour it is drawn in. The mask image is only made when first used: until then it is all
// white by definition.
//
// The copies of a layer are one formatted text drawn again and again, moved and recoloured. Such a
// text is laid out and drawn once, on a small passing image, and kept as a glyph stamp; every copy
// of it then only fills the stamp's runs, which gives the very pixels that drawing the text there
// would give.
class ImagePaintSurface final : public PaintSurface {
public:
    // Takes the work image as it is: what lies beneath the label, in Format_RGB32. The stamp, when
    // given, is used and kept up to date instead of one that lasts only as long as the surface.
    explicit ImagePaintSurface(QImage work, GlyphStamp *stamp = nullptr);
    ~ImagePaintSurface() override;
    ImagePaintSurface(const ImagePaintSurface &) = delete;
    ImagePaintSurface &operator=(const ImagePaintSurface &) = delete;

    // Ends drawing; the finished work image, or null when an image could not be made.
    const QImage *Finish();

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
    struct Canvas {
        QImage image;
        std::optional<QPainter> painter;
        QFont font;
        int escapement = 0;
    };

    Canvas &CanvasOf(PaintImage image) { return image == PaintImage::Work ? m_work : m_mask; }
    // The image ready for pixel access, the mask made if it is not there yet; null on failure.
    QImage *Pixels(PaintImage image);
    // A painter on the image, begun on first use; null on failure.
    QPainter *PainterOn(PaintImage image);
    void EndPainters();
    // The text's glyph stamp in a rectangle of the images' size; null when the text must be drawn
    // the ordinary way.
    const GlyphStamp *StampFor(PaintImage image, int flags, const QString &text);
    void PaintStamp(PaintImage image, const GlyphStamp &stamp, QPoint at, QColor colour);

    Canvas m_work;
    Canvas m_mask;
    QSize m_size;
    GlyphStamp m_ownStamp;
    GlyphStamp &m_stamp;
    bool m_failed = false;
};
