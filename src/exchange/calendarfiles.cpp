#include "calendarfiles.h"

#include "domain/diary.h"
#include "domain/icalendar.h"
#include "domain/importplan.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

CalendarFiles::Outcome CalendarFiles::exportTo(Diary &diary, const QString &path)
{
    const Appointments stored = diary.settled();
    const QVector<CalendarEvent> events = ICalendar::toEvents(stored);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(ICalendar::write(events)) < 0 || !file.commit())
        return {false, QStringLiteral("Impossibile scrivere il file %1: %2").arg(shown(path), file.errorString())};
    QString text = QStringLiteral("Esportati %1 appuntamenti in %2").arg(events.size()).arg(shown(path));
    if (const int undated = int(stored.size() - events.size()))
        text += QStringLiteral("\nSaltate %1 righe senza una data").arg(undated);
    return {true, text};
}

CalendarFiles::Outcome CalendarFiles::importFrom(Diary &diary, const QString &path, Diary::SaveEnded ended)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {false, QStringLiteral("Impossibile leggere il file %1: %2").arg(shown(path), file.errorString())};
    const ICalendar::Parsed parsed = ICalendar::read(file.readAll(), QDate::currentDate().addYears(2), kMaxOccurrences);
    if (!parsed.isCalendar)
        return {false, QStringLiteral("Il file %1 non è stato importato.\n%2").arg(shown(path), parsed.error)};
    const ImportPlan plan = ImportPlan::make(parsed, diary.settled(), kMaxOccurrences);
    const int free = diary.freeRows();
    if (plan.toStore.size() > free)
        return {false, QStringLiteral("Il file %1 non è stato importato: contiene %2 appuntamenti nuovi, "
                                      "ma le righe libere sono %3.")
                           .arg(shown(path))
                           .arg(plan.toStore.size())
                           .arg(free)};
    diary.insertAll(plan.toStore, std::move(ended));
    return {true, plan.summary()};
}
