#include "regional.h"

#include <QRegularExpression>

namespace Regional {

namespace {

QString fourDigitYear(QString format)
{
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

QString withoutTimeZone(QString format)
{
    format.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*")));
    return format.trimmed();
}

} // namespace

QLocale locale()
{
    const QLocale system;
    if (system.language() == QLocale::C)
        return QLocale(QLocale::Italian, QLocale::Italy);
    return system;
}

QString dateText(const QDate &date)
{
    const QLocale l = locale();
    return l.toString(date, fourDigitYear(l.dateFormat(QLocale::ShortFormat)));
}

QString longTimeText(const QTime &time)
{
    const QLocale l = locale();
    return l.toString(time, withoutTimeZone(l.timeFormat(QLocale::LongFormat)));
}

QString generalDateText(const QDateTime &moment)
{
    if (moment.time() == QTime(0, 0))
        return dateText(moment.date());
    return dateText(moment.date()) + QLatin1Char(' ') + longTimeText(moment.time());
}

QDate parseDate(const QString &text)
{
    const QLocale l = locale();
    // The order of day, month and year comes from the short format; the digits may be one or two.
    const QString shortFormat = l.dateFormat(QLocale::ShortFormat);
    QString order;
    for (const QChar c : shortFormat) {
        if ((c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y')) && !order.contains(c))
            order += c;
    }
    if (order.size() != 3)
        order = QStringLiteral("dMy");
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{1,4})[/.\\-](\\d{1,2}|\\d{4})[/.\\-](\\d{1,4})\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return {};
    int day = 0, month = 0, year = -1;
    for (int i = 0; i < 3; ++i) {
        const QString part = m.captured(i + 1);
        const int value = part.toInt();
        switch (order.at(i).toLatin1()) {
        case 'd':
            if (part.size() > 2)
                return {};
            day = value;
            break;
        case 'M':
            if (part.size() > 2)
                return {};
            month = value;
            break;
        default:
            if (part.size() == 3)
                return {};
            year = part.size() <= 2 ? (value < 30 ? 2000 + value : 1900 + value) : value;
        }
    }
    const QDate date(year, month, day);
    // The calendar's own range; earlier years are typing slips, not appointments.
    return date.isValid() && year >= 1753 ? date : QDate();
}

QTime parseTime(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{1,2})\\.(\\d{2})$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return {};
    return QTime(m.captured(1).toInt(), m.captured(2).toInt());
}

} // namespace Regional
