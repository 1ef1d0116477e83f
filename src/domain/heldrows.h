#pragma once

#include "appointment.h"
#include "sheetrows.h"

class CalcWorkbook;

// The appointments' rows as the open workbook holds them, and as the disk does. They are read
// from the office in one bulk read, then kept up to date by every write made through here, so
// reads answer from memory; anything written to the workbook some other way is noticed by its
// content version and read again. When the office goes away they outlive it: they are the rows
// meant, which the recovery writes again.
class HeldRows
{
public:
    explicit HeldRows(CalcWorkbook &book);

    // The rows, read again when the workbook changed behind them. Throws when the office went
    // away, as a read would, so that the user is told and a new office is started.
    const CellBlock &current() const;
    // As last known, whatever the office did since: what answers while the office is lent.
    const CellBlock &held() const { return m_rows; }
    const Appointments &appointments() const { return m_stored; }
    // held() is what the open workbook holds...
    bool known() const { return m_known; }
    // Nothing else wrote to the workbook since the rows were last seen there...
    bool untouched() const;
    // ...and they are what it holds.
    bool inStep() const { return m_known && untouched(); }

    // Every row from the first data row to the last used one, in one read.
    CellBlock read() const;
    void reload();
    // The copy now matches the workbook, which holds these rows.
    void adopt(const CellBlock &rows);
    // These are the rows meant, the office's workbook aside.
    void mean(const CellBlock &rows);
    // The workbook's version seen now, and whether the copy is still what it holds.
    void follow();
    void forget() { m_known = false; }

    // Written from that row on in one call, the dates with the date format; the copy is not touched.
    void writeRows(int firstRow, const CellBlock &cells);
    // The edit written in one call, and the copy following it.
    void write(const SheetRows::RowEdit &edit);
    // The copy following an edit the office made in its own way.
    void written(const SheetRows::RowEdit &edit);
    // After a failed write: the workbook's rows made these again, if the office is still there;
    // otherwise these are the rows meant.
    void restore(const CellBlock &wanted);

    // The disk: what the start read or the last save wrote, and the newest undo step in it.
    const CellBlock &onDisk() const { return m_onDisk; }
    bool diskRead() const { return m_diskRead; }
    quint64 savedStep() const { return m_savedStep; }
    void saved(const CellBlock &rows, quint64 newestStep);
    // Read back from disk after the office went away; its undo steps stand as they were.
    void reopened(const CellBlock &rows);
    // Held, and not written again after the office went away: only the user can.
    void lost(const Appointments &appointments) { m_lost << appointments; }
    // Held but not on disk.
    Appointments unsaved() const;
    bool differsFromDisk() const;

    // The sheet row of the first of these rows without a date, or the one below them all.
    static int firstUndated(const CellBlock &rows);

private:
    CalcWorkbook &m_book;
    mutable CellBlock m_rows;
    mutable Appointments m_stored;
    mutable quint64 m_version = 0;
    mutable bool m_known = false;
    mutable CellBlock m_onDisk;
    mutable bool m_diskRead = false;
    quint64 m_savedStep = 0;
    Appointments m_lost;
};
