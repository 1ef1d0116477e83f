#include "appointmenttext.h"

#include "appointment.h"

#include "regional/regional.h"
#include "store/cellvalue.h"

#include <QDateTime>
#include <QStringBuilder>

namespace {

const QDate kDayZero(1899, 12, 30);

// UTC, so that a local clock change at midnight cannot shift a stored day or time.
QString dateAndTime(const CellValue &value)
{
    return Regional::generalDateText(QDateTime(value.toDate(), value.toTime(), Qt::UTC));
}

QString asStored(const CellValue &value)
{
    return value.kind == CellValue::Text ? value.text : QString();
}

} // namespace

AppointmentText::AppointmentText() : m_numbers(Regional::locale())
{
    m_numbers.setNumberOptions(QLocale::OmitGroupSeparator);
}

QString AppointmentText::date(const CellValue &value)
{
    if (!value.isNumeric())
        return asStored(value);
    auto known = m_dates.constFind(value.number);
    if (known == m_dates.cend())
        known = m_dates.insert(value.number, dateAndTime(value));
    return *known;
}

QString AppointmentText::time(const CellValue &value)
{
    if (!value.isNumeric())
        return asStored(value);
    auto known = m_times.constFind(value.number);
    if (known == m_times.cend()) {
        // A time of day is stored as a fraction of day zero; anything past it was typed in by hand.
        known = m_times.insert(value.number, value.toDate() == kDayZero ? Regional::longTimeText(value.toTime())
                                                                        : dateAndTime(value));
    }
    return *known;
}

QString AppointmentText::plain(const CellValue &value) const
{
    if (value.isNumeric())
        return m_numbers.toString(value.number, 'g', 15);
    return asStored(value);
}

QString AppointmentText::listingLine(const Appointment &appointment)
{
    static const QString gap(8, QLatin1Char(' '));
    // Built in one allocation of its own length: a listing keeps 65,000 of these, and appending
    // piece by piece would leave each with room to grow it never uses.
    return date(appointment.date) % gap % time(appointment.time) % gap % plain(appointment.text);
}
