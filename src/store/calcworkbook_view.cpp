// What the office shows of the workbook: the active sheet, the selection, the columns' widths.

#include "calcworkbook_p.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/view/XSelectionSupplier.hpp>

#include <QRect>

void CalcWorkbook::activateFirstSheet()
{
    d->call("selezione", [&] { d->view()->setActiveSheet(d->firstSheet()); });
}

int CalcWorkbook::activeSheetIndex() const
{
    return d->call("selezione", [&] {
        Reference<sheet::XCellRangeAddressable> active(d->view()->getActiveSheet(), UNO_QUERY_THROW);
        return active->getRangeAddress().Sheet;
    });
}

void CalcWorkbook::select(int firstRow, int firstCol, int lastRow, int lastCol)
{
    d->call("selezione", [&] {
        Reference<view::XSelectionSupplier>(d->view(), UNO_QUERY_THROW)
            ->select(uno::Any(d->range(firstRow, firstCol, lastRow, lastCol)));
    });
}

QRect CalcWorkbook::selection() const
{
    return d->call("selezione", [&] {
        Reference<uno::XInterface> sel;
        Reference<view::XSelectionSupplier>(d->view(), UNO_QUERY_THROW)->getSelection() >>= sel;
        const table::CellRangeAddress a = addressOf(sel);
        return QRect(QPoint(a.StartColumn + 1, a.StartRow + 1), QPoint(a.EndColumn + 1, a.EndRow + 1));
    });
}

void CalcWorkbook::fitColumns(const QVector<int> &minWidths)
{
    d->call("larghezza colonne", [&] {
        Reference<sheet::XSpreadsheetDocument> doc(d->document, UNO_QUERY_THROW);
        Reference<container::XIndexAccess> sheets(doc->getSheets(), UNO_QUERY_THROW);
        for (sal_Int32 i = 0; i < sheets->getCount(); ++i) {
            Reference<sheet::XSpreadsheet> sheet(sheets->getByIndex(i), UNO_QUERY_THROW);
            Reference<sheet::XSheetCellCursor> cursor = sheet->createCursor();
            Reference<sheet::XUsedAreaCursor> used(cursor, UNO_QUERY_THROW);
            used->gotoStartOfUsedArea(false);
            used->gotoEndOfUsedArea(true);
            Reference<table::XColumnRowRange> rr(cursor, UNO_QUERY_THROW);
            Reference<beans::XPropertySet>(rr->getColumns(), UNO_QUERY_THROW)
                ->setPropertyValue("OptimalWidth", uno::Any(true));
            if (i != 0)
                continue;
            Reference<container::XIndexAccess> columns(
                Reference<table::XColumnRowRange>(sheet, UNO_QUERY_THROW)->getColumns(), UNO_QUERY_THROW);
            for (int c = 0; c < minWidths.size(); ++c) {
                Reference<beans::XPropertySet> column(columns->getByIndex(c), UNO_QUERY_THROW);
                sal_Int32 width = 0;
                column->getPropertyValue("Width") >>= width;
                if (width < minWidths[c])
                    column->setPropertyValue("Width", uno::Any(sal_Int32(minWidths[c])));
            }
        }
    });
}

int CalcWorkbook::columnWidth(int col) const
{
    return d->call("larghezza colonne", [&] {
        Reference<container::XIndexAccess> columns(
            Reference<table::XColumnRowRange>(d->firstSheet(), UNO_QUERY_THROW)->getColumns(), UNO_QUERY_THROW);
        sal_Int32 width = 0;
        Reference<beans::XPropertySet>(columns->getByIndex(col - 1), UNO_QUERY_THROW)->getPropertyValue("Width") >>= width;
        return width;
    });
}

int CalcWorkbook::sheetCount() const
{
    return d->call("fogli", [&] {
        d->requireDocument();
        Reference<sheet::XSpreadsheetDocument> doc(d->document, UNO_QUERY_THROW);
        return Reference<container::XIndexAccess>(doc->getSheets(), UNO_QUERY_THROW)->getCount();
    });
}

void CalcWorkbook::addSheet(const QString &name, const CellBlock &rows)
{
    d->call("nuovo foglio", [&] {
        d->requireDocument();
        Reference<sheet::XSpreadsheets> sheets =
            Reference<sheet::XSpreadsheetDocument>(d->document, UNO_QUERY_THROW)->getSheets();
        const sal_Int16 at = sal_Int16(sheetCount());
        sheets->insertNewByName(toOU(name), at);
        if (rows.isEmpty())
            return;
        Reference<sheet::XSpreadsheet> added(
            Reference<container::XIndexAccess>(sheets, UNO_QUERY_THROW)->getByIndex(at), UNO_QUERY_THROW);
        for (int r = 0; r < rows.size(); ++r)
            for (int c = 0; c < rows[r].size(); ++c)
                Reference<text::XText>(added->getCellByPosition(c, r), UNO_QUERY_THROW)->setString(toOU(rows[r][c].text));
    });
}
