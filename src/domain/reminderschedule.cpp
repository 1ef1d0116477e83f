#include "reminderschedule.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 kSecondsPerDay = 86400;
// The diary's times name a minute: an appointment at 09.30 has not gone by until 09.31.
constexpr qint64 kStartedFor = 60;
const QDate kNullDate(1899, 12, 30);

// Seconds from the office's day 0; the date cell's day with the time cell's time of day, as the
// lists read them. A row without both is none.
bool startOf(const Appointment &a, qint64 &seconds)
{
    if (!a.date.isNumeric() || !a.time.isNumeric())
        return false;
    const double day = std::floor(a.date.number);
    const double timeOfDay = a.time.number - std::floor(a.time.number);
    seconds = qint64(day) * kSecondsPerDay + std::llround(timeOfDay * kSecondsPerDay);
    return true;
}

qint64 secondsOf(const QDateTime &moment)
{
    return kNullDate.daysTo(moment.date()) * kSecondsPerDay + moment.time().msecsSinceStartOfDay() / 1000;
}

QString textOf(const Appointment &a)
{
    return a.text.isNumeric() ? QString::number(a.text.number) : a.text.text;
}

QDateTime momentOf(qint64 seconds)
{
    const qint64 days = seconds / kSecondsPerDay;
    return QDateTime(kNullDate.addDays(days), QTime(0, 0).addSecs(int(seconds - days * kSecondsPerDay)));
}

} // namespace

QString Reminder::summary() const
{
    const QTime t = start.time();
    return QStringLiteral("Appuntamento alle %1.%2").arg(t.hour(), 2, 10, QLatin1Char('0')).arg(t.minute(), 2, 10, QLatin1Char('0'));
}

ReminderSchedule::Plan ReminderSchedule::peek(const Appointments &rows, const QDateTime &now, int leadMinutes) const
{
    Plan plan;
    const qint64 at = secondsOf(now);
    const qint64 lead = qint64(qMax(0, leadMinutes)) * 60;
    qint64 next = 0;
    QVector<QPair<qint64, const Appointment *>> due;
    for (const Appointment &a : rows) {
        qint64 start = 0;
        if (!startOf(a, start) || start + kStartedFor <= at)
            continue;
        const qint64 announceAt = start - lead;
        if (announceAt > at) {
            if (next == 0 || announceAt < next)
                next = announceAt;
            continue;
        }
        if (!m_announced.contains({start, textOf(a)}))
            due.append({start, &a});
    }
    std::stable_sort(due.begin(), due.end(), [](const auto &x, const auto &y) { return x.first < y.first; });
    for (const auto &[start, a] : due)
        plan.due.append({momentOf(start), textOf(*a)});
    if (next != 0)
        plan.next = momentOf(next);
    return plan;
}

ReminderSchedule::Plan ReminderSchedule::take(const Appointments &rows, const QDateTime &now, int leadMinutes)
{
    Plan plan = peek(rows, now, leadMinutes);
    for (const Reminder &r : plan.due)
        m_announced.insert({secondsOf(r.start), r.text});
    return plan;
}
