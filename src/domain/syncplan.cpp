#include "syncplan.h"

#include <algorithm>
#include <cstdlib>

#include <QHash>
#include <QSet>

namespace {

QString keyOf(const SyncContent &c)
{
    return QString::number(c.date.toJulianDay()) + QLatin1Char('|')
           + QString::number(c.time.isValid() ? c.time.msecsSinceStartOfDay() : -1) + QLatin1Char('|') + c.text;
}

QString idOf(const QString &uid, const QDate &occurrence)
{
    return occurrence.isValid() ? uid + QLatin1Char('@') + occurrence.toString(Qt::ISODate) : uid;
}

// The diary's appointments as a bag: equal ones are as many as the diary holds.
class DiaryBag
{
public:
    explicit DiaryBag(const QVector<SyncContent> &diary) : m_items(diary), m_taken(diary.size(), false)
    {
        for (int i = diary.size() - 1; i >= 0; --i)
            m_index.insert(keyOf(diary[i]), i);
    }

    bool take(const SyncContent &c)
    {
        for (auto it = m_index.find(keyOf(c)); it != m_index.end() && it.key() == keyOf(c); ++it) {
            if (!m_taken[it.value()]) {
                m_taken[it.value()] = true;
                return true;
            }
        }
        return false;
    }

    // One not yet taken that reads as a change of `was`: the same day and time, else the same
    // text. Nothing when none does: then `was` was deleted.
    int changeOf(const SyncContent &was) const
    {
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = 0; i < m_items.size(); ++i) {
                const SyncContent &c = m_items[i];
                if (!m_taken[i]
                    && (pass == 0 ? c.date == was.date && c.time == was.time : c.text == was.text))
                    return i;
            }
        }
        return -1;
    }

    const SyncContent &at(int i) const { return m_items[i]; }
    void takeAt(int i) { m_taken[i] = true; }
    QVector<SyncContent> left() const
    {
        QVector<SyncContent> rest;
        for (int i = 0; i < m_items.size(); ++i)
            if (!m_taken[i])
                rest << m_items[i];
        return rest;
    }

private:
    QVector<SyncContent> m_items;
    QVector<bool> m_taken;
    QMultiHash<QString, int> m_index;
};

// An older rule took every timed event of a zone with summer time for an occurrence of a series.
// Once the server's copy is read as the single event it is, the one record of that uid is its
// record; what the diary let go of under that rule it let go of still.
QVector<SyncRecord> healed(QVector<SyncRecord> agreed, const QVector<RemoteEvent> &server)
{
    QHash<QString, QString> single;  // uid -> href, read as an event on its own
    QSet<QString> repeating;
    for (const RemoteEvent &e : server) {
        if (e.occurrence.isValid())
            repeating.insert(e.uid);
        else
            single.insert(e.uid, e.href);
    }
    QHash<QString, int> records;
    for (const SyncRecord &r : std::as_const(agreed))
        ++records[r.uid];
    for (SyncRecord &r : agreed) {
        if (r.isOccurrence() && records.value(r.uid) == 1 && !repeating.contains(r.uid)
            && single.value(r.uid) == r.href)
            r.occurrence = QDate();
    }
    return agreed;
}

// What became of one agreed record on the diary's side.
enum class Fate {
    AsOnServer,   // the diary holds the server's change already
    LetGo,        // not held by the diary under the older rule
    StillHeld,    // the diary holds it as agreed
    ChangedHere,  // the diary changed it
    DeletedHere,  // the diary deleted it
};

// One agreed record's fate decided into the plan; `e` is the server's event, if it still has it,
// `mine` what the diary changed it into.
void decide(SyncPlan &plan, const SyncRecord &r, const RemoteEvent *e, Fate fate, const SyncContent &mine)
{
    // The ETag alone moves when a series changes elsewhere; what counts is what the event says.
    const bool serverChanged = e && e->content != r.agreed;
    SyncRecord now = r;
    if (e)
        now.etag = e->etag;

    switch (fate) {
    case Fate::AsOnServer:
        now.agreed = e->content;
        now.held = true;
        plan.unchanged << now;
        return;
    case Fate::LetGo:
        if (serverChanged)
            plan.addToDiary << *e;
        else if (e && !r.isOccurrence())
            plan.remove << now;  // an event on its own the diary let go of under the older rule
        else if (e)
            plan.unchanged << now;
        return;
    case Fate::StillHeld:
        if (!e)
            plan.removeFromDiary << r;
        else if (serverChanged)
            plan.replaceInDiary << SyncPlan::DiaryReplace{r, *e};
        else
            plan.unchanged << now;
        return;
    case Fate::ChangedHere:
        if (!e) {
            // Deleted there, changed here: the diary's version lives on.
            plan.create << mine;
        } else if (serverChanged && e->content == mine) {
            now.agreed = mine;
            plan.unchanged << now;
        } else if (serverChanged) {
            // Both changed: the diary keeps its own, sent as a new event, and gets the server's.
            ++plan.conflicts;
            plan.create << mine;
            plan.addToDiary << *e;
        } else if (r.isOccurrence()) {
            // A series belongs to whoever made it: the changed occurrence becomes the diary's own.
            plan.create << mine;
            now.held = false;
            plan.unchanged << now;
        } else {
            plan.replace << SyncPlan::Replace{now, mine};
        }
        return;
    case Fate::DeletedHere:
        if (!e)
            return;
        if (serverChanged) {
            plan.addToDiary << *e;  // changed there: the change is not lost
        } else if (r.isOccurrence()) {
            now.held = false;
            plan.unchanged << now;
        } else {
            plan.remove << now;
        }
        return;
    }
}

} // namespace

SyncPlan SyncPlan::compare(const QVector<SyncContent> &diary, const QVector<RemoteEvent> &server,
                           const QVector<SyncRecord> &agreedBefore)
{
    SyncPlan plan;
    DiaryBag bag(diary);
    const QVector<SyncRecord> agreed = healed(agreedBefore, server);

    QHash<QString, int> onServer;
    for (int i = 0; i < server.size(); ++i)
        onServer.insert(idOf(server[i].uid, server[i].occurrence), i);
    const auto serverIndex = [&](const SyncRecord &r) { return onServer.value(idOf(r.uid, r.occurrence), -1); };

    // What the diary still holds as agreed; the rest it changed or deleted.
    QVector<Fate> fate(agreed.size(), Fate::DeletedHere);
    for (int i = 0; i < agreed.size(); ++i) {
        if (!agreed[i].held)
            fate[i] = Fate::LetGo;
        else if (bag.take(agreed[i].agreed))
            fate[i] = Fate::StillHeld;
    }

    // Events new on the server that the diary holds already (a lost state file, or the same
    // appointment typed on two devices) pair up, before anything counts as new on either side.
    QVector<bool> serverKnown(server.size(), false);
    for (const SyncRecord &r : agreed)
        if (serverIndex(r) >= 0)
            serverKnown[serverIndex(r)] = true;
    for (int i = 0; i < server.size(); ++i) {
        if (serverKnown[i])
            continue;
        const RemoteEvent &e = server[i];
        if (bag.take(e.content))
            plan.unchanged << SyncRecord{e.uid, e.href, e.etag, e.occurrence, e.content, true};
        else
            plan.addToDiary << e;
    }

    // A server's change the diary holds already (written by a run whose agreement was never
    // recorded) is that change, before any row that only looks like one.
    for (int i = 0; i < agreed.size(); ++i) {
        const int s = serverIndex(agreed[i]);
        if (fate[i] != Fate::StillHeld && s >= 0 && server[s].content != agreed[i].agreed
            && bag.take(server[s].content))
            fate[i] = Fate::AsOnServer;
    }

    // Which of those gone from the diary were changed there, and into what.
    QHash<int, SyncContent> changedTo;
    for (int i = 0; i < agreed.size(); ++i) {
        if (fate[i] != Fate::DeletedHere)
            continue;
        const int c = bag.changeOf(agreed[i].agreed);
        if (c >= 0) {
            changedTo.insert(i, bag.at(c));
            bag.takeAt(c);
            fate[i] = Fate::ChangedHere;
        }
    }

    for (int i = 0; i < agreed.size(); ++i) {
        const int s = serverIndex(agreed[i]);
        decide(plan, agreed[i], s >= 0 ? &server[s] : nullptr, fate[i], changedTo.value(i));
    }

    plan.create << bag.left();
    return plan;
}

void SyncPlan::nearestFirst(const QDate &today)
{
    const auto distance = [&today](const QDate &date) { return std::abs(today.daysTo(date)); };
    std::stable_sort(create.begin(), create.end(),
                     [&](const SyncContent &a, const SyncContent &b) { return distance(a.date) < distance(b.date); });
    std::stable_sort(replace.begin(), replace.end(), [&](const Replace &a, const Replace &b) {
        return distance(a.content.date) < distance(b.content.date);
    });
}
