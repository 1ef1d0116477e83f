#include "domain/syncplan.h"

#include <QTest>

// What a synchronisation does, decided from the diary, the server and the last agreement. No
// office, no server.
class TestSyncPlan : public QObject
{
    Q_OBJECT

private slots:
    void nothingMovedNothingToDo();
    void diaryChangesGoToTheServer();
    void serverChangesComeToTheDiary();
    void bothChangedKeepsBoth();
    void lostStateFilePairsUpAndDeletesNothing();
    void anOccurrenceChangedInTheDiaryBecomesItsOwn();
    void aRecordOfTheOlderRuleHealsWithoutResurrecting();
    void aServerChangeTheDiaryHoldsPairsBeforeALookAlike();
};

namespace {

SyncContent c(int day, const QString &text, int hour = 9)
{
    return {QDate(2026, 3, day), QTime(hour, 0), text};
}

SyncRecord agreedOn(const QString &uid, const SyncContent &content, const QDate &occurrence = {})
{
    return {uid, uid + QStringLiteral(".ics"), QStringLiteral("e1"), occurrence, content, true};
}

RemoteEvent there(const SyncRecord &r, const QString &etag = QStringLiteral("e1"))
{
    return {r.uid, r.href, etag, r.occurrence, r.agreed};
}

RemoteEvent there(const SyncRecord &r, const SyncContent &content)
{
    return {r.uid, r.href, QStringLiteral("e2"), r.occurrence, content};
}

} // namespace

void TestSyncPlan::nothingMovedNothingToDo()
{
    const SyncRecord a = agreedOn("a", c(1, "dentista")), b = agreedOn("b", c(2, "banca"));
    // A new ETag with the same content (a server rewriting its files) moves nothing but the ETag.
    const SyncPlan plan = SyncPlan::compare({c(2, "banca"), c(1, "dentista")}, {there(a), there(b, "e9")}, {a, b});
    QVERIFY(plan.serverUntouched());
    QVERIFY(plan.diaryUntouched());
    QCOMPARE(plan.unchanged.size(), 2);
    QCOMPARE(plan.unchanged[1].etag, QStringLiteral("e9"));
}

void TestSyncPlan::diaryChangesGoToTheServer()
{
    const SyncRecord kept = agreedOn("k", c(1, "dentista")), edited = agreedOn("e", c(2, "banca")),
                     deleted = agreedOn("d", c(3, "posta"));
    // The row of "banca" edited in the spreadsheet: same day and time, another text.
    const SyncPlan plan = SyncPlan::compare({c(1, "dentista"), c(2, "banca e posta"), c(4, "nuovo")},
                                            {there(kept), there(edited), there(deleted)}, {kept, edited, deleted});
    QCOMPARE(plan.create, QVector<SyncContent>{c(4, "nuovo")});
    QCOMPARE(plan.replace.size(), 1);
    QCOMPARE(plan.replace[0].record.uid, QStringLiteral("e"));
    QCOMPARE(plan.replace[0].content, c(2, "banca e posta"));
    QCOMPARE(plan.remove.size(), 1);
    QCOMPARE(plan.remove[0].uid, QStringLiteral("d"));
    QVERIFY(plan.diaryUntouched());
    QCOMPARE(plan.conflicts, 0);
    // Sent nearest the given day first, before or after it, ties as they came.
    SyncPlan many;
    many.create = {c(1, "a"), c(9, "b"), c(4, "c"), c(6, "d")};
    many.nearestFirst(c(5, {}).date);
    QCOMPARE(many.create, (QVector<SyncContent>{c(4, "c"), c(6, "d"), c(1, "a"), c(9, "b")}));
}

void TestSyncPlan::serverChangesComeToTheDiary()
{
    const SyncRecord kept = agreedOn("k", c(1, "dentista")), edited = agreedOn("e", c(2, "banca")),
                     deleted = agreedOn("d", c(3, "posta"));
    const RemoteEvent added{"n", "n.ics", "e1", {}, c(5, "dal telefono")};
    const SyncPlan plan = SyncPlan::compare({c(1, "dentista"), c(2, "banca"), c(3, "posta")},
                                            {there(kept), there(edited, c(2, "banca", 11)), added},
                                            {kept, edited, deleted});
    QVERIFY(plan.serverUntouched());
    QCOMPARE(plan.addToDiary.size(), 1);
    QCOMPARE(plan.addToDiary[0].uid, QStringLiteral("n"));
    QCOMPARE(plan.replaceInDiary.size(), 1);
    QCOMPARE(plan.replaceInDiary[0].record.agreed, c(2, "banca"));
    QCOMPARE(plan.replaceInDiary[0].event.content, c(2, "banca", 11));
    QCOMPARE(plan.removeFromDiary.size(), 1);
    QCOMPARE(plan.removeFromDiary[0].agreed, c(3, "posta"));
}

void TestSyncPlan::bothChangedKeepsBoth()
{
    const SyncRecord a = agreedOn("a", c(2, "banca")), b = agreedOn("b", c(3, "posta"));
    // "banca" changed on both sides; "posta" deleted here and changed there.
    const SyncPlan plan = SyncPlan::compare({c(2, "banca alle 10")}, {there(a, c(2, "banca", 12)), there(b, c(3, "posta!"))},
                                            {a, b});
    QCOMPARE(plan.conflicts, 1);
    QCOMPARE(plan.create, QVector<SyncContent>{c(2, "banca alle 10")});
    QCOMPARE(plan.addToDiary.size(), 2);
    QCOMPARE(plan.addToDiary[0].content, c(2, "banca", 12));
    QCOMPARE(plan.addToDiary[1].content, c(3, "posta!"));
    QVERIFY(plan.replace.isEmpty() && plan.remove.isEmpty() && plan.removeFromDiary.isEmpty());
}

void TestSyncPlan::lostStateFilePairsUpAndDeletesNothing()
{
    // The same appointment twice in the diary, once on the server: one pairs, one is sent.
    const RemoteEvent a{"a", "a.ics", "e1", {}, c(1, "dentista")}, b{"b", "b.ics", "e1", {}, c(7, "solo là")};
    const SyncPlan plan = SyncPlan::compare({c(1, "dentista"), c(1, "dentista"), c(4, "solo qui")}, {a, b}, {});
    QCOMPARE(plan.unchanged.size(), 1);
    QCOMPARE(plan.unchanged[0].uid, QStringLiteral("a"));
    QCOMPARE(plan.create, (QVector<SyncContent>{c(1, "dentista"), c(4, "solo qui")}));
    QCOMPARE(plan.addToDiary.size(), 1);
    QCOMPARE(plan.addToDiary[0].uid, QStringLiteral("b"));
    QVERIFY(plan.remove.isEmpty() && plan.removeFromDiary.isEmpty() && plan.replace.isEmpty());
}

void TestSyncPlan::anOccurrenceChangedInTheDiaryBecomesItsOwn()
{
    const SyncRecord first = agreedOn("s", c(2, "corso"), QDate(2026, 3, 2)),
                     second = agreedOn("s", c(9, "corso"), QDate(2026, 3, 9));
    SyncPlan plan = SyncPlan::compare({c(2, "corso spostato", 10)}, {there(first), there(second)}, {first, second});
    // Nothing is written to the series: the changed one is the diary's own, the deleted one gone here.
    QCOMPARE(plan.create, QVector<SyncContent>{c(2, "corso spostato", 10)});
    QVERIFY(plan.replace.isEmpty() && plan.remove.isEmpty() && plan.diaryUntouched());
    QCOMPARE(plan.unchanged.size(), 2);
    QVERIFY(!plan.unchanged[0].held && !plan.unchanged[1].held);

    // Next run: the series as it was stays out; changed elsewhere, its occurrences come back.
    const QVector<SyncRecord> agreed = plan.unchanged;
    plan = SyncPlan::compare({c(2, "corso spostato", 10)}, {there(first), there(second)}, agreed);
    QVERIFY(plan.diaryUntouched());
    plan = SyncPlan::compare({}, {there(first, c(2, "corso B")), there(second, c(9, "corso B"))}, agreed);
    QCOMPARE(plan.addToDiary.size(), 2);
}

void TestSyncPlan::aRecordOfTheOlderRuleHealsWithoutResurrecting()
{
    // An older rule kept the phone's single timed event as an occurrence: diary B deleted it then
    // (its record let go of), diary A holds it still.
    const SyncContent phone = c(4, "dal telefono");
    const SyncRecord inA = agreedOn("p", phone, phone.date);
    SyncRecord inB = inA;
    inB.held = false;
    const RemoteEvent single{"p", "p.ics", "e1", {}, phone};
    SyncPlan plan = SyncPlan::compare({}, {single}, {inB});
    QCOMPARE(plan.remove.size(), 1);
    QVERIFY(plan.diaryUntouched() && plan.create.isEmpty() && plan.unchanged.isEmpty());
    // Changed there since, it comes back as any change does.
    plan = SyncPlan::compare({}, {RemoteEvent{"p", "p.ics", "e2", {}, c(4, "dal telefono", 11)}}, {inB});
    QVERIFY(plan.addToDiary.size() == 1 && plan.serverUntouched());
    plan = SyncPlan::compare({phone}, {single}, {inA});
    QVERIFY(plan.diaryUntouched() && plan.serverUntouched());
    QVERIFY(plan.unchanged.size() == 1 && !plan.unchanged[0].isOccurrence());
}

void TestSyncPlan::aServerChangeTheDiaryHoldsPairsBeforeALookAlike()
{
    // A run wrote the server's move of "dentista" into the diary but never recorded it; since
    // then the diary got "posta" at the old day and time.
    const SyncRecord d = agreedOn("d", c(4, "dentista"));
    const SyncContent moved = c(6, "dentista spostato", 11);
    const SyncPlan plan = SyncPlan::compare({c(4, "posta"), moved}, {there(d, moved)}, {d});
    QVERIFY(plan.diaryUntouched() && plan.conflicts == 0);
    QCOMPARE(plan.create, QVector<SyncContent>{c(4, "posta")});
    QVERIFY(plan.replace.isEmpty() && plan.remove.isEmpty());
    QVERIFY(plan.unchanged.size() == 1 && plan.unchanged[0].agreed == moved);
}

QTEST_GUILESS_MAIN(TestSyncPlan)
#include "tst_syncplan.moc"
