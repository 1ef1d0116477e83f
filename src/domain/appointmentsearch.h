#pragma once

#include "appointment.h"

#include <QString>
#include <QStringList>
#include <QVector>

// Finding appointments by the words of their text, as a user types them: case and accents do
// not count ("perche" finds "Perché"), and every word typed must occur somewhere in the text,
// in any order, also inside a longer word ("dent" finds "Dentista").
//
// The texts are folded once, when the list is handed over; a query then costs one substring
// search per word and row. Plain ASCII texts, most of them, are searched where they are,
// ignoring case, rather than copied. Make a new one whenever the stored appointments change.
class AppointmentSearch
{
public:
    AppointmentSearch() = default;
    explicit AppointmentSearch(const Appointments &appointments);

    // Those holding every word of the query, by date then time (hand-edited dates that are no
    // date come last); nothing for a query without words.
    Appointments find(const QString &query) const;
    // The same, as positions in appointments(): tens of thousands found cost an int each, not
    // a copy of each.
    QVector<int> matching(const QString &query) const;
    // Every appointment searched, in the order find() gives them.
    const Appointments &appointments() const { return m_appointments; }
    // The query's words, folded; empty when it has none.
    static QStringList words(const QString &query);
    // Lower case, without accents or other marks, typographic apostrophes read as plain ones.
    static QString folded(const QString &text);

    int size() const { return m_appointments.size(); }

private:
    static bool isAscii(const QString &text);

    Appointments m_appointments;  // in date order; shared with the caller's when that is so
    QVector<QString> m_texts;     // folded, one per appointment; null for a plain ASCII text
};
