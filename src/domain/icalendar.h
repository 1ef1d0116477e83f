#pragma once

#include "appointment.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>
#include <QVector>
#include <optional>

// An appointment as a calendar program sees it.
struct CalendarEvent
{
    QString uid;
    QDate date;
    QTime time;  // invalid: an all-day event
    QString text;
    // Read from a VEVENT that repeats (its own RRULE or RDATE) or stands for one occurrence of a
    // series (a RECURRENCE-ID); never from the rules of a time zone.
    bool series = false;

    bool operator==(const CalendarEvent &o) const
    {
        return uid == o.uid && date == o.date && time == o.time && text == o.text && series == o.series;
    }
};

// iCalendar (RFC 5545) files out of and into the diary, with libical doing the format: folding,
// escaping, time zones and recurrences are its business, not ours. Times in the diary are the
// wall clock of the system's time zone.
class ICalendar
{
public:
    // What a file held, and what of it the diary cannot take, with why.
    struct Parsed
    {
        bool isCalendar = false;  // false: not iCalendar at all, nothing else holds
        QString error;            // why not, in Italian, when isCalendar is false
        QVector<CalendarEvent> events;
        int cancelled = 0;        // STATUS:CANCELLED
        int withoutStart = 0;     // a VEVENT with no DTSTART
        int invalidStart = 0;     // a DTSTART naming no real day or time of day
        int cutSeries = 0;        // series with more occurrences than allowed before expandUntil
        int notRepeated = 0;      // repeating every hour, minute or second: the start alone
        bool tooMany = false;     // more events than maxEvents: reading stopped there
    };

    static constexpr int kMaxEvents = 200000;

    // One VEVENT each, in a VCALENDAR carrying the system zone's VTIMEZONE.
    static QByteArray write(const QVector<CalendarEvent> &events);
    // One VCALENDAR with that event alone, as a calendar server takes it.
    static QByteArray writeEvent(const CalendarEvent &event);
    // Recurring events are expanded from their start up to expandUntil, at most maxOccurrences
    // each, every occurrence with the series' UID. The data may come from anywhere: the work
    // it costs is bounded, and reading stops past maxEvents events. Safe on any thread.
    static Parsed read(const QByteArray &data, const QDate &expandUntil, int maxOccurrences = 500,
                       int maxEvents = kMaxEvents);

    // The same row gives the same UID in every export: it follows from what the row holds, and
    // from its place among rows holding the same (0 for the first).
    static QString uidFor(const Appointment &appointment, int placeAmongIdentical);

    // The row as an event: nothing when its date cell holds no date. A time cell without a time
    // makes an all-day event.
    static std::optional<CalendarEvent> toEvent(const Appointment &appointment, int placeAmongIdentical);
    // Every row that has a date, each with its UID.
    static QVector<CalendarEvent> toEvents(const Appointments &appointments);
    // The event as the diary stores it: all-day with an empty time cell, line breaks and other
    // control characters as blanks, the text cut at the cell's limit. The date is not checked.
    static Appointment toAppointment(const CalendarEvent &event);
    // Whether toAppointment cuts this event's text.
    static bool isTooLong(const CalendarEvent &event);
};
