#pragma once

#include "appointment.h"

#include <QRect>
#include <QStringList>

class CalcWorkbook;

// The appointments of the open workbook and the rules about them. Every view, the insertion and
// the print job ask here; only this class and the sheet preparation know which row and column
// holds what. Store failures come through as StoreError.
//
// Adding one appointment is, in this order: EntryRules::check, freeRow(), write(), sortByDate(),
// save(). Each step can fail on its own, and the window says which one did.
class Diary
{
public:
    explicit Diary(CalcWorkbook &book) : m_book(book) {}

    CalcWorkbook &workbook() { return m_book; }

    // Whether any appointment is stored: the first data row's date cell holds something.
    bool hasAny() const;
    // Every row from the first data row to the last used one whose date cell holds something,
    // in one bulk read. Rows left empty among them by hand edits are skipped, so they never
    // hide the rows below.
    Appointments stored() const;
    // The appointments of one day, in the sheet's order.
    Appointments ofDay(const QDate &day) const;
    // Every stored appointment as a line of the full listing.
    QStringList listing() const;

    // The first row whose date cell is empty; 0 when the sheet is full.
    int freeRow() const;
    // Date, time and text into the row in one call. If that fails, the row is emptied again, so
    // no half appointment stays behind.
    void write(int row, const Appointment &appointment);
    // By date, then by time; equal ones keep their order, empty rows sink below.
    void sortByDate();
    void save();

    // The range that prints: the header row down to the last row with a date cell, so that an
    // empty row left by a hand edit does not cut the list short.
    QRect printRange() const;  // x = column, y = row, both from 1

    // After the office went away: a new office on the workbook as last saved, prepared again.
    void recover();

    // How many appointments the sheet can hold.
    static int capacity();

private:
    int lastDatedRow() const;

    CalcWorkbook &m_book;
};
