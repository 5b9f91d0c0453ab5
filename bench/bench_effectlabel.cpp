// The paint of one answer label, in the default raised look and in the heaviest look, against a
// plain QLabel painting the same text at the same size over the same parent.

#include "effectlabel/answerlabelform.h"
#include "effectlabel/effectlabel.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

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

double Fastest(const std::vector<double> &times)
{
    return *std::min_element(times.begin(), times.end());
}

// Repeated, and compared by processor time: the median, and the fastest repetition, which other
// work on a shared machine sways the least.
void Repeat(benchmark::internal::Benchmark *benchmark)
{
    benchmark->Unit(benchmark::kMicrosecond)
        ->Repetitions(7)
        ->ComputeStatistics("min", Fastest)
        ->ReportAggregatesOnly();
}

BENCHMARK(BM_PlainLabel)->Apply(Repeat);
BENCHMARK(BM_EffectLabelRaised)->Apply(Repeat);
BENCHMARK(BM_EffectLabelHeavy)->Apply(Repeat);

// The console report, keeping each benchmark's median and fastest processor time per iteration
// for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // By statistic, then by benchmark.
    std::map<std::string, std::map<std::string, double>> times;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Aggregate && !run.error_occurred) {
                times[run.aggregate_name][run.run_name.function_name] = run.GetAdjustedCPUTime();
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

    for (const char *statistic : {"median", "min"}) {
        const std::map<std::string, double> &times = reporter.times[statistic];
        const auto plain = times.find("BM_PlainLabel");
        if (plain == times.end() || plain->second <= 0.0) {
            continue;
        }
        for (const char *name : {"BM_EffectLabelRaised", "BM_EffectLabelHeavy"}) {
            const auto found = times.find(name);
            if (found != times.end()) {
                std::printf("%-20s / BM_PlainLabel, %-6s processor time: %.2f\n", name, statistic,
                            found->second / plain->second);
            }
        }
    }
    return EXIT_SUCCESS;
}
