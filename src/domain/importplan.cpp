#include "importplan.h"

#include "datelimits.h"
#include "entryrules.h"

#include "regional/regional.h"

#include <QSet>

namespace {

// Equal to the second, however the office gave the cells back.
struct SameKey
{
    qint64 day;
    int second;
    QString text;
    bool operator==(const SameKey &o) const { return day == o.day && second == o.second && text == o.text; }
};

size_t qHash(const SameKey &k, size_t seed = 0)
{
    return qHashMulti(seed, k.day, k.second, k.text);
}

SameKey sameKey(const Appointment &a)
{
    const QDate date = a.date.toDate();
    const QTime time = a.time.toTime();
    return {date.isValid() ? date.toJulianDay() : -1, time.isValid() ? time.msecsSinceStartOfDay() / 1000 : -1,
            a.text.text};
}

} // namespace

ImportPlan ImportPlan::make(const ICalendar::Parsed &parsed, const Appointments &stored, int maxOccurrences)
{
    ImportPlan plan;
    plan.cancelled = parsed.cancelled;
    plan.withoutStart = parsed.withoutStart;
    plan.invalidStart = parsed.invalidStart;
    plan.cutSeries = parsed.cutSeries;
    plan.notRepeated = parsed.notRepeated;
    plan.maxOccurrences = maxOccurrences;
    QSet<SameKey> present;
    present.reserve(stored.size());
    for (const Appointment &a : stored)
        present.insert(sameKey(a));
    // Identical rows of one file are kept only when the file says they are different events.
    QSet<QPair<SameKey, QString>> taken;
    for (const CalendarEvent &event : parsed.events) {
        if (!DateLimits::isAccepted(event.date)) {
            ++plan.tooEarly;
            continue;
        }
        const Appointment a = ICalendar::toAppointment(event);
        const SameKey key = sameKey(a);
        if (present.contains(key) || taken.contains({key, event.uid})) {
            ++plan.alreadyStored;
            continue;
        }
        taken.insert({key, event.uid});
        if (ICalendar::isTooLong(event))
            ++plan.cutTexts;
        plan.toStore << a;
    }
    return plan;
}

QString ImportPlan::summary() const
{
    QStringList lines{QStringLiteral("Importati %1 appuntamenti").arg(toStore.size())};
    if (alreadyStored > 0)
        lines << QStringLiteral("Saltati %1 già presenti (stessa data, ora e testo)").arg(alreadyStored);
    if (tooEarly > 0)
        lines << QStringLiteral("Rifiutati %1 con data anteriore al %2")
                     .arg(QString::number(tooEarly), Regional::dateText(DateLimits::firstAcceptedDate()));
    if (cancelled > 0)
        lines << QStringLiteral("Saltati %1 annullati").arg(cancelled);
    if (withoutStart > 0)
        lines << QStringLiteral("Saltati %1 senza data di inizio").arg(withoutStart);
    if (invalidStart > 0)
        lines << QStringLiteral("Saltati %1 con data o ora di inizio non valida").arg(invalidStart);
    if (cutSeries > 0)
        lines << QStringLiteral("Ripetizioni fermate a %1 per %2 appuntamenti ricorrenti")
                     .arg(QString::number(maxOccurrences), QString::number(cutSeries));
    if (notRepeated > 0)
        lines << QStringLiteral("Presa solo la prima data di %1 appuntamenti ripetuti ogni ora, minuto o secondo")
                     .arg(notRepeated);
    if (cutTexts > 0)
        lines << QStringLiteral("Tagliati a %1 caratteri %2 testi troppo lunghi")
                     .arg(QString::number(EntryRules::kCellLimit), QString::number(cutTexts));
    return lines.join(QLatin1Char('\n'));
}
