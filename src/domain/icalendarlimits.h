#pragma once

#include <QByteArray>
#include <QDate>

#include <libical/ical.h>

#include <memory>

// What a calendar from outside (a file, a server's answer) may cost us to read, and which of its
// names we follow. libical trusts its input; these checks stand before it.
namespace ICalendarLimits {

// A component libical handed over, freed with everything in it.
struct ComponentFree
{
    void operator()(icalcomponent *c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

// The steps of sparse repetitions one reading may walk through, in days (years for yearly
// rules): about two seconds of the library's work, far beyond any real calendar.
constexpr qint64 kWorkBudget = 1'000'000;

// The text as libical reads it quickly: without a byte-order mark, and with very long lines
// folded, which libical would otherwise read in time growing with the square of their length.
QByteArray prepared(const QByteArray &data);

enum class Shape { NotCalendar, Damaged, Whole };
// Whether the text holds a calendar, with names in any case, and every component it opens
// closed again; a file cut off or damaged is told apart from one that is not a calendar at all.
Shape shape(const QByteArray &prepared);

// Drops every time zone of the calendar whose rules could not be expanded in bounded time (real
// zones change at most a few times a year); times that name it are then read as libical's zone
// of the same name, or as wall-clock times.
void dropUnboundedZones(icalcomponent *calendar);

// The zone of that name among those libical ships, never a path: nullptr for any other name.
icaltimezone *knownZone(const char *tzid);

// Whether a repetition is expanded at all: every hour, minute or second is not, as one step of
// such a rule may search for years.
bool isExpanded(const icalrecurrencetype &rule);
// Whether the library may walk many steps between two occurrences of the rule, which then count
// against the budget.
bool isSparse(const icalrecurrencetype &rule);
// The steps a sparse rule walked from one occurrence to the next (to the library's last year
// when there was none).
qint64 stepsBetween(const icalrecurrencetype &rule, const icaltimetype &from, const icaltimetype &to);

// A date the workbook takes and a time of day: the library lets 30 February, month 13 and hour
// 25 through.
bool isRealMoment(const icaltimetype &t);

} // namespace ICalendarLimits
