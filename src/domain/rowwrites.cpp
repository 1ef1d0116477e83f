#include "rowwrites.h"

#include "heldrows.h"

#include "store/sheetlayout.h"
#include "store/storeerror.h"

#include <QSet>

using namespace SheetLayout;

namespace RowWrites {

namespace {

RowWrite oneRow(const CellBlock &before, int row, const CellRow &cells)
{
    RowWrite write;
    write.edit = {row, {SheetRows::rowAt(before, kFirstDataRow, row)}, {cells}};
    return write;
}

int capacity()
{
    return kLastRow - kFirstDataRow + 1;
}

} // namespace

void requireAppointment(const CellBlock &rows, int row)
{
    if (row < kFirstDataRow || SheetRows::rowAt(rows, kFirstDataRow, row).value(kDateColumn - 1).isEmpty())
        throw StoreError(StoreError::OperationFailed,
                         QStringLiteral("La riga %1 non contiene un appuntamento").arg(row));
}

void requireRoom(int free, int needed)
{
    if (needed > free)
        throw StoreError(StoreError::OperationFailed,
                         QStringLiteral("Non c'è posto: le righe libere sono %1, ne servono %2").arg(free).arg(needed));
}

int lastDatedRow(const CellBlock &rows)
{
    for (int i = int(rows.size()) - 1; i >= 0; --i) {
        if (!rows[i].value(kDateColumn - 1).isEmpty())
            return kFirstDataRow + i;
    }
    return kFirstDataRow;
}

RowWrite insertion(const CellBlock &before, int row, const CellRow &cells)
{
    RowWrite write = oneRow(before, row, cells);
    write.undo = [cells](const CellBlock &) {
        return UndoStep{UndoStep::Insertion, {}, {}, {}, CellBlock{cells}};
    };
    return write;
}

RowWrite appended(const CellBlock &before, const CellBlock &added)
{
    requireRoom(capacity() - int(before.size()), int(added.size()));
    RowWrite write;
    write.edit = {kFirstDataRow + int(before.size()), {}, added};
    write.undo = [added](const CellBlock &) { return UndoStep{UndoStep::Insertion, {}, {}, {}, added}; };
    return write;
}

RowWrite exchange(const CellBlock &before, const QVector<int> &going, const CellBlock &coming)
{
    for (int row : going)
        requireAppointment(before, row);
    const QSet<int> leaving(going.cbegin(), going.cend());
    CellBlock after;
    for (int i = 0; i < before.size(); ++i)
        if (!leaving.contains(kFirstDataRow + i))
            after << before[i];
    requireRoom(capacity() - int(after.size()), int(coming.size()));
    after << coming;
    while (after.size() < before.size())
        after << CellRow(kTextColumn - kDateColumn + 1);
    // Only the rows that differ are written, in one call.
    RowWrite write;
    write.edit = SheetRows::difference(before, after, kFirstDataRow);
    return write;
}

RowWrite change(const CellBlock &before, int row, const CellRow &cells)
{
    requireAppointment(before, row);
    RowWrite write = oneRow(before, row, cells);
    write.undo = [before, row, cells](const CellBlock &after) -> std::optional<UndoStep> {
        // The rows as they were and as the change and its order left them: what an undo writes back.
        const SheetRows::RowEdit edit = SheetRows::difference(before, after, kFirstDataRow);
        if (edit.isEmpty())
            return std::nullopt;
        return UndoStep{UndoStep::Change, edit, SheetRows::rowAt(before, kFirstDataRow, row), cells, {}};
    };
    return write;
}

RowWrite removal(const CellBlock &before, int row)
{
    requireAppointment(before, row);
    RowWrite write;
    write.edit = SheetRows::removal(before, kFirstDataRow, row);
    // One call, not a write of every row below; they keep their order.
    write.office = RowWrite::RemoveRow;
    write.reorder = false;
    const SheetRows::RowEdit edit = write.edit;
    write.undo = [edit](const CellBlock &) { return UndoStep{UndoStep::Removal, edit, edit.before.first(), {}, {}}; };
    return write;
}

RowWrite undo(const CellBlock &before, const UndoStep &step)
{
    RowWrite write;
    write.takesBack = true;
    write.reorder = false;
    if (step.kind == UndoStep::Insertion) {
        // The rows the insertion added go, wherever the order put them; the rest close up.
        write.edit = SheetRows::withoutRows(before, kFirstDataRow, step.inserted);
        if (write.edit.isEmpty())
            throw StoreError(StoreError::OperationFailed,
                             QStringLiteral("Gli appuntamenti inseriti non sono più nella cartella"));
        return write;
    }
    if (SheetRows::holdsResultOf(before, kFirstDataRow, step.edit)) {
        // Nothing moved since: the rows get back exactly what they held, in the order they had.
        write.edit = SheetRows::reversed(step.edit);
        if (step.kind == UndoStep::Removal && lastDatedRow(before) < kLastRow)
            write.office = RowWrite::ReopenRow;
        return write;
    }
    // An insertion moved the rows since: the appointment itself comes back, in its place by date
    // and time.
    int row = 0;
    if (step.kind == UndoStep::Removal) {
        row = HeldRows::firstUndated(before);
        if (row > kLastRow)
            throw StoreError(StoreError::OperationFailed, QStringLiteral("Il foglio è pieno"));
    } else {
        for (int i = 0; i < before.size() && row == 0; ++i) {
            if (SheetRows::sameCells(before[i], step.current))
                row = kFirstDataRow + i;
        }
        if (row == 0)
            throw StoreError(StoreError::OperationFailed,
                             QStringLiteral("L'appuntamento modificato non è più nella cartella"));
    }
    write = oneRow(before, row, step.old);
    write.takesBack = true;
    return write;
}

} // namespace RowWrites
