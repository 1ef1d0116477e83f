#pragma once

#include "store/cellvalue.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <QVector>

// One stored appointment: a row of the first sheet and what its date, time and text cells hold.
// The diary writes a date, a time of day and a text; a hand edit in the spreadsheet can leave
// any kind of value in any of the three, and nothing here fails on that.
struct Appointment
{
    int row = 0;  // on the sheet, from 1
    CellValue date;
    CellValue time;
    CellValue text;

    // What the diary itself writes for a typed appointment.
    static Appointment typed(const QDate &day, const QTime &time, const QString &text);

    // A date value on that calendar day, with or without a time of day (a hand edit); never a text.
    bool isOn(const QDate &day) const;
    CellRow cells() const { return {date, time, text}; }
};

using Appointments = QVector<Appointment>;

// The stored order: by date, then by time; equal ones keep their order. Values before texts,
// as the office sorts them, and empty cells last.
bool storedBefore(const Appointment &a, const Appointment &b);
