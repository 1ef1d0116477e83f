#include "diary.h"

#include "sheetrows.h"

#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"
#include "store/storeliterals.h"

using namespace SheetLayout;

Diary::Diary(CalcWorkbook &book, QObject *parent)
    : QObject(parent), m_book(book), m_held(book), m_save(book, m_held, [this] { emit changed(); })
{
}

Diary::~Diary()
{
    m_save.settle();
}

// --- Reads -------------------------------------------------------------------------------------

const CellBlock &Diary::rows() const
{
    // While the office saves, the rows held answer; unknown ones wait for the save.
    if (m_save.pending()) {
        if (m_held.known())
            return m_held.held();
        m_save.waitForSave();
    }
    return m_held.current();
}

void Diary::reload()
{
    m_held.reload();
}

bool Diary::hasAny() const
{
    const CellBlock &all = rows();
    return !all.isEmpty() && !all.first().value(kDateColumn - 1).isEmpty();
}

Appointments Diary::stored() const
{
    rows();
    return m_held.appointments();
}

Appointments Diary::settled()
{
    waitForSave();
    return stored();
}

Appointments Diary::saved() const
{
    rows();
    return SheetRows::appointments(m_held.onDisk(), kFirstDataRow);
}

Appointments Diary::unsaved() const
{
    return m_held.unsaved();
}

bool Diary::hasUnsavedWrites() const
{
    if (m_save.pending() || !m_held.known())
        return true;
    return m_held.differsFromDisk();
}

std::optional<Appointment> Diary::at(int row) const
{
    const CellRow cells = SheetRows::rowAt(rows(), kFirstDataRow, row);
    if (row < kFirstDataRow || cells.value(kDateColumn - 1).isEmpty())
        return std::nullopt;
    return Appointment{row, cells.value(kDateColumn - 1), cells.value(kTimeColumn - 1), cells.value(kTextColumn - 1)};
}

Appointments Diary::ofDay(const QDate &day) const
{
    rows();
    Appointments ofThatDay;
    for (const Appointment &a : m_held.appointments()) {
        if (a.isOn(day))
            ofThatDay.append(a);
    }
    return ofThatDay;
}

int Diary::freeRow() const
{
    m_save.waitForSave();
    m_book.activateFirstSheet();
    const int row = HeldRows::firstUndated(rows());
    return row <= kLastRow ? row : 0;
}

QRect Diary::printRange() const
{
    return QRect(QPoint(kDateColumn, kHeaderRow), QPoint(kTextColumn, RowWrites::lastDatedRow(rows())));
}

int Diary::freeRows() const
{
    return capacity() - int(rows().size());
}

int Diary::capacity()
{
    return kLastRow - kFirstDataRow + 1;
}

// --- The one road of a write -----------------------------------------------------------------

void Diary::commit(const std::function<RowWrite(const CellBlock &before)> &plan, SaveEnded ended)
{
    waitForSave();
    const CellBlock before = rows();
    // Refusals come before anything is written.
    const RowWrite write = plan(before);
    Reorder reorder;
    try {
        carryOut(write);
        if (write.reorder)
            reorder = sortHeld();
        // Gone under the write, before its save could begin: the write goes with it, for the user
        // to make again.
        if (!m_book.officeAlive())
            throw StoreError(StoreError::OfficeGone, StoreLiterals::kOfficeGone);
    } catch (const StoreError &) {
        m_held.restore(before);
        // Rows put back are announced too; an office gone with them is announced by the recovery.
        if (m_held.known())
            emit changed();
        throw;
    }
    if (write.takesBack) {
        m_undo.dropLast();
    } else if (write.undo) {
        if (const std::optional<UndoStep> step = write.undo(m_held.held()))
            m_undo.push(*step);
    }
    emit changed();
    saveInBackground(reorder, std::move(ended));
}

void Diary::carryOut(const RowWrite &write)
{
    const SheetRows::RowEdit &edit = write.edit;
    switch (write.office) {
    case RowWrite::RemoveRow:
        m_book.removeRow(edit.firstRow, kTextColumn);
        break;
    case RowWrite::ReopenRow: {
        bool reopened = false;
        try {
            m_book.insertEmptyRow(edit.firstRow, kTextColumn);
            reopened = true;
        } catch (const StoreError &) {
            // Refused (the sheet's last row holds something): every row is written instead.
            if (!m_book.officeAlive())
                throw;
        }
        m_held.writeRows(edit.firstRow, reopened ? CellBlock{edit.after.first()} : edit.after);
        break;
    }
    case RowWrite::Rows:
        m_held.writeRows(edit.firstRow, edit.after);
        break;
    }
    m_held.written(edit);
}

void Diary::waiting(const std::function<void(SaveEnded)> &start)
{
    std::optional<StoreError> failure;
    start([&failure](const std::optional<StoreError> &e) { failure = e; });
    waitForSave();
    if (failure)
        throw *failure;
}

void Diary::saveInBackground(Reorder reorder, SaveEnded ended)
{
    const auto work = [this, reorder](BackgroundSave::Outcome &outcome) {
        if (reorder.kind != Reorder::Nothing) {
            const auto sort = [this] {
                m_book.sortRows(kFirstDataRow, kLastRow, kTextColumn, {{kDateColumn, true}, {kTimeColumn, true}});
            };
            try {
                if (reorder.kind == Reorder::Sort) {
                    sort();
                } else {
                    try {
                        m_book.moveRow(reorder.from, reorder.to, kTextColumn);
                    } catch (const StoreError &) {
                        // Whatever the move left half done, the sort puts in order.
                        sort();
                    }
                }
                m_book.select(kFirstDataRow, kDateColumn, kFirstDataRow, kDateColumn);
            } catch (const StoreError &) {
                // An unsorted but complete block is still readable; the save matters more.
                outcome.sorted = false;
            }
        }
        m_book.save();
    };
    m_save.lend(work, true, m_undo.newest(), std::move(ended));
}

void Diary::sortAndFollow()
{
    // The rows held follow the sort by its rule; a read of the sheet only when something else
    // wrote since, or the order of two texts is the office's collation to decide.
    const bool current = m_held.inStep();
    CellBlock sorted = m_held.held();
    m_book.sortRows(kFirstDataRow, kLastRow, kTextColumn, {{kDateColumn, true}, {kTimeColumn, true}});
    m_book.select(kFirstDataRow, kDateColumn, kFirstDataRow, kDateColumn);
    if (current && SheetRows::sortByDateAndTime(sorted))
        m_held.adopt(sorted);
    else
        m_held.reload();
}

Diary::Reorder Diary::sortHeld()
{
    CellBlock sorted = m_held.held();
    if (!m_held.inStep() || !SheetRows::sortByDateAndTime(sorted)) {
        sortAndFollow();
        return {};
    }
    const SheetRows::RowEdit edit = SheetRows::difference(m_held.held(), sorted, kFirstDataRow);
    m_held.adopt(sorted);
    if (edit.isEmpty())
        return {};
    // One row out of place, as after a write, is moved there rather than the whole sheet sorted.
    const std::optional<SheetRows::Move> move = SheetRows::movedRow(edit);
    if (move && qMax(move->from, move->to) < kLastRow)
        return {Reorder::MoveOne, move->from, move->to};
    return {Reorder::Sort};
}

// --- The kinds of write ----------------------------------------------------------------------

void Diary::insert(int row, const Appointment &appointment, SaveEnded ended)
{
    commit([&](const CellBlock &before) { return RowWrites::insertion(before, row, appointment.cells()); },
           std::move(ended));
}

void Diary::write(int row, const Appointment &appointment)
{
    waitForSave();
    try {
        m_held.write({row, {}, {appointment.cells()}});
    } catch (const StoreError &) {
        try {
            for (int col = kDateColumn; col <= kTextColumn; ++col)
                m_book.setCell(row, col, CellValue::empty());
        } catch (const StoreError &) {
            // The office refuses everything: nothing more can be written, nor half of it.
        }
        if (m_held.known())
            emit changed();
        throw;
    }
    emit changed();
}

void Diary::sortByDate()
{
    waitForSave();
    if (!hasAny())
        return;
    // The office's sort is stable, so equal date and time keep the order of insertion.
    sortAndFollow();
    emit changed();
}

void Diary::insertAll(const Appointments &appointments, SaveEnded ended)
{
    if (appointments.isEmpty())
        return;
    CellBlock added;
    added.reserve(appointments.size());
    for (const Appointment &a : appointments)
        added << a.cells();
    commit([&](const CellBlock &before) { return RowWrites::appended(before, added); }, std::move(ended));
}

void Diary::insertAll(const Appointments &appointments)
{
    waiting([&](SaveEnded ended) { insertAll(appointments, std::move(ended)); });
}

void Diary::exchange(const QVector<int> &going, const Appointments &coming, SaveEnded ended)
{
    if (going.isEmpty() && coming.isEmpty())
        return;
    CellBlock joining;
    for (const Appointment &a : coming)
        joining << a.cells();
    commit([&](const CellBlock &before) { return RowWrites::exchange(before, going, joining); }, std::move(ended));
}

void Diary::exchange(const QVector<int> &going, const Appointments &coming)
{
    waiting([&](SaveEnded ended) { exchange(going, coming, std::move(ended)); });
}

void Diary::replace(int row, const Appointment &appointment, SaveEnded ended)
{
    commit([&](const CellBlock &before) { return RowWrites::change(before, row, appointment.cells()); },
           std::move(ended));
}

void Diary::replace(int row, const Appointment &appointment)
{
    waiting([&](SaveEnded ended) { replace(row, appointment, std::move(ended)); });
}

void Diary::remove(int row, SaveEnded ended)
{
    commit([&](const CellBlock &before) { return RowWrites::removal(before, row); }, std::move(ended));
}

void Diary::remove(int row)
{
    waiting([&](SaveEnded ended) { remove(row, std::move(ended)); });
}

// --- Taking back -----------------------------------------------------------------------------

void Diary::undo(quint64 step, SaveEnded ended)
{
    waitForSave();
    if (m_undo.isEmpty() || m_undo.newest() != step)
        throw StoreError(StoreError::OperationFailed,
                         m_undo.isEmpty() || step == 0
                             ? QStringLiteral("Non c'è nulla da annullare")
                             : QStringLiteral("Il passo da annullare non c'è più: non è stato annullato nient'altro"));
    const UndoStep last = m_undo.last();
    commit([&](const CellBlock &before) { return RowWrites::undo(before, last); }, std::move(ended));
}

void Diary::undo()
{
    waiting([this](SaveEnded ended) { undo(m_undo.newest(), std::move(ended)); });
}

CellValue Diary::undoDate() const
{
    if (m_undo.isEmpty())
        return {};
    const UndoStep &step = m_undo.last();
    if (step.kind == UndoStep::Insertion)
        return step.inserted.size() == 1 ? step.inserted.first().value(0) : CellValue();
    return step.old.value(0);
}
