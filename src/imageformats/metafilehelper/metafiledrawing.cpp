#include "imageformats/metafilehelper/metafiledrawing.h"

#include "imageformats/metafile.h"

#include <QByteArray>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/gd.h>

namespace {

constexpr qsizetype PlaceableSize = 22;
constexpr qsizetype WmfHeaderSize = 18;
constexpr qsizetype EmfHeaderMinSize = 88;
constexpr std::uint32_t EmrHeader = 1;
constexpr std::uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr std::uint32_t EmrEof = 14;
constexpr double WmfPointsPerInch = 72.0;
constexpr double ScreenDotsPerInch = 96.0;

void PutLe32(QByteArray &data, qsizetype at, std::uint32_t value)
{
    qToLittleEndian(value, data.data() + at);
}

// Where a WMF bitmap record's DIB starts within its parameters; nullopt for records without one.
std::optional<qsizetype> WmfDibOffset(std::uint32_t function, QByteArrayView parameters)
{
    switch (function) {
    case 0x0940: // META_DIBBITBLT
    case 0x0B41: // META_DIBSTRETCHBLT
        // Without a bitmap the record has exactly its fixed fields, as many words as the high byte
        // of the function says.
        if (parameters.size() == qsizetype(function >> 8) * 2) {
            return std::nullopt;
        }
        return function == 0x0940 ? 16 : 20;
    case 0x0F43: // META_STRETCHDIB
        return 22;
    case 0x0D33: // META_SETDIBTODEV
        return 18;
    case 0x0142: // META_DIBCREATEPATTERNBRUSH
        return 4;
    default:
        return std::nullopt;
    }
}

// Records whose parameters count what follows: the count must fit the record.
bool WmfCountsFit(std::uint32_t function, QByteArrayView parameters)
{
    const auto has = [&](std::int64_t bytes) {
        return bytes <= parameters.size();
    };
    switch (function) {
    case 0x0324: // META_POLYGON: count, points
    case 0x0325: // META_POLYLINE
        return has(2) && ReadLeSigned16(parameters, 0) >= 0 &&
               has(2 + 4 * std::int64_t{ReadLeSigned16(parameters, 0)});
    case 0x0538: { // META_POLYPOLYGON: polygon count, point counts, points
        if (!has(2)) {
            return false;
        }
        const std::int64_t polygons = ReadLe16(parameters, 0);
        if (!has(2 + 2 * polygons)) {
            return false;
        }
        std::int64_t points = 0;
        for (qsizetype i = 0; i < polygons; ++i) {
            points += ReadLe16(parameters, 2 + 2 * i);
        }
        return has(2 + 2 * polygons + 4 * points);
    }
    case 0x0521: // META_TEXTOUT: length, text padded to words, y, x
        return has(2) && ReadLeSigned16(parameters, 0) >= 0 &&
               has(2 + (std::int64_t{ReadLeSigned16(parameters, 0)} + 1) / 2 * 2 + 4);
    case 0x0A32: { // META_EXTTEXTOUT: y, x, length, options, rectangle if clipped or opaque, text
        if (!has(8) || ReadLeSigned16(parameters, 4) < 0) {
            return false;
        }
        const int rectangle = (ReadLe16(parameters, 6) & 0x0006) ? 8 : 0;
        return has(8 + rectangle + std::int64_t{ReadLeSigned16(parameters, 4)});
    }
    case 0x00F7: // META_CREATEPALETTE: start, count, entries
    case 0x0037: // META_SETPALENTRIES
    case 0x0436: // META_ANIMATEPALETTE
        return has(4) && has(4 + 4 * std::int64_t{ReadLe16(parameters, 2)});
    case 0x0626: // META_ESCAPE: function, byte count, data
        return has(4) && has(4 + std::int64_t{ReadLe16(parameters, 2)});
    default:
        return true;
    }
}

bool WmfRecordFits(std::uint32_t function, QByteArrayView parameters, const PictureLimits &limits)
{
    if (const auto offset = WmfDibOffset(function, parameters)) {
        if (parameters.size() < *offset) {
            return false;
        }
        const QByteArrayView dib = parameters.sliced(*offset);
        const auto needs = CheckDibHeader(dib, limits);
        if (!needs || needs->infoBytes + needs->bitsBytes > dib.size()) {
            return false;
        }
    }
    return WmfCountsFit(function, parameters);
}

// Offsets, within an EMF bitmap record, of its (offBmi, cbBmi, offBits, cbBits) groups.
std::array<qsizetype, 2> EmfBitmapFields(std::uint32_t type)
{
    switch (type) {
    case 76:  // EMR_BITBLT
    case 77:  // EMR_STRETCHBLT
    case 114: // EMR_ALPHABLEND
    case 116: // EMR_TRANSPARENTBLT
        return {84, 0};
    case 78: // EMR_MASKBLT, source and mask
        return {84, 112};
    case 79: // EMR_PLGBLT, source and mask
        return {96, 124};
    case 80: // EMR_SETDIBITSTODEVICE
    case 81: // EMR_STRETCHDIBITS
        return {48, 0};
    case 93: // EMR_CREATEMONOBRUSH
    case 94: // EMR_CREATEDIBPATTERNBRUSHPT
        return {16, 0};
    default:
        return {0, 0};
    }
}

bool EmfBitmapFits(QByteArrayView record, qsizetype field, const PictureLimits &limits)
{
    if (record.size() < field + 16) {
        return false;
    }
    const std::int64_t infoAt = ReadLe32(record, field);
    const std::int64_t infoSize = ReadLe32(record, field + 4);
    const std::int64_t bitsAt = ReadLe32(record, field + 8);
    const std::int64_t bitsSize = ReadLe32(record, field + 12);
    if (infoSize == 0) {
        return true;
    }
    if (infoAt + infoSize > record.size() || bitsAt + bitsSize > record.size()) {
        return false;
    }
    const auto needs = CheckDibHeader(record.sliced(infoAt, infoSize), limits);
    return needs && needs->infoBytes <= infoSize && needs->bitsBytes <= bitsSize;
}

// Records that count points or characters: what they count must lie inside the record.
bool EmfCountsFit(std::uint32_t type, QByteArrayView record)
{
    const auto has = [&](std::int64_t bytes) {
        return bytes <= record.size();
    };
    // Most lists follow the bounds rectangle and a count.
    const auto count = [&] {
        return std::int64_t{ReadLe32(record, 24)};
    };
    switch (type) {
    case 2: // EMR_POLYBEZIER .. EMR_POLYLINETO, 8 bytes a point
    case 3:
    case 4:
    case 5:
    case 6:
        return has(28) && has(28 + 8 * count());
    case 85: // EMR_POLYBEZIER16 .. EMR_POLYLINETO16, 4 bytes a point
    case 86:
    case 87:
    case 88:
    case 89:
        return has(28) && has(28 + 4 * count());
    case 56: // EMR_POLYDRAW: points, then a type byte each
        return has(28) && has(28 + 9 * count());
    case 92: // EMR_POLYDRAW16
        return has(28) && has(28 + 5 * count());
    case 7: // EMR_POLYPOLYLINE, EMR_POLYPOLYGON: polygons, points, counts, points
    case 8:
    case 90: // and their 16-bit forms
    case 91: {
        if (!has(32)) {
            return false;
        }
        const std::int64_t polygons = count();
        const std::int64_t points = ReadLe32(record, 28);
        if (!has(32 + 4 * polygons)) {
            return false;
        }
        std::int64_t counted = 0;
        for (qsizetype i = 0; i < polygons; ++i) {
            counted += ReadLe32(record, 32 + 4 * i);
        }
        const int pointBytes = type >= 90 ? 4 : 8;
        return counted <= points && has(32 + 4 * polygons + pointBytes * points);
    }
    case 83: // EMR_EXTTEXTOUTA, EMR_EXTTEXTOUTW: the text and its spacing by offset
    case 84: {
        if (!has(76)) {
            return false;
        }
        const std::int64_t characters = ReadLe32(record, 44);
        const std::int64_t textAt = ReadLe32(record, 48);
        // Without a clipping rectangle (ETO_NO_RECT) the spacing offset moves up.
        const std::int64_t spacingAt = ReadLe32(record, (ReadLe32(record, 52) & 0x0100) ? 56 : 72);
        const int characterBytes = type == 84 ? 2 : 1;
        return has(textAt + characterBytes * characters) &&
               (spacingAt == 0 || has(spacingAt + 4 * characters));
    }
    default:
        return true;
    }
}

bool EmfRecordFits(std::uint32_t type, QByteArrayView record, const PictureLimits &limits)
{
    for (const qsizetype field : EmfBitmapFields(type)) {
        if (field != 0 && !EmfBitmapFits(record, field, limits)) {
            return false;
        }
    }
    return EmfCountsFit(type, record);
}

// Scales a declared size down to the side limit, keeping its shape.
std::optional<QSize> RenderSize(double width, double height, int maxSide)
{
    if (!std::isfinite(width) || !std::isfinite(height) || width < 0.5 || height < 0.5) {
        return std::nullopt;
    }
    const double scale = std::min(1.0, maxSide / std::max(width, height));
    const auto side = [&](double length) {
        return std::clamp(static_cast<int>(std::lround(length * scale)), 1, maxSide);
    };
    return QSize(side(width), side(height));
}

// --- WMF ---

struct WmfChecked {
    QByteArray bytes;
    bool placeable = false;
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    double unitsPerInch = 0;
};

// Walks the records; the copy handed to libwmf ends at the end-of-file record and has the sizes in
// its header set from what was found, so a lying header cannot steer the library's buffers.
std::optional<WmfChecked> CheckWmf(QByteArrayView data, const PictureLimits &limits)
{
    WmfChecked checked;
    qsizetype headerAt = 0;
    if (data.size() >= PlaceableSize && ReadLe32(data, 0) == PlaceableKey) {
        checked.placeable = true;
        checked.left = ReadLeSigned16(data, 6);
        checked.top = ReadLeSigned16(data, 8);
        checked.right = ReadLeSigned16(data, 10);
        checked.bottom = ReadLeSigned16(data, 12);
        checked.unitsPerInch = ReadLe16(data, 14);
        headerAt = PlaceableSize;
    }
    if (data.size() < headerAt + WmfHeaderSize || !IsWmfHeader(data.sliced(headerAt))) {
        return std::nullopt;
    }
    std::uint32_t largestRecord = 0;
    qsizetype at = headerAt + WmfHeaderSize;
    for (;;) {
        if (data.size() - at < 6) {
            return std::nullopt;
        }
        const std::uint32_t words = ReadLe32(data, at);
        const std::uint32_t function = ReadLe16(data, at + 4);
        if (words < 3 || std::int64_t{words} * 2 > data.size() - at) {
            return std::nullopt;
        }
        const QByteArrayView record = data.sliced(at, qsizetype{words} * 2);
        if (!WmfRecordFits(function, record.sliced(6), limits)) {
            return std::nullopt;
        }
        largestRecord = std::max(largestRecord, words);
        at += record.size();
        if (function == 0x0000) {
            break;
        }
    }
    checked.bytes = data.first(at).toByteArray();
    PutLe32(checked.bytes, headerAt + 6, static_cast<std::uint32_t>((at - headerAt) / 2));
    PutLe32(checked.bytes, headerAt + 12, largestRecord);
    return checked;
}

class WmfSession {
public:
    WmfSession() = default;
    WmfSession(const WmfSession &) = delete;
    WmfSession &operator=(const WmfSession &) = delete;
    ~WmfSession()
    {
        if (m_open) {
            wmf_mem_close(m_api);
        }
        if (m_api) {
            wmf_api_destroy(m_api);
        }
    }

    bool Open(QByteArray &bytes)
    {
        wmfAPI_Options options{};
        options.function = wmf_gd_function;
        const unsigned long flags =
            WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
        if (wmf_api_create(&m_api, flags, &options) != wmf_E_None) {
            return false;
        }
        m_open = wmf_mem_open(m_api, reinterpret_cast<unsigned char *>(bytes.data()),
                              static_cast<long>(bytes.size())) == wmf_E_None;
        return m_open;
    }

    wmfAPI *Api() const { return m_api; }

private:
    wmfAPI *m_api = nullptr;
    bool m_open = false;
};

int AppendToByteArray(void *context, char *buffer, int length)
{
    static_cast<QByteArray *>(context)->append(buffer, length);
    return length;
}

// --- EMF ---

struct EmfChecked {
    qsizetype length = 0;
    double width = 0;
    double height = 0;
};

std::optional<EmfChecked> CheckEmf(QByteArrayView data, const PictureLimits &limits)
{
    if (data.size() < EmfHeaderMinSize || !IsEmfHeader(data)) {
        return std::nullopt;
    }
    const std::int64_t headerSize = ReadLe32(data, 4);
    if (headerSize < EmfHeaderMinSize || headerSize > data.size()) {
        return std::nullopt;
    }
    const std::int64_t descriptionChars = ReadLe32(data, 60);
    const std::int64_t descriptionAt = ReadLe32(data, 64);
    if (descriptionChars > 0 && descriptionAt + 2 * descriptionChars > headerSize) {
        return std::nullopt;
    }
    if (headerSize >= 100) {
        const std::int64_t pixelFormatSize = ReadLe32(data, 88);
        const std::int64_t pixelFormatAt = ReadLe32(data, 92);
        if (pixelFormatSize > 0 && pixelFormatAt + pixelFormatSize > headerSize) {
            return std::nullopt;
        }
    }

    EmfChecked checked;
    qsizetype at = 0;
    for (;;) {
        if (data.size() - at < 8) {
            return std::nullopt;
        }
        const std::uint32_t type = ReadLe32(data, at);
        const std::uint32_t size = ReadLe32(data, at + 4);
        if (size < 8 || size % 4 != 0 || size > data.size() - at ||
            (type == EmrHeader) != (at == 0)) {
            return std::nullopt;
        }
        if (!EmfRecordFits(type, data.sliced(at, size), limits)) {
            return std::nullopt;
        }
        at += size;
        if (type == EmrEof) {
            break;
        }
    }
    checked.length = at;

    // Bounds are inclusive device pixels; an empty one leaves the frame, in hundredths of a mm.
    const double boundsWidth = double(ReadLeSigned32(data, 16)) - ReadLeSigned32(data, 8) + 1;
    const double boundsHeight = double(ReadLeSigned32(data, 20)) - ReadLeSigned32(data, 12) + 1;
    if (boundsWidth >= 1 && boundsHeight >= 1) {
        checked.width = boundsWidth;
        checked.height = boundsHeight;
    } else {
        constexpr double DotsPerHundredthMm = ScreenDotsPerInch / 2540.0;
        checked.width =
            (double(ReadLeSigned32(data, 32)) - ReadLeSigned32(data, 24)) * DotsPerHundredthMm;
        checked.height =
            (double(ReadLeSigned32(data, 36)) - ReadLeSigned32(data, 28)) * DotsPerHundredthMm;
    }
    return checked;
}

// Draws the checked WMF with libwmf.
std::optional<QByteArray> WmfToPng(WmfChecked &checked, int maxSide)
{
    WmfSession session;
    if (!session.Open(checked.bytes)) {
        return std::nullopt;
    }
    wmfD_Rect frame{};
    if (wmf_scan(session.Api(), 0, &frame) != wmf_E_None) {
        return std::nullopt;
    }
    // The placeable header gives the picture's frame; without one, the drawing's extent is all
    // there is. libwmf works in points.
    if (checked.placeable && checked.unitsPerInch > 0 && checked.left != checked.right &&
        checked.top != checked.bottom) {
        const double toPoints = WmfPointsPerInch / checked.unitsPerInch;
        frame.TL.x = static_cast<float>(std::min(checked.left, checked.right) * toPoints);
        frame.TL.y = static_cast<float>(std::min(checked.top, checked.bottom) * toPoints);
        frame.BR.x = static_cast<float>(std::max(checked.left, checked.right) * toPoints);
        frame.BR.y = static_cast<float>(std::max(checked.top, checked.bottom) * toPoints);
    }
    constexpr double PointsToDots = ScreenDotsPerInch / WmfPointsPerInch;
    const auto size = RenderSize((double(frame.BR.x) - frame.TL.x) * PointsToDots,
                                 (double(frame.BR.y) - frame.TL.y) * PointsToDots, maxSide);
    wmf_gd_t *device = WMF_GD_GetData(session.Api());
    if (!size || !(device->flags & WMF_GD_SUPPORTS_PNG)) {
        return std::nullopt;
    }
    // libwmf keeps no handle on an image it gives away, so it hands over a PNG instead.
    QByteArray png;
    device->type = wmf_gd_png;
    device->flags |= WMF_GD_OUTPUT_MEMORY | WMF_GD_OWN_BUFFER;
    device->sink.context = &png;
    device->sink.function = AppendToByteArray;
    device->bbox = frame;
    device->width = static_cast<unsigned int>(size->width());
    device->height = static_cast<unsigned int>(size->height());
    if (wmf_play(session.Api(), 0, &frame) != wmf_E_None) {
        return std::nullopt;
    }
    return png;
}

// Turns the checked EMF into SVG text of the given size with libemf2svg.
std::optional<QByteArray> EmfToSvg(QByteArray &bytes, QSize size)
{
    char noNamespace[] = "";
    generatorOptions options{};
    options.nameSpace = noNamespace;
    options.svgDelimiter = true;
    options.emfplus = false;
    options.imgWidth = size.width();
    options.imgHeight = size.height();
    char *svg = nullptr;
    std::size_t svgLength = 0;
    const int converted =
        emf2svg(bytes.data(), static_cast<std::size_t>(bytes.size()), &svg, &svgLength, &options);
    const std::unique_ptr<char, decltype(&std::free)> svgOwner(svg, &std::free);
    if (!converted || !svg) {
        return std::nullopt;
    }
    return QByteArray(svg, static_cast<qsizetype>(svgLength));
}

QImage DrawWmf(QByteArrayView data, const PictureLimits &limits)
{
    auto checked = CheckWmf(data, limits);
    if (!checked) {
        return {};
    }
    const auto png = WmfToPng(*checked, limits.maxMetafileSide);
    if (!png) {
        return {};
    }
    return OpaqueMetafilePng(*png, limits);
}

QImage DrawEmf(QByteArrayView data, const PictureLimits &limits)
{
    const auto checked = CheckEmf(data, limits);
    if (!checked) {
        return {};
    }
    const auto size = RenderSize(checked->width, checked->height, limits.maxMetafileSide);
    if (!size) {
        return {};
    }
    QByteArray bytes = data.first(checked->length).toByteArray();
    const auto svg = EmfToSvg(bytes, *size);
    if (!svg) {
        return {};
    }
    QSvgRenderer renderer(*svg);
    if (!renderer.isValid()) {
        return {};
    }
    QImage image(*size, QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(*size)));
    return image;
}

} // namespace

QImage DrawMetafile(QByteArrayView data, const PictureLimits &limits)
{
    if (IsEmfHeader(data)) {
        return DrawEmf(data, limits);
    }
    if (IsWmfHeader(data)) {
        return DrawWmf(data, limits);
    }
    return {};
}

bool MetafilePassesChecks(QByteArrayView data, const PictureLimits &limits)
{
    if (IsEmfHeader(data)) {
        const auto checked = CheckEmf(data, limits);
        return checked && RenderSize(checked->width, checked->height, limits.maxMetafileSide);
    }
    return IsWmfHeader(data) && CheckWmf(data, limits);
}
