#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <QVector>

// What one appointment says, as the diary and a calendar server both hold it. Rows whose date cell
// holds no date are not kept in step: a calendar has nowhere to put them.
struct SyncContent
{
    QDate date;
    QTime time;  // invalid: an event of the whole day
    QString text;

    bool operator==(const SyncContent &o) const
    {
        return date == o.date && time == o.time && text == o.text;
    }
    bool operator!=(const SyncContent &o) const { return !(*this == o); }
};

// An event on the server as read now. A series made elsewhere comes as its occurrences: same uid
// and href, each with the day it falls on.
struct RemoteEvent
{
    QString uid;
    QString href;
    QString etag;
    QDate occurrence;  // null for an event on its own
    SyncContent content;
};

// One appointment as the diary and the server last agreed on it.
struct SyncRecord
{
    QString uid;
    QString href;
    QString etag;
    QDate occurrence;  // null for an event on its own
    SyncContent agreed;
    // False for an occurrence of a series the diary changed or deleted: it stays on the server as
    // its series says, and comes back to the diary only when the series changes there. An event
    // on its own that the diary no longer holds is deleted on the server, unless changed there.
    bool held = true;

    bool isOccurrence() const { return occurrence.isValid(); }
};

// What to do to bring both sides in step. Each step names the record it starts from (where there
// is one), so a step that fails leaves that record agreed as it was and is tried again next time.
struct SyncPlan
{
    struct Replace
    {
        SyncRecord record;
        SyncContent content;
    };
    struct DiaryReplace
    {
        SyncRecord record;  // what the diary holds: record.agreed
        RemoteEvent event;
    };

    // Agreed as they stand (with the server's current ETag).
    QVector<SyncRecord> unchanged;
    // To the server.
    QVector<SyncContent> create;  // under a new uid, If-None-Match: *
    QVector<Replace> replace;     // If-Match on record.etag
    QVector<SyncRecord> remove;   // If-Match on record.etag
    // To the diary, in one bulk write.
    QVector<RemoteEvent> addToDiary;
    QVector<DiaryReplace> replaceInDiary;
    QVector<SyncRecord> removeFromDiary;
    // Both sides changed the same appointment: both versions kept.
    int conflicts = 0;

    bool serverUntouched() const { return create.isEmpty() && replace.isEmpty() && remove.isEmpty(); }
    bool diaryUntouched() const
    {
        return addToDiary.isEmpty() && replaceInDiary.isEmpty() && removeFromDiary.isEmpty();
    }

    // What changed on each side since the last agreement, and what to do about it. Without any
    // agreement (a first run, or a lost state file) equal contents pair up: nothing is duplicated,
    // nothing deleted. A record kept as an occurrence of an event the server holds on its own is
    // taken as that event's.
    static SyncPlan compare(const QVector<SyncContent> &diary, const QVector<RemoteEvent> &server,
                            const QVector<SyncRecord> &agreed);
    // What goes to the server in order of distance from `today`, either way: what the user looks at
    // soonest is there soonest.
    void nearestFirst(const QDate &today);
};
