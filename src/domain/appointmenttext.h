#pragma once

#include <QHash>
#include <QLocale>
#include <QString>

struct Appointment;
struct CellValue;

// How an appointment's cells read in the lists, under the user's regional settings.
// Hand edits can leave any kind of value in any column: nothing here fails on them.
// Texts are remembered per value, so make one for each listing: thousands of rows share a
// few hundred times and dates, and turning each into text anew is what a long listing costs.
class AppointmentText
{
public:
    AppointmentText();

    // Column A: the short date; a value with a time part shows that time as well.
    QString date(const CellValue &value);
    // Column B: the long time with seconds; a value with a day part shows that day as well.
    QString time(const CellValue &value);
    // Column C: the text as it stands; a number in the user's decimal notation.
    QString plain(const CellValue &value) const;
    // A line of the full listing: date, eight blanks, time, eight blanks, text.
    QString listingLine(const Appointment &appointment);

private:
    QHash<double, QString> m_dates;
    QHash<double, QString> m_times;
    QLocale m_numbers;
};
