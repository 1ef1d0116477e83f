#pragma once

#include <QByteArray>
#include <QString>

#include "domain/diary.h"

// Every stored appointment to an iCalendar file, and a file's events into the diary: what the
// menu and the command line both do. Store failures come through as StoreError.
class CalendarFiles
{
public:
    // What came of it, in Italian: the summary, or why nothing was done.
    struct Outcome
    {
        bool done = false;
        QString text;
    };

    // The bytes of a calendar file, or why there are none.
    struct Read
    {
        QByteArray data;
        QString error;  // in Italian, naming the file; empty when read
    };

    static constexpr int kMaxOccurrences = 500;
    // Far beyond any diary's calendar (65,000 appointments take about 15 MB).
    static constexpr qint64 kMaxFileBytes = 20 * 1024 * 1024;

    // A regular file alone, up to kMaxFileBytes; never waits on a pipe or a device.
    static Read read(const QString &path);

    // Both read the appointments once any save under way has ended.
    static Outcome exportTo(Diary &diary, const QString &path);
    // Recurring events are expanded up to two years after today. Nothing is written when the
    // file is unreadable, not iCalendar, or holds more than the free rows take. What is written
    // is saved in the background, and `ended` told how that went.
    static Outcome importFrom(Diary &diary, const QString &path, Diary::SaveEnded ended);
    // The same, for a file read already.
    static Outcome importFrom(Diary &diary, const QString &path, const QByteArray &data, Diary::SaveEnded ended);
};
