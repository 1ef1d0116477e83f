#pragma once

#include "store/cellvalue.h"

#include <QVector>

class CalcWorkbook;

// The appointments on the first sheet, read in one bulk call: every row from the first data row
// to the last used one whose column-A cell holds something. Empty rows left among them by hand
// edits are skipped, so they never hide the rows below.
class StoredRows
{
public:
    struct Row
    {
        int sheetRow;
        CellValue date;
        CellValue time;
        CellValue text;
    };

    explicit StoredRows(const CalcWorkbook &book);

    const QVector<Row> &rows() const { return m_rows; }

private:
    QVector<Row> m_rows;
};
