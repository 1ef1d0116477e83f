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
    struct Agreement
    {
        Agreement(QVector<SyncRecord> records = {}, QString syncToken = {}, QString ctag = {})
            : records(std::move(records)), syncToken(std::move(syncToken)), ctag(std::move(ctag))
        {
        }
        QVector<SyncRecord> records;
        // Where the server's changes were last read up to: its sync-token, or, without one, its ctag.
        QString syncToken;
        QString ctag;
    };

    // The file for this workbook, named after its absolute path.
    static QString fileFor(const QString &workbookPath);

    // What was agreed with that calendar; nothing when the file is missing, unreadable, or about
    // another calendar. A record that cannot be read costs its token: the next run compares in full.
    static Agreement load(const QString &file, const QString &calendarUrl);
    // Written whole or not at all. False when it could not be.
    static bool save(const QString &file, const QString &calendarUrl, const Agreement &agreement);
};
