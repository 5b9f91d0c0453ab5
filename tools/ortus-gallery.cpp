// Shows effect labels in every effect style, colour scheme, drawing style, gradient and alignment,
// transparent and opaque, then captions turned by several angles, whole or with upright letters,
// over a picture (left) and over a plain colour (right).
//
//     ortus-gallery              opens the gallery window
//     ortus-gallery --png FILE   renders the window to FILE without a display

#include "effectlabel/answerlabelform.h"
#include "effectlabel/effectlabel.h"
#include "platform/stretchedimage.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Setup = std::function<void(TEffectLabel &)>;

struct Sample {
    QString caption;
    Setup setup;
    bool wide = false;
};

constexpr int HalfWidth = 520;
constexpr int Margin = 16;
constexpr int Cell = 240;
constexpr int RowHeight = 50;
constexpr int LabelHeight = 46;
// Turned captions need square labels: a rotated caption turns about the point (c, c).
constexpr int TurnedCell = 160;
constexpr int TurnedColumns = 3;

std::vector<Sample> Samples()
{
    auto style = [](TEffectStyle value) {
        return Setup([value](TEffectLabel &l) { l.SetEffectStyle(value); });
    };
    auto scheme = [](TColourScheme value) {
        return Setup([value](TEffectLabel &l) { l.SetColourScheme(value); });
    };
    auto align = [](TAlignment value) {
        return Setup([value](TEffectLabel &l) {
            l.SetColourScheme(csGold);
            l.SetAlignment(value);
        });
    };
    return {
        {QStringLiteral("esNone"), style(esNone)},
        {QStringLiteral("esRaised"), style(esRaised)},
        {QStringLiteral("esSunken"), style(esSunken)},
        {QStringLiteral("esShadow"), style(esShadow)},
        {QStringLiteral("esFlying"), style(esFlying)},
        {QStringLiteral("csText"), scheme(csText)},
        {QStringLiteral("csEmbossed"), scheme(csEmbossed)},
        {QStringLiteral("csGold"), scheme(csGold)},
        {QStringLiteral("csSteel"), scheme(csSteel)},
        {QStringLiteral("eoReal"),
         [](TEffectLabel &l) {
             l.SetColourScheme(csSteel);
             l.SetDepthShadow(4);
             l.SetDepthHighlight(2);
             l.SetStyleShadow(eoReal);
             l.SetStyleHighlight(eoReal);
         }},
        {QStringLiteral("eoExtrude"),
         [](TEffectLabel &l) {
             l.SetColourScheme(csGold);
             l.SetDepthShadow(6);
             l.SetStyleShadow(eoExtrude);
         }},
        {QStringLiteral("eoGraduated"),
         [](TEffectLabel &l) {
             l.SetColourScheme(csSteel);
             l.SetDepthShadow(6);
             l.SetStyleShadow(eoGraduated);
             l.SetDepthHighlight(3);
             l.SetStyleHighlight(eoGraduated);
         }},
        {QStringLiteral("goVertical"),
         [](TEffectLabel &l) {
             l.SetFontColor(clRed);
             l.SetGraduateFrom(clYellow);
             l.SetGraduateFace(goVertical);
         }},
        {QStringLiteral("goHorizontal"),
         [](TEffectLabel &l) {
             l.SetFontColor(clNavy);
             l.SetGraduateFrom(clAqua);
             l.SetGraduateFace(goHorizontal);
         }},
        {QStringLiteral("taLeftJustify"), align(taLeftJustify), true},
        {QStringLiteral("taCenter"), align(taCenter), true},
        {QStringLiteral("taRightJustify"), align(taRightJustify), true},
        {QStringLiteral("Transparent false"),
         [](TEffectLabel &l) {
             l.SetTransparent(false);
             l.SetColor(clSilver);
             l.SetAlignment(taCenter);
         },
         true},
        {QStringLiteral("Москва является столицей России"),
         [](TEffectLabel &l) { ApplyAnswerLabelForm(l); }, true},
    };
}

std::vector<Sample> TurnedSamples()
{
    auto rotated = [](int angle, Setup more) {
        return Sample{QStringLiteral("Angle %1").arg(angle), [angle, more](TEffectLabel &l) {
                          more(l);
                          l.SetAngle(static_cast<TAngleRange>(angle));
                      }};
    };
    auto upright = [](int angle, Setup more) {
        return Sample{QStringLiteral("Ортус"), [angle, more](TEffectLabel &l) {
                          l.SetFontSize(18);
                          more(l);
                          l.SetAngle(static_cast<TAngleRange>(angle));
                          l.SetKeepLettersVertical(true);
                      }};
    };
    auto opaque = [](TEffectLabel &l, TColor colour) {
        l.SetTransparent(false);
        l.SetColor(colour);
    };
    return {
        rotated(45, [](TEffectLabel &l) { l.SetColourScheme(csGold); }),
        rotated(90,
                [](TEffectLabel &l) {
                    l.SetFontColor(clRed);
                    l.SetGraduateFrom(clYellow);
                    l.SetGraduateFace(goVertical);
                }),
        rotated(180,
                [opaque](TEffectLabel &l) {
                    l.SetColourScheme(csSteel);
                    opaque(l, clSilver);
                }),
        rotated(270,
                [](TEffectLabel &l) {
                    l.SetEffectStyle(esShadow);
                    l.SetFontColor(clNavy);
                    l.SetGraduateFrom(clAqua);
                    l.SetGraduateFace(goHorizontal);
                }),
        rotated(30,
                [](TEffectLabel &l) {
                    l.SetDepthShadow(3);
                    l.SetStyleShadow(eoReal);
                }),
        rotated(330,
                [opaque](TEffectLabel &l) {
                    l.SetEffectStyle(esFlying);
                    l.SetFontColor(clYellow);
                    l.SetGraduateFrom(clRed);
                    l.SetGraduateFace(goVertical);
                    opaque(l, clTeal);
                }),
        upright(45,
                [opaque](TEffectLabel &l) {
                    l.SetFontColor(clGreen);
                    l.SetGraduateFrom(clLime);
                    l.SetGraduateFace(goVertical);
                    opaque(l, clWhite);
                }),
        upright(90, [](TEffectLabel &l) { l.SetColourScheme(csGold); }),
        upright(135, [](TEffectLabel &l) { l.SetEffectStyle(esSunken); }),
        upright(180,
                [opaque](TEffectLabel &l) {
                    l.SetFontColor(clRed);
                    l.SetGraduateFrom(clNavy);
                    l.SetGraduateFace(goHorizontal);
                    opaque(l, clSilver);
                }),
        upright(270,
                [](TEffectLabel &l) {
                    l.SetColourScheme(csSteel);
                    l.SetDepthShadow(4);
                    l.SetStyleShadow(eoExtrude);
                }),
        upright(315,
                [opaque](TEffectLabel &l) {
                    l.SetEffectStyle(esShadow);
                    opaque(l, clYellow);
                }),
    };
}

// A colourful picture drawn in code: a rainbow across, darkening downward, with diagonal stripes.
QImage Picture(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient rainbow(0, 0, size.width(), 0);
    for (int i = 0; i <= 6; ++i) {
        rainbow.setColorAt(i / 6.0, QColor::fromHsv(i * 60 % 360, 200, 255));
    }
    painter.fillRect(image.rect(), rainbow);
    QLinearGradient shade(0, 0, 0, size.height());
    shade.setColorAt(0, QColor(0, 0, 0, 0));
    shade.setColorAt(1, QColor(0, 0, 0, 150));
    painter.fillRect(image.rect(), shade);
    painter.setPen(QPen(QColor(255, 255, 255, 70), 6));
    for (int x = -size.height(); x < size.width(); x += 28) {
        painter.drawLine(x, size.height(), x + size.height(), 0);
    }
    return image;
}

TEffectLabel *AddLabel(QWidget &window, const Sample &sample, const QRect &geometry)
{
    auto *label = new TEffectLabel(&window);
    label->setGeometry(geometry);
    label->SetCaption(sample.caption);
    // Bold strokes show the layers better; the answer sample sets its own font.
    label->SetFontStyle(fsBold);
    sample.setup(*label);
    return label;
}

int Populate(QWidget &window, int left)
{
    int row = 0;
    int column = 0;
    for (const Sample &sample : Samples()) {
        if (sample.wide && column != 0) {
            ++row;
            column = 0;
        }
        const int width = sample.wide ? 2 * Cell : Cell;
        AddLabel(window, sample,
                 QRect(left + column * Cell, Margin + row * RowHeight, width, LabelHeight));
        column += sample.wide ? 2 : 1;
        if (column >= 2) {
            ++row;
            column = 0;
        }
    }
    const std::vector<Sample> turned = TurnedSamples();
    const int top = Margin + row * RowHeight;
    for (std::size_t i = 0; i < turned.size(); ++i) {
        const auto cell = static_cast<int>(i);
        AddLabel(window, turned[i],
                 QRect(left + cell % TurnedColumns * TurnedCell,
                       top + cell / TurnedColumns * TurnedCell, TurnedCell, TurnedCell));
    }
    const auto turnedRows = static_cast<int>((turned.size() + TurnedColumns - 1) / TurnedColumns);
    return top + turnedRows * TurnedCell + Margin;
}

} // namespace

int main(int argc, char **argv)
{
    QString pngPath;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument == QLatin1String("--png") && i + 1 < argc) {
            pngPath = QString::fromLocal8Bit(argv[++i]);
        } else {
            std::fprintf(stderr, "Usage: %s [--png FILE]\n", argv[0]);
            return 2;
        }
    }
    if (!pngPath.isEmpty() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Ортус 2000: effect labels"));
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(236, 228, 206));
    window.setPalette(palette);

    // The picture lies beneath the left half's labels, the plain colour beneath the right's.
    auto *picture = new StretchedImage(&window);
    const int height = Populate(window, Margin);
    Populate(window, HalfWidth + Margin);
    picture->setGeometry(0, 0, HalfWidth, height);
    picture->SetPicture(Picture(picture->size()));
    window.resize(2 * HalfWidth, height);

    window.show();
    if (pngPath.isEmpty()) {
        return app.exec();
    }
    if (!window.grab().save(pngPath)) {
        std::fprintf(stderr, "Cannot write %s\n", qPrintable(pngPath));
        return 1;
    }
    return 0;
}
