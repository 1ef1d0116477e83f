#pragma once

#include "appointment.h"

#include "store/cellvalue.h"

#include <optional>

// The data rows of the first sheet as the diary keeps them in memory: columns A to C from the
// first data row on, row i of the block being sheet row firstRow + i. Pure rules, no office.
namespace SheetRows {

// A block of rows that one bulk write puts on the sheet, and what stood there before it.
struct RowEdit
{
    int firstRow = 0;
    CellBlock before;
    CellBlock after;

    bool isEmpty() const { return before.isEmpty() && after.isEmpty(); }
};

// The rows whose date cell holds something, with their sheet rows.
Appointments appointments(const CellBlock &rows, int firstRow);

// The three cells of a sheet row; empty ones beyond the block.
CellRow rowAt(const CellBlock &rows, int firstRow, int row);

// Taking one row out and closing the gap: every row below moves up one, the last one is emptied.
RowEdit removal(const CellBlock &rows, int firstRow, int row);

// Taking out one row like each of these (the first found, from the top) and closing the gaps;
// empty when none is there.
RowEdit withoutRows(const CellBlock &rows, int firstRow, const CellBlock &gone);

// The smallest block of rows in which the two differ, with what each holds there.
RowEdit difference(const CellBlock &before, const CellBlock &after, int firstRow);

// The edit turned round: what undoes it.
RowEdit reversed(const RowEdit &edit);

// Whether the rows hold what the edit left there (nothing changed them since).
bool holdsResultOf(const CellBlock &rows, int firstRow, const RowEdit &edit);

// The rows once the edit is written; trailing empty rows are dropped (also for an empty edit).
void apply(CellBlock &rows, int firstRow, const RowEdit &edit);

// The rows as the office's sort by date, then time leaves them: stable, values before texts,
// empty cells last. False when the order hangs on how the office's collation ranks two different
// texts of a key column (hand edits), which only the office can say; the rows are then sorted,
// but not to be trusted.
bool sortByDateAndTime(CellBlock &rows);

// When the edit only takes one row out and puts it elsewhere, the others keeping their order:
// the sheet row it leaves and the one it ends in.
struct Move
{
    int from = 0;
    int to = 0;
};
std::optional<Move> movedRow(const RowEdit &edit);

// The rows of `meant` holding an appointment that `have` lacks, each as often as it lacks it:
// what a workbook reopened from disk misses of what the diary held.
CellBlock missingFrom(const CellBlock &have, const CellBlock &meant);

// Two rows alike cell by cell, whatever kind of number each holds.
bool sameCells(const CellRow &a, const CellRow &b);

} // namespace SheetRows
