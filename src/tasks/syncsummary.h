#pragma once

#include <QDateTime>
#include <QString>

// How a synchronisation went, as the server window and the notice say it.
struct SyncSummary
{
    QDateTime when;
    int sent = 0;      // created or replaced on the server
    int deletedThere = 0;
    int received = 0;  // added to or replaced in the diary
    int deletedHere = 0;
    int conflicts = 0;
    int failed = 0;    // steps refused, tried again next time
    int ignored = 0;   // hrefs of the server's answers naming nothing inside the calendar
    bool diaryBusy = false;  // the server's changes wait until the diary may be written
    QString failure;   // why the run, or a step of it, failed; empty when nothing did

    // One line for the server window and the notice, in Italian.
    QString describe() const;
};

// How far a run with many events to send or receive has got.
struct SyncProgress
{
    bool sending = true;
    int done = 0;
    int total = 0;  // 0: no such run under way

    // "Inviati 1.200 di 10.000", in Italian.
    QString describe() const;
};
