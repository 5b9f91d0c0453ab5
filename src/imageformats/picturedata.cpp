#include "imageformats/picturedata.h"

#include <QPainter>

#include <cstdlib>

std::optional<DibNeeds> CheckDibHeader(QByteArrayView info, const PictureLimits &limits)
{
    if (info.size() < 12) {
        return std::nullopt;
    }
    const std::uint32_t headerSize = ReadLe32(info, 0);
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
    int entryBytes = 4;
    if (headerSize == 12) {
        width = ReadLe16(info, 4);
        height = ReadLe16(info, 6);
        bitCount = ReadLe16(info, 10);
        entryBytes = 3;
    } else if (headerSize >= 40 && headerSize <= info.size()) {
        width = static_cast<std::int32_t>(ReadLe32(info, 4));
        height = std::abs(std::int64_t{static_cast<std::int32_t>(ReadLe32(info, 8))});
        bitCount = ReadLe16(info, 14);
        compression = ReadLe32(info, 16);
        coloursUsed = ReadLe32(info, 32);
    } else {
        return std::nullopt;
    }
    if (!limits.Fits(width, height) || coloursUsed > 256) {
        return std::nullopt;
    }
    DibNeeds needs;
    needs.infoBytes = headerSize;
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
        if (coloursUsed > (1u << bitCount)) {
            return std::nullopt;
        }
        needs.infoBytes += std::int64_t{entryBytes} * (coloursUsed ? coloursUsed : 1u << bitCount);
        break;
    case 16:
    case 24:
    case 32:
        needs.infoBytes += std::int64_t{entryBytes} * coloursUsed;
        break;
    default:
        return std::nullopt;
    }
    const std::int64_t stride = (width * bitCount + 31) / 32 * 4;
    switch (compression) {
    case 0: // BI_RGB
        needs.bitsBytes = stride * height;
        break;
    case 1: // BI_RLE8
    case 2: // BI_RLE4
        if (bitCount != (compression == 1 ? 8u : 4u)) {
            return std::nullopt;
        }
        break;
    case 3: // BI_BITFIELDS
        if (bitCount != 16 && bitCount != 32) {
            return std::nullopt;
        }
        if (headerSize == 40) {
            needs.infoBytes += 12;
        }
        needs.bitsBytes = stride * height;
        break;
    default:
        return std::nullopt;
    }
    return needs;
}

QImage OpaquePicture(const QImage &image)
{
    if (image.isNull() || !image.hasAlphaChannel()) {
        return image.convertToFormat(QImage::Format_RGB32);
    }
    QImage flat(image.size(), QImage::Format_RGB32);
    if (flat.isNull()) {
        return {};
    }
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    return flat;
}

QImage OpaqueMetafilePng(const QByteArray &png, const PictureLimits &limits)
{
    const QImage image = QImage::fromData(png, "PNG");
    if (image.isNull() || image.width() > limits.maxMetafileSide ||
        image.height() > limits.maxMetafileSide) {
        return {};
    }
    return OpaquePicture(image);
}
