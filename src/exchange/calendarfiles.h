#pragma once

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

    static constexpr int kMaxOccurrences = 500;

    // Both read the appointments once any save under way has ended.
    static Outcome exportTo(Diary &diary, const QString &path);
    // Recurring events are expanded up to two years after today. Nothing is written when the
    // file is unreadable, not iCalendar, or holds more than the free rows take. What is written
    // is saved in the background, and `ended` told how that went.
    static Outcome importFrom(Diary &diary, const QString &path, Diary::SaveEnded ended);
};
