#include "teacher/resultsdetails.h"

#include "runtime/cp1251.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <functional>

namespace {

constexpr qint64 DetailPieceBytes = 1024 * 1024;
// Far beyond any detail line (fifty questions and long names take some 600 bytes).
constexpr std::size_t MaxDetailLineBytes = 64 * 1024;
// A file of empty lines must not reserve room for millions of details.
constexpr std::size_t MaxReservedDetails = 1'000'000;

QString DetailText(const ResultDetail &detail)
{
    return QStringLiteral("%1, %2 класс, %3, %4 из %5, %6")
        .arg(FromCp1251(detail.record.PupilName), FromCp1251(detail.record.GradeText),
             FromCp1251(detail.record.PupilGroup), QString::number(detail.record.Score),
             QString::number(detail.facts.questionCount), QString::fromStdString(detail.time));
}

} // namespace

DetailsFile ReadResultDetails(const std::string &path)
{
    DetailsFile file;
    ReadMoreResultDetails(path, file);
    return file;
}

bool ReadMoreResultDetails(const std::string &path, DetailsFile &file)
{
    QFile input(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!input.open(QIODevice::ReadOnly)) {
        file.present = false;
        return true;
    }
    file.present = true;
    const qint64 size = input.size();
    if (size < file.bytesRead || !input.seek(file.bytesRead)) {
        return false;
    }
    const std::string header = ResultDetailHeader();
    const std::string_view headerLine = std::string_view(header).substr(0, header.size() - 1);
    const auto take = [&](std::string_view line) {
        const int number = ++file.linesRead;
        if (line.empty() || (number == 1 && line == headerLine)) {
            return;
        }
        std::optional<ResultDetail> detail;
        if (line.size() <= MaxDetailLineBytes) {
            detail = ParseResultDetail(line);
        }
        if (detail) {
            file.details.push_back(std::move(*detail));
        } else {
            file.notes.push_back({number, QStringLiteral("строка подробностей не читается; "
                                                         "пропущена.")});
        }
    };
    // Read in pieces, so that a school's years of details need no copy of the whole file; a line
    // that runs over a piece's end is gathered, up to a length no detail reaches.
    QByteArray piece(DetailPieceBytes, Qt::Uninitialized);
    std::string gathered;
    qint64 lineBytes = 0;
    bool first = true;
    for (;;) {
        const qint64 got = input.read(piece.data(), piece.size());
        if (got <= 0) {
            break;
        }
        const std::string_view bytes(piece.constData(), std::size_t(got));
        if (first) {
            // The first piece tells how many lines the rest holds: room for them at once.
            const auto lines = std::size_t(std::count(bytes.begin(), bytes.end(), '\n'));
            const std::size_t expected =
                lines + lines * std::size_t(size - file.bytesRead - got) / std::size_t(got);
            file.details.reserve(file.details.size() + std::min(expected, MaxReservedDetails));
            first = false;
        }
        std::size_t start = 0;
        while (start < bytes.size()) {
            const std::size_t end = bytes.find('\n', start);
            const std::string_view part = bytes.substr(start, end - start);
            lineBytes += qint64(part.size());
            // A line within the piece is taken where it lies; only one across pieces is gathered.
            if (end != std::string_view::npos && gathered.empty()) {
                take(part);
            } else {
                if (gathered.size() <= MaxDetailLineBytes) {
                    gathered.append(part.substr(0, MaxDetailLineBytes + 1 - gathered.size()));
                }
                if (end != std::string_view::npos) {
                    take(gathered);
                    gathered.clear();
                }
            }
            if (end == std::string_view::npos) {
                break;
            }
            // A last line without its line end is still being written: read again next time.
            file.bytesRead += lineBytes + 1;
            lineBytes = 0;
            start = end + 1;
        }
    }
    return true;
}

DetailMatch MatchDetails(const std::vector<LogRecord> &records,
                         const std::vector<ResultDetail> &details)
{
    DetailMatch match;
    std::vector<int> &detailOf = match.detailOf;
    std::vector<LogNote> &findings = match.findings;
    detailOf.assign(records.size(), -1);
    std::vector<bool> used(details.size(), false);
    // Each record takes the first free detail of its hash, so that two equal records of one pupil
    // match in order. The details sorted by hash, then by their order, are one run per hash, and
    // each run is taken from its start. They are sorted by a number made of the hash first: a
    // school's years of details are compared in one small table, not where each detail lies.
    struct Keyed {
        std::size_t key;
        int detail;
    };
    const auto keyOf = [](const std::string &hash) {
        return std::hash<std::string>{}(hash);
    };
    const auto hashOf = [&details](const Keyed &keyed) -> const std::string & {
        return details[std::size_t(keyed.detail)].recordHash;
    };
    const auto sortsBefore = [&](const Keyed &a, std::size_t key, const std::string &hash) {
        return a.key != key ? a.key < key : hashOf(a) < hash;
    };
    std::vector<Keyed> byHash(details.size());
    for (std::size_t d = 0; d < details.size(); ++d) {
        byHash[d] = {keyOf(details[d].recordHash), int(d)};
    }
    std::sort(byHash.begin(), byHash.end(), [&](const Keyed &a, const Keyed &b) {
        if (a.key != b.key) {
            return a.key < b.key;
        }
        const int order = hashOf(a).compare(hashOf(b));
        return order != 0 ? order < 0 : a.detail < b.detail;
    });
    std::vector<int> takenOfRun(byHash.size(), 0);
    for (std::size_t r = 0; r < records.size(); ++r) {
        const std::string &hash = records[r].recordHash;
        const std::size_t key = keyOf(hash);
        const auto run = std::lower_bound(byHash.begin(), byHash.end(), key,
                                          [&](const Keyed &keyed, std::size_t wanted) {
                                              return sortsBefore(keyed, wanted, hash);
                                          });
        const auto start = std::size_t(run - byHash.begin());
        const std::size_t next = start + std::size_t(start < byHash.size() ? takenOfRun[start] : 0);
        if (next < byHash.size() && byHash[next].key == key && hashOf(byHash[next]) == hash) {
            detailOf[r] = byHash[next].detail;
            ++takenOfRun[start];
            used[std::size_t(detailOf[r])] = true;
        }
    }

    // The records between two matched ones and the free details between their details stand for
    // each other, in order: such a record was changed after its test.
    const auto firstMatched =
        std::find_if(detailOf.begin(), detailOf.end(), [](int detail) { return detail >= 0; });
    int before = -1;
    for (std::size_t r = 0; r < records.size();) {
        if (detailOf[r] >= 0) {
            before = detailOf[r++];
            continue;
        }
        std::size_t gapEnd = r;
        while (gapEnd < records.size() && detailOf[gapEnd] < 0) {
            ++gapEnd;
        }
        const int after = gapEnd < records.size() ? detailOf[gapEnd] : int(details.size());
        int next = before + 1;
        for (; r < gapEnd; ++r) {
            while (next < after && used[std::size_t(next)]) {
                ++next;
            }
            const LogRecord &record = records[r];
            if (next < after) {
                const ResultDetail &detail = details[std::size_t(next)];
                used[std::size_t(next)] = true;
                detailOf[r] = next++;
                findings.push_back(
                    {record.line, QStringLiteral("запись ученика «%1» изменена после теста: её "
                                                 "строки не совпадают с подробностями (%2).")
                                      .arg(record.name, DetailText(detail))});
            } else if (firstMatched != detailOf.end() &&
                       r > std::size_t(firstMatched - detailOf.begin())) {
                findings.push_back(
                    {record.line, QStringLiteral("у записи ученика «%1» нет подробностей: число "
                                                 "вопросов взято из нынешнего банка.")
                                      .arg(record.name)});
            }
        }
    }
    for (std::size_t d = 0; d < details.size(); ++d) {
        if (!used[d]) {
            findings.push_back({0, QStringLiteral("в подробностях есть тест (%1), а его записи в "
                                                  "журнале нет: её удалили.")
                                       .arg(DetailText(details[d]))});
        }
    }
    std::stable_sort(findings.begin(), findings.end(),
                     [](const LogNote &a, const LogNote &b) { return a.line < b.line; });
    return match;
}

void ApplyDetails(std::vector<LogRecord> &records, const std::vector<ResultDetail> &details,
                  const std::vector<int> &detailOf)
{
    for (std::size_t r = 0; r < records.size(); ++r) {
        if (detailOf[r] >= 0) {
            const ResultDetail &detail = details[std::size_t(detailOf[r])];
            records[r].questions = detail.facts.questionCount;
            records[r].time = QString::fromStdString(detail.time);
        }
    }
}

QuestionStatistics ComputeQuestionStatistics(const std::vector<const ResultDetail *> &details,
                                             const QuestionBank &bank, const std::string &bankHash)
{
    QuestionStatistics statistics;
    const int count = bank.QuestionCount;
    statistics.questions.resize(std::size_t(count));
    std::vector<std::array<int, MaxAnswers + 1>> chosen(static_cast<std::size_t>(count));
    for (int q = 0; q < count; ++q) {
        statistics.questions[std::size_t(q)].number = q + 1;
        chosen[std::size_t(q)].fill(0);
    }
    for (const ResultDetail *detail : details) {
        if (detail->facts.bankHash != bankHash) {
            ++statistics.otherVersion;
            continue;
        }
        ++statistics.tests;
        for (const ShownQuestion &shown : detail->facts.shown) {
            if (shown.bankNumber < 1 || shown.bankNumber > count) {
                continue;
            }
            QuestionFigures &figures = statistics.questions[std::size_t(shown.bankNumber - 1)];
            ++figures.shown;
            if (shown.chosenAnswer == 0) {
                ++figures.none;
            } else if (IsCorrectAnswer(bank, shown.bankNumber, shown.chosenAnswer)) {
                ++figures.right;
            } else {
                ++figures.wrong;
                if (shown.chosenAnswer <= MaxAnswers) {
                    ++chosen[std::size_t(shown.bankNumber - 1)][std::size_t(shown.chosenAnswer)];
                }
            }
        }
    }
    for (int q = 0; q < count; ++q) {
        const auto &times = chosen[std::size_t(q)];
        const auto most = std::max_element(times.begin() + 1, times.end());
        if (*most > 0) {
            statistics.questions[std::size_t(q)].commonWrong = int(most - times.begin());
            statistics.questions[std::size_t(q)].commonWrongTimes = *most;
        }
    }
    std::stable_sort(statistics.questions.begin(), statistics.questions.end(),
                     [](const QuestionFigures &a, const QuestionFigures &b) {
                         if ((a.shown == 0) != (b.shown == 0)) {
                             return b.shown == 0;
                         }
                         // right / shown compared without division
                         const long long left = 1LL * a.right * b.shown;
                         const long long right = 1LL * b.right * a.shown;
                         if (left != right) {
                             return left < right;
                         }
                         return a.wrong > b.wrong;
                     });
    return statistics;
}

TextTable QuestionStatisticsTable(const QuestionStatistics &statistics, const QuestionBank &bank)
{
    TextTable table;
    table.header = {QStringLiteral("№"),
                    QStringLiteral("Вопрос"),
                    QStringLiteral("Показан"),
                    QStringLiteral("Верно"),
                    QStringLiteral("Неверно"),
                    QStringLiteral("Без ответа"),
                    QStringLiteral("Частый неверный")};
    table.rightAligned = {true, false, true, true, true, true, false};
    for (const QuestionFigures &figures : statistics.questions) {
        QString text = FromCp1251(bank.QuestionTexts[std::size_t(figures.number)]).simplified();
        if (text.size() > 40) {
            text = text.left(39) + QChar(0x2026);
        }
        table.rows.push_back(
            {QString::number(figures.number) + (figures.allWrong() ? QStringLiteral(" !") : ""),
             text, QString::number(figures.shown), QString::number(figures.right),
             QString::number(figures.wrong), QString::number(figures.none),
             figures.commonWrong > 0 ? QStringLiteral("%1 (выбрали %2)")
                                           .arg(figures.commonWrong)
                                           .arg(figures.commonWrongTimes)
                                     : QString()});
    }
    return table;
}
