#include "sheetlayout.h"

#include "calcworkbook.h"

namespace SheetLayout {

namespace {
// In 1/100 mm. A column fitted to its header alone would show a date typed later as ###.
const QVector<int> kMinimumWidths = {2600, 1700, 6000};
}

QString workbookPath(const QString &folder)
{
    return folder + QLatin1Char('/') + kFileName;
}

void PrepareSheet(CalcWorkbook &book)
{
    book.writeBlock(kHeaderRow, kDateColumn,
                    {{CellValue::fromText(QStringLiteral("Data")), CellValue::fromText(QStringLiteral("Ora")),
                      CellValue::fromText(QStringLiteral("Appuntamento"))}});
    book.setNumberFormat(kFirstDataRow, kTimeColumn, kLastRow, kTimeColumn, kTimeFormat);
    book.activateFirstSheet();
    book.setRowsHidden(1, 3, true);
    book.select(kFirstDataRow, kDateColumn, kFirstDataRow, kDateColumn);
}

void FitColumns(CalcWorkbook &book)
{
    book.fitColumns(kMinimumWidths);
}

void FitColumnsLater(CalcWorkbook &book)
{
    book.deferUntilOutput([&book] { FitColumns(book); });
}

} // namespace SheetLayout
