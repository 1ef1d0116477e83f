#include "diary.h"

#include "appointmenttext.h"
#include "sheetrows.h"

#include <QSet>

#include "regional/regional.h"
#include "store/calcworkbook.h"
#include "store/rescuecopy.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"
#include "store/storeliterals.h"

using namespace SheetLayout;

Diary::Diary(CalcWorkbook &book, QObject *parent) : QObject(parent), m_book(book) {}

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
    m_stored = SheetRows::appointments(m_rows, kFirstDataRow);
    m_listingKnown = false;
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

QStringList Diary::listing() const
{
    rows();
    // Built once for the rows as they stand: ticking the box again costs only the list itself.
    const QLocale locale = Regional::locale();
    if (!m_listingKnown || m_listingLocale != locale) {
        m_listingLocale = locale;
        m_listing.clear();
        m_listing.reserve(m_stored.size());
        AppointmentText text;
        for (const Appointment &a : qAsConst(m_stored))
            m_listing << text.listingLine(a);
        m_listingKnown = true;
    }
    return m_listing;
}

int Diary::freeRow() const
{
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

void Diary::save()
{
    m_book.save();
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
    m_book.runDeferred();
}

void Diary::handOver()
{
    m_book.handOver();
}

void Diary::close()
{
    m_book.close();
}

void Diary::quitOffice()
{
    m_book.quit();
}

QString Diary::storeRescueCopy() const
{
    return RescueCopy::store(m_book, kPassword);
}

SheetPrinting &Diary::printing()
{
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

void Diary::replace(int row, const Appointment &appointment)
{
    announcing([&] { replaceOne(row, appointment); });
}

void Diary::replaceOne(int row, const Appointment &appointment)
{
    requireAppointment(row);
    const CellBlock before = m_rows;
    const CellRow old = SheetRows::rowAt(before, kFirstDataRow, row);
    try {
        writeRow(row, appointment.cells());
        sortAndFollow();
        m_book.save();
    } catch (const StoreError &) {
        restore(before);
        throw;
    }
    const SheetRows::RowEdit edit = SheetRows::difference(before, m_rows, kFirstDataRow);
    if (!edit.isEmpty())
        m_undo.push({UndoStep::Change, edit, old, appointment.cells(), {}});
}

void Diary::remove(int row)
{
    announcing([&] { removeOne(row); });
}

void Diary::removeOne(int row)
{
    requireAppointment(row);
    const CellBlock before = m_rows;
    const SheetRows::RowEdit edit = SheetRows::removal(before, kFirstDataRow, row);
    try {
        m_book.writeBlock(edit.firstRow, kDateColumn, edit.after);
        CellBlock updated = before;
        SheetRows::apply(updated, kFirstDataRow, edit);
        adopt(updated);
        m_book.save();
    } catch (const StoreError &) {
        restore(before);
        throw;
    }
    m_undo.push({UndoStep::Removal, edit, edit.before.first(), {}, {}});
}

void Diary::undo()
{
    if (m_undo.isEmpty())
        throw StoreError(StoreError::OperationFailed, QStringLiteral("Non c'è nulla da annullare"));
    announcing([this] { undoLast(); });
}

void Diary::undoLast()
{
    const UndoStep step = m_undo.last();
    const CellBlock before = rows();
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
            m_book.writeBlock(back.firstRow, kDateColumn, back.after);
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
            sortAndFollow();
        }
        m_book.save();
    } catch (const StoreError &) {
        restore(before);
        throw;
    }
    m_undo.dropLast();
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
