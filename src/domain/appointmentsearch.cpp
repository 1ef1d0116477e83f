#include "appointmentsearch.h"

#include "appointmenttext.h"

#include <algorithm>

AppointmentSearch::AppointmentSearch(const Appointments &appointments) : m_appointments(appointments)
{
    std::stable_sort(m_appointments.begin(), m_appointments.end(), storedBefore);
    m_texts.reserve(m_appointments.size());
    AppointmentText text;
    for (const Appointment &a : std::as_const(m_appointments))
        m_texts.append(folded(text.plain(a.text)));
}

QString AppointmentSearch::folded(const QString &text)
{
    // Most texts are plain ASCII: lower case is all they need, and it is what keeps a list of
    // tens of thousands quick to prepare.
    const bool ascii = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii)
        return text.toLower();
    // Compatibility decomposition splits "é" into "e" and its accent, and ligatures such as "ﬁ"
    // into their letters; the marks are then dropped.
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        switch (c.category()) {
        case QChar::Mark_NonSpacing:
        case QChar::Mark_SpacingCombining:
        case QChar::Mark_Enclosing:
            continue;
        default:
            break;
        }
        if (c == QChar(0x2019) || c == QChar(0x2018) || c == QChar(0x02BC))
            out += QLatin1Char('\'');
        else
            out += c;
    }
    return out.toCaseFolded();
}

QStringList AppointmentSearch::words(const QString &query)
{
    return folded(query).simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

Appointments AppointmentSearch::find(const QString &query) const
{
    Appointments found;
    const QStringList wanted = words(query);
    if (wanted.isEmpty())
        return found;
    for (int i = 0; i < m_appointments.size(); ++i) {
        const QString &text = m_texts[i];
        const bool all = std::all_of(wanted.cbegin(), wanted.cend(),
                                     [&text](const QString &w) { return text.contains(w); });
        if (all)
            found.append(m_appointments[i]);
    }
    return found;
}
