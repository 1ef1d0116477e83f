#include "diary.h"

#include "appointmenttext.h"

#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"

using namespace SheetLayout;

bool Diary::hasAny() const
{
    return !m_book.cell(kFirstDataRow, kDateColumn).isEmpty();
}

Appointments Diary::stored() const
{
    Appointments found;
    const int last = m_book.lastUsedRow();
    if (last < kFirstDataRow)
        return found;
    const CellBlock block = m_book.readBlock(kFirstDataRow, kDateColumn, last, kTextColumn);
    found.reserve(block.size());
    for (int i = 0; i < block.size(); ++i) {
        const CellRow &cells = block[i];
        const CellValue date = cells.value(kDateColumn - 1);
        if (date.isEmpty())
            continue;
        found.append({kFirstDataRow + i, date, cells.value(kTimeColumn - 1), cells.value(kTextColumn - 1)});
    }
    return found;
}

Appointments Diary::ofDay(const QDate &day) const
{
    Appointments ofThatDay;
    for (const Appointment &a : stored()) {
        if (a.isOn(day))
            ofThatDay.append(a);
    }
    return ofThatDay;
}

QStringList Diary::listing() const
{
    QStringList lines;
    AppointmentText text;
    for (const Appointment &a : stored())
        lines << text.listingLine(a);
    return lines;
}

int Diary::freeRow() const
{
    m_book.activateFirstSheet();
    return m_book.firstEmptyRow(kDateColumn, kFirstDataRow, kLastRow);
}

void Diary::write(int row, const Appointment &appointment)
{
    try {
        // The format first, then the three values in one call: a failure cannot leave half a row.
        m_book.setNumberFormat(row, kDateColumn, row, kDateColumn, kDateFormat);
        m_book.writeBlock(row, kDateColumn, {appointment.cells()});
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
    m_book.sortRows(kFirstDataRow, kLastRow, kTextColumn, {{kDateColumn, true}, {kTimeColumn, true}});
    m_book.select(kFirstDataRow, kDateColumn, kFirstDataRow, kDateColumn);
}

void Diary::save()
{
    m_book.save();
}

int Diary::lastDatedRow() const
{
    const int lastUsed = qMin(m_book.lastUsedRow(), kLastRow);
    if (lastUsed < kFirstDataRow)
        return kFirstDataRow;
    // One bulk read of column A.
    const CellBlock dates = m_book.readBlock(kFirstDataRow, kDateColumn, lastUsed, kDateColumn);
    for (int i = dates.size() - 1; i >= 0; --i) {
        if (!dates[i].value(0).isEmpty())
            return kFirstDataRow + i;
    }
    return kFirstDataRow;
}

QRect Diary::printRange() const
{
    return QRect(QPoint(kDateColumn, kHeaderRow), QPoint(kTextColumn, lastDatedRow()));
}

void Diary::recover()
{
    m_book.recover();
    PrepareSheet(m_book);
}

int Diary::capacity()
{
    return kLastRow - kFirstDataRow + 1;
}
