#include "workbench/classsheet.h"

#include "workbench/markschart.h"
#include "workbench/resultsmodel.h"

#include <QChart>
#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>

namespace {

constexpr double ChartHeightMm = 70;
constexpr double CellPaddingMm = 1.2;
// The chart is laid out as on a screen of this many dots per inch and then scaled to the page.
constexpr double ChartDpi = 96;

class SheetPainter {
public:
    SheetPainter(QPagedPaintDevice &device, QPainter &painter)
        : m_device(device), m_painter(painter), m_mm(device.logicalDpiY() / 25.4),
          m_page(0, 0, device.width(), device.height())
    {
    }

    void Group(const ResultsFilter &shown, const ShownGroup &group, const QDate &date)
    {
        const ResultsModel &results = shown.results();
        if (!m_first) {
            m_device.newPage();
        }
        m_first = false;
        m_y = 0;
        const QString title =
            QStringLiteral("Результаты теста: %1").arg(GroupCaption(group.scores));
        Text(title, 16, true);
        Text(QStringLiteral("Дата: %1").arg(date.toString(QStringLiteral("dd.MM.yyyy"))), 10,
             false);
        const QStringList figures = ShownSummaryTable({group}).rows.front();
        Text(QStringLiteral("Результатов: %1; средний балл: %2; наименьший: %3; наибольший: %4.")
                 .arg(figures[2], figures[3], figures[4], figures[5]),
             10, false);
        m_y += 2 * m_mm;

        // The group's rows as the table shows them.
        std::vector<std::pair<int, int>> placed;
        for (const int row : group.rows) {
            placed.emplace_back(shown.mapFromSource(results.index(row, 0)).row(), row);
        }
        std::sort(placed.begin(), placed.end());
        std::vector<LogRecord> records;
        bool known = false;
        for (const auto &[place, row] : placed) {
            records.push_back(results.record(row));
            records.back().questions = results.questionsOf(row);
            known = known || records.back().questions > 0;
        }
        const std::optional<MarkColumns> marks =
            known ? std::optional(MarkColumns{0, results.markScale()}) : std::nullopt;
        if (marks) {
            Chart(group);
        } else {
            Text(QStringLiteral("Число вопросов теста %1 класса не известно: оценки не поставлены.")
                     .arg(group.scores.grade),
                 10, false);
        }
        m_y += 3 * m_mm;
        Table(ResultsTable(records, marks), title);
    }

private:
    QFont Font(double points, bool bold) const
    {
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPointSizeF(points);
        font.setBold(bold);
        return font;
    }

    void Text(const QString &text, double points, bool bold)
    {
        m_painter.setFont(Font(points, bold));
        const QRectF room(0, m_y, m_page.width(), m_page.height() - m_y);
        const QRectF used = m_painter.boundingRect(room, Qt::TextWordWrap, text);
        m_painter.drawText(room, Qt::TextWordWrap, text);
        m_y += used.height() + m_mm;
    }

    void Chart(const ShownGroup &group)
    {
        const QRectF target(0, m_y, m_page.width(), ChartHeightMm * m_mm);
        const double scale = ChartDpi / m_device.logicalDpiY();
        QGraphicsScene scene;
        QChart *chart = NewMarksChart();
        scene.addItem(chart);
        ShowMarks(*chart, {group});
        chart->setGeometry(0, 0, target.width() * scale, target.height() * scale);
        scene.render(&m_painter, target, chart->geometry());
        m_y = target.bottom();
    }

    void Table(const TextTable &table, const QString &title)
    {
        const QFont plain = Font(10, false);
        const QFont bold = Font(10, true);
        const QFontMetricsF metrics(bold, &m_device);
        const double padding = CellPaddingMm * m_mm;
        const double rowHeight = metrics.height() + 2 * padding;
        std::vector<double> widths;
        for (qsizetype column = 0; column < table.header.size(); ++column) {
            double width = metrics.horizontalAdvance(table.header[column]);
            for (const QStringList &row : table.rows) {
                width = std::max(width, metrics.horizontalAdvance(row[column]));
            }
            widths.push_back(width + 2 * padding);
        }
        // A name too long for the page is cut: the other columns keep their width.
        double others = 0;
        for (std::size_t column = 1; column < widths.size(); ++column) {
            others += widths[column];
        }
        widths[0] = std::min(widths[0], m_page.width() - others);

        const auto drawRow = [&](const QStringList &cells, const QFont &font) {
            m_painter.setFont(font);
            double x = 0;
            for (qsizetype column = 0; column < cells.size(); ++column) {
                const double width = widths[std::size_t(column)];
                const QRectF cell(x, m_y, width, rowHeight);
                m_painter.drawRect(cell);
                const Qt::Alignment align =
                    table.rightAligned[std::size_t(column)] ? Qt::AlignRight : Qt::AlignLeft;
                const QRectF inner = cell.adjusted(padding, 0, -padding, 0);
                m_painter.drawText(inner, align | Qt::AlignVCenter,
                                   QFontMetricsF(font, &m_device)
                                       .elidedText(cells[column], Qt::ElideRight, inner.width()));
                x += width;
            }
            m_y += rowHeight;
        };
        m_painter.setPen(QPen(Qt::black, 0.2 * m_mm));
        drawRow(table.header, bold);
        for (const QStringList &row : table.rows) {
            if (m_y + rowHeight > m_page.height()) {
                m_device.newPage();
                m_y = 0;
                Text(QStringLiteral("%1 (продолжение)").arg(title), 12, true);
                m_painter.setPen(QPen(Qt::black, 0.2 * m_mm));
                drawRow(table.header, bold);
            }
            drawRow(row, plain);
        }
    }

    QPagedPaintDevice &m_device;
    QPainter &m_painter;
    double m_mm;
    QRectF m_page;
    double m_y = 0;
    bool m_first = true;
};

} // namespace

bool PaintClassSheet(QPagedPaintDevice &device, const ResultsFilter &shown, const QDate &date)
{
    QPainter painter;
    if (!painter.begin(&device)) {
        return false;
    }
    painter.setPen(Qt::black);
    SheetPainter sheet(device, painter);
    for (const ShownGroup &group : ShownGroups(shown)) {
        sheet.Group(shown, group, date);
    }
    return painter.end();
}

QString SaveClassSheetPdf(const QString &path, const ResultsFilter &shown, const QDate &date)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return file.errorString();
    }
    {
        QPdfWriter writer(&file);
        writer.setTitle(QStringLiteral("Результаты теста"));
        writer.setCreator(QStringLiteral("Ортус 2000"));
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        if (!PaintClassSheet(writer, shown, date)) {
            file.cancelWriting();
            return QStringLiteral("не удаётся нарисовать страницы");
        }
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return {};
}
