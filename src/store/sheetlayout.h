#pragma once

#include "storeliterals.h"

#include <QString>

class CalcWorkbook;

// Where appointments live on the first sheet, and the preparation every start applies.
namespace SheetLayout {

inline const QString kFileName = QStringLiteral("Vespolari.xls");
inline const QString kPassword = QStringLiteral("Tirn4716");
constexpr int kHeaderRow = 4;
constexpr int kFirstDataRow = 5;
constexpr int kLastRow = 65536;
constexpr int kDateColumn = 1;
constexpr int kTimeColumn = 2;
constexpr int kTextColumn = 3;
inline const QString &kTimeFormat = StoreLiterals::kTimeFormat;
inline const QString &kDateFormat = StoreLiterals::kDateFormat;

// The workbook's path in a folder.
QString workbookPath(const QString &folder);

// Header row, time format on column B, rows 1 to 3 hidden, first sheet active with A5 selected.
void PrepareSheet(CalcWorkbook &book);
// Fits the used columns of every worksheet, keeping dates, times and texts readable.
void FitColumns(CalcWorkbook &book);
// The same fit, done only when the columns can be seen or are saved: at 65,000 rows it costs
// the office a second that start-up need not wait for.
void FitColumnsLater(CalcWorkbook &book);

} // namespace SheetLayout
