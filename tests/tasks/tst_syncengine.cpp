#include "support/shareddiary.h"
#include "sync/scriptedserver.h"

#include "domain/diary.h"
#include "domain/icalendar.h"
#include "tasks/syncengine.h"
#include "tasks/syncstate.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray between(const QByteArray &text, const QByteArray &open, const QByteArray &close, int from = 0)
{
    const int at = text.indexOf(open, from);
    return at < 0 ? QByteArray() : text.mid(at + open.size(), text.indexOf(close, at) - at - open.size());
}

// Enough of a CalDAV calendar to answer the engine as a server would, with the failures a test
// puts in its way: a token it refuses, a status for every write.
struct Calendar
{
    struct Event
    {
        QByteArray etag, body;
    };
    QMap<QByteArray, Event> events;  // by href
    int version = 1;
    int refuseToken = 0;  // the status a sync-token is refused with
    int refuseWrites = 0; // the status every PUT and DELETE gets
    bool tokens = true;   // without: a ctag, and listings
    ScriptedServer server;

    Calendar()
    {
        server.answer = [this](const QByteArray &r) { return answer(r); };
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/u/cal/").arg(server.serverPort()); }
    QByteArray token() const { return "http://t/" + QByteArray::number(version); }
    void put(const QByteArray &name, const QString &text, QDate date = QDate(2026, 6, 1))
    {
        events["/u/cal/" + name + ".ics"] = {'"' + QByteArray::number(++version) + '"',
                                             ICalendar::writeEvent({name, date, QTime(9, 0), text})};
    }
    QByteArrayList taken() { return std::exchange(server.requests, {}); }

    ScriptedServer::Answer answer(const QByteArray &r)
    {
        const QByteArray href = r.mid(r.indexOf(' ') + 1, r.indexOf(" HTTP/") - r.indexOf(' ') - 1);
        const auto withEtag = [](const QByteArray &h, const QByteArray &etag, const QByteArray &more = {}) {
            return "<d:response><d:href>" + h + "</d:href><d:propstat><d:prop><d:getetag>" + etag + "</d:getetag>"
                   + more + "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
        };
        if (r.contains("sync-collection") && !tokens)
            return {501};
        if (r.startsWith("PROPFIND") && r.contains("getctag"))
            return {207, {}, "<d:multistatus xmlns:d=\"DAV:\" xmlns:cs=\"http://calendarserver.org/ns/\"><d:response>"
                             "<d:href>/u/cal/</d:href><d:propstat><d:prop><cs:getctag>" + token()
                                 + "</cs:getctag></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
                                   "</d:response></d:multistatus>"};
        if (r.contains("sync-collection") || r.contains("calendar-query")) {
            const QByteArray asked = tokens ? between(r, "<d:sync-token>", "</d:sync-token>") : QByteArray();
            if (!asked.isEmpty() && refuseToken)
                return {refuseToken, {}, "<d:error xmlns:d=\"DAV:\"><d:valid-sync-token/></d:error>"};
            QByteArray list;
            for (auto it = events.cbegin(); asked != token() && it != events.cend(); ++it)
                list += withEtag(it.key(), it->etag);
            return {207, {}, "<d:multistatus xmlns:d=\"DAV:\">" + list + "<d:sync-token>" + token()
                                 + "</d:sync-token></d:multistatus>"};
        }
        if (r.contains("calendar-multiget")) {
            QByteArray list;
            for (int at = r.indexOf("<d:href>"); at >= 0; at = r.indexOf("<d:href>", at + 1)) {
                const QByteArray h = between(r, "<d:href>", "</d:href>", at);
                const QByteArray data = QString::fromUtf8(events[h].body).toHtmlEscaped().toUtf8();
                list += withEtag(h, events[h].etag, "<c:calendar-data>" + data + "</c:calendar-data>");
            }
            return {207, {}, "<d:multistatus xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\">" + list
                                 + "</d:multistatus>"};
        }
        const QByteArray ifMatch = between(r, "If-Match: ", "\r\n");
        if (refuseWrites || (!ifMatch.isEmpty() && events.value(href).etag != ifMatch))
            return {refuseWrites ? refuseWrites : 412};
        ++version;
        if (r.startsWith("DELETE"))
            return events.remove(href) ? ScriptedServer::Answer{204} : ScriptedServer::Answer{404};
        events[href] = {'"' + QByteArray::number(version) + '"', r.mid(r.indexOf("\r\n\r\n") + 4)};
        return {201, "ETag: " + events[href].etag + "\r\n"};
    }
};

} // namespace

// The synchronisation engine on a diary without its window, against a calendar of the test's
// own: what it asks, and what it does when the server refuses.
class TestSyncEngine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_diary.start(); }
    void cleanupTestCase() { m_diary.stop(); }
    void init();
    void ownWritesAreOneRequestEach();
    void aRefusedTokenCostsOneWholeComparison_data();
    void aRefusedTokenCostsOneWholeComparison();
    void anotherWriterFirstKeepsBothVersions();
    void aRefusedWriteIsToldAndSentAgain_data();
    void aRefusedWriteIsToldAndSentAgain();
    void aServerThatNeverAnswersChangesNothing();
    void aDamagedStateFileCostsAComparisonOnly_data();
    void aDamagedStateFileCostsAComparisonOnly();
    void aLongUploadGoesNearestFirstAndSaysHowFar();
    void aServerWithoutTokensIsAskedItsCtag();

private:
    Diary &diary() { return m_diary->appointments(); }
    void holds(const QStringList &texts);
    QStringList texts();
    int rowOf(const QString &text);
    // Runs until the engine rests, and what it asked.
    QByteArrayList run(Calendar &calendar, void (SyncEngine::*how)() = &SyncEngine::syncNow);

    SharedDiary m_diary;
    QTemporaryDir m_dir;
    std::unique_ptr<SyncEngine> m_engine;
    QString m_state, m_calendar;
};

void TestSyncEngine::init()
{
    m_state = m_dir.filePath(QStringLiteral("%1.json").arg(QTest::currentTestFunction()));
    QFile::remove(m_state);
    m_engine = std::make_unique<SyncEngine>(diary(), m_state);
    m_calendar.clear();
    holds({});
}

void TestSyncEngine::holds(const QStringList &list)
{
    QVector<int> rows;
    for (const Appointment &a : diary().stored())
        rows << a.row;
    Appointments wanted;
    for (int i = 0; i < list.size(); ++i)
        wanted << Appointment::typed(QDate(2026, 6, 1), QTime(9, 0), list[i]);
    diary().exchange(rows, wanted);
}

QStringList TestSyncEngine::texts()
{
    QStringList all;
    for (const Appointment &a : diary().stored())
        all << a.text.text;
    all.sort();
    return all;
}

int TestSyncEngine::rowOf(const QString &text)
{
    for (const Appointment &a : diary().stored())
        if (a.text.text == text)
            return a.row;
    return 0;
}

QByteArrayList TestSyncEngine::run(Calendar &calendar, void (SyncEngine::*how)())
{
    // Once: a new account is a new start.
    if (std::exchange(m_calendar, calendar.url()) != calendar.url())
        m_engine->setAccount({QUrl(calendar.url()), {}, {}});
    (m_engine.get()->*how)();
    // With any run it asked for after this one.
    if (!QTest::qWaitFor([this] { return !m_engine->isRunning() && !m_engine->hasRunWaiting(); }, 20000))
        qWarning("the engine never rested");
    return calendar.taken();
}

void TestSyncEngine::ownWritesAreOneRequestEach()
{
    Calendar calendar;
    QCOMPARE(run(calendar).size(), 1);
    QCOMPARE(SyncState::load(m_state, calendar.url()).syncToken, calendar.token());
    // Nothing to do: the token, and nothing more.
    const QByteArrayList idle = run(calendar);
    QCOMPARE(idle.size(), 1);
    QVERIFY(idle[0].contains("<d:sync-token>" + calendar.token() + "</d:sync-token>"));

    diary().insertAll({Appointment::typed(QDate(2026, 6, 2), QTime(10, 0), QStringLiteral("Dentista"))});
    QByteArrayList sent = run(calendar, &SyncEngine::sendNow);
    QCOMPARE(sent.size(), 1);
    QVERIFY(sent[0].startsWith("PUT ") && sent[0].contains("If-None-Match: *"));
    const QByteArray etag = calendar.events.first().etag;
    diary().replace(diary().stored().first().row,
                    Appointment::typed(QDate(2026, 6, 2), QTime(11, 0), QStringLiteral("Dentista")));
    sent = run(calendar, &SyncEngine::sendNow);
    QCOMPARE(sent.size(), 1);
    QVERIFY(sent[0].startsWith("PUT ") && sent[0].contains("If-Match: " + etag));
    diary().remove(diary().stored().first().row);
    sent = run(calendar, &SyncEngine::sendNow);
    QCOMPARE(sent.size(), 1);
    QVERIFY(sent[0].startsWith("DELETE ") && calendar.events.isEmpty());
    QVERIFY(m_engine->last().failure.isEmpty());
}

void TestSyncEngine::aRefusedTokenCostsOneWholeComparison_data()
{
    QTest::addColumn<int>("status");
    QTest::newRow("403") << 403;
    QTest::newRow("409") << 409;
    QTest::newRow("500") << 500;
}

void TestSyncEngine::aRefusedTokenCostsOneWholeComparison()
{
    QFETCH(int, status);
    Calendar calendar;
    calendar.put("a", QStringLiteral("Riunione"));
    holds({QStringLiteral("Riunione")});
    const SyncContent riunione{QDate(2026, 6, 1), QTime(9, 0), QStringLiteral("Riunione")};
    const Calendar::Event &a = calendar.events.first();
    SyncState::save(m_state, calendar.url(),
                    {{SyncRecord{"a", "/u/cal/a.ics", a.etag, {}, riunione}}, QStringLiteral("http://t/scaduto")});
    calendar.refuseToken = status;
    const QByteArrayList asked = run(calendar);
    QCOMPARE(asked.size(), 2);
    QVERIFY(asked[1].contains("<d:sync-token></d:sync-token>"));
    QCOMPARE(texts(), QStringList{"Riunione"});
    QCOMPARE(SyncState::load(m_state, calendar.url()).syncToken, calendar.token());
    QVERIFY(m_engine->last().failure.isEmpty());
}

void TestSyncEngine::anotherWriterFirstKeepsBothVersions()
{
    Calendar calendar;
    calendar.put("a", QStringLiteral("Riunione"));
    calendar.put("b", QStringLiteral("Cena"));
    holds({QStringLiteral("Cena"), QStringLiteral("Riunione")});
    run(calendar);
    // The phone changes both; the diary, not knowing, changes one and deletes the other.
    calendar.put("a", QStringLiteral("Riunione al telefono"));
    calendar.put("b", QStringLiteral("Cena al telefono"));
    diary().replace(rowOf(QStringLiteral("Riunione")),
                    Appointment::typed(QDate(2026, 6, 1), QTime(9, 0), QStringLiteral("Riunione mia")));
    diary().remove(rowOf(QStringLiteral("Cena")));
    const QByteArrayList asked = run(calendar, &SyncEngine::sendNow);
    // Both refused; then one run that asks: the changes, their bodies, the diary's version as a new event.
    QCOMPARE(asked.size(), 5);
    QVERIFY(asked[0].contains("If-Match") && asked[1].contains("If-Match"));
    QCOMPARE(texts(), (QStringList{"Cena al telefono", "Riunione al telefono", "Riunione mia"}));
    QCOMPARE(calendar.events.size(), 3);
    QVERIFY(m_engine->last().failure.isEmpty());
}

void TestSyncEngine::aRefusedWriteIsToldAndSentAgain_data()
{
    QTest::addColumn<int>("status");
    QTest::newRow("vietato") << 403;
    QTest::newRow("pieno") << 507;
    QTest::newRow("rifiutato dentro un 207") << 207;
}

void TestSyncEngine::aRefusedWriteIsToldAndSentAgain()
{
    QFETCH(int, status);
    Calendar calendar;
    run(calendar);
    calendar.refuseWrites = status;
    diary().insertAll({Appointment::typed(QDate(2026, 6, 3), QTime(8, 0), QStringLiteral("Palestra"))});
    QCOMPARE(run(calendar, &SyncEngine::sendNow).size(), 1);
    QCOMPARE(m_engine->last().failed, 1);
    QCOMPARE(m_engine->last().failure,
             QStringLiteral("Il server rifiuta la scrittura (risposta %1): calendario di sola lettura o pieno?")
                 .arg(status));
    calendar.refuseWrites = 0;
    QCOMPARE(run(calendar, &SyncEngine::sendNow).size(), 1);
    QCOMPARE(calendar.events.size(), 1);
}

void TestSyncEngine::aServerThatNeverAnswersChangesNothing()
{
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    holds({QStringLiteral("Dentista")});
    m_engine->setRequestTimeout(1000);
    m_engine->setAccount({QUrl(QStringLiteral("http://127.0.0.1:%1/u/cal/").arg(silent.serverPort())), {}, {}});
    m_engine->syncNow();
    QTRY_VERIFY_WITH_TIMEOUT(!m_engine->isRunning(), 10000);
    QCOMPARE(m_engine->last().failure,
             QStringLiteral("Il server è troppo lento: nessuna risposta completa in 1 secondi."));
    QVERIFY(!QFile::exists(m_state));
    QCOMPARE(texts(), QStringList{"Dentista"});
}

void TestSyncEngine::aDamagedStateFileCostsAComparisonOnly_data()
{
    QTest::addColumn<QByteArray>("state");
    QTest::newRow("troncato") << QByteArray("{\"calendar\": \"%1\", \"records\": [{\"uid\": \"x\", \"hr");
    QTest::newRow("fuori dal calendario")
        << QByteArray("{\"calendar\": \"%1\", \"syncToken\": \"%2\", \"records\": [{\"uid\": \"x\", \"href\": "
                      "\"/u/altro/x.ics\", \"etag\": \"1\", \"date\": \"2026-06-01\", \"text\": \"Altro\"}]}");
}

void TestSyncEngine::aDamagedStateFileCostsAComparisonOnly()
{
    QFETCH(QByteArray, state);
    Calendar calendar;
    calendar.put("x", QStringLiteral("Dentista"));
    holds({QStringLiteral("Dentista")});
    QFile file(m_state);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(state.replace("%1", calendar.url().toUtf8()).replace("%2", calendar.token()));
    file.close();
    const QByteArrayList asked = run(calendar);
    // Asked from the start, and paired up: neither sent again nor deleted anywhere.
    QVERIFY(asked[0].contains("<d:sync-token></d:sync-token>"));
    for (const QByteArray &r : asked)
        QVERIFY(r.startsWith("REPORT"));
    QCOMPARE(texts(), QStringList{"Dentista"});
    QCOMPARE(SyncState::load(m_state, calendar.url()).records.size(), 1);
}

void TestSyncEngine::aLongUploadGoesNearestFirstAndSaysHowFar()
{
    Calendar calendar;
    Appointments many;
    const QDate today = QDate::currentDate();
    for (int i = 0; i < 30; ++i)
        many << Appointment::typed(today.addDays(i % 2 ? 400 - i : i - 400), QTime(9, 0), QStringLiteral("N%1").arg(i));
    many << Appointment::typed(today, QTime(9, 0), QStringLiteral("Oggi"));
    holds({});
    diary().insertAll(many);
    QVector<SyncEngine::Progress> said;
    connect(m_engine.get(), &SyncEngine::progressed, this, [&said](const SyncEngine::Progress &p) { said << p; });
    const QByteArrayList sent = run(calendar);
    QCOMPARE(calendar.events.size(), 31);
    // Today's first, then outwards: the first ones on their way are the nearest.
    for (int i = 1; i <= 6; ++i)
        QVERIFY2(QRegularExpression("SUMMARY:(Oggi|N2[5-9])\r\n").match(sent[i]).hasMatch(), sent[i].constData());
    QVERIFY(said.size() >= 2);
    QCOMPARE(said[said.size() - 2].describe(), QStringLiteral("Inviati 31 di 31"));
    QCOMPARE(said.last().total, 0);
    QCOMPARE(SyncEngine::Progress({true, 1200, 10000}).describe(), QStringLiteral("Inviati 1.200 di 10.000"));
}

void TestSyncEngine::aServerWithoutTokensIsAskedItsCtag()
{
    Calendar calendar;
    calendar.tokens = false;
    calendar.put("a", QStringLiteral("Riunione"));
    QCOMPARE(run(calendar).size(), 4);  // the report refused, the ctag, the listing, the body
    QCOMPARE(texts(), QStringList{"Riunione"});
    // Unchanged: the ctag alone, at Depth 0.
    const QByteArrayList idle = run(calendar);
    QCOMPARE(idle.size(), 1);
    QVERIFY(idle[0].startsWith("PROPFIND") && idle[0].contains("Depth: 0"));
    calendar.put("a", QStringLiteral("Riunione spostata"));
    QCOMPARE(run(calendar).size(), 3);
    QCOMPARE(texts(), QStringList{"Riunione spostata"});
}

QTEST_MAIN(TestSyncEngine)
#include "tst_syncengine.moc"
