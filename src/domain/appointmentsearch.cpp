#include "appointmentsearch.h"

#include "appointmenttext.h"

#include <algorithm>

AppointmentSearch::AppointmentSearch(const Appointments &appointments) : m_appointments(appointments)
{
    // The stored rows are in this order already, unless hand edits left them otherwise: then
    // only is the list copied to be sorted.
    if (!std::is_sorted(m_appointments.cbegin(), m_appointments.cend(), storedBefore))
        std::stable_sort(m_appointments.begin(), m_appointments.end(), storedBefore);
    m_texts.resize(m_appointments.size());
    AppointmentText text;
    for (int i = 0; i < m_appointments.size(); ++i) {
        const CellValue &cell = m_appointments.at(i).text;
        if (cell.kind != CellValue::Text || !isAscii(cell.text))
            m_texts[i] = folded(text.plain(cell));
    }
}

bool AppointmentSearch::isAscii(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

QString AppointmentSearch::folded(const QString &text)
{
    // Most texts are plain ASCII: lower case is all they need, and it is what keeps a list of
    // tens of thousands quick to prepare.
    if (isAscii(text))
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
    for (int i : matching(query))
        found.append(m_appointments.at(i));
    return found;
}

QVector<int> AppointmentSearch::matching(const QString &query) const
{
    QVector<int> found;
    const QStringList wanted = words(query);
    if (wanted.isEmpty())
        return found;
    for (int i = 0; i < m_appointments.size(); ++i) {
        // A plain ASCII text is its own folded form but for case.
        const bool asIs = m_texts.at(i).isNull();
        const QString &text = asIs ? m_appointments.at(i).text.text : m_texts.at(i);
        const Qt::CaseSensitivity cs = asIs ? Qt::CaseInsensitive : Qt::CaseSensitive;
        const bool all = std::all_of(wanted.cbegin(), wanted.cend(),
                                     [&text, cs](const QString &w) { return text.contains(w, cs); });
        if (all)
            found.append(i);
    }
    return found;
}
