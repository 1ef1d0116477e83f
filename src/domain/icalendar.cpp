#include "icalendar.h"

#include "entryrules.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QTimeZone>

#include <libical/ical.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

struct ComponentFree
{
    void operator()(icalcomponent *c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

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
    Component calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_prodid(kProductId));
    if (local.zone) {
        // Under its plain name, as other programs look zones up by it.
        icalcomponent *vtimezone = icalcomponent_new_clone(icaltimezone_get_component(local.zone));
        icalproperty *tzid = icalcomponent_get_first_property(vtimezone, ICAL_TZID_PROPERTY);
        icalproperty_set_tzid(tzid, local.tzid.constData());
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

// The zone a property's TZID names: the file's own VTIMEZONE first, then libical's.
icaltimetype withZone(icaltimetype t, icalproperty *prop, icalcomponent *calendar)
{
    if (t.is_date || icaltime_is_utc(t))
        return t;
    icalparameter *param = icalproperty_get_first_parameter(prop, ICAL_TZID_PARAMETER);
    if (!param)
        return t;  // floating: the wall clock wherever it is read
    const char *tzid = icalparameter_get_tzid(param);
    icaltimezone *zone = icalcomponent_get_timezone(calendar, tzid);
    if (!zone)
        zone = icaltimezone_get_builtin_timezone_from_tzid(tzid);
    if (!zone)
        zone = icaltimezone_get_builtin_timezone(tzid);
    return zone ? icaltime_set_timezone(&t, zone) : t;
}

// Date and time on the system's wall clock.
std::pair<QDate, QTime> localMoment(const icaltimetype &t)
{
    if (t.is_date)
        return {QDate(t.year, t.month, t.day), QTime()};
    if (!t.zone)
        return {QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second)};
    const time_t seconds = icaltime_as_timet_with_zone(t, t.zone);
    const QDateTime local = QDateTime::fromSecsSinceEpoch(qint64(seconds)).toLocalTime();
    return {local.date(), local.time()};
}

bool sameOccurrence(const icaltimetype &a, const icaltimetype &b)
{
    if (a.is_date || b.is_date)
        return a.year == b.year && a.month == b.month && a.day == b.day;
    return icaltime_compare(a, b) == 0;
}

QString eventText(icalcomponent *vevent)
{
    QString text = QString::fromUtf8(icalcomponent_get_summary(vevent));
    const QString location = QString::fromUtf8(icalcomponent_get_location(vevent));
    if (!location.isEmpty())
        text += QStringLiteral(" - ") + location;
    return text;
}

struct Reader
{
    icalcomponent *calendar;
    QDate until;
    int maxOccurrences;
    ICalendar::Parsed &parsed;
    // The occurrences moved or cancelled by an event of their own, per series.
    QHash<QString, std::vector<icaltimetype>> overridden;

    void readEvent(icalcomponent *vevent);
    std::vector<icaltimetype> occurrences(icalcomponent *vevent, const icaltimetype &start, const QString &uid);
};

std::vector<icaltimetype> Reader::occurrences(icalcomponent *vevent, const icaltimetype &start, const QString &uid)
{
    std::vector<icaltimetype> found{start};
    const auto pastEnd = [this](const icaltimetype &t) { return localMoment(t).first > until; };
    bool cut = false;
    for (icalproperty *p = icalcomponent_get_first_property(vevent, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(vevent, ICAL_RRULE_PROPERTY)) {
        icalrecur_iterator *it = icalrecur_iterator_new(icalproperty_get_rrule(p), start);
        if (!it)
            continue;
        int count = 0;
        for (icaltimetype t = icalrecur_iterator_next(it); !icaltime_is_null_time(t); t = icalrecur_iterator_next(it)) {
            if (pastEnd(t))
                break;
            if (++count > maxOccurrences) {
                cut = true;
                break;
            }
            found.push_back(t);
        }
        icalrecur_iterator_free(it);
    }
    for (icalproperty *p = icalcomponent_get_first_property(vevent, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(vevent, ICAL_RDATE_PROPERTY)) {
        const icaldatetimeperiodtype rdate = icalproperty_get_rdate(p);
        icaltimetype t = icaltime_is_null_time(rdate.time) ? rdate.period.start : rdate.time;
        t = withZone(t, p, calendar);
        if (!icaltime_is_null_time(t) && !pastEnd(t))
            found.push_back(t);
    }
    std::vector<icaltimetype> excluded = overridden.value(uid);
    for (icalproperty *p = icalcomponent_get_first_property(vevent, ICAL_EXDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(vevent, ICAL_EXDATE_PROPERTY))
        excluded.push_back(withZone(icalproperty_get_exdate(p), p, calendar));
    found.erase(std::remove_if(found.begin(), found.end(),
                               [&](const icaltimetype &t) {
                                   return std::any_of(excluded.begin(), excluded.end(),
                                                      [&](const icaltimetype &x) { return sameOccurrence(t, x); });
                               }),
                found.end());
    std::sort(found.begin(), found.end(), [](const icaltimetype &a, const icaltimetype &b) { return icaltime_compare(a, b) < 0; });
    found.erase(std::unique(found.begin(), found.end(), sameOccurrence), found.end());
    if (int(found.size()) > maxOccurrences) {
        found.resize(size_t(maxOccurrences));
        cut = true;
    }
    if (cut)
        ++parsed.cutSeries;
    return found;
}

void Reader::readEvent(icalcomponent *vevent)
{
    if (icalcomponent_get_status(vevent) == ICAL_STATUS_CANCELLED) {
        ++parsed.cancelled;
        return;
    }
    icalproperty *dtstart = icalcomponent_get_first_property(vevent, ICAL_DTSTART_PROPERTY);
    const icaltimetype start = dtstart ? withZone(icalproperty_get_dtstart(dtstart), dtstart, calendar) : icaltime_null_time();
    if (icaltime_is_null_time(start) || !icaltime_is_valid_time(start)) {
        ++parsed.withoutStart;
        return;
    }
    const QString uid = QString::fromUtf8(icalcomponent_get_uid(vevent));
    const QString text = eventText(vevent);
    const bool isOverride = icalcomponent_get_first_property(vevent, ICAL_RECURRENCEID_PROPERTY) != nullptr;
    const bool series = isOverride || icalcomponent_get_first_property(vevent, ICAL_RRULE_PROPERTY)
                        || icalcomponent_get_first_property(vevent, ICAL_RDATE_PROPERTY);
    const std::vector<icaltimetype> moments = isOverride ? std::vector<icaltimetype>{start} : occurrences(vevent, start, uid);
    for (const icaltimetype &t : moments) {
        const auto [date, time] = localMoment(t);
        parsed.events.append({uid, date, time, text, series});
    }
}

QString textCells(const CellValue &cell)
{
    if (cell.isNumeric())
        return QString::number(cell.number, 'g', 17);
    return cell.isEmpty() ? QString() : cell.text;
}

// What a row holds, as bytes: identical rows give identical keys. Cheap enough for 65,000 rows.
void appendCell(QByteArray &key, const CellValue &cell)
{
    if (cell.isNumeric()) {
        key += 'n';
        key.append(reinterpret_cast<const char *>(&cell.number), sizeof cell.number);
    } else if (cell.isEmpty()) {
        key += 'e';
    } else {
        const QByteArray text = cell.text.toUtf8();
        const qint32 size = qint32(text.size());
        key += 't';
        key.append(reinterpret_cast<const char *>(&size), sizeof size);
        key += text;
    }
}

QByteArray rowKey(const Appointment &a)
{
    QByteArray key;
    key.reserve(32 + a.text.text.size() * 2);
    appendCell(key, a.date);
    appendCell(key, a.time);
    appendCell(key, a.text);
    return key;
}

QString uidOf(QByteArray key, int place)
{
    key.append(reinterpret_cast<const char *>(&place), sizeof place);
    return QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex())
           + QStringLiteral("@vespolari");
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

ICalendar::Parsed ICalendar::read(const QByteArray &data, const QDate &expandUntil, int maxOccurrences)
{
    Parsed parsed;
    parsed.error = QStringLiteral("Il file non contiene un calendario iCalendar.");
    if (!data.trimmed().startsWith("BEGIN:VCALENDAR") && !data.contains("\nBEGIN:VCALENDAR"))
        return parsed;
    Component root(icalparser_parse_string(data.constData()));
    icalerror_clear_errno();
    if (!root)
        return parsed;
    std::vector<icalcomponent *> calendars;
    if (icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT) {
        calendars.push_back(root.get());
    } else {
        for (icalcomponent *c = icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT); c;
             c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT))
            calendars.push_back(c);
    }
    if (calendars.empty())
        return parsed;
    parsed.isCalendar = true;
    parsed.error.clear();
    for (icalcomponent *calendar : calendars) {
        Reader reader{calendar, expandUntil, maxOccurrences, parsed, {}};
        std::vector<icalcomponent *> events;
        for (icalcomponent *e = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); e;
             e = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
            events.push_back(e);
            icalproperty *rid = icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY);
            if (rid)
                reader.overridden[QString::fromUtf8(icalcomponent_get_uid(e))].push_back(
                    withZone(icalproperty_get_recurrenceid(rid), rid, calendar));
        }
        for (icalcomponent *e : events)
            reader.readEvent(e);
    }
    return parsed;
}

QString ICalendar::uidFor(const Appointment &appointment, int placeAmongIdentical)
{
    return uidOf(rowKey(appointment), placeAmongIdentical);
}

std::optional<CalendarEvent> ICalendar::toEvent(const Appointment &appointment, int placeAmongIdentical)
{
    const QDate date = appointment.date.toDate();
    if (!date.isValid())
        return std::nullopt;
    return CalendarEvent{uidFor(appointment, placeAmongIdentical), date, appointment.time.toTime(),
                         textCells(appointment.text)};
}

QVector<CalendarEvent> ICalendar::toEvents(const Appointments &appointments)
{
    QVector<CalendarEvent> events;
    events.reserve(appointments.size());
    QHash<QByteArray, int> seen;
    seen.reserve(appointments.size());
    for (const Appointment &a : appointments) {
        const QDate date = a.date.toDate();
        QByteArray key = rowKey(a);
        int &place = seen[key];
        if (date.isValid())
            events.append({uidOf(std::move(key), place), date, a.time.toTime(), textCells(a.text)});
        ++place;
    }
    return events;
}

Appointment ICalendar::toAppointment(const CalendarEvent &event)
{
    QString text = event.text;
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control || c.isNonCharacter())
            c = QLatin1Char(' ');
    }
    if (text.size() > EntryRules::kCellLimit) {
        int end = EntryRules::kCellLimit;
        if (text.at(end - 1).isHighSurrogate())
            --end;
        text.truncate(end);
    }
    if (!QStringView(text).isValidUtf16())
        text = QString::fromUtf8(text.toUtf8());  // a lone surrogate becomes the replacement mark
    return {0, CellValue::fromDate(event.date),
            event.time.isValid() ? CellValue::fromTime(event.time) : CellValue::empty(),
            CellValue::fromText(text)};
}

bool ICalendar::isTooLong(const CalendarEvent &event)
{
    return event.text.size() > EntryRules::kCellLimit;
}
