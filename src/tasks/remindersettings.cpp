#include "remindersettings.h"

#include <QSettings>

ReminderSettings ReminderSettings::load()
{
    QSettings settings(QStringLiteral("vespolari"), QStringLiteral("vespolari"));
    settings.beginGroup(QStringLiteral("promemoria"));
    ReminderSettings read;
    const QString active = settings.value(QStringLiteral("attivi")).toString().trimmed().toLower();
    if (active == QLatin1String("false"))
        read.active = false;
    bool number = false;
    const int minutes = settings.value(QStringLiteral("minuti")).toString().trimmed().toInt(&number);
    if (number && minutes >= 0 && minutes <= kMaxMinutes)
        read.minutes = minutes;
    return read;
}

void ReminderSettings::save() const
{
    QSettings settings(QStringLiteral("vespolari"), QStringLiteral("vespolari"));
    settings.beginGroup(QStringLiteral("promemoria"));
    settings.setValue(QStringLiteral("attivi"), active);
    settings.setValue(QStringLiteral("minuti"), minutes);
}
