#include "diary.h"

#include "sheetrows.h"

#include <QSet>

#include "store/calcworkbook.h"
#include "store/rescuecopy.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"
#include "store/storeliterals.h"

using namespace SheetLayout;

struct Diary::SaveOutcome
{
    bool sorted = true;  // false: the office's order is not the one the rows held follow
};

struct Diary::PendingSave
{
    quint64 serial = 0;
    bool saves = true;     // false: work that leaves the disk as it is
    CellBlock rows;        // what the save writes
    quint64 newestStep = 0;
    std::shared_ptr<SaveOutcome> outcome;
    SaveEnded ended;
};

Diary::Diary(CalcWorkbook &book, QObject *parent) : QObject(parent), m_book(book)
{
    // Whoever else reaches the office while a save is out collects it first, as we would.
    m_book.setCollector([this] { settle(); });
}

Diary::~Diary()
{
    settle();
    m_book.setCollector({});
}

// --- The saves in the background -------------------------------------------------------------

void Diary::lend(const std::function<void(SaveOutcome &)> &work, bool saves, SaveEnded ended)
{
    // One out at a time, each collected as its own.
    settle();
    auto pending = std::make_unique<PendingSave>();
    const quint64 serial = pending->serial = ++m_saves;
    pending->saves = saves;
    pending->rows = m_rows;
    pending->newestStep = m_undo.newest();
    pending->outcome = std::make_shared<SaveOutcome>();
    pending->ended = std::move(ended);
    const std::shared_ptr<SaveOutcome> outcome = pending->outcome;
    m_book.startBackground([this, work, outcome, serial] {
        // Told as soon as it ends, whoever is waiting or not; a save collected meanwhile by a call
        // that waited for it must not make this wait for the next one.
        struct Tell
        {
            Diary *diary;
            quint64 serial;
            ~Tell()
            {
                QMetaObject::invokeMethod(
                    diary,
                    [diary = diary, serial = serial] {
                        if (diary->m_pending && diary->m_pending->serial == serial)
                            diary->waitForSave();
                    },
                    Qt::QueuedConnection);
            }
        } tell{this, serial};
        work(*outcome);
    });
    m_pending = std::move(pending);
}

void Diary::saveInBackground(Reorder reorder, SaveEnded ended)
{
    const auto work = [this, reorder](SaveOutcome &outcome) {
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
    lend(work, true, std::move(ended));
}

void Diary::settle()
{
    if (!m_pending)
        return;
    const std::unique_ptr<PendingSave> pending = std::move(m_pending);
    std::optional<StoreError> failure;
    try {
        m_book.finishBackground();
    } catch (const StoreError &e) {
        failure = e;
    }
    if (!m_book.officeAlive()) {
        // The rows held outlive the open workbook: the recovery writes them again.
        m_version = m_book.contentVersion();
        m_known = false;
    } else if (!pending->outcome->sorted) {
        try {
            reload();
        } catch (const StoreError &) {
            m_known = false;
        }
        emit changed();
    } else {
        m_version = m_book.contentVersion();
    }
    if (!failure && pending->saves) {
        m_onDisk = pending->outcome->sorted || !m_known ? pending->rows : m_rows;
        m_savedStep = pending->newestStep;
    }
    if (pending->ended) {
        m_news << [ended = pending->ended, failure] { ended(failure); };
        if (!m_newsPosted) {
            // Told at the next wait, or from the event loop: never in the middle of an office call.
            m_newsPosted = true;
            QMetaObject::invokeMethod(this, &Diary::tellNews, Qt::QueuedConnection);
        }
    }
}

void Diary::tellNews()
{
    m_newsPosted = false;
    while (!m_news.isEmpty())
        m_news.takeFirst()();
}

void Diary::waitForSave()
{
    settle();
    tellNews();
}

void Diary::waiting(const std::function<void(SaveEnded)> &start)
{
    std::optional<StoreError> failure;
    start([&failure](const std::optional<StoreError> &e) { failure = e; });
    waitForSave();
    if (failure)
        throw *failure;
}

// --- The rows held ---------------------------------------------------------------------------

CellBlock Diary::readRows() const
{
    CellBlock block;
    const int last = qMin(m_book.lastUsedRow(), kLastRow);
    if (last >= kFirstDataRow)
        block = m_book.readBlock(kFirstDataRow, kDateColumn, last, kTextColumn);
    // Trailing rows without anything in A to C (a column further right was used) are not kept.
    SheetRows::apply(block, kFirstDataRow, {});
    return block;
}

void Diary::reload()
{
    adopt(readRows());
    if (!m_diskRead) {
        m_onDisk = m_rows;
        m_diskRead = true;
    }
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

void Diary::mean(const CellBlock &rows) const
{
    m_rows = rows;
    // The old ones go first, their room with them (clear() would keep it), so that two lists of
    // every appointment are never held at once.
    Appointments().swap(m_stored);
    m_stored = SheetRows::appointments(m_rows, kFirstDataRow);
}

void Diary::adopt(const CellBlock &rows) const
{
    mean(rows);
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

Appointments Diary::settled()
{
    waitForSave();
    return stored();
}

Appointments Diary::saved() const
{
    rows();
    return SheetRows::appointments(m_onDisk, kFirstDataRow);
}

Appointments Diary::unsaved() const
{
    Appointments missing = SheetRows::appointments(SheetRows::missingFrom(m_onDisk, m_rows), 0);
    return missing << m_lost;
}

bool Diary::hasUnsavedWrites() const
{
    if (m_pending || !m_known)
        return true;
    return m_rows.constData() != m_onDisk.constData() && !SheetRows::difference(m_onDisk, m_rows, 0).isEmpty();
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

int Diary::lastDatedRow() const
{
    rows();
    return m_stored.isEmpty() ? kFirstDataRow : m_stored.last().row;
}

QRect Diary::printRange() const
{
    return QRect(QPoint(kDateColumn, kHeaderRow), QPoint(kTextColumn, lastDatedRow()));
}

int Diary::freeRows() const
{
    return kLastRow - (kFirstDataRow + int(rows().size())) + 1;
}

int Diary::capacity()
{
    return kLastRow - kFirstDataRow + 1;
}

// --- Writing ---------------------------------------------------------------------------------

void Diary::commit(const std::function<bool(const CellBlock &before)> &write, const std::function<void()> &record,
                   SaveEnded ended)
{
    waitForSave();
    const CellBlock before = rows();
    Reorder reorder;
    try {
        if (write(before))
            reorder = sortHeld();
        // Gone under the write, before its save could begin: the write goes with it, for the user
        // to make again.
        if (!m_book.officeAlive())
            throw StoreError(StoreError::OfficeGone, StoreLiterals::kOfficeGone);
    } catch (const StoreError &) {
        restore(before);
        // Rows put back are announced too; an office gone with them is announced by the recovery.
        if (m_known)
            emit changed();
        throw;
    }
    if (record)
        record();
    emit changed();
    saveInBackground(reorder, std::move(ended));
}

void Diary::writeRows(int firstRow, const CellBlock &cells)
{
    if (cells.isEmpty())
        return;
    // The format first: a date written into an unformatted cell would be saved as a bare number.
    m_book.setNumberFormat(firstRow, kDateColumn, firstRow + int(cells.size()) - 1, kDateColumn, kDateFormat);
    m_book.writeBlock(firstRow, kDateColumn, cells);
}

void Diary::writeRow(int row, const CellRow &cells)
{
    CellBlock updated = rows();
    writeRows(row, {cells});
    SheetRows::apply(updated, kFirstDataRow, {row, {}, {cells}});
    adopt(updated);
}

void Diary::insert(int row, const Appointment &appointment, SaveEnded ended)
{
    commit(
        [&](const CellBlock &) {
            writeRow(row, appointment.cells());
            return true;
        },
        [&] { m_undo.push({UndoStep::Insertion, {}, {}, {}, CellBlock{appointment.cells()}}); }, std::move(ended));
}

void Diary::write(int row, const Appointment &appointment)
{
    waitForSave();
    try {
        writeRow(row, appointment.cells());
    } catch (const StoreError &) {
        try {
            for (int col = kDateColumn; col <= kTextColumn; ++col)
                m_book.setCell(row, col, CellValue::empty());
        } catch (const StoreError &) {
            // The office refuses everything: nothing more can be written, nor half of it.
        }
        if (m_known)
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
    if (!m_book.officeAlive())
        throw StoreError(StoreError::OfficeGone, StoreLiterals::kOfficeGone);
    m_book.save();
    if (m_known) {
        m_onDisk = m_rows;
        m_savedStep = m_undo.newest();
    }
}

void Diary::saveAtExit()
{
    settle();
    // The run ends: what the saves collected would say is said by this save, or its failure.
    m_news.clear();
    if (!m_book.officeAlive()) {
        const Recovery recovery = recover();
        if (recovery.notSaved)
            throw *recovery.notSaved;
        if (!recovery.lost.isEmpty())
            throw StoreError(StoreError::CannotSave,
                             QStringLiteral("Il foglio di calcolo si è chiuso prima di salvare tutti gli appuntamenti"));
        if (!recovery.rewritten.isEmpty())
            return;
    }
    save();
}

void Diary::insertAll(const Appointments &appointments, SaveEnded ended)
{
    if (appointments.isEmpty())
        return;
    waitForSave();
    requireRoom(freeRows(), int(appointments.size()));
    CellBlock added;
    added.reserve(appointments.size());
    for (const Appointment &a : appointments)
        added << a.cells();
    commit(
        [&](const CellBlock &before) {
            const int first = kFirstDataRow + int(before.size());
            writeRows(first, added);
            CellBlock updated = before;
            SheetRows::apply(updated, kFirstDataRow, {first, {}, added});
            adopt(updated);
            return true;
        },
        [&] { m_undo.push({UndoStep::Insertion, {}, {}, {}, added}); }, std::move(ended));
}

void Diary::insertAll(const Appointments &appointments)
{
    waiting([&](SaveEnded ended) { insertAll(appointments, std::move(ended)); });
}

void Diary::exchange(const QVector<int> &going, const Appointments &coming, SaveEnded ended)
{
    if (going.isEmpty() && coming.isEmpty())
        return;
    waitForSave();
    for (int row : going)
        requireAppointment(row);
    const QSet<int> leaving(going.cbegin(), going.cend());
    commit(
        [&](const CellBlock &before) {
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
            writeRows(edit.firstRow, edit.after);
            CellBlock updated = before;
            SheetRows::apply(updated, kFirstDataRow, edit);
            adopt(updated);
            return true;
        },
        {}, std::move(ended));
}

void Diary::exchange(const QVector<int> &going, const Appointments &coming)
{
    waiting([&](SaveEnded ended) { exchange(going, coming, std::move(ended)); });
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

void Diary::replace(int row, const Appointment &appointment, SaveEnded ended)
{
    waitForSave();
    requireAppointment(row);
    CellBlock was;
    commit(
        [&](const CellBlock &before) {
            was = before;
            writeRow(row, appointment.cells());
            return true;
        },
        [&] {
            // The rows as they were and as the change and its sort left them: what an undo writes back.
            const SheetRows::RowEdit edit = SheetRows::difference(was, m_rows, kFirstDataRow);
            if (!edit.isEmpty())
                m_undo.push({UndoStep::Change, edit, SheetRows::rowAt(was, kFirstDataRow, row), appointment.cells(), {}});
        },
        std::move(ended));
}

void Diary::replace(int row, const Appointment &appointment)
{
    waiting([&](SaveEnded ended) { replace(row, appointment, std::move(ended)); });
}

void Diary::remove(int row, SaveEnded ended)
{
    waitForSave();
    requireAppointment(row);
    SheetRows::RowEdit edit;
    commit(
        [&](const CellBlock &before) {
            edit = SheetRows::removal(before, kFirstDataRow, row);
            // One call, not a write of every row below.
            m_book.removeRow(row, kTextColumn);
            CellBlock updated = before;
            SheetRows::apply(updated, kFirstDataRow, edit);
            adopt(updated);
            // The rows below keep their order.
            return false;
        },
        [&] { m_undo.push({UndoStep::Removal, edit, edit.before.first(), {}, {}}); }, std::move(ended));
}

void Diary::remove(int row)
{
    waiting([&](SaveEnded ended) { remove(row, std::move(ended)); });
}

void Diary::undo(quint64 step, SaveEnded ended)
{
    waitForSave();
    if (m_undo.isEmpty() || m_undo.newest() != step)
        throw StoreError(StoreError::OperationFailed,
                         m_undo.isEmpty() || step == 0
                             ? QStringLiteral("Non c'è nulla da annullare")
                             : QStringLiteral("Il passo da annullare non c'è più: non è stato annullato nient'altro"));
    const UndoStep last = m_undo.last();
    commit([&](const CellBlock &before) { return undoLast(last, before); }, [this] { m_undo.dropLast(); },
           std::move(ended));
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

void Diary::undo()
{
    waiting([this](SaveEnded ended) { undo(m_undo.newest(), std::move(ended)); });
}

bool Diary::undoLast(const UndoStep &step, const CellBlock &before)
{
    if (step.kind == UndoStep::Insertion) {
        // The rows the insertion added go, wherever the sort put them; the rest close up.
        const SheetRows::RowEdit back = SheetRows::withoutRows(before, kFirstDataRow, step.inserted);
        if (back.isEmpty())
            throw StoreError(StoreError::OperationFailed,
                             QStringLiteral("Gli appuntamenti inseriti non sono più nella cartella"));
        writeRows(back.firstRow, back.after);
        CellBlock updated = before;
        SheetRows::apply(updated, kFirstDataRow, back);
        adopt(updated);
        return false;
    }
    if (SheetRows::holdsResultOf(before, kFirstDataRow, step.edit)) {
        // Nothing moved since: the rows get back exactly what they held, in the order they had.
        const SheetRows::RowEdit back = SheetRows::reversed(step.edit);
        putBack(back, step);
        CellBlock updated = before;
        SheetRows::apply(updated, kFirstDataRow, back);
        adopt(updated);
        return false;
    }
    // An insertion moved the rows since: the appointment itself comes back, in its place by date
    // and time.
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
    return true;
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
    if (!reopened)
        writeRows(back.firstRow, back.after);
    else
        writeRows(back.firstRow, {step.old});
}

void Diary::restore(const CellBlock &wanted)
{
    try {
        if (!m_book.officeAlive()) {
            // The open workbook went with the office; the recovery writes these again.
            mean(wanted);
            m_version = m_book.contentVersion();
            m_known = false;
            return;
        }
        const CellBlock now = readRows();
        const SheetRows::RowEdit back = SheetRows::difference(now, wanted, kFirstDataRow);
        writeRows(back.firstRow, back.after);
        adopt(wanted);
    } catch (const StoreError &) {
        mean(wanted);
        m_known = false;
    }
}

// --- The office's session --------------------------------------------------------------------

Diary::Recovery Diary::recover()
{
    settle();
    const CellBlock meant = m_rows;
    // Only rows that were current when the office went: anything written to it some other way
    // since they were read is not ours to write again.
    const bool held = m_diskRead && m_version == m_book.contentVersion();
    Recovery recovery;
    m_known = false;
    m_book.recover();
    PrepareSheet(m_book);
    const CellBlock reopened = readRows();
    m_onDisk = reopened;
    m_diskRead = true;
    adopt(reopened);
    const CellBlock missing = held ? SheetRows::missingFrom(reopened, meant) : CellBlock();
    if (held && !SheetRows::difference(reopened, meant, kFirstDataRow).isEmpty()) {
        try {
            const SheetRows::RowEdit edit = SheetRows::difference(reopened, meant, kFirstDataRow);
            writeRows(edit.firstRow, edit.after);
            adopt(meant);
            recovery.rewritten = SheetRows::appointments(missing, 0);
        } catch (const StoreError &) {
            // What the disk has is what there is; the steps beyond it no longer apply.
            restore(reopened);
            recovery.lost = SheetRows::appointments(missing, 0);
            m_lost << recovery.lost;
            m_undo.dropNewerThan(m_savedStep);
        }
    }
    emit changed();
    if (m_known && m_rows.constData() != m_onDisk.constData()) {
        try {
            m_book.save();
            m_onDisk = m_rows;
            m_savedStep = m_undo.newest();
        } catch (const StoreError &e) {
            recovery.notSaved = e;
        }
    }
    return recovery;
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
    lend([this](SaveOutcome &) { m_book.runDeferred(); }, false, {});
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
