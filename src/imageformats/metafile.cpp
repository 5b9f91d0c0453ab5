#include "imageformats/metafile.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

namespace {

constexpr std::uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr std::uint32_t EmrHeader = 1;
constexpr std::uint32_t EmfSignature = 0x464D4520;

// The environment can name the helper: tests use the one in the build tree.
QString HelperPath()
{
    const QString named = qEnvironmentVariable("ORTUS_METAFILE_HELPER");
    if (!named.isEmpty()) {
        return named;
    }
    if (QCoreApplication::instance() == nullptr) {
        return {};
    }
    return MetafileHelperFor(QCoreApplication::applicationDirPath());
}

// The helper's picture (PNG on its standard output), or nothing once it fails, crashes, writes more
// than a picture can be or runs out of time. Its messages go where the program's go.
std::optional<QByteArray> RunHelper(QByteArrayView data, const PictureLimits &limits)
{
    const QString helper = HelperPath();
    if (helper.isEmpty()) {
        return std::nullopt;
    }
    const QDeadlineTimer deadline(limits.metafileTime);
    const auto remaining = [&deadline] {
        return static_cast<int>(deadline.remainingTime());
    };
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(helper, MetafileHelperArguments(limits));
    const auto stop = [&process] {
        process.kill();
        process.waitForFinished(-1);
        return std::nullopt;
    };
    if (!process.waitForStarted(remaining())) {
        return stop();
    }
    // In pieces, so a large file is not held twice.
    constexpr qsizetype Piece = 1024 * 1024;
    for (qsizetype at = 0; at < data.size(); at += Piece) {
        process.write(data.data() + at, std::min(Piece, data.size() - at));
        if (!process.waitForBytesWritten(remaining())) {
            return stop();
        }
    }
    process.closeWriteChannel();
    QByteArray output;
    while (process.state() == QProcess::Running) {
        // Out of time, or the helper closed its output and has only to end.
        if (!process.waitForReadyRead(remaining()) && process.state() == QProcess::Running &&
            !process.waitForFinished(remaining())) {
            return stop();
        }
        output += process.readAllStandardOutput();
        if (output.size() > limits.maxBytes) {
            return stop();
        }
    }
    output += process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 ||
        output.size() > limits.maxBytes) {
        return std::nullopt;
    }
    return output;
}

} // namespace

QString MetafileHelperFor(const QString &programDir)
{
    const QDir dir(programDir);
    const QString installed =
        dir.filePath(QStringLiteral(ORTUS_HELPER_DIR_FROM_PROGRAM "/ortus-metafile"));
    if (QFileInfo(installed).isExecutable()) {
        return QDir::cleanPath(installed);
    }
    return dir.filePath(QStringLiteral("ortus-metafile"));
}

bool IsWmfHeader(QByteArrayView head)
{
    if (head.size() >= 4 && ReadLe32(head, 0) == PlaceableKey) {
        return true;
    }
    if (head.size() < 6) {
        return false;
    }
    const std::uint32_t type = ReadLe16(head, 0);
    const std::uint32_t version = ReadLe16(head, 4);
    return (type == 1 || type == 2) && ReadLe16(head, 2) == 9 &&
           (version == 0x0100 || version == 0x0300);
}

bool IsEmfHeader(QByteArrayView head)
{
    return head.size() >= 44 && ReadLe32(head, 0) == EmrHeader &&
           ReadLe32(head, 40) == EmfSignature;
}

QImage RenderMetafile(QByteArrayView data, const PictureLimits &limits)
{
    const auto png = RunHelper(data, limits);
    if (!png) {
        return {};
    }
    return OpaqueMetafilePng(*png, limits);
}

QStringList MetafileHelperArguments(const PictureLimits &limits)
{
    return {QString::number(limits.maxSide), QString::number(limits.maxPixels),
            QString::number(limits.maxBytes), QString::number(limits.maxMetafileSide)};
}

std::optional<PictureLimits> MetafileHelperLimits(const QStringList &arguments)
{
    if (arguments.size() != 4) {
        return std::nullopt;
    }
    bool ok[4] = {};
    PictureLimits limits;
    limits.maxSide = arguments[0].toInt(&ok[0]);
    limits.maxPixels = arguments[1].toLongLong(&ok[1]);
    limits.maxBytes = arguments[2].toLongLong(&ok[2]);
    limits.maxMetafileSide = arguments[3].toInt(&ok[3]);
    if (!(ok[0] && ok[1] && ok[2] && ok[3]) || limits.maxSide < 1 || limits.maxPixels < 1 ||
        limits.maxBytes < 1 || limits.maxMetafileSide < 1) {
        return std::nullopt;
    }
    return limits;
}
