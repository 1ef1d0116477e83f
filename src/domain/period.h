#pragma once

#include "appointment.h"

#include <QDate>
#include <QString>
#include <optional>

// Days from one to another, both included, and where their appointments lie on the sheet.
struct Period
{
    QDate from;
    QDate to;

    static Period day(const QDate &day) { return {day, day}; }
    // Monday to Sunday.
    static Period week(const QDate &day);
    static Period month(const QDate &day);

    bool isValid() const { return from.isValid() && to.isValid() && from <= to; }

    struct Rows
    {
        int first;
        int last;  // sheet rows, from 1
        int count; // appointments between them
    };
    // The rows of the stored appointments on its days. The sheet is sorted by date, so they are
    // one block; nothing when no appointment falls in it.
    std::optional<Rows> rowsIn(const Appointments &stored) const;

    // "Nessun appuntamento dal <date> al <date>"
    QString emptyMessage() const;
    // "dal DD-MM-YYYY al DD-MM-YYYY", as a file name carries it.
    QString fileNamePart() const;
};
