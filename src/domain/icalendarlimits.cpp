#include "icalendarlimits.h"

#include <QSet>

#include <cstring>
#include <vector>

namespace ICalendarLimits {

namespace {

constexpr qsizetype kLongLine = 4096;
constexpr qsizetype kFoldEvery = 4000;
// libical's recurrences give up in this year.
constexpr int kLibraryLastYear = 2582;

bool startsWithName(const char *line, qsizetype size, const char *name)
{
    const qsizetype n = qsizetype(std::strlen(name));
    return size >= n && qstrnicmp(line, name, n) == 0;
}

// A line's bytes without its end of line or trailing blanks.
qsizetype contentSize(const char *line, qsizetype size)
{
    while (size > 0 && (line[size - 1] == '\r' || line[size - 1] == ' ' || line[size - 1] == '\t'))
        --size;
    return size;
}

template<typename Visit>
void eachLine(const QByteArray &text, Visit visit)
{
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = text.indexOf('\n', pos);
        if (end < 0)
            end = text.size();
        visit(text.constData() + pos, end - pos, end < text.size());
        pos = end + 1;
    }
}

template<size_t N>
bool has(const short (&list)[N])
{
    return list[0] != ICAL_RECURRENCE_ARRAY_MAX;
}

template<size_t N>
bool atMost(const short (&list)[N], size_t most)
{
    size_t n = 0;
    while (n < N && n <= most && list[n] != ICAL_RECURRENCE_ARRAY_MAX)
        ++n;
    return n <= most;
}

// Real zones change once or twice a year, by yearly rules or listed dates.
bool isBoundedObservance(icalcomponent *observance)
{
    for (icalproperty *p = icalcomponent_get_first_property(observance, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(observance, ICAL_RRULE_PROPERTY)) {
        const icalrecurrencetype r = icalproperty_get_rrule(p);
        if (r.freq != ICAL_YEARLY_RECURRENCE || has(r.by_second) || has(r.by_minute) || has(r.by_hour)
            || has(r.by_year_day) || has(r.by_week_no) || has(r.by_set_pos) || !atMost(r.by_month, 12)
            || !atMost(r.by_month_day, 7) || !atMost(r.by_day, 7))
            return false;
    }
    return true;
}

QDate dateOf(const icaltimetype &t)
{
    return QDate(t.year, t.month, t.day);
}

} // namespace

QByteArray prepared(const QByteArray &data)
{
    const QByteArray text = data.startsWith("\xEF\xBB\xBF") ? data.mid(3) : data;
    bool anyLong = false;
    eachLine(text, [&anyLong](const char *, qsizetype size, bool) { anyLong = anyLong || size > kLongLine; });
    if (!anyLong)
        return text;
    QByteArray folded;
    folded.reserve(text.size() + text.size() / kFoldEvery * 3 + 16);
    eachLine(text, [&folded](const char *line, qsizetype size, bool ended) {
        for (; size > kLongLine; line += kFoldEvery, size -= kFoldEvery) {
            folded.append(line, kFoldEvery);
            folded.append("\r\n ");
        }
        folded.append(line, size);
        if (ended)
            folded.append('\n');
    });
    return folded;
}

Shape shape(const QByteArray &text)
{
    bool calendar = false;
    bool broken = false;
    int depth = 0;
    eachLine(text, [&](const char *line, qsizetype size, bool) {
        size = contentSize(line, size);
        if (startsWithName(line, size, "BEGIN:")) {
            // Whatever stands before the calendar is not ours to judge.
            if (!calendar && !(size == 15 && startsWithName(line, size, "BEGIN:VCALENDAR")))
                return;
            calendar = true;
            ++depth;
        } else if (calendar && startsWithName(line, size, "END:")) {
            broken = broken || --depth < 0;
        }
    });
    if (!calendar)
        return Shape::NotCalendar;
    return depth == 0 && !broken ? Shape::Whole : Shape::Damaged;
}

void dropUnboundedZones(icalcomponent *calendar)
{
    std::vector<icalcomponent *> unbounded;
    for (icalcomponent *zone = icalcomponent_get_first_component(calendar, ICAL_VTIMEZONE_COMPONENT); zone;
         zone = icalcomponent_get_next_component(calendar, ICAL_VTIMEZONE_COMPONENT)) {
        for (icalcomponent *o = icalcomponent_get_first_component(zone, ICAL_ANY_COMPONENT); o;
             o = icalcomponent_get_next_component(zone, ICAL_ANY_COMPONENT)) {
            if (!isBoundedObservance(o)) {
                unbounded.push_back(zone);
                break;
            }
        }
    }
    for (icalcomponent *zone : unbounded) {
        icalcomponent_remove_component(calendar, zone);
        icalcomponent_free(zone);
    }
}

icaltimezone *knownZone(const char *tzid)
{
    // Read once, whichever thread asks first.
    static const QSet<QByteArray> names = [] {
        QSet<QByteArray> known;
        icalarray *zones = icaltimezone_get_builtin_timezones();
        for (size_t i = 0; zones && i < zones->num_elements; ++i)
            known.insert(icaltimezone_get_location(static_cast<icaltimezone *>(icalarray_element_at(zones, i))));
        return known;
    }();
    QByteArray name(tzid ? tzid : "");
    if (name == "UTC" || name == "Etc/UTC" || name == "GMT")
        return icaltimezone_get_utc_timezone();
    // Other programs put their own prefix before the zone's name: "/mozilla.org/.../Europe/Rome".
    for (int segments = 0; segments < 4 && !name.isEmpty(); ++segments) {
        if (names.contains(name))
            return icaltimezone_get_builtin_timezone(name.constData());
        const qsizetype slash = name.indexOf('/');
        name = slash < 0 ? QByteArray() : name.mid(slash + 1);
    }
    return nullptr;
}

bool isExpanded(const icalrecurrencetype &rule)
{
    return rule.freq >= ICAL_DAILY_RECURRENCE && rule.freq <= ICAL_YEARLY_RECURRENCE;
}

bool isSparse(const icalrecurrencetype &r)
{
    const bool coarser = has(r.by_month) || has(r.by_year_day) || has(r.by_week_no) || has(r.by_set_pos);
    switch (r.freq) {
    case ICAL_DAILY_RECURRENCE:
    case ICAL_WEEKLY_RECURRENCE:
        return coarser || has(r.by_month_day);
    case ICAL_MONTHLY_RECURRENCE:
        return coarser || (has(r.by_month_day) && has(r.by_day));
    case ICAL_YEARLY_RECURRENCE:
        return true;
    default:
        return false;
    }
}

qint64 stepsBetween(const icalrecurrencetype &rule, const icaltimetype &from, const icaltimetype &to)
{
    const QDate a = dateOf(from);
    const QDate b = icaltime_is_null_time(to) ? QDate(kLibraryLastYear, 1, 1) : dateOf(to);
    const qint64 days = a.isValid() && b.isValid() ? qMax<qint64>(1, a.daysTo(b)) : kWorkBudget;
    return rule.freq == ICAL_YEARLY_RECURRENCE ? qMax<qint64>(1, days / 365) : days;
}

bool isRealMoment(const icaltimetype &t)
{
    if (t.year > 9999 || !QDate::isValid(t.year, t.month, t.day))
        return false;
    return t.is_date || (t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 60);
}

} // namespace ICalendarLimits
