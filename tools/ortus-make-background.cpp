// Draws the shipped background picture of the main window: a pale sky gradient with soft
// circles, light enough for dark question and answer texts. Usage: ortus-make-background FILE
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <cstdio>
#include <random>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.jpg\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);

    QImage image(800, 600, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 600);
    sky.setColorAt(0.0, QColor(214, 232, 250));
    sky.setColorAt(0.6, QColor(238, 246, 252));
    sky.setColorAt(1.0, QColor(250, 246, 228));
    painter.fillRect(image.rect(), sky);

    // A fixed seed keeps the picture the same from build to build.
    std::mt19937 random(2000);
    std::uniform_int_distribution<int> x(0, 800);
    std::uniform_int_distribution<int> y(0, 600);
    std::uniform_int_distribution<int> radius(40, 160);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 18; ++i) {
        const QPointF centre(x(random), y(random));
        const int r = radius(random);
        QRadialGradient glow(centre, r);
        glow.setColorAt(0.0, QColor(255, 255, 255, 90));
        glow.setColorAt(1.0, QColor(255, 255, 255, 0));
        painter.setBrush(glow);
        painter.drawEllipse(centre, r, r);
    }
    painter.end();
    return image.save(QString::fromLocal8Bit(argv[1]), "JPG", 85) ? 0 : 1;
}
