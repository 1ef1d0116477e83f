#include "icalendar.h"

#include "entryrules.h"
#include "icalendarlimits.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QTimeZone>

#include <libical/ical.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

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
        zone = ICalendarLimits::knownZone(tzid);
    return zone ? icaltime_set_timezone(&t, zone) : t;
}

// Date and time on the system's wall clock.
std::pair<QDate, QTime> localMoment(const icaltimetype &t)
{
    if (t.is_date)
        return {QDate(t.year, t.month, t.day), QTime()};
    const int second = qMin(t.second, 59);  // a leap second
    if (!t.zone)
        return {QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, second)};
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

// The day an occurrence falls on as written, for matching it against excluded ones.
int writtenDay(const icaltimetype &t)
{
    return (t.year * 13 + t.month) * 32 + t.day;
}

bool earlier(const icaltimetype &a, const icaltimetype &b)
{
    return icaltime_compare(a, b) < 0;
}

// Occurrences taken out of a series (EXDATE, or moved by an event of their own), found in
// logarithmic time however many a file lists: a date alone takes out every time of that day.
class Excluded
{
public:
    void add(const icaltimetype &t)
    {
        m_anyDay.insert(writtenDay(t));
        if (t.is_date)
            m_wholeDays.insert(writtenDay(t));
        else
            m_moments.push_back(t);
    }
    void seal() { std::sort(m_moments.begin(), m_moments.end(), earlier); }
    bool contains(const icaltimetype &t) const
    {
        if (t.is_date)
            return m_anyDay.contains(writtenDay(t));
        if (m_wholeDays.contains(writtenDay(t)))
            return true;
        const auto at = std::lower_bound(m_moments.begin(), m_moments.end(), t, earlier);
        return at != m_moments.end() && icaltime_compare(*at, t) == 0;
    }

private:
    QSet<int> m_anyDay;
    QSet<int> m_wholeDays;
    std::vector<icaltimetype> m_moments;
};

struct Reader
{
    icalcomponent *calendar;
    QDate until;
    int maxOccurrences;
    int maxEvents;
    ICalendar::Parsed &parsed;
    // What sparse repetitions may still walk through, in the whole reading; below zero it is
    // given up.
    qint64 &workLeft;
    // The occurrences moved or cancelled by an event of their own, per series.
    QHash<QString, std::vector<icaltimetype>> overridden;

    bool stopped() const { return workLeft < 0 || parsed.tooMany; }
    void readEvent(icalcomponent *vevent);
    std::vector<icaltimetype> occurrences(icalcomponent *vevent, const icaltimetype &start, const QString &uid);
    void expand(const icalrecurrencetype &rule, const icaltimetype &start, std::vector<icaltimetype> &found, bool &cut);
};

void Reader::expand(const icalrecurrencetype &rule, const icaltimetype &start, std::vector<icaltimetype> &found, bool &cut)
{
    icalrecur_iterator *it = icalrecur_iterator_new(rule, start);
    if (!it)
        return;
    const bool sparse = ICalendarLimits::isSparse(rule);
    icaltimetype from = start;
    int count = 0;
    for (;;) {
        const icaltimetype t = icalrecur_iterator_next(it);
        if (sparse) {
            workLeft -= ICalendarLimits::stepsBetween(rule, from, t);
            from = t;
        }
        if (icaltime_is_null_time(t) || stopped() || localMoment(t).first > until)
            break;
        if (++count > maxOccurrences) {
            cut = true;
            break;
        }
        if (ICalendarLimits::isRealMoment(t))
            found.push_back(t);
        // The events already read and this series' own count against the rows there are.
        if (parsed.events.size() + qsizetype(found.size()) > maxEvents) {
            parsed.tooMany = true;
            break;
        }
    }
    icalrecur_iterator_free(it);
}

std::vector<icaltimetype> Reader::occurrences(icalcomponent *vevent, const icaltimetype &start, const QString &uid)
{
    std::vector<icaltimetype> found{start};
    bool cut = false;
    bool notRepeated = false;
    for (icalproperty *p = icalcomponent_get_first_property(vevent, ICAL_RRULE_PROPERTY); p && !stopped();
         p = icalcomponent_get_next_property(vevent, ICAL_RRULE_PROPERTY)) {
        const icalrecurrencetype rule = icalproperty_get_rrule(p);
        if (ICalendarLimits::isExpanded(rule))
            expand(rule, start, found, cut);
        else
            notRepeated = notRepeated || rule.freq != ICAL_NO_RECURRENCE;
    }
    for (icalproperty *p = icalcomponent_get_first_property(vevent, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(vevent, ICAL_RDATE_PROPERTY)) {
        const icaldatetimeperiodtype rdate = icalproperty_get_rdate(p);
        icaltimetype t = icaltime_is_null_time(rdate.time) ? rdate.period.start : rdate.time;
        t = withZone(t, p, calendar);
        if (!icaltime_is_null_time(t) && ICalendarLimits::isRealMoment(t) && localMoment(t).first <= until)
            found.push_back(t);
    }
    Excluded excluded;
    for (const icaltimetype &t : overridden.value(uid))
        excluded.add(t);
    for (icalproperty *p = icalcomponent_get_first_property(vevent, ICAL_EXDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(vevent, ICAL_EXDATE_PROPERTY))
        excluded.add(withZone(icalproperty_get_exdate(p), p, calendar));
    excluded.seal();
    found.erase(std::remove_if(found.begin(), found.end(), [&](const icaltimetype &t) { return excluded.contains(t); }),
                found.end());
    std::sort(found.begin(), found.end(), earlier);
    found.erase(std::unique(found.begin(), found.end(), sameOccurrence), found.end());
    if (int(found.size()) > maxOccurrences) {
        found.resize(size_t(maxOccurrences));
        cut = true;
    }
    if (cut)
        ++parsed.cutSeries;
    if (notRepeated)
        ++parsed.notRepeated;
    return found;
}

// Whether the event had a start that libical could not read at all (a year of five digits):
// libical then drops the property and says so in one of its own.
bool hadUnreadableStart(icalcomponent *vevent)
{
    for (icalproperty *p = icalcomponent_get_first_property(vevent, ICAL_XLICERROR_PROPERTY); p;
         p = icalcomponent_get_next_property(vevent, ICAL_XLICERROR_PROPERTY)) {
        const char *text = icalproperty_get_xlicerror(p);
        if (text && std::strstr(text, "DTSTART"))
            return true;
    }
    return false;
}

void Reader::readEvent(icalcomponent *vevent)
{
    if (icalcomponent_get_status(vevent) == ICAL_STATUS_CANCELLED) {
        ++parsed.cancelled;
        return;
    }
    icalproperty *dtstart = icalcomponent_get_first_property(vevent, ICAL_DTSTART_PROPERTY);
    const icaltimetype start = dtstart ? withZone(icalproperty_get_dtstart(dtstart), dtstart, calendar) : icaltime_null_time();
    if (!dtstart || icaltime_is_null_time(start)) {
        ++(dtstart || hadUnreadableStart(vevent) ? parsed.invalidStart : parsed.withoutStart);
        return;
    }
    if (!ICalendarLimits::isRealMoment(start)) {
        ++parsed.invalidStart;
        return;
    }
    const QString uid = QString::fromUtf8(icalcomponent_get_uid(vevent));
    const QString text = eventText(vevent);
    const bool isOverride = icalcomponent_get_first_property(vevent, ICAL_RECURRENCEID_PROPERTY) != nullptr;
    const bool series = isOverride || icalcomponent_get_first_property(vevent, ICAL_RRULE_PROPERTY)
                        || icalcomponent_get_first_property(vevent, ICAL_RDATE_PROPERTY);
    if (parsed.events.size() >= maxEvents) {
        parsed.tooMany = true;
        return;
    }
    const std::vector<icaltimetype> moments = isOverride ? std::vector<icaltimetype>{start} : occurrences(vevent, start, uid);
    for (const icaltimetype &t : moments) {
        if (parsed.events.size() >= maxEvents) {
            parsed.tooMany = true;
            break;
        }
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

ICalendar::Parsed ICalendar::read(const QByteArray &data, const QDate &expandUntil, int maxOccurrences, int maxEvents)
{
    Parsed parsed;
    parsed.error = QStringLiteral("Il file non contiene un calendario iCalendar.");
    const QByteArray text = ICalendarLimits::prepared(data);
    const ICalendarLimits::Shape shape = ICalendarLimits::shape(text);
    if (shape == ICalendarLimits::Shape::NotCalendar)
        return parsed;
    const QString damaged = QStringLiteral("Il file è incompleto o danneggiato.");
    ICalendarLimits::Component root(shape == ICalendarLimits::Shape::Whole ? icalparser_parse_string(text.constData()) : nullptr);
    icalerror_clear_errno();
    std::vector<icalcomponent *> calendars;
    if (root && icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT) {
        calendars.push_back(root.get());
    } else if (root) {
        for (icalcomponent *c = icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT); c;
             c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT))
            calendars.push_back(c);
    }
    if (calendars.empty()) {
        parsed.error = damaged;
        return parsed;
    }
    parsed.isCalendar = true;
    parsed.error.clear();
    qint64 workLeft = ICalendarLimits::kWorkBudget;
    for (icalcomponent *calendar : calendars) {
        ICalendarLimits::dropUnboundedZones(calendar);
        Reader reader{calendar, expandUntil, maxOccurrences, maxEvents, parsed, workLeft, {}};
        std::vector<icalcomponent *> events;
        for (icalcomponent *e = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); e;
             e = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
            events.push_back(e);
            icalproperty *rid = icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY);
            if (rid)
                reader.overridden[QString::fromUtf8(icalcomponent_get_uid(e))].push_back(
                    withZone(icalproperty_get_recurrenceid(rid), rid, calendar));
        }
        for (icalcomponent *e : events) {
            if (reader.stopped())
                break;
            reader.readEvent(e);
        }
        if (workLeft < 0) {
            parsed = Parsed{};
            parsed.error = QStringLiteral("Il calendario contiene ripetizioni troppo rade per essere calcolate.");
            return parsed;
        }
        if (parsed.tooMany)
            break;
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
