#include "dayview.h"

#include "domain/appointmenttext.h"
#include "domain/diary.h"
#include "services/prompter.h"
#include "regional/regional.h"

#include <QListWidget>

#include "lines.h"

Appointments DayView::show(const QDate &clicked, const std::function<void(const QString &)> &showDate)
{
    m_timesList->clear();
    setLines(m_textsList, {});
    const QString dateText = Regional::dateText(clicked);
    showDate(dateText);

    if (!m_diary.hasAny()) {
        m_prompter.message(QStringLiteral("Non esistono Vespolari registrati"));
        return {};
    }

    // The day is the one the date text shows; should that not read back, the clicked one.
    QDate day = Regional::parseDate(dateText);
    if (!day.isValid())
        day = clicked;

    QStringList times;
    QStringList texts;
    AppointmentText text;
    const Appointments listed = m_diary.ofDay(day);
    for (const Appointment &a : listed) {
        times << text.time(a.time);
        texts << text.plain(a.text);
    }
    m_timesList->addItems(times);
    setLines(m_textsList, texts);

    if (times.isEmpty())
        m_prompter.message(QStringLiteral("Nessun Appuntamento per questa data"));
    else
        m_prompter.message(QStringLiteral("Sono Presenti %1 Vespolari").arg(times.size()));
    return listed;
}
