#include "heldrows.h"

#include "store/calcworkbook.h"
#include "store/sheetlayout.h"
#include "store/storeerror.h"
#include "store/storeliterals.h"

using namespace SheetLayout;

HeldRows::HeldRows(CalcWorkbook &book) : m_book(book) {}

CellBlock HeldRows::read() const
{
    CellBlock block;
    const int last = qMin(m_book.lastUsedRow(), kLastRow);
    if (last >= kFirstDataRow)
        block = m_book.readBlock(kFirstDataRow, kDateColumn, last, kTextColumn);
    // Trailing rows without anything in A to C (a column further right was used) are not kept.
    SheetRows::apply(block, kFirstDataRow, {});
    return block;
}

void HeldRows::reload()
{
    adopt(read());
    if (!m_diskRead) {
        m_onDisk = m_rows;
        m_diskRead = true;
    }
}

const CellBlock &HeldRows::current() const
{
    // The copy answers for an office that is there: one that went away is noticed at once.
    if (!m_book.officeAlive())
        throw StoreError(StoreError::OfficeGone, StoreLiterals::kOfficeGone);
    if (!inStep())
        const_cast<HeldRows *>(this)->reload();
    return m_rows;
}

bool HeldRows::untouched() const
{
    return m_version == m_book.contentVersion();
}

void HeldRows::mean(const CellBlock &rows)
{
    m_rows = rows;
    // The old ones go first, their room with them (clear() would keep it), so that two lists of
    // every appointment are never held at once.
    Appointments().swap(m_stored);
    m_stored = SheetRows::appointments(m_rows, kFirstDataRow);
}

void HeldRows::adopt(const CellBlock &rows)
{
    mean(rows);
    m_version = m_book.contentVersion();
    m_known = true;
}

void HeldRows::follow()
{
    m_version = m_book.contentVersion();
}

void HeldRows::writeRows(int firstRow, const CellBlock &cells)
{
    if (cells.isEmpty())
        return;
    // The format first: a date written into an unformatted cell would be saved as a bare number.
    m_book.setNumberFormat(firstRow, kDateColumn, firstRow + int(cells.size()) - 1, kDateColumn, kDateFormat);
    m_book.writeBlock(firstRow, kDateColumn, cells);
}

void HeldRows::write(const SheetRows::RowEdit &edit)
{
    current();
    writeRows(edit.firstRow, edit.after);
    written(edit);
}

void HeldRows::written(const SheetRows::RowEdit &edit)
{
    CellBlock updated = m_rows;
    SheetRows::apply(updated, kFirstDataRow, edit);
    adopt(updated);
}

void HeldRows::restore(const CellBlock &wanted)
{
    try {
        if (!m_book.officeAlive()) {
            // The open workbook went with the office; the recovery writes these again.
            mean(wanted);
            follow();
            m_known = false;
            return;
        }
        const SheetRows::RowEdit back = SheetRows::difference(read(), wanted, kFirstDataRow);
        writeRows(back.firstRow, back.after);
        adopt(wanted);
    } catch (const StoreError &) {
        mean(wanted);
        m_known = false;
    }
}

void HeldRows::saved(const CellBlock &rows, quint64 newestStep)
{
    m_onDisk = rows;
    m_savedStep = newestStep;
}

void HeldRows::reopened(const CellBlock &rows)
{
    m_onDisk = rows;
    m_diskRead = true;
    adopt(rows);
}

Appointments HeldRows::unsaved() const
{
    Appointments missing = SheetRows::appointments(SheetRows::missingFrom(m_onDisk, m_rows), 0);
    return missing << m_lost;
}

bool HeldRows::differsFromDisk() const
{
    return m_rows.constData() != m_onDisk.constData() && !SheetRows::difference(m_onDisk, m_rows, 0).isEmpty();
}

int HeldRows::firstUndated(const CellBlock &rows)
{
    for (int i = 0; i < rows.size(); ++i) {
        if (rows[i].value(kDateColumn - 1).isEmpty())
            return kFirstDataRow + i;
    }
    return kFirstDataRow + int(rows.size());
}
