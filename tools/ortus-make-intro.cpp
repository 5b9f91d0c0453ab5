// Draws the intro animation that the program plays at start-up and writes it as a run-length
// encoded AVI: a golden ring spinning round a pulsing star, a comet on a tilted orbit, twinkling
// stars and the program's name. Usage: ortus-make-intro OUTPUT.avi
#include "avi/aviwriter.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr int FrameCount = 60;
constexpr int Width = 300;
constexpr int Height = 200;
constexpr std::uint32_t MicroSecondsPerFrame = 66667; // 15 frames a second
constexpr QPointF Centre(150, 84);
constexpr double Tau = 2 * std::numbers::pi;

struct Star {
    QPointF position;
    double brightness;
    double phase;
    int twinkles; // whole twinkles per loop, so the loop has no seam
    bool sparkle;
};

std::vector<Star> MakeStars()
{
    std::mt19937 random(2000);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<Star> stars;
    while (stars.size() < 48) {
        const QPointF position(unit(random) * Width, unit(random) * Height);
        // Keep the emblem and the caption clear.
        if (std::hypot(position.x() - Centre.x(), position.y() - Centre.y()) < 70 ||
            (position.y() > 148 && position.y() < 196 && std::abs(position.x() - 150) < 110)) {
            continue;
        }
        const bool sparkle = stars.size() % 8 == 0;
        stars.push_back({position, 0.5 + 0.5 * unit(random), unit(random),
                         1 + static_cast<int>(stars.size() % 3), sparkle});
    }
    return stars;
}

QColor Scaled(const QColor &colour, double factor)
{
    return QColor::fromRgbF(static_cast<float>(std::clamp(colour.redF() * factor, 0.0, 1.0)),
                            static_cast<float>(std::clamp(colour.greenF() * factor, 0.0, 1.0)),
                            static_cast<float>(std::clamp(colour.blueF() * factor, 0.0, 1.0)));
}

void DrawStars(QPainter &painter, const std::vector<Star> &stars, double t)
{
    for (const Star &star : stars) {
        const double glow =
            star.brightness * (0.55 + 0.45 * std::sin(Tau * (t * star.twinkles + star.phase)));
        const QColor colour = Scaled(QColor(235, 240, 255), glow);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(star.position, 0.9, 0.9);
        if (star.sparkle) {
            painter.setPen(QPen(Scaled(colour, 0.8), 1));
            const double arm = 2 + 3 * glow;
            painter.drawLine(star.position - QPointF(arm, 0), star.position + QPointF(arm, 0));
            painter.drawLine(star.position - QPointF(0, arm), star.position + QPointF(0, arm));
        }
    }
}

void DrawBackground(QPainter &painter)
{
    painter.fillRect(0, 0, Width, Height, Qt::black);
    QRadialGradient glow(Centre, 105);
    glow.setColorAt(0.0, QColor(18, 40, 95));
    glow.setColorAt(0.6, QColor(6, 14, 40));
    glow.setColorAt(1.0, Qt::black);
    painter.setPen(Qt::NoPen);
    painter.setBrush(glow);
    painter.drawEllipse(Centre, 105, 105);
}

// A four-pointed star whose size pulses twice per loop.
void DrawCentreStar(QPainter &painter, double t)
{
    const double pulse = 0.75 + 0.25 * std::sin(2 * Tau * t);
    QRadialGradient halo(Centre, 26 * pulse);
    halo.setColorAt(0.0, QColor(255, 250, 220));
    halo.setColorAt(0.35, QColor(255, 200, 80));
    halo.setColorAt(1.0, QColor(0, 0, 0, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(halo);
    painter.drawEllipse(Centre, 26 * pulse, 26 * pulse);

    QPainterPath star;
    const double longArm = 24 * pulse;
    const double shortArm = 5 * pulse;
    for (int i = 0; i < 8; ++i) {
        const double angle = Tau * i / 8 - Tau / 4;
        const double radius = i % 2 == 0 ? longArm : shortArm;
        const QPointF point = Centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
        if (i == 0) {
            star.moveTo(point);
        } else {
            star.lineTo(point);
        }
    }
    star.closeSubpath();
    painter.setBrush(QColor(255, 252, 235));
    painter.drawPath(star);
}

QPainterPath RingPath(QPointF centre, double squeeze)
{
    QPainterPath ring;
    ring.setFillRule(Qt::OddEvenFill);
    ring.addEllipse(centre, 58 * squeeze, 58);
    ring.addEllipse(centre, 41 * squeeze, 41);
    return ring;
}

// The ring turns about its upright axis once per loop; its rim is drawn as layers behind the
// face, so it keeps a body when seen edge-on.
void DrawRing(QPainter &painter, double t)
{
    const double angle = Tau * t;
    const double squeeze = std::max(std::abs(std::cos(angle)), 0.04);
    const double depth = 7 * std::sin(angle);
    const int layers = 8;
    for (int layer = layers; layer >= 1; --layer) {
        const QPointF offset(depth * layer / layers, 0);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Scaled(QColor(150, 95, 15), 0.55 + 0.3 * (layers - layer) / layers));
        painter.drawPath(RingPath(Centre + offset, squeeze));
    }
    const double facing = 0.6 + 0.4 * std::abs(std::cos(angle));
    QLinearGradient gold(Centre - QPointF(0, 58), Centre + QPointF(0, 58));
    gold.setColorAt(0.0, Scaled(QColor(255, 245, 190), facing));
    gold.setColorAt(0.35, Scaled(QColor(250, 200, 60), facing));
    gold.setColorAt(0.7, Scaled(QColor(200, 130, 20), facing));
    gold.setColorAt(1.0, Scaled(QColor(120, 70, 5), facing));
    painter.setBrush(gold);
    painter.setPen(QPen(Scaled(QColor(90, 50, 0), facing), 1));
    painter.drawPath(RingPath(Centre, squeeze));

    // A glint crosses the face while it looks at the viewer.
    const double sweep = std::sin(angle);
    if (std::abs(std::cos(angle)) > 0.5) {
        painter.save();
        painter.setClipPath(RingPath(Centre, squeeze));
        painter.setPen(QPen(QColor(255, 250, 225, 170), 3));
        const double x = Centre.x() + sweep * 60 * squeeze;
        painter.drawLine(QPointF(x - 25, Centre.y() + 60), QPointF(x + 25, Centre.y() - 60));
        painter.restore();
    }
}

QPointF OrbitPoint(double phi)
{
    const double tilt = -0.25;
    const double x = 92 * std::cos(phi);
    const double y = 20 * std::sin(phi);
    return Centre + QPointF(x * std::cos(tilt) - y * std::sin(tilt),
                            x * std::sin(tilt) + y * std::cos(tilt));
}

// The comet's tail fades behind it; behind tells which half of the orbit is drawn now.
void DrawComet(QPainter &painter, double t, bool behind)
{
    painter.setPen(Qt::NoPen);
    const double head = Tau * t + 0.3;
    constexpr int Tail = 24;
    for (int i = Tail; i >= 0; --i) {
        const double phi = head - 0.035 * i;
        if ((std::sin(phi) < 0) != behind) {
            continue;
        }
        const double fade = 1.0 - static_cast<double>(i) / (Tail + 1);
        const double radius = i == 0 ? 3.5 : 0.8 + 2.2 * fade;
        const QColor colour =
            i == 0 ? QColor(255, 250, 225) : Scaled(QColor(255, 140 + 80 * fade, 40 * fade), fade);
        painter.setBrush(colour);
        painter.drawEllipse(OrbitPoint(phi), radius, radius);
    }
}

void DrawCaption(QPainter &painter, double t)
{
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(32);
    font.setBold(true);
    QPainterPath text;
    const QString caption = QStringLiteral("Ортус 2000");
    text.addText(0, 0, font, caption);
    const QRectF bounds = text.boundingRect();
    text.translate(Width / 2.0 - bounds.center().x(), 182 - bounds.bottom());

    QLinearGradient fill(0, 156, 0, 184);
    fill.setColorAt(0.0, QColor(255, 240, 170));
    fill.setColorAt(0.5, QColor(240, 170, 40));
    fill.setColorAt(1.0, QColor(170, 40, 10));
    painter.setPen(QPen(QColor(60, 20, 0), 1.2));
    painter.setBrush(fill);
    painter.drawPath(text);

    // A spark runs along the letters once per loop.
    const QRectF placed = text.boundingRect();
    const QPointF spark(placed.left() + placed.width() * t, placed.top() + 4);
    painter.setPen(QPen(QColor(255, 255, 240), 1));
    painter.drawLine(spark - QPointF(5, 0), spark + QPointF(5, 0));
    painter.drawLine(spark - QPointF(0, 5), spark + QPointF(0, 5));
}

QImage DrawFrame(const std::vector<Star> &stars, int index)
{
    const double t = static_cast<double>(index) / FrameCount;
    QImage frame(Width, Height, QImage::Format_RGB32);
    QPainter painter(&frame);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawBackground(painter);
    DrawStars(painter, stars, t);
    DrawComet(painter, t, true);
    DrawCentreStar(painter, t);
    DrawRing(painter, t);
    DrawComet(painter, t, false);
    DrawCaption(painter, t);
    return frame;
}

// Colour ramps through the tones the pictures use; the rest of the 256 slots fall to them.
QList<QRgb> MakePalette()
{
    struct Stop {
        double at;
        QColor colour;
    };
    const auto ramp = [](QList<QRgb> &palette, int count, const std::vector<Stop> &stops) {
        for (int i = 0; i < count; ++i) {
            const double at = static_cast<double>(i) / (count - 1);
            std::size_t k = 1;
            while (k + 1 < stops.size() && stops[k].at < at) {
                ++k;
            }
            const Stop &a = stops[k - 1];
            const Stop &b = stops[k];
            const double f = std::clamp((at - a.at) / (b.at - a.at), 0.0, 1.0);
            const auto mix = [f](int x, int y) {
                return static_cast<int>(std::lround(x + (y - x) * f));
            };
            palette.append(qRgb(mix(a.colour.red(), b.colour.red()),
                                mix(a.colour.green(), b.colour.green()),
                                mix(a.colour.blue(), b.colour.blue())));
        }
    };
    QList<QRgb> palette;
    ramp(palette, 40, {{0.0, QColor(0, 0, 0)}, {1.0, QColor(255, 255, 255)}});
    ramp(palette, 96,
         {{0.0, QColor(40, 20, 0)},
          {0.3, QColor(130, 80, 10)},
          {0.6, QColor(230, 165, 35)},
          {0.8, QColor(255, 215, 100)},
          {1.0, QColor(255, 250, 215)}});
    ramp(palette, 48,
         {{0.0, QColor(2, 4, 12)},
          {0.4, QColor(15, 32, 80)},
          {0.8, QColor(90, 140, 230)},
          {1.0, QColor(220, 230, 255)}});
    ramp(palette, 56,
         {{0.0, QColor(50, 8, 0)},
          {0.35, QColor(170, 40, 10)},
          {0.7, QColor(255, 130, 30)},
          {1.0, QColor(255, 230, 150)}});
    ramp(palette, 16, {{0.0, QColor(110, 90, 45)}, {1.0, QColor(240, 225, 165)}});
    return palette;
}

// Nearest palette entry for every colour, 6 bits a channel, without dithering: flat areas stay
// flat, which keeps the runs long.
QImage Quantise(const QImage &frame, const QList<QRgb> &palette, std::vector<uchar> &lookup)
{
    if (lookup.empty()) {
        lookup.resize(64 * 64 * 64);
        for (int key = 0; key < 64 * 64 * 64; ++key) {
            const int r = (key >> 12) * 255 / 63;
            const int g = (key >> 6 & 63) * 255 / 63;
            const int b = (key & 63) * 255 / 63;
            int best = 0;
            int bestDistance = INT32_MAX;
            for (int i = 0; i < palette.size(); ++i) {
                const int dr = qRed(palette[i]) - r;
                const int dg = qGreen(palette[i]) - g;
                const int db = qBlue(palette[i]) - b;
                const int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = i;
                }
            }
            lookup[static_cast<std::size_t>(key)] = static_cast<uchar>(best);
        }
    }
    QImage indexed(frame.size(), QImage::Format_Indexed8);
    indexed.setColorTable(palette);
    for (int y = 0; y < frame.height(); ++y) {
        const auto *source = reinterpret_cast<const QRgb *>(frame.constScanLine(y));
        uchar *target = indexed.scanLine(y);
        for (int x = 0; x < frame.width(); ++x) {
            const int key = (qRed(source[x]) >> 2) << 12 | (qGreen(source[x]) >> 2) << 6 |
                            qBlue(source[x]) >> 2;
            target[x] = lookup[static_cast<std::size_t>(key)];
        }
    }
    return indexed;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Usage: %s OUTPUT.avi\n", argv[0]);
        return 2;
    }

    const std::vector<Star> stars = MakeStars();
    const QList<QRgb> palette = MakePalette();
    std::vector<uchar> lookup;
    std::vector<QImage> frames;
    for (int i = 0; i < FrameCount; ++i) {
        frames.push_back(Quantise(DrawFrame(stars, i), palette, lookup));
    }
    AviWriteOptions options;
    options.kind = AviFrameKind::Rle8;
    options.microSecondsPerFrame = MicroSecondsPerFrame;
    const QByteArray avi = WriteAvi(frames, options);

    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(avi) != avi.size() ||
        !out.flush()) {
        std::fprintf(stderr, "Cannot write %s: %s\n", argv[1], qPrintable(out.errorString()));
        return 1;
    }
    std::printf("%s: %d frames of %d x %d, %lld bytes\n", argv[1], FrameCount, Width, Height,
                static_cast<long long>(avi.size()));
    return 0;
}
