#include "sortbydate.h"

#include "store/calcworkbook.h"
#include "store/sheetlayout.h"

using namespace SheetLayout;

void SortByDate(CalcWorkbook &book)
{
    if (book.cell(kFirstDataRow, kDateColumn).isEmpty())
        return;
    // The office's sort is stable, so equal date and time keep the order of insertion.
    book.sortRows(kFirstDataRow, kLastRow, kTextColumn, {{kDateColumn, true}, {kTimeColumn, true}});
    book.select(kFirstDataRow, kDateColumn, kFirstDataRow, kDateColumn);
}
