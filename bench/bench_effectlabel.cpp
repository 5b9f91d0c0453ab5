// The paint of one answer label, in the default raised look and in the heaviest look, against a
// plain QLabel painting the same text at the same size over the same parent.

#include "effectlabel/answerlabelform.h"
#include "effectlabel/effectlabel.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace {

const QString Answer = QStringLiteral("Москва является столицей Российской Федерации");

// Where the main window puts its first three answers: side by side, none beneath another.
QRect AnswerGeometry(int index)
{
    return QRect(1, 110 + 75 * index, 790, 65);
}

// The main window's test screen, reduced to what lies beneath one answer label.
struct Scene {
    QWidget window;
    QLabel *plain = nullptr;
    TEffectLabel *raised = nullptr;
    TEffectLabel *heavy = nullptr;

    Scene()
    {
        window.resize(800, 600);
        window.setAutoFillBackground(true);
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, QColor(0, 64, 128));
        window.setPalette(palette);

        plain = new QLabel(Answer, &window);
        plain->setGeometry(AnswerGeometry(0));
        QFont font(QStringLiteral("Times New Roman"));
        font.setPixelSize(19);
        plain->setFont(font);
        plain->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        QPalette green = plain->palette();
        green.setColor(QPalette::WindowText, QColor(0, 128, 0));
        plain->setPalette(green);

        raised = AnswerLabel(1);
        heavy = AnswerLabel(2);
        heavy->SetStyleShadow(eoExtrude);
        heavy->SetDepthShadow(10);
        heavy->SetStyleHighlight(eoReal);
        heavy->SetGraduateFace(goVertical);
    }

    TEffectLabel *AnswerLabel(int index)
    {
        auto *label = new TEffectLabel(&window);
        label->setGeometry(AnswerGeometry(index));
        ApplyAnswerLabelForm(*label);
        label->SetCaption(Answer);
        return label;
    }
};

Scene *TheScene = nullptr;

void Render(benchmark::State &state, QWidget *widget)
{
    QImage target(widget->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        widget->render(&target);
        benchmark::DoNotOptimize(target.constBits());
        benchmark::ClobberMemory();
    }
}

void BM_PlainLabel(benchmark::State &state)
{
    Render(state, TheScene->plain);
}

void BM_EffectLabelRaised(benchmark::State &state)
{
    Render(state, TheScene->raised);
}

void BM_EffectLabelHeavy(benchmark::State &state)
{
    Render(state, TheScene->heavy);
}

// Repeated, and compared by the median of the processor time, so that other work on a shared
// machine sways the ratios as little as it can.
BENCHMARK(BM_PlainLabel)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(BM_EffectLabelRaised)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();
BENCHMARK(BM_EffectLabelHeavy)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// The console report, keeping each benchmark's median time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> times;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" &&
                !run.error_occurred) {
                times[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
        }
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return EXIT_FAILURE;
    }
    const auto scene = std::make_unique<Scene>();
    TheScene = scene.get();

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto plain = reporter.times.find("BM_PlainLabel");
    if (plain == reporter.times.end() || plain->second <= 0.0) {
        return EXIT_SUCCESS;
    }
    for (const char *name : {"BM_EffectLabelRaised", "BM_EffectLabelHeavy"}) {
        const auto found = reporter.times.find(name);
        if (found != reporter.times.end()) {
            std::printf("%-22s / BM_PlainLabel (median processor time): %.2f\n", name,
                        found->second / plain->second);
        }
    }
    return EXIT_SUCCESS;
}
