#include "quiz/resultdetail.h"

#include "runtime/cp1251.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

namespace {

constexpr std::array<const char *, 14> Columns = {
    "time", "computer",  "name",       "grade",     "group",  "score",   "questions",
    "bank", "bank_hash", "time_limit", "time_used", "ending", "answers", "record_hash"};

constexpr std::array<TestEnding, 4> Endings = {TestEnding::AllAnswered, TestEnding::FinishedEarly,
                                               TestEnding::TimeOut, TestEnding::WindowClosed};

std::string Escaped(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '\t':
            escaped += "\\t";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\r':
            escaped += "\\r";
            break;
        case '\\':
            escaped += "\\\\";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::optional<std::string> Unescaped(std::string_view text)
{
    // Most fields have nothing escaped: a teacher's window reads a school's years of them.
    if (text.find('\\') == std::string_view::npos) {
        return std::string(text);
    }
    std::string plain;
    plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            plain += text[i];
            continue;
        }
        if (++i == text.size()) {
            return std::nullopt;
        }
        switch (text[i]) {
        case 't':
            plain += '\t';
            break;
        case 'n':
            plain += '\n';
            break;
        case 'r':
            plain += '\r';
            break;
        case '\\':
            plain += '\\';
            break;
        default:
            return std::nullopt;
        }
    }
    return plain;
}

std::string Utf8(const std::string &cp1251)
{
    return FromCp1251(cp1251).toStdString();
}

std::optional<std::string> Cp1251(std::string_view field)
{
    const std::optional<std::string> plain = Unescaped(field);
    if (!plain) {
        return std::nullopt;
    }
    const QByteArrayView bytes(plain->data(), static_cast<qsizetype>(plain->size()));
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; })) {
        return plain;
    }
    if (!bytes.isValidUtf8()) {
        return std::nullopt;
    }
    return ToCp1251(QString::fromUtf8(bytes));
}

std::optional<int> Number(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    fields.reserve(Columns.size());
    for (;;) {
        const std::size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) {
            return fields;
        }
        line.remove_prefix(tab + 1);
    }
}

std::string AnswersField(const std::vector<ShownQuestion> &shown)
{
    std::string field;
    for (const ShownQuestion &question : shown) {
        if (!field.empty()) {
            field += ' ';
        }
        field += std::to_string(question.bankNumber) + ':' +
                 (question.chosenAnswer > 0 ? std::to_string(question.chosenAnswer) : "-");
    }
    return field;
}

std::optional<std::vector<ShownQuestion>> ParseAnswers(std::string_view field)
{
    std::vector<ShownQuestion> shown;
    shown.reserve(std::size_t(std::count(field.begin(), field.end(), ' ')) + 1);
    while (!field.empty()) {
        const std::size_t blank = field.find(' ');
        const std::string_view pair = field.substr(0, blank);
        field = blank == std::string_view::npos ? std::string_view() : field.substr(blank + 1);
        const std::size_t colon = pair.find(':');
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        const std::optional<int> number = Number(pair.substr(0, colon));
        const std::string_view chosen = pair.substr(colon + 1);
        const std::optional<int> answer = chosen == "-" ? std::optional<int>(0) : Number(chosen);
        if (!number || *number < 1 || !answer || *answer < 0) {
            return std::nullopt;
        }
        shown.push_back({*number, *answer});
    }
    return shown;
}

} // namespace

std::string_view EndingName(TestEnding ending)
{
    switch (ending) {
    case TestEnding::AllAnswered:
        return "all_answered";
    case TestEnding::FinishedEarly:
        return "finished_early";
    case TestEnding::TimeOut:
        return "time_out";
    case TestEnding::WindowClosed:
        return "window_closed";
    }
    return {};
}

std::string ResultDetailHeader()
{
    std::string header = Columns.front();
    for (std::size_t i = 1; i < Columns.size(); ++i) {
        header += std::string("\t") + Columns[i];
    }
    return header + '\n';
}

std::string ResultDetailLine(const ResultDetail &detail)
{
    const TestFacts &facts = detail.facts;
    const std::array<std::string, Columns.size()> fields = {Escaped(detail.time),
                                                            Escaped(detail.computer),
                                                            Escaped(Utf8(detail.record.PupilName)),
                                                            Escaped(Utf8(detail.record.GradeText)),
                                                            Escaped(Utf8(detail.record.PupilGroup)),
                                                            std::to_string(detail.record.Score),
                                                            std::to_string(facts.questionCount),
                                                            Escaped(Utf8(facts.bankFileName)),
                                                            Escaped(facts.bankHash),
                                                            std::to_string(facts.timeLimitSeconds),
                                                            std::to_string(facts.timeUsedSeconds),
                                                            std::string(EndingName(facts.ending)),
                                                            AnswersField(facts.shown),
                                                            Escaped(detail.recordHash)};
    std::string line = fields.front();
    for (std::size_t i = 1; i < fields.size(); ++i) {
        line += '\t' + fields[i];
    }
    return line + '\n';
}

std::optional<ResultDetail> ParseResultDetail(std::string_view line)
{
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() < Columns.size()) {
        return std::nullopt;
    }
    ResultDetail detail;
    std::optional<std::string> time = Unescaped(fields[0]);
    std::optional<std::string> computer = Unescaped(fields[1]);
    std::optional<std::string> name = Cp1251(fields[2]);
    std::optional<std::string> grade = Cp1251(fields[3]);
    std::optional<std::string> group = Cp1251(fields[4]);
    const std::optional<int> score = Number(fields[5]);
    const std::optional<int> questions = Number(fields[6]);
    std::optional<std::string> bank = Cp1251(fields[7]);
    std::optional<std::string> bankHash = Unescaped(fields[8]);
    const std::optional<int> limit = Number(fields[9]);
    const std::optional<int> used = Number(fields[10]);
    std::optional<std::vector<ShownQuestion>> shown = ParseAnswers(fields[12]);
    std::optional<std::string> recordHash = Unescaped(fields[13]);
    const auto ending = std::find_if(Endings.begin(), Endings.end(), [&](TestEnding candidate) {
        return EndingName(candidate) == fields[11];
    });
    if (!time || !computer || !name || !grade || !group || !score || !questions || !bank ||
        !bankHash || !limit || !used || !shown || !recordHash || ending == Endings.end() ||
        *questions < 0) {
        return std::nullopt;
    }
    detail.time = std::move(*time);
    detail.computer = std::move(*computer);
    detail.record = {std::move(*name), std::move(*grade), std::move(*group), *score};
    detail.facts = {std::move(*bank), std::move(*bankHash), *questions, *limit, *used,
                    *ending,          std::move(*shown)};
    detail.recordHash = std::move(*recordHash);
    return detail;
}

std::string DetailFileName(const std::string &logPath)
{
    const std::size_t slash = logPath.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = logPath.rfind('.');
    const std::size_t stemEnd = dot != std::string::npos && dot > nameStart ? dot : logPath.size();
    return logPath.substr(0, stemEnd) + ".details.tsv";
}
