#pragma once

#include "appointment.h"

#include <QDateTime>
#include <QSet>
#include <QString>
#include <QVector>

// One appointment to announce: when it starts and what it says.
struct Reminder
{
    QDateTime start;
    QString text;

    // "Appuntamento alle 09.30": the time as the diary writes it.
    QString summary() const;
};

// Which stored appointments to announce, a number of minutes before each starts. A pure rule on
// the rows held: the caller brings the clock, so a suspended machine or a clock set back changes
// nothing but what "now" is.
//
// What has been announced is remembered by start and text, not by row: rows move with every
// sort, and an appointment must not be announced again because another one was written.
class ReminderSchedule
{
public:
    struct Plan
    {
        QVector<Reminder> due;  // to announce now, in order of start
        QDateTime next;         // when the next one falls due; invalid when none will
    };

    // What falls due at `now`: appointments with a date and a time that start within the lead
    // time and have not started more than a minute ago, not yet announced. They count as
    // announced from here on.
    Plan take(const Appointments &rows, const QDateTime &now, int leadMinutes);
    // The same without remembering anything.
    Plan peek(const Appointments &rows, const QDateTime &now, int leadMinutes) const;

private:
    QSet<QPair<qint64, QString>> m_announced;
};
