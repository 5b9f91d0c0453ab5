// The performance figures of the program, each against its goal, ending in one Markdown table:
// start-up and peak memory against the smallest Qt Widgets program (probe_minimal), the answer
// label's paint against a plain QLabel (bench_effectlabel), processor time at rest, the load
// of a full bank, and the teacher's results tab on a log of 100,000 records against ortus-results
// reading the same log, and the peak memory the background loader spends on pictures it must
// refuse. The program runs as probe_ortus, which starts it exactly as main does, the tab as
// probe_results. Every program runs on Qt's offscreen platform, so that runs compare alike on any
// machine.
//
// The smallest program shows one line of text in its window, as every window of the program
// does. The same window left empty is measured too and shown for reference, without a verdict:
// it sets up no fonts before its first paint, which no window showing text can avoid, so on a
// machine with many fonts even the text window is far above 1.3 times its start-up.

#include "quiz/questionbank.h"
#include "quiz/resultdetail.h"
#include "quiz/resultslog.h"
#include "quiz/testrun.h"
#include "runtime/cp1251.h"
#include "teacher/banksource.h"
#include "teacher/resultsdetails.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int StartRuns = 11;
constexpr int ScriptRuns = 5;
constexpr int IdleRuns = 3;
constexpr int LogRuns = 5;
constexpr int LogRecords = 100000;
constexpr int DetailQuestions = 21;
constexpr int Appends = 6;
constexpr auto AppendPause = std::chrono::milliseconds(1500);
// A record's row is painted well within this; the rest of each pause is the quiet time.
constexpr auto AppendSettle = std::chrono::milliseconds(500);
constexpr auto ChildTimeLimit = std::chrono::seconds(120);
constexpr int TeacherStartRuns = 11;
constexpr int TeacherStartRecords = 1000;
constexpr int TeacherMemoryRuns = 3;
constexpr int TeacherMemoryRecords = 100000;

// A figure that could not be measured; the report stops there.
class BenchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string ReadWhole(const fs::path &path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct ChildResult {
    // From the start of the process until it printed "painted", and "marks" where it does.
    std::optional<double> paintedSeconds;
    std::optional<double> marksSeconds;
    std::string output;
    // The process's peak resident set. A forked child's figure is at least the parent's resident
    // set at the fork, which stays far below that of any Qt window.
    long peakKiB = 0;
};

// A program run in a directory, its standard output read through a pipe and its errors kept in a
// log file for the report of a failed run.
class Child {
public:
    Child(const std::vector<std::string> &command, const fs::path &directory, fs::path log)
        : m_name(command.front()), m_log(std::move(log))
    {
        std::vector<char *> arguments;
        for (const std::string &argument : command) {
            arguments.push_back(const_cast<char *>(argument.c_str()));
        }
        arguments.push_back(nullptr);
        int output[2];
        const int errors = open(m_log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (errors < 0 || pipe2(output, O_CLOEXEC) != 0) {
            if (errors >= 0) {
                close(errors);
            }
            throw BenchError("cannot prepare the run of " + m_name);
        }
        m_started = Clock::now();
        m_pid = fork();
        if (m_pid == 0) {
            if (chdir(directory.c_str()) == 0 && dup2(output[1], STDOUT_FILENO) >= 0 &&
                dup2(errors, STDERR_FILENO) >= 0) {
                execv(arguments.front(), arguments.data());
            }
            _exit(127);
        }
        close(output[1]);
        close(errors);
        m_output = output[0];
        if (m_pid < 0) {
            close(m_output);
            throw BenchError("cannot start " + m_name);
        }
    }

    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    ~Child()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
            close(m_output);
        }
    }

    // Reads the output until it holds the text; an error when the output ends first.
    void WaitFor(const std::string &text)
    {
        while (m_result.output.find(text) == std::string::npos) {
            if (!ReadSome()) {
                throw BenchError(m_name + " ended before it printed " + text);
            }
        }
    }

    // The processor time the child has used so far (the scheduler's figure, in nanoseconds).
    double CpuSeconds() const
    {
        std::ifstream stat("/proc/" + std::to_string(m_pid) + "/schedstat");
        double nanoseconds = -1;
        if (!(stat >> nanoseconds)) {
            throw BenchError("cannot read the processor time of " + m_name);
        }
        return nanoseconds / 1e9;
    }

    // Reads the output to its end and waits for the exit; a run that fails or outlasts the time
    // limit is an error.
    ChildResult Finish()
    {
        while (ReadSome()) {
        }
        ChildResult result = std::move(m_result);
        close(m_output);
        int status = 0;
        rusage usage{};
        wait4(m_pid, &status, 0, &usage);
        m_pid = 0;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            throw BenchError(m_name + " failed: " + ReadWhole(m_log));
        }
        result.peakKiB = usage.ru_maxrss;
        return result;
    }

private:
    // False at the end of the output.
    bool ReadSome()
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            m_started + ChildTimeLimit - Clock::now());
        pollfd ready{m_output, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) == 0) {
            throw BenchError(m_name + " did not finish in time; its errors: " + m_log.string());
        }
        char buffer[4096];
        const ssize_t count = read(m_output, buffer, sizeof buffer);
        if (count <= 0) {
            return false;
        }
        m_result.output.append(buffer, static_cast<std::size_t>(count));
        const double now = std::chrono::duration<double>(Clock::now() - m_started).count();
        if (!m_result.paintedSeconds && m_result.output.find("painted\n") != std::string::npos) {
            m_result.paintedSeconds = now;
        }
        if (!m_result.marksSeconds && m_result.output.find("marks\n") != std::string::npos) {
            m_result.marksSeconds = now;
        }
        return true;
    }

    std::string m_name;
    fs::path m_log;
    pid_t m_pid = 0;
    int m_output = -1;
    Clock::time_point m_started;
    ChildResult m_result;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Fifty questions of five answers each, the largest bank the program asks.
std::string FullBank(int timeLimitSeconds)
{
    std::vector<BankQuestion> questions;
    for (int q = 1; q <= MaxQuestions; ++q) {
        BankQuestion question;
        question.text = QStringLiteral("Вопрос %1: какой из ответов ниже верен?").arg(q);
        for (int a = 1; a <= MaxAnswers; ++a) {
            question.answers.append(QStringLiteral("Ответ %1 на вопрос номер %2").arg(a).arg(q));
        }
        question.correct = 1 + q % MaxAnswers;
        questions.push_back(question);
    }
    return WriteBankBytes(timeLimitSeconds, questions);
}

struct Row {
    std::string figure;
    std::string value;
    std::string baseline;
    std::string ratio;
    std::string goal;
    // None for a figure shown for reference only.
    std::optional<bool> met;
};

std::string Format(const char *format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

class Report {
public:
    Report()
        : m_benchDir(fs::read_symlink("/proc/self/exe").parent_path()),
          m_root(m_scratch.path().toStdString())
    {
        if (!m_scratch.isValid()) {
            throw BenchError("cannot create a scratch directory");
        }
        fs::create_directory(m_root / "logs");
        // One screen of a classroom PC's 1280 x 1024 for every program (the offscreen platform's
        // own is 800 x 800), so that the teacher's window opens at its own size, as its baseline.
        const fs::path screen = m_root / "screen.json";
        WriteWhole(screen,
                   R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": 1280, )"
                   R"("height": 1024, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screen.string()).c_str(), 1);
    }

    std::vector<Row> rows;

    void StartAndMemory()
    {
        const fs::path start = StartDirectory("start");
        Progress("Start-up: " + std::to_string(StartRuns) + " alternating runs of each program");
        // One of each first, so that all find their libraries in the page cache.
        Run({"probe_minimal"}, start);
        Run({"probe_minimal", "text"}, start);
        Run({"probe_ortus", "start"}, start);
        std::vector<double> emptySeconds, textSeconds, ortusSeconds, emptyPeaks, textPeaks;
        for (int run = 0; run < StartRuns; ++run) {
            const ChildResult empty = Run({"probe_minimal"}, start);
            const ChildResult text = Run({"probe_minimal", "text"}, start);
            const ChildResult ortus = Run({"probe_ortus", "start"}, start);
            emptySeconds.push_back(Painted(empty));
            textSeconds.push_back(Painted(text));
            ortusSeconds.push_back(Painted(ortus));
            emptyPeaks.push_back(static_cast<double>(empty.peakKiB));
            textPeaks.push_back(static_cast<double>(text.peakKiB));
        }
        const double ortus = Median(ortusSeconds);
        const double text = Median(textSeconds);
        const double empty = Median(emptySeconds);
        AddRatio("Start-up until painted, vs the text window", Format("%.0f ms", ortus * 1000),
                 Format("%.0f ms", text * 1000), ortus / text, 1.3);
        AddReferenceRatio("Start-up until painted, vs the empty window",
                          Format("%.0f ms", ortus * 1000), Format("%.0f ms", empty * 1000),
                          ortus / empty);
        AddReferenceRatio("Text window's start-up, vs the empty window",
                          Format("%.0f ms", text * 1000), Format("%.0f ms", empty * 1000),
                          text / empty);

        Progress("Memory: " + std::to_string(ScriptRuns) + " scripted tests");
        std::vector<double> scriptPeaks;
        for (int run = 0; run < ScriptRuns; ++run) {
            const fs::path directory = StartDirectory("script" + std::to_string(run));
            const auto shippedLog = fs::file_size(directory / "Results.txt");
            scriptPeaks.push_back(
                static_cast<double>(Run({"probe_ortus", "script"}, directory).peakKiB));
            if (fs::file_size(directory / "Results.txt") <= shippedLog) {
                throw BenchError("the scripted test wrote no result");
            }
        }
        const double scriptPeak = Median(scriptPeaks);
        const double textPeak = Median(textPeaks);
        const double emptyPeak = Median(emptyPeaks);
        AddRatio("Peak memory through a whole test, vs the text window",
                 Format("%.1f MiB", scriptPeak / 1024), Format("%.1f MiB", textPeak / 1024),
                 scriptPeak / textPeak, 1.5);
        AddReferenceRatio("Peak memory through a whole test, vs the empty window",
                          Format("%.1f MiB", scriptPeak / 1024),
                          Format("%.1f MiB", emptyPeak / 1024), scriptPeak / emptyPeak);
    }

    void AnswerLabelPaint()
    {
        Progress("Answer label paint: bench_effectlabel");
        const fs::path json = m_root / "effectlabel.json";
        Run({"bench_effectlabel", "--benchmark_out=" + json.string(),
             "--benchmark_out_format=json"},
            m_root);
        std::map<QString, double> medians;
        const QJsonArray runs = QJsonDocument::fromJson(QByteArray::fromStdString(ReadWhole(json)))
                                    .object()
                                    .value(QStringLiteral("benchmarks"))
                                    .toArray();
        for (const QJsonValue &run : runs) {
            const QJsonObject object = run.toObject();
            if (object.value(QStringLiteral("aggregate_name")).toString() ==
                QLatin1String("median")) {
                // The run name carries the repetitions after the function's name.
                medians[object.value(QStringLiteral("run_name")).toString().section('/', 0, 0)] =
                    object.value(QStringLiteral("cpu_time")).toDouble();
            }
        }
        const double effect = medians[QStringLiteral("BM_EffectLabelRaised")];
        const double plain = medians[QStringLiteral("BM_PlainLabel")];
        if (effect <= 0 || plain <= 0) {
            throw BenchError("bench_effectlabel reported no medians of its raised and plain label");
        }
        AddRatio("Answer label paint (processor time)", Format("%.1f µs", effect),
                 Format("%.1f µs", plain), effect / plain, 2.0);
    }

    void Idle()
    {
        Progress("Idle: " + std::to_string(IdleRuns) + " runs of 10 s in each mode, side by side");
        const fs::path registration = StartDirectory("idle-registration");
        const fs::path test = StartDirectory("idle-test");
        WriteWhole(test / "Vop5.dat", FullBank(3600));
        std::vector<double> registrationShares, testShares;
        for (int run = 0; run < IdleRuns; ++run) {
            Child inRegistration = Spawn({"probe_ortus", "idle-registration"}, registration);
            Child inTest = Spawn({"probe_ortus", "idle-test"}, test);
            registrationShares.push_back(CoreShare(inRegistration.Finish()));
            testShares.push_back(CoreShare(inTest.Finish()));
        }
        AddIdle("Idle in registration, intro dismissed", Median(registrationShares));
        AddIdle("Idle during a test, ticks included", Median(testShares));
    }

    void BankLoad()
    {
        Progress("Bank load: ReadTest of 50 questions with 5 answers");
        const fs::path directory = m_root / "bank";
        fs::create_directory(directory);
        WriteWhole(directory / "Vop5.dat", FullBank(600));
        benchmark::RegisterBenchmark("BM_ReadTest",
                                     [directory](benchmark::State &state) {
                                         TestRun run;
                                         run.Begin({}, 0, {});
                                         for (auto _ : state) {
                                             run.ReadTest(directory.string());
                                             benchmark::DoNotOptimize(
                                                 run.State().Bank.QuestionCount);
                                         }
                                     })
            ->Unit(benchmark::kMicrosecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly();
        MedianReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        const auto found = reporter.medians.find("BM_ReadTest");
        if (found == reporter.medians.end()) {
            throw BenchError("the bank load was not measured");
        }
        rows.push_back({"Bank load, 50 questions of 5 answers (processor time)",
                        Format("%.0f µs", found->second), "—", "—", "< 200 µs",
                        found->second < 200});
    }

    void ResultsLog()
    {
        Progress("Results log: " + std::to_string(LogRecords) +
                 " records, the results tab and "
                 "ortus-results, " +
                 std::to_string(LogRuns) + " alternating runs");
        const fs::path directory = StartDirectory("results");
        const std::vector<ResultDetail> details = ManyDetails();
        std::string log = "\r\n";
        std::string detailLines = ResultDetailHeader();
        for (const ResultDetail &detail : details) {
            log += ResultRecordBytes(detail.record);
            detailLines += ResultDetailLine(detail);
        }
        WriteWhole(directory / "Results.txt", log);
        WriteWhole(directory / "Results.details.tsv", detailLines);
        const std::vector<std::string> tool{ORTUS_RESULTS_TOOL, "Results.txt"};
        Run(tool, directory);
        Run({"probe_results", "0"}, directory);
        std::vector<double> toolSeconds, tabSeconds, marksSeconds;
        for (int run = 0; run < LogRuns; ++run) {
            const Clock::time_point started = Clock::now();
            Run(tool, directory);
            toolSeconds.push_back(std::chrono::duration<double>(Clock::now() - started).count());
            const ChildResult tab = Run({"probe_results", "0"}, directory);
            tabSeconds.push_back(Painted(tab));
            if (!tab.marksSeconds) {
                throw BenchError("the results tab never showed its marks");
            }
            marksSeconds.push_back(*tab.marksSeconds);
        }
        const double tab = Median(tabSeconds);
        const double marks = Median(marksSeconds);
        const double reading = Median(toolSeconds);
        rows.push_back({"Results tab, 100,000 records and their details: start until the table "
                        "is painted",
                        Format("%.0f ms", tab * 1000),
                        Format("ortus-results %.0f ms", reading * 1000),
                        Format("%.2fx", tab / reading), "< 500 ms", tab < 0.5});
        rows.push_back({"Results tab, the same: start until its marks and times are painted",
                        Format("%.0f ms", marks * 1000),
                        Format("ortus-results %.0f ms", reading * 1000),
                        Format("%.2fx", marks / reading), "reference", std::nullopt});

        // The per-question view of one grade's bank over every detail.
        QuestionBank bank;
        bank.QuestionCount = DetailQuestions;
        for (int q = 1; q <= DetailQuestions; ++q) {
            bank.AnswerKey += static_cast<char>(100 + q + q % 5 + 1);
        }
        std::vector<const ResultDetail *> chosen;
        for (const ResultDetail &detail : details) {
            chosen.push_back(&detail);
        }
        std::vector<double> statisticsSeconds;
        for (int run = 0; run < LogRuns; ++run) {
            const Clock::time_point started = Clock::now();
            const QuestionStatistics statistics =
                ComputeQuestionStatistics(chosen, bank, details.front().facts.bankHash);
            statisticsSeconds.push_back(
                std::chrono::duration<double>(Clock::now() - started).count());
            if (statistics.tests != LogRecords) {
                throw BenchError("the per-question figures did not count every test");
            }
        }
        const double statistics = Median(statisticsSeconds);
        rows.push_back({"Per-question figures of 100,000 details",
                        Format("%.0f ms", statistics * 1000), "—", "—", "< 500 ms",
                        statistics < 0.5});

        Progress("Results tab following the log: " + std::to_string(Appends) + " appends");
        const auto follow =
            std::chrono::duration_cast<std::chrono::seconds>(AppendPause * (Appends + 2));
        Child following = Spawn({"probe_results", std::to_string(follow.count())}, directory);
        following.WaitFor("marks\n");
        std::this_thread::sleep_for(AppendPause);
        std::vector<long long> appended;
        double quietCpu = 0;
        double quietWall = 0;
        for (int append = 0; append < Appends; ++append) {
            appended.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                   Clock::now().time_since_epoch())
                                   .count());
            AppendResult((directory / "Results.txt").string(), directory.string(),
                         {ToCp1251(QStringLiteral("Новый Ученик")), "7",
                          ToCp1251(QStringLiteral("7А")), append},
                         TestFacts{});
            std::this_thread::sleep_for(AppendSettle);
            const double cpuFrom = following.CpuSeconds();
            const Clock::time_point from = Clock::now();
            std::this_thread::sleep_for(AppendPause - AppendSettle);
            quietCpu += following.CpuSeconds() - cpuFrom;
            quietWall += std::chrono::duration<double>(Clock::now() - from).count();
        }
        const ChildResult result = following.Finish();
        const double latest = AppendLatest(result.output, appended);
        rows.push_back({"Results tab: an appended record until its row is painted (worst of " +
                            std::to_string(Appends) + ")",
                        Format("%.0f ms", latest * 1000),
                        Format("ortus-results %.0f ms", reading * 1000), "—", "< 1000 ms",
                        latest < 1.0});
        AddIdle("Results tab between appends, following the log", quietCpu / quietWall);
    }

    // Pictures whose headers declare 60000 x 60000 pixels, and a 100 MB file of zeros: each in its
    // own process, so that its peak resident set shows what that one load cost.
    void RefusedPictures()
    {
        const fs::path zeros = m_root / "zeros.bmp";
        WriteWhole(zeros, {});
        // Sparse: no disk space is used and it reads as zeros.
        fs::resize_file(zeros, std::uintmax_t{100} << 20);
        std::vector<fs::path> pictures{zeros};
        for (const auto &entry : fs::directory_iterator(ORTUS_REFUSED_PICTURES_DIR)) {
            if (entry.path().filename().string().find("60000x60000") != std::string::npos) {
                pictures.push_back(entry.path());
            }
        }
        if (pictures.size() < 2) {
            throw BenchError("no huge pictures in " ORTUS_REFUSED_PICTURES_DIR);
        }
        Progress("Refused pictures: " + std::to_string(pictures.size()) + " loads");
        long worstKiB = 0;
        for (const fs::path &picture : pictures) {
            const std::string output = Run({"probe_picture", picture.string()}, m_root).output;
            long grownKiB = 0;
            if (std::sscanf(output.c_str(), "refused %ld", &grownKiB) != 1) {
                throw BenchError("the loader did not refuse " + picture.string() + ": " + output);
            }
            worstKiB = std::max(worstKiB, grownKiB);
        }
        rows.push_back({"Refused huge picture: peak memory growth (worst of " +
                            std::to_string(pictures.size()) + ")",
                        Format("%.1f MiB", worstKiB / 1024.0), "—", "—", "< 50 MiB",
                        worstKiB < 50 * 1024});
    }

    // The teacher's window: its start-up with the shipped start directory and a lesson's log,
    // against a window holding a table and a chart; its peak memory showing a school's years.
    void TeacherWindowFigures()
    {
        Progress("Teacher's window: " + std::to_string(TeacherStartRuns) +
                 " alternating start-ups with the window of a table and a chart");
        const fs::path start = StartDirectory("teacher-start");
        WriteWhole(start / "Results.txt", TeacherLog(TeacherStartRecords));
        Run({"probe_tablechart"}, start);
        Run({"probe_teacher", "start"}, start);
        std::vector<double> teacherSeconds, baselineSeconds, baselinePeaks;
        for (int run = 0; run < TeacherStartRuns; ++run) {
            const ChildResult baseline = Run({"probe_tablechart"}, start);
            baselineSeconds.push_back(Painted(baseline));
            baselinePeaks.push_back(static_cast<double>(baseline.peakKiB));
            teacherSeconds.push_back(Painted(Run({"probe_teacher", "start"}, start)));
        }
        const double teacher = Median(teacherSeconds);
        const double baseline = Median(baselineSeconds);
        AddRatio("ortus-teacher start-up until painted, 1,000 records, vs a table and a chart",
                 Format("%.0f ms", teacher * 1000), Format("%.0f ms", baseline * 1000),
                 teacher / baseline, 1.5);

        Progress("Teacher's window: peak memory over " + std::to_string(TeacherMemoryRecords) +
                 " records, " + std::to_string(TeacherMemoryRuns) + " runs");
        const fs::path large = StartDirectory("teacher-log");
        WriteWhole(large / "Results.txt", TeacherLog(TeacherMemoryRecords));
        std::vector<double> peaks;
        for (int run = 0; run < TeacherMemoryRuns; ++run) {
            const ChildResult shown = Run({"probe_teacher", "log"}, large);
            if (shown.output.find("rows " + std::to_string(TeacherMemoryRecords)) ==
                std::string::npos) {
                throw BenchError("the teacher's window did not show the whole log: " +
                                 shown.output);
            }
            peaks.push_back(static_cast<double>(shown.peakKiB));
        }
        const double peak = Median(peaks);
        const double baselinePeak = Median(baselinePeaks);
        AddReferenceRatio("ortus-teacher peak memory, 100,000 records, vs a table and a chart",
                          Format("%.1f MiB", peak / 1024), Format("%.1f MiB", baselinePeak / 1024),
                          peak / baselinePeak);
    }

private:
    // A lesson's log after another: grades 5 to 11, two groups each, scores 0 to 25.
    static std::string TeacherLog(int records)
    {
        std::string log = "\r\n";
        for (int i = 0; i < records; ++i) {
            const std::string grade = std::to_string(5 + i / 30 % 7);
            log += ResultRecordBytes({ToCp1251(QStringLiteral("Ученица Номер %1").arg(i)), grade,
                                      grade + ToCp1251(QString(QChar(u'А' + i % 2))), i % 26});
        }
        return log;
    }

    // A school's years of tests: grades 5 to 11, three groups each, scores 0 to 20.
    // The records of a school's years and their details as the quiz writes them: each test of
    // 21 questions, every one answered.
    static std::vector<ResultDetail> ManyDetails()
    {
        static const char *const surnames[] = {"Иванов",  "Петрова", "Сидоров",  "Кузнецова",
                                               "Смирнов", "Попова",  "Васильев", "Новикова"};
        std::vector<ResultDetail> details;
        details.reserve(LogRecords);
        for (int i = 0; i < LogRecords; ++i) {
            const std::string grade = std::to_string(5 + i % 7);
            ResultDetail detail;
            detail.time = "2026-12-07T09:40:28+03:00";
            detail.computer = "pc-" + std::to_string(i % 30);
            detail.record = {ToCp1251(QStringLiteral("%1 Ученик %2").arg(surnames[i % 8]).arg(i)),
                             grade, grade + ToCp1251(QString(QChar(u'А' + i / 7 % 3))), i * 7 % 21};
            detail.facts = {
                "Vop67.dat", "0123456789ab", DetailQuestions, 600, 540, TestEnding::AllAnswered,
                {}};
            for (int q = 1; q <= DetailQuestions; ++q) {
                detail.facts.shown.push_back({(q + i) % DetailQuestions + 1, (q + i) % 5 + 1});
            }
            detail.recordHash = ShortHash(ResultRecordBytes(detail.record));
            details.push_back(std::move(detail));
        }
        return details;
    }

    // The longest time from an append until a row count that includes it was painted.
    static double AppendLatest(const std::string &output, const std::vector<long long> &appended)
    {
        std::istringstream lines(output);
        std::vector<std::pair<int, long long>> painted;
        std::string word;
        int rows = 0;
        long long at = 0;
        while (lines >> word) {
            if (word == "row" && lines >> rows >> at) {
                painted.emplace_back(rows, at);
            }
        }
        double latest = 0;
        for (std::size_t i = 0; i < appended.size(); ++i) {
            const int wanted = LogRecords + static_cast<int>(i) + 1;
            const auto shown = std::find_if(painted.begin(), painted.end(),
                                            [wanted](const auto &p) { return p.first >= wanted; });
            if (shown == painted.end()) {
                throw BenchError("an appended record was never painted");
            }
            latest = std::max(latest, (shown->second - appended[i]) / 1e9);
        }
        return latest;
    }

    // Keeps each benchmark's median wall-clock time per iteration, in the benchmark's unit.
    class MedianReporter : public benchmark::BenchmarkReporter {
    public:
        std::map<std::string, double> medians;

        bool ReportContext(const Context &) override { return true; }
        void ReportRuns(const std::vector<Run> &runs) override
        {
            for (const Run &run : runs) {
                if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median" &&
                    !run.error_occurred) {
                    medians[run.run_name.function_name] = run.GetAdjustedCPUTime();
                }
            }
        }
    };

    static void Progress(const std::string &text) { std::fprintf(stderr, "%s\n", text.c_str()); }

    // A fresh copy of the shipped start directory.
    fs::path StartDirectory(const std::string &name) const
    {
        const fs::path directory = m_root / name;
        fs::copy(ORTUS_DATA_DIR, directory, fs::copy_options::recursive);
        return directory;
    }

    static void WriteWhole(const fs::path &path, const std::string &bytes)
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << bytes;
        if (!file.flush()) {
            throw BenchError("cannot write " + path.string());
        }
    }

    Child Spawn(std::vector<std::string> command, const fs::path &directory)
    {
        const std::string log = command.front() + "-" + std::to_string(++m_runs) + ".log";
        command.front() = (m_benchDir / command.front()).string(); // an absolute path stays
        return Child(command, directory, m_root / "logs" / log);
    }

    ChildResult Run(const std::vector<std::string> &command, const fs::path &directory)
    {
        return Spawn(command, directory).Finish();
    }

    static double Painted(const ChildResult &result)
    {
        if (!result.paintedSeconds) {
            throw BenchError("a run ended before its window was painted");
        }
        return *result.paintedSeconds;
    }

    static double CoreShare(const ChildResult &result)
    {
        double cpu = 0;
        double wall = 0;
        if (std::sscanf(result.output.c_str(), "painted\ncpu %lf wall %lf", &cpu, &wall) != 2 ||
            wall <= 0) {
            throw BenchError("an idle run reported no processor time");
        }
        return cpu / wall;
    }

    void AddRatio(const std::string &figure, const std::string &value, const std::string &baseline,
                  double ratio, double goal)
    {
        rows.push_back({figure, value, baseline, Format("%.2fx", ratio), Format("≤ %.1fx", goal),
                        ratio <= goal});
    }

    void AddReferenceRatio(const std::string &figure, const std::string &value,
                           const std::string &baseline, double ratio)
    {
        rows.push_back(
            {figure, value, baseline, Format("%.2fx", ratio), "reference", std::nullopt});
    }

    void AddIdle(const std::string &figure, double share)
    {
        rows.push_back({figure, Format("%.2f %% of a core", share * 100), "—", "—",
                        "< 1 % of a core", share < 0.01});
    }

    QTemporaryDir m_scratch;
    fs::path m_benchDir;
    fs::path m_root;
    int m_runs = 0;
};

// Characters as a terminal shows them: UTF-8 continuation bytes take no column.
std::size_t Columns(const std::string &text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void PrintTable(const std::vector<Row> &rows)
{
    std::vector<std::vector<std::string>> cells{
        {"Figure", "Value", "Baseline", "Ratio", "Goal", "Met"}};
    for (const Row &row : rows) {
        cells.push_back({row.figure, row.value, row.baseline, row.ratio, row.goal,
                         !row.met   ? "—"
                         : *row.met ? "yes"
                                    : "NO"});
    }
    std::vector<std::size_t> widths(cells.front().size(), 3);
    for (const auto &line : cells) {
        for (std::size_t column = 0; column < line.size(); ++column) {
            widths[column] = std::max(widths[column], Columns(line[column]));
        }
    }
    const auto print = [&](const std::vector<std::string> &line) {
        for (std::size_t column = 0; column < line.size(); ++column) {
            std::printf("| %s%s ", line[column].c_str(),
                        std::string(widths[column] - Columns(line[column]), ' ').c_str());
        }
        std::puts("|");
    };
    print(cells.front());
    std::vector<std::string> rule;
    for (std::size_t width : widths) {
        rule.push_back(std::string(width, '-'));
    }
    print(rule);
    std::for_each(cells.begin() + 1, cells.end(), print);
    std::printf(
        "\nQt offscreen platform with one 1280 x 1024 screen for every program. Start-up: median "
        "of %d alternating "
        "runs each, from process start until the window's first paint, against a "
        "600 x 350 Qt Widgets window showing one line of text; the same window empty "
        "is for reference. Memory: median peak resident set of %d whole tests against "
        "those windows' start. Idle: median of %d runs of 10 s. Paint and bank load: "
        "medians of Google "
        "Benchmark repetitions, in processor time, which other load on the machine "
        "disturbs least. Results tab: median of %d runs from process start until the "
        "table is painted with a log of %d records, and until it is painted with the marks "
        "of their details (read beside the window), against the whole run of "
        "ortus-results on the same log; then %d records appended %.1f s apart, each "
        "timed until its row is painted, and the processor time between them. Refused "
        "pictures: a 100 MB file of zeros and headers declaring 60000 x 60000 pixels, the "
        "rise of the peak resident set during the load, one process each. Teacher's window: "
        "median of %d alternating runs each from process start until the window's first "
        "paint, in a copy of the shipped start directory with a log of %d records, against "
        "a window of a table and a bar chart; peak resident set, median of %d runs, "
        "until the results tab has painted a log of %d records.\n",
        StartRuns, ScriptRuns, IdleRuns, LogRuns, LogRecords, Appends,
        std::chrono::duration<double>(AppendPause).count(), TeacherStartRuns, TeacherStartRecords,
        TeacherMemoryRuns, TeacherMemoryRecords);
}

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return EXIT_FAILURE;
    }
    const Clock::time_point started = Clock::now();
    try {
        Report report;
        report.StartAndMemory();
        report.AnswerLabelPaint();
        report.Idle();
        report.BankLoad();
        report.ResultsLog();
        report.RefusedPictures();
        report.TeacherWindowFigures();
        std::fprintf(stderr, "Measured in %.0f s.\n\n",
                     std::chrono::duration<double>(Clock::now() - started).count());
        PrintTable(report.rows);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_report: %s\n", error.what());
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
