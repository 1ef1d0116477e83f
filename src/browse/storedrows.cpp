#include "storedrows.h"

#include "store/calcworkbook.h"
#include "store/sheetlayout.h"

StoredRows::StoredRows(const CalcWorkbook &book)
{
    using namespace SheetLayout;
    const int last = book.lastUsedRow();
    if (last < kFirstDataRow)
        return;
    const CellBlock block = book.readBlock(kFirstDataRow, kDateColumn, last, kTextColumn);
    m_rows.reserve(block.size());
    for (int i = 0; i < block.size(); ++i) {
        const CellRow &cells = block[i];
        const CellValue date = cells.value(kDateColumn - 1);
        if (date.isEmpty())
            continue;
        m_rows.append({kFirstDataRow + i, date, cells.value(kTimeColumn - 1), cells.value(kTextColumn - 1)});
    }
}
