#pragma once

#include "sheetrows.h"
#include "undohistory.h"

#include <QVector>
#include <functional>
#include <optional>

// One write as the rows before it decide it, before anything reaches the office: the rows it
// changes, how the office makes that cheaply, whether the rows are put in order after it, and
// what the undo history keeps. Every kind of write is one function of RowWrites, refusing what it
// cannot do before anything is written; Diary::commit alone carries them out, so none can skip
// taking a failed write back, the undo history, the news or the save.
struct RowWrite
{
    enum Office {
        Rows,       // the edit's rows, in one call
        RemoveRow,  // the edit's first row taken out, the rows below moving up
        ReopenRow,  // the edit's first row opened again, the rows below moving down, then written;
                    // the edit's rows in one call where the sheet refuses
    };

    SheetRows::RowEdit edit;
    Office office = Rows;
    // Put in order by date and time after it.
    bool reorder = true;
    // What the undo history keeps, from the rows the write and its order left; none for a write
    // that is not the user's to take back.
    std::function<std::optional<UndoStep>(const CellBlock &after)> undo;
    // It takes back the newest undo step, which then goes.
    bool takesBack = false;
};

namespace RowWrites {

// A typed appointment into that row.
RowWrite insertion(const CellBlock &before, int row, const CellRow &cells);
// These below the last stored row, taken back in one step. Refused when they do not fit.
RowWrite appended(const CellBlock &before, const CellBlock &added);
// Changes from elsewhere: the rows `going` leave, `coming` join; the user does not take it back.
// Refused when a row holds no appointment or they do not fit.
RowWrite exchange(const CellBlock &before, const QVector<int> &going, const CellBlock &coming);
// The appointment in that row gets these cells.
RowWrite change(const CellBlock &before, int row, const CellRow &cells);
// The row goes, the rows below move up.
RowWrite removal(const CellBlock &before, int row);
// That step taken back: the rows as they were, or, when other rows moved them since, the
// appointment as it was, in its place by date and time.
RowWrite undo(const CellBlock &before, const UndoStep &step);

// Refusals before anything is written.
void requireAppointment(const CellBlock &rows, int row);
void requireRoom(int free, int needed);
// The sheet row of the last appointment, or the first data row when there is none.
int lastDatedRow(const CellBlock &rows);

} // namespace RowWrites
