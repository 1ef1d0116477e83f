#include "diary.h"

#include "sheetrows.h"

#include <QSet>
#include <future>

#include "store/calcworkbook.h"
#include "store/rescuecopy.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"
#include "store/storeliterals.h"

using namespace SheetLayout;

struct Diary::SaveOutcome
{
    bool sorted = true;  // false: the office's order is not the one the rows held follow
    std::optional<StoreError> failure;
};

struct Diary::PendingSave
{
    quint64 serial = 0;
    std::future<SaveOutcome> job;
    std::function<void()> takeBack;
    SaveEnded ended;
};

Diary::Diary(CalcWorkbook &book, QObject *parent) : QObject(parent), m_book(book) {}

Diary::~Diary()
{
    if (m_pending)
        m_pending->job.wait();
}

void Diary::saveInBackground(Reorder reorder, std::function<void()> takeBack, SaveEnded ended)
{
    const bool sortMustWork = bool(takeBack);
    const auto sort = [this] {
        m_book.sortRows(kFirstDataRow, kLastRow, kTextColumn, {{kDateColumn, true}, {kTimeColumn, true}});
    };
    inBackground(
        [this, reorder, sortMustWork, sort](SaveOutcome &outcome) {
            if (reorder.kind != Reorder::Nothing) {
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
                    if (sortMustWork)
                        throw;
                    outcome.sorted = false;
                }
            }
            m_book.save();
        },
        std::move(takeBack), std::move(ended));
}

void Diary::inBackground(std::function<void(SaveOutcome &)> work, std::function<void()> takeBack, SaveEnded ended)
{
    auto pending = std::make_unique<PendingSave>();
    const quint64 serial = pending->serial = ++m_saves;
    pending->takeBack = std::move(takeBack);
    pending->ended = std::move(ended);
    // Nothing else calls the office until waitForSave() has collected this, so the workbook
    // object is the thread's alone meanwhile.
    pending->job = std::async(std::launch::async, [this, work = std::move(work), serial] {
        SaveOutcome outcome;
        try {
            work(outcome);
        } catch (const StoreError &e) {
            outcome.failure = e;
        } catch (const std::exception &e) {
            outcome.failure = StoreError(StoreError::Unforeseen, QString::fromLocal8Bit(e.what()));
        }
        // A failure is told as soon as it happens, whoever is waiting or not; a save collected
        // meanwhile by a call that waited for it must not make this wait for the next one.
        QMetaObject::invokeMethod(
            this,
            [this, serial] {
                if (m_pending && m_pending->serial == serial)
                    waitForSave();
            },
            Qt::QueuedConnection);
        return outcome;
    });
    m_pending = std::move(pending);
}

void Diary::waitForSave()
{
    if (!m_pending)
        return;
    const std::unique_ptr<PendingSave> pending = std::move(m_pending);
    const SaveOutcome outcome = pending->job.get();
    if (outcome.failure && pending->takeBack) {
        pending->takeBack();
        emit changed();
    } else if (!m_book.officeAlive()) {
        // The open workbook went with the office; the recovery reads the last save.
        m_known = false;
    } else if (outcome.sorted) {
        m_version = m_book.contentVersion();
    } else {
        try {
            reload();
        } catch (const StoreError &) {
            m_known = false;
        }
        emit changed();
    }
    if (pending->ended)
        pending->ended(outcome.failure);
}

template <typename Start>
void Diary::waiting(Start start)
{
    std::optional<StoreError> failure;
    start([&failure](const std::optional<StoreError> &e) { failure = e; });
    waitForSave();
    if (failure)
        throw *failure;
}

template <typename Write>
void Diary::announcing(Write write)
{
    try {
        write();
    } catch (...) {
        // Rows put back are announced too; an office gone with them is announced by the recovery.
        if (m_known)
            emit changed();
        throw;
    }
    emit changed();
}

void Diary::reload()
{
    CellBlock block;
    const int last = qMin(m_book.lastUsedRow(), kLastRow);
    if (last >= kFirstDataRow)
        block = m_book.readBlock(kFirstDataRow, kDateColumn, last, kTextColumn);
    // Trailing rows without anything in A to C (a column further right was used) are not kept.
    SheetRows::apply(block, kFirstDataRow, {});
    adopt(block);
}

const CellBlock &Diary::rows() const
{
    if (m_pending) {
        // While the office saves, the rows held answer; unknown ones wait for the save.
        if (m_known)
            return m_rows;
        const_cast<Diary *>(this)->waitForSave();
    }
    // The copy answers for an office that is there: one that went away is noticed at once, as a
    // read would notice it, so the user is told and a new office is started.
    if (!m_book.officeAlive())
        throw StoreError(StoreError::OfficeGone, StoreLiterals::kOfficeGone);
    if (!m_known || m_version != m_book.contentVersion())
        const_cast<Diary *>(this)->reload();
    return m_rows;
}

void Diary::adopt(const CellBlock &rows) const
{
    m_rows = rows;
    // The old ones go first, their room with them (clear() would keep it), so that two lists of
    // every appointment are never held at once.
    Appointments().swap(m_stored);
    m_stored = SheetRows::appointments(m_rows, kFirstDataRow);
    m_version = m_book.contentVersion();
    m_known = true;
}

bool Diary::hasAny() const
{
    const CellBlock &all = rows();
    return !all.isEmpty() && !all.first().value(kDateColumn - 1).isEmpty();
}

Appointments Diary::stored() const
{
    rows();
    return m_stored;
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
    for (const Appointment &a : qAsConst(m_stored)) {
        if (a.isOn(day))
            ofThatDay.append(a);
    }
    return ofThatDay;
}

int Diary::freeRow() const
{
    const_cast<Diary *>(this)->waitForSave();
    m_book.activateFirstSheet();
    const int row = firstUndated(rows());
    return row <= kLastRow ? row : 0;
}

int Diary::firstUndated(const CellBlock &rows)
{
    for (int i = 0; i < rows.size(); ++i) {
        if (rows[i].value(kDateColumn - 1).isEmpty())
            return kFirstDataRow + i;
    }
    return kFirstDataRow + int(rows.size());
}

void Diary::write(int row, const Appointment &appointment)
{
    announcing([&] { writeOne(row, appointment); });
}

void Diary::writeOne(int row, const Appointment &appointment)
{
    waitForSave();
    CellBlock updated = rows();
    try {
        // The format first, then the three values in one call: a failure cannot leave half a row.
        m_book.setNumberFormat(row, kDateColumn, row, kDateColumn, kDateFormat);
        m_book.writeBlock(row, kDateColumn, {appointment.cells()});
        SheetRows::apply(updated, kFirstDataRow, {row, {}, {appointment.cells()}});
        adopt(updated);
    } catch (const StoreError &) {
        try {
            for (int col = kDateColumn; col <= kTextColumn; ++col)
                m_book.setCell(row, col, CellValue::empty());
        } catch (const StoreError &) {
            // The office refuses everything: nothing more can be written, nor half of it.
        }
        throw;
    }
}

void Diary::sortByDate()
{
    waitForSave();
    if (!hasAny())
        return;
    // The office's sort is stable, so equal date and time keep the order of insertion.
    announcing([this] { sortAndFollow(); });
}

void Diary::sortAndFollow()
{
    // The rows held follow the sort by its rule; a read of the sheet only when something else
    // wrote since, or the order of two texts is the office's collation to decide.
    const bool current = m_known && m_version == m_book.contentVersion();
    CellBlock sorted = m_rows;
    m_book.sortRows(kFirstDataRow, kLastRow, kTextColumn, {{kDateColumn, true}, {kTimeColumn, true}});
    m_book.select(kFirstDataRow, kDateColumn, kFirstDataRow, kDateColumn);
    if (current && SheetRows::sortByDateAndTime(sorted))
        adopt(sorted);
    else
        reload();
}

Diary::Reorder Diary::sortHeld()
{
    CellBlock sorted = m_rows;
    if (!m_known || m_version != m_book.contentVersion() || !SheetRows::sortByDateAndTime(sorted)) {
        sortAndFollow();
        return {};
    }
    const SheetRows::RowEdit edit = SheetRows::difference(m_rows, sorted, kFirstDataRow);
    adopt(sorted);
    if (edit.isEmpty())
        return {};
    // One row out of place, as after a write, is moved there rather than the whole sheet sorted.
    const std::optional<SheetRows::Move> move = SheetRows::movedRow(edit);
    if (move && qMax(move->from, move->to) < kLastRow)
        return {Reorder::MoveOne, move->from, move->to};
    return {Reorder::Sort};
}

void Diary::save()
{
    waitForSave();
    m_book.save();
}

void Diary::sortAndSave(SaveEnded ended)
{
    waitForSave();
    Reorder reorder;
    try {
        if (hasAny())
            announcing([&] { reorder = sortHeld(); });
    } catch (const StoreError &) {
        // As in the background: an unsorted block is still readable, the save matters more.
    }
    saveInBackground(reorder, {}, std::move(ended));
}

int Diary::lastDatedRow() const
{
    rows();
    return m_stored.isEmpty() ? kFirstDataRow : m_stored.last().row;
}

QRect Diary::printRange() const
{
    return QRect(QPoint(kDateColumn, kHeaderRow), QPoint(kTextColumn, lastDatedRow()));
}

void Diary::recover()
{
    waitForSave();
    announcing([this] {
        m_known = false;
        m_book.recover();
        PrepareSheet(m_book);
        reload();
    });
}

bool Diary::officeAlive() const
{
    return m_book.officeAlive();
}

QString Diary::path() const
{
    return m_book.path();
}

bool Diary::canBeShown() const
{
    return m_book.canBeShown();
}

void Diary::finishStart()
{
    waitForSave();
    // Off the window's thread too. A failure leaves the work due, and the save that runs it
    // first says what is wrong.
    inBackground([this](SaveOutcome &) { m_book.runDeferred(); }, {}, {});
}

void Diary::handOver()
{
    waitForSave();
    m_book.handOver();
}

void Diary::close()
{
    waitForSave();
    m_book.close();
}

void Diary::quitOffice()
{
    waitForSave();
    m_book.quit();
}

QString Diary::storeRescueCopy() const
{
    return RescueCopy::store(m_book, kPassword);
}

SheetPrinting &Diary::printing()
{
    waitForSave();
    return m_book;
}

int Diary::freeRows() const
{
    return kLastRow - (kFirstDataRow + int(rows().size())) + 1;
}

void Diary::insertAll(const Appointments &appointments)
{
    if (appointments.isEmpty())
        return;
    waitForSave();
    const int free = freeRows();
    requireRoom(free, int(appointments.size()));
    const CellBlock before = m_rows;
    const int first = kFirstDataRow + int(before.size());
    CellBlock added;
    added.reserve(appointments.size());
    for (const Appointment &a : appointments)
        added << a.cells();
    announcing([&] {
        try {
            m_book.setNumberFormat(first, kDateColumn, first + int(added.size()) - 1, kDateColumn, kDateFormat);
            m_book.writeBlock(first, kDateColumn, added);
            CellBlock updated = before;
            SheetRows::apply(updated, kFirstDataRow, {first, {}, added});
            adopt(updated);
            sortAndFollow();
        } catch (const StoreError &) {
            restore(before);
            throw;
        }
        // Stored in the open workbook: from here on one undo takes them back, saved or not.
        m_undo.push({UndoStep::Insertion, {}, {}, {}, added});
        m_book.save();
    });
}

void Diary::exchange(const QVector<int> &going, const Appointments &coming)
{
    if (going.isEmpty() && coming.isEmpty())
        return;
    waitForSave();
    for (int row : going)
        requireAppointment(row);
    const CellBlock before = rows();
    const QSet<int> leaving(going.cbegin(), going.cend());
    CellBlock after;
    for (int i = 0; i < before.size(); ++i)
        if (!leaving.contains(kFirstDataRow + i))
            after << before[i];
    requireRoom(capacity() - int(after.size()), int(coming.size()));
    for (const Appointment &a : coming)
        after << a.cells();
    while (after.size() < before.size())
        after << CellRow(kTextColumn - kDateColumn + 1);
    // Only the rows that differ are written, in one call.
    const SheetRows::RowEdit edit = SheetRows::difference(before, after, kFirstDataRow);
    announcing([&] {
        try {
            if (!edit.isEmpty()) {
                const int last = edit.firstRow + int(edit.after.size()) - 1;
                m_book.setNumberFormat(edit.firstRow, kDateColumn, last, kDateColumn, kDateFormat);
                m_book.writeBlock(edit.firstRow, kDateColumn, edit.after);
            }
            CellBlock updated = before;
            SheetRows::apply(updated, kFirstDataRow, edit);
            adopt(updated);
            sortAndFollow();
        } catch (const StoreError &) {
            restore(before);
            throw;
        }
        m_book.save();
    });
}

void Diary::requireRoom(int free, int needed)
{
    if (needed > free)
        throw StoreError(StoreError::OperationFailed,
                         QStringLiteral("Non c'è posto: le righe libere sono %1, ne servono %2").arg(free).arg(needed));
}

void Diary::requireAppointment(int row) const
{
    if (!at(row))
        throw StoreError(StoreError::OperationFailed,
                         QStringLiteral("La riga %1 non contiene un appuntamento").arg(row));
}

void Diary::writeRow(int row, const CellRow &cells)
{
    CellBlock updated = rows();
    m_book.setNumberFormat(row, kDateColumn, row, kDateColumn, kDateFormat);
    m_book.writeBlock(row, kDateColumn, {cells});
    SheetRows::apply(updated, kFirstDataRow, {row, {}, {cells}});
    adopt(updated);
}

void Diary::replace(int row, const Appointment &appointment, SaveEnded ended)
{
    announcing([&] { replaceOne(row, appointment, std::move(ended)); });
}

void Diary::replace(int row, const Appointment &appointment)
{
    waiting([&](SaveEnded ended) { replace(row, appointment, std::move(ended)); });
}

void Diary::replaceOne(int row, const Appointment &appointment, SaveEnded ended)
{
    waitForSave();
    requireAppointment(row);
    const CellBlock before = m_rows;
    const CellRow old = SheetRows::rowAt(before, kFirstDataRow, row);
    Reorder reorder;
    try {
        writeRow(row, appointment.cells());
        reorder = sortHeld();
    } catch (const StoreError &) {
        restore(before);
        throw;
    }
    const SheetRows::RowEdit edit = SheetRows::difference(before, m_rows, kFirstDataRow);
    const bool undoable = !edit.isEmpty();
    if (undoable)
        m_undo.push({UndoStep::Change, edit, old, appointment.cells(), {}});
    saveInBackground(
        reorder,
        [this, before, undoable] {
            restore(before);
            if (undoable)
                m_undo.dropLast();
        },
        std::move(ended));
}

void Diary::remove(int row, SaveEnded ended)
{
    announcing([&] { removeOne(row, std::move(ended)); });
}

void Diary::remove(int row)
{
    waiting([&](SaveEnded ended) { remove(row, std::move(ended)); });
}

void Diary::removeOne(int row, SaveEnded ended)
{
    waitForSave();
    requireAppointment(row);
    const CellBlock before = m_rows;
    const SheetRows::RowEdit edit = SheetRows::removal(before, kFirstDataRow, row);
    try {
        // One call, not a write of every row below.
        m_book.removeRow(row, kTextColumn);
        CellBlock updated = before;
        SheetRows::apply(updated, kFirstDataRow, edit);
        adopt(updated);
    } catch (const StoreError &) {
        restore(before);
        throw;
    }
    m_undo.push({UndoStep::Removal, edit, edit.before.first(), {}, {}});
    saveInBackground(
        {},
        [this, before] {
            restore(before);
            m_undo.dropLast();
        },
        std::move(ended));
}

void Diary::undo(SaveEnded ended)
{
    waitForSave();
    if (m_undo.isEmpty())
        throw StoreError(StoreError::OperationFailed, QStringLiteral("Non c'è nulla da annullare"));
    announcing([&] { undoLast(std::move(ended)); });
}

void Diary::undo()
{
    waiting([this](SaveEnded ended) { undo(std::move(ended)); });
}

void Diary::undoLast(SaveEnded ended)
{
    const UndoStep step = m_undo.last();
    const CellBlock before = rows();
    Reorder reorder;
    try {
        if (step.kind == UndoStep::Insertion) {
            // The rows the insertion added go, wherever the sort put them; the rest close up.
            const SheetRows::RowEdit back = SheetRows::withoutRows(before, kFirstDataRow, step.inserted);
            if (back.isEmpty())
                throw StoreError(StoreError::OperationFailed,
                                 QStringLiteral("Gli appuntamenti inseriti non sono più nella cartella"));
            m_book.writeBlock(back.firstRow, kDateColumn, back.after);
            CellBlock updated = before;
            SheetRows::apply(updated, kFirstDataRow, back);
            adopt(updated);
        } else if (SheetRows::holdsResultOf(before, kFirstDataRow, step.edit)) {
            // Nothing moved since: the rows get back exactly what they held.
            const SheetRows::RowEdit back = SheetRows::reversed(step.edit);
            putBack(back, step);
            CellBlock updated = before;
            SheetRows::apply(updated, kFirstDataRow, back);
            adopt(updated);
        } else {
            // An insertion moved the rows since: the appointment itself comes back, in its place
            // by date and time.
            int row = 0;
            if (step.kind == UndoStep::Removal) {
                row = firstUndated(before);
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
            writeRow(row, step.old);
            reorder = sortHeld();
        }
    } catch (const StoreError &) {
        restore(before);
        throw;
    }
    m_undo.dropLast();
    saveInBackground(
        reorder,
        [this, before, step] {
            restore(before);
            m_undo.push(step);
        },
        std::move(ended));
}

void Diary::putBack(const SheetRows::RowEdit &back, const UndoStep &step)
{
    bool reopened = false;
    if (step.kind == UndoStep::Removal && lastDatedRow() < kLastRow) {
        try {
            // The deleted row opened again, the rows below moving down in one call.
            m_book.insertEmptyRow(back.firstRow, kTextColumn);
            reopened = true;
        } catch (const StoreError &) {
            // Refused (the sheet's last row holds something): every row is written instead.
            if (!m_book.officeAlive())
                throw;
        }
    }
    if (!reopened) {
        m_book.writeBlock(back.firstRow, kDateColumn, back.after);
        return;
    }
    m_book.setNumberFormat(back.firstRow, kDateColumn, back.firstRow, kDateColumn, kDateFormat);
    m_book.writeBlock(back.firstRow, kDateColumn, {step.old});
}

void Diary::restore(const CellBlock &wanted)
{
    try {
        if (!m_book.officeAlive()) {
            // The open workbook went with the office; the recovery reads the saved one.
            m_known = false;
            return;
        }
        reload();
        const SheetRows::RowEdit back = SheetRows::difference(m_rows, wanted, kFirstDataRow);
        if (!back.isEmpty())
            m_book.writeBlock(back.firstRow, kDateColumn, back.after);
        adopt(wanted);
    } catch (const StoreError &) {
        m_known = false;
    }
}

int Diary::capacity()
{
    return kLastRow - kFirstDataRow + 1;
}
