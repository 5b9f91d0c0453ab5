#pragma once

#include <QDate>
#include <QString>

class QPagedPaintDevice;
class ResultsFilter;

// The class sheet of the shown results: per grade and group a page with its title, the date, a
// line of figures, the chart of its marks and the table of its results (a long table goes on over
// more pages), black on white. False when the device cannot be painted on.
bool PaintClassSheet(QPagedPaintDevice &device, const ResultsFilter &shown, const QDate &date);

// The sheet as an A4 PDF file, written whole or not at all; the reason when it cannot be.
QString SaveClassSheetPdf(const QString &path, const ResultsFilter &shown, const QDate &date);
