#include "effectlabel/paintsurface.h"

#include <QFontMetrics>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr QRgb ColourBits = 0x00FFFFFF;

// Each channel halved, rounded down.
inline QRgb Darkened(QRgb pixel)
{
    return 0xFF000000u | (pixel >> 1 & 0x007F7F7Fu);
}

// Each channel c becomes (c + 255) halved, rounded down: (c >> 1) + 127 + (c & 1), which never
// carries into the next channel.
inline QRgb Lightened(QRgb pixel)
{
    return 0xFF000000u | ((pixel >> 1 & 0x007F7F7Fu) + 0x007F7F7Fu + (pixel & 0x00010101u));
}

template <QRgb (*Change)(QRgb)> void ChangeUnderMask(QImage &work, const QImage &mask)
{
    const int width = std::min(work.width(), mask.width());
    const int height = std::min(work.height(), mask.height());
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(work.scanLine(y));
        const auto *maskRow = reinterpret_cast<const QRgb *>(mask.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            if ((maskRow[x] & ColourBits) == 0) {
                row[x] = Change(row[x]);
            }
        }
    }
}

constexpr uchar White8 = 0xFF;

// The first index from `x` on whose pixel is not white, or `width`; most of a caption's rectangle
// is empty, so it goes eight pixels at a time where it can.
int SkipWhite(const uchar *row, int x, int width)
{
    constexpr std::uint64_t White = ~std::uint64_t{0};
    for (std::uint64_t word; x + 8 <= width; x += 8) {
        std::memcpy(&word, row + x, sizeof word);
        if (word != White) {
            break;
        }
    }
    while (x < width && row[x] == White8) {
        ++x;
    }
    return x;
}

QRgb Opaque(QColor colour)
{
    return colour.rgb() | 0xFF000000u;
}

} // namespace

void ApplyTranslucentPass(QImage &work, const QImage &mask, TranslucentLayer layer)
{
    if (layer == TranslucentLayer::Shadow) {
        ChangeUnderMask<Darkened>(work, mask);
    } else {
        ChangeUnderMask<Lightened>(work, mask);
    }
}

void ApplyMaskedCopy(const QImage &source, QImage &target, const QRect &rect, QRgb replaced,
                     QRgb brush)
{
    const QRect area = rect & source.rect() & target.rect();
    if (area.isEmpty()) {
        return;
    }
    replaced &= ColourBits;
    brush |= 0xFF000000u;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto *from = reinterpret_cast<const QRgb *>(source.constScanLine(y)) + area.left();
        auto *to = reinterpret_cast<QRgb *>(target.scanLine(y)) + area.left();
        for (int x = 0; x < area.width(); ++x) {
            to[x] = (from[x] & ColourBits) == replaced ? brush : from[x];
        }
    }
}

ImagePaintSurface::ImagePaintSurface(QImage work, GlyphStamp *stamp)
    : m_size(work.size()), m_stamp(stamp != nullptr ? *stamp : m_ownStamp)
{
    m_work.image = std::move(work);
    m_failed = m_work.image.isNull() || m_work.image.format() != QImage::Format_RGB32;
}

ImagePaintSurface::~ImagePaintSurface()
{
    EndPainters();
}

void ImagePaintSurface::EndPainters()
{
    m_work.painter.reset();
    m_mask.painter.reset();
}

const QImage *ImagePaintSurface::Finish()
{
    EndPainters();
    return m_failed ? nullptr : &m_work.image;
}

QImage *ImagePaintSurface::Pixels(PaintImage image)
{
    if (m_failed) {
        return nullptr;
    }
    Canvas &canvas = CanvasOf(image);
    if (canvas.image.isNull()) {
        canvas.image = QImage(m_size, QImage::Format_RGB32);
        if (canvas.image.isNull()) {
            m_failed = true;
            return nullptr;
        }
        canvas.image.fill(Qt::white);
    }
    return &canvas.image;
}

QPainter *ImagePaintSurface::PainterOn(PaintImage image)
{
    QImage *pixels = Pixels(image);
    if (pixels == nullptr) {
        return nullptr;
    }
    Canvas &canvas = CanvasOf(image);
    if (!canvas.painter) {
        canvas.painter.emplace(pixels);
        // Every glyph pixel must be exactly its colour: the black test of the mask and the
        // marker-colour copy depend on it.
        canvas.painter->setRenderHint(QPainter::TextAntialiasing, false);
        canvas.painter->setFont(canvas.font);
    }
    return &*canvas.painter;
}

const GlyphStamp *ImagePaintSurface::StampFor(PaintImage image, int flags, const QString &text)
{
    const QFont &font = CanvasOf(image).font;
    if (m_stamp.valid && m_stamp.size == m_size && m_stamp.flags == flags && m_stamp.text == text &&
        m_stamp.font == font) {
        return &m_stamp;
    }
    // Runs hold only whole glyph pixels: an antialiased font is drawn the ordinary way.
    if (!(font.styleStrategy() & QFont::NoAntialias)) {
        return nullptr;
    }
    // One byte a pixel, and gone as soon as the runs are read. (Qt 6.4 misplaces unantialiased
    // glyphs on 16-bit images, so not one of those.)
    QImage glyphs(m_size, QImage::Format_Grayscale8);
    if (glyphs.isNull()) {
        return nullptr;
    }
    glyphs.fill(White8);
    QRect laidOut;
    {
        QPainter painter(&glyphs);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QRect(QPoint(0, 0), m_size), flags, text, &laidOut);
    }

    m_stamp.size = m_size;
    m_stamp.text = text;
    m_stamp.flags = flags;
    m_stamp.font = font;
    m_stamp.rows.clear();
    m_stamp.runs.clear();
    m_stamp.valid = true;
    // Glyphs may reach out of the laid-out lines (italic overhang, bearings), never by a line's
    // height: only that much is searched for runs.
    const int margin = QFontMetrics(font).height();
    const QRect searched = laidOut.adjusted(-margin, -margin, margin, margin) & glyphs.rect();
    const int from = searched.left();
    const int to = searched.right() + 1;
    int left = to;
    int right = from;
    int top = glyphs.height();
    int bottom = -1;
    for (int y = searched.top(); y <= searched.bottom(); ++y) {
        const uchar *row = glyphs.constScanLine(y);
        const std::size_t first = m_stamp.runs.size();
        for (int x = SkipWhite(row, from, to); x < to; x = SkipWhite(row, x, to)) {
            const int start = x;
            while (x < to && row[x] != White8) {
                ++x;
            }
            m_stamp.runs.push_back({start, x - start});
            left = std::min(left, start);
            right = std::max(right, x);
        }
        if (m_stamp.runs.size() != first) {
            m_stamp.rows.push_back({y, first, m_stamp.runs.size()});
            top = std::min(top, y);
            bottom = y;
        }
    }
    m_stamp.bounds = bottom < 0 ? QRect() : QRect(left, top, right - left, bottom - top + 1);
    return &m_stamp;
}

void ImagePaintSurface::PaintStamp(PaintImage image, const GlyphStamp &stamp, QPoint at,
                                   QColor colour)
{
    QImage *pixels = Pixels(image);
    if (pixels == nullptr) {
        return;
    }
    const QRgb value = Opaque(colour);
    const int width = pixels->width();
    const int height = pixels->height();
    uchar *bits = pixels->bits();
    const qsizetype stride = pixels->bytesPerLine();
    // Most copies fall wholly inside the image and need no clipping run by run.
    const bool inside = pixels->rect().contains(stamp.bounds.translated(at));
    for (const GlyphStamp::RunRow &runRow : stamp.rows) {
        const int y = runRow.y + at.y();
        if (!inside && (y < 0 || y >= height)) {
            continue;
        }
        auto *row = reinterpret_cast<QRgb *>(bits + y * stride);
        for (std::size_t i = runRow.first; i < runRow.end; ++i) {
            int from = stamp.runs[i].x + at.x();
            int to = from + stamp.runs[i].length;
            if (!inside) {
                from = std::max(from, 0);
                to = std::min(to, width);
                if (from >= to) {
                    continue;
                }
            }
            std::fill(row + from, row + to, value);
        }
    }
}

void ImagePaintSurface::SetFont(PaintImage image, const QFont &font, int escapement)
{
    Canvas &canvas = CanvasOf(image);
    canvas.font = font;
    canvas.escapement = escapement;
    if (canvas.painter) {
        canvas.painter->setFont(font);
    }
}

int ImagePaintSurface::TextWidth(PaintImage image, const QString &text)
{
    return QFontMetrics(CanvasOf(image).font).horizontalAdvance(text);
}

int ImagePaintSurface::TextHeight(PaintImage image, const QString &)
{
    return QFontMetrics(CanvasOf(image).font).height();
}

void ImagePaintSurface::FillRect(PaintImage image, const QRect &rect, QColor colour)
{
    if (QPainter *painter = PainterOn(image)) {
        painter->fillRect(rect, colour);
    }
}

void ImagePaintSurface::FillPolygon(PaintImage image, const QPolygon &polygon, QColor colour)
{
    if (QPainter *painter = PainterOn(image)) {
        painter->setPen(QPen(Qt::black, 1));
        painter->setBrush(colour);
        painter->drawPolygon(polygon);
        painter->setBrush(Qt::NoBrush);
    }
}

void ImagePaintSurface::DrawTextInRect(PaintImage image, const QRect &rect, int flags,
                                       const QString &text, QColor colour)
{
    if (text.isEmpty()) {
        return;
    }
    if (rect.size() == m_size) {
        if (const GlyphStamp *stamp = StampFor(image, flags, text)) {
            PaintStamp(image, *stamp, rect.topLeft(), colour);
            return;
        }
    }
    if (QPainter *painter = PainterOn(image)) {
        painter->setPen(colour);
        painter->drawText(rect, flags, text);
    }
}

void ImagePaintSurface::DrawTextAt(PaintImage image, QPoint topLeft, const QString &text,
                                   QColor colour)
{
    if (text.isEmpty()) {
        return;
    }
    QPainter *painter = PainterOn(image);
    if (painter == nullptr) {
        return;
    }
    const int escapement = CanvasOf(image).escapement;
    painter->setPen(colour);
    const int ascent = painter->fontMetrics().ascent();
    if (escapement == 0) {
        painter->drawText(topLeft.x(), topLeft.y() + ascent, text);
        return;
    }
    painter->save();
    painter->translate(topLeft);
    painter->rotate(-escapement / 10.0);
    painter->drawText(0, ascent, text);
    painter->restore();
}

void ImagePaintSurface::CopyRect(PaintImage source, PaintImage target, const QRect &rect)
{
    QImage *from = Pixels(source);
    QImage *to = Pixels(target);
    if (from == nullptr || to == nullptr || from == to) {
        return;
    }
    const QRect area = rect & from->rect() & to->rect();
    if (area.isEmpty()) {
        return;
    }
    const auto bytes = static_cast<std::size_t>(area.width()) * sizeof(QRgb);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        std::memcpy(reinterpret_cast<QRgb *>(to->scanLine(y)) + area.left(),
                    reinterpret_cast<const QRgb *>(from->constScanLine(y)) + area.left(), bytes);
    }
}

void ImagePaintSurface::MaskedCopy(PaintImage source, PaintImage target, const QRect &rect,
                                   QColor replaced, QColor brush)
{
    QImage *from = Pixels(source);
    QImage *to = Pixels(target);
    if (from != nullptr && to != nullptr) {
        ApplyMaskedCopy(*from, *to, rect, Opaque(replaced), Opaque(brush));
    }
}

void ImagePaintSurface::TranslucentPass(TranslucentLayer layer)
{
    // A mask that was never drawn on is all white: nothing lies under a glyph.
    if (m_failed || m_mask.image.isNull()) {
        return;
    }
    if (QImage *work = Pixels(PaintImage::Work)) {
        ApplyTranslucentPass(*work, m_mask.image, layer);
    }
}
