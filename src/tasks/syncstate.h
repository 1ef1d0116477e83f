#pragma once

#include "domain/syncplan.h"

#include <QString>
#include <QVector>

// What the diary last agreed with the server, one small JSON file per workbook under
// $XDG_DATA_HOME/vespolari/. Losing it, or pointing the diary at another calendar, costs one full
// comparison, never a duplicate or a deletion.
class SyncState
{
public:
    // The file for this workbook, named after its absolute path.
    static QString fileFor(const QString &workbookPath);

    // The records agreed with that calendar; none when the file is missing, unreadable, or about
    // another calendar.
    static QVector<SyncRecord> load(const QString &file, const QString &calendarUrl);
    // Written whole or not at all. False when it could not be.
    static bool save(const QString &file, const QString &calendarUrl, const QVector<SyncRecord> &records);
};
