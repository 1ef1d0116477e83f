// Writing iCalendar: one VEVENT each, in the wall clock of the system's zone, whose VTIMEZONE
// goes along with the rules the events need.
#include "icalendar.h"

#include "icalendarlimits.h"

#include <QTimeZone>

#include <libical/ical.h>

namespace {

const char *kProductId = "-//Vespolari//Agenda appuntamenti//IT";

// The system zone as libical knows it, under its plain name; a system without a named zone
// writes UTC.
struct LocalZone
{
    icaltimezone *zone = nullptr;
    QByteArray tzid;
};

LocalZone localZone()
{
    QByteArray id = QTimeZone::systemTimeZoneId();
    if (id.isEmpty() || id == "UTC" || id == "Etc/Universal")
        id = "Etc/UTC";
    icaltimezone *zone = icaltimezone_get_builtin_timezone(id.constData());
    if (!zone || !icaltimezone_get_component(zone))
        zone = icaltimezone_get_builtin_timezone("Etc/UTC");
    if (!zone || !icaltimezone_get_component(zone))
        return {};
    return {zone, id};
}

icaltimetype toIcal(const QDate &date, const QTime &time, const LocalZone &local)
{
    icaltimetype t = icaltime_null_time();
    t.year = date.year();
    t.month = date.month();
    t.day = date.day();
    if (!time.isValid()) {
        t.is_date = 1;
        return t;
    }
    t.hour = time.hour();
    t.minute = time.minute();
    t.second = time.second();
    if (local.zone)
        t = icaltime_set_timezone(&t, local.zone);
    return t;
}

// The day of the first event with a time: events of the whole day name no zone.
QDate firstTimed(const QVector<CalendarEvent> &events)
{
    QDate first;
    for (const CalendarEvent &e : events) {
        if (e.time.isValid() && e.date.isValid() && (!first.isValid() || e.date < first))
            first = e.date;
    }
    return first;
}

// The zone's rules in force from the year of the first timed event on, not its whole history: a
// server stores every line of it with each event, and sends it back with every listing.
void keepRulesFrom(icalcomponent *vtimezone, const QDate &first)
{
    // From the eve of that year in UTC, so that its first hours in a zone east of Greenwich count.
    icaltimetype start = icaltime_null_time();
    start.year = first.year() - 1;
    start.month = 12;
    start.day = 31;
    start = icaltime_set_timezone(&start, icaltimezone_get_utc_timezone());
    icaltimezone_truncate_vtimezone(vtimezone, start, icaltime_null_time(), 0);
}

icalcomponent *newEvent(const CalendarEvent &event, const LocalZone &local, const icaltimetype &stamp)
{
    icalcomponent *vevent = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    icalcomponent_add_property(vevent, icalproperty_new_uid(event.uid.toUtf8().constData()));
    icalcomponent_add_property(vevent, icalproperty_new_dtstamp(stamp));
    const icaltimetype start = toIcal(event.date, event.time, local);
    icalproperty *dtstart = icalproperty_new_dtstart(start);
    if (start.is_date)
        icalproperty_add_parameter(dtstart, icalparameter_new_value(ICAL_VALUE_DATE));
    else if (local.zone)
        icalproperty_add_parameter(dtstart, icalparameter_new_tzid(local.tzid.constData()));
    icalcomponent_add_property(vevent, dtstart);
    icalcomponent_add_property(vevent, icalproperty_new_summary(event.text.toUtf8().constData()));
    return vevent;
}

QByteArray calendarText(const QVector<CalendarEvent> &events)
{
    const LocalZone local = localZone();
    ICalendarLimits::Component calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_prodid(kProductId));
    const QDate first = firstTimed(events);
    if (local.zone && first.isValid()) {
        // Under its plain name, as other programs look zones up by it.
        icalcomponent *vtimezone = icalcomponent_new_clone(icaltimezone_get_component(local.zone));
        icalproperty *tzid = icalcomponent_get_first_property(vtimezone, ICAL_TZID_PROPERTY);
        icalproperty_set_tzid(tzid, local.tzid.constData());
        keepRulesFrom(vtimezone, first);
        icalcomponent_add_component(calendar.get(), vtimezone);
    }
    const icaltimetype stamp = icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
    for (const CalendarEvent &event : events)
        icalcomponent_add_component(calendar.get(), newEvent(event, local, stamp));
    char *text = icalcomponent_as_ical_string_r(calendar.get());
    const QByteArray result(text);
    icalmemory_free_buffer(text);
    return result;
}

} // namespace

QByteArray ICalendar::write(const QVector<CalendarEvent> &events)
{
    return calendarText(events);
}

QByteArray ICalendar::writeEvent(const CalendarEvent &event)
{
    return calendarText({event});
}
