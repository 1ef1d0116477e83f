#include "radicale.h"
#include "scriptedserver.h"
#include "xandikos.h"
#include "support/browsefixture.h"
#include "support/testsupport.h"

#include "domain/diary.h"
#include "domain/icalendar.h"
#include "shell/form1.h"
#include "sync/serverwindow.h"
#include "sync/synchandlers.h"
#include "tasks/syncstate.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

#include <memory>

// Two diaries on two workbooks kept in step through a real Radicale or Xandikos, by the real windows.
class TestSync : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void twoDiariesSeeEachOther_data();
    void twoDiariesSeeEachOther();
    void aServerDownInTheMiddle_data();
    void aServerDownInTheMiddle();
    void aWrongPasswordIsSaid();
    void aSeriesFromElsewhereComesAsItsOccurrences_data();
    void aSeriesFromElsewhereComesAsItsOccurrences();
    void withoutAnAddressNothingIsAsked();
    void aModalWindowHoldsBackTheServersChangesOnly_data();
    void aModalWindowHoldsBackTheServersChangesOnly();
    void onlyWhatIsOnDiskIsSent();
    void aHostileServerKeepsNothingOutsideItsCalendar();
    void outsideTextIsTextAndPlainHttpIsAskedFirst();
    void anEventThatCannotBeReadStaysAsAgreed();
    void aFirstUploadSaysHowFarAndGoesOnAfterEsci();
};

namespace {

// The server a row names; Radicale with the row's user, if any: Xandikos has no users.
std::unique_ptr<DavServer> serverNamed(const QString &name, const QString &user = {})
{
    if (name == QLatin1String("Xandikos"))
        return std::make_unique<Xandikos>();
    return std::make_unique<Radicale>(user, QStringLiteral("segreta"));
}

void serverRows()
{
    QTest::addColumn<QString>("server");
    for (const char *name : {"Radicale", "Xandikos"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

ServerWindow *openServerWindow(RunningDiary &d)
{
    d.form().findChild<QAction *>(QStringLiteral("Mserver"))->trigger();
    return d.form().findChild<ServerWindow *>();
}

// Typed into "Calendario sul server" and saved, as the user does.
void connectTo(RunningDiary &d, const QString &address, const QString &user = {}, const QString &password = {})
{
    ServerWindow *w = openServerWindow(d);
    w->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(address);
    w->findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(user);
    w->findChild<QLineEdit *>(QStringLiteral("Text3"))->setText(password);
    w->findChild<QPushButton *>(QStringLiteral("Command2"))->click();
    w->close();
}

SyncEngine &engine(RunningDiary &d)
{
    return d.form().findChild<SyncHandlers *>()->engine();
}

QByteArray multistatus(const QByteArray &responses)
{
    return "<d:multistatus xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\">" + responses + "</d:multistatus>";
}

QByteArray response(const QByteArray &href, const QByteArray &props)
{
    return "<d:response>" + href + "<d:propstat><d:prop>" + props
           + "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
}

QStringList texts(RunningDiary &d)
{
    QStringList all;
    for (const Appointment &a : d.appointments().stored())
        all << a.date.toDate().toString(Qt::ISODate) + QLatin1Char(' ') + a.time.toTime().toString(QStringLiteral("HH:mm"))
                   + QLatin1Char(' ') + a.text.text;
    return all;
}

// F5 until the diary holds what is expected, as a user waiting for a change would press it.
bool refreshedTo(RunningDiary &d, const QStringList &expected)
{
    for (int i = 0; i < 100; ++i) {
        if (!engine(d).isRunning()) {
            if (texts(d) == expected)
                return true;
            d.form().findChild<QAction *>(QStringLiteral("Maggiorna"))->trigger();
        }
        QTest::qWait(100);
    }
    qWarning() << texts(d) << "instead of" << expected;
    return false;
}

} // namespace

void TestSync::init()
{
    QSettings(QStringLiteral("vespolari"), QStringLiteral("vespolari")).remove(QStringLiteral("server"));
}

void TestSync::twoDiariesSeeEachOther_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("user");
    QTest::newRow("Radicale senza autenticazione") << QStringLiteral("Radicale") << QString();
    QTest::newRow("Radicale utente htpasswd") << QStringLiteral("Radicale") << QStringLiteral("anna");
    QTest::newRow("Xandikos senza autenticazione") << QStringLiteral("Xandikos") << QString();
}

void TestSync::twoDiariesSeeEachOther()
{
    QFETCH(QString, server);
    QFETCH(QString, user);
    const auto dav = serverNamed(server, user);
    TempWorkbook wbA, wbB;
    RunningDiary a(wbA.folder()), b(wbB.folder());
    connectTo(a, dav->calendar(), user, QStringLiteral("segreta"));
    connectTo(b, dav->calendar(), user, QStringLiteral("segreta"));

    a.appointments().insertAll({Appointment::typed(QDate(2026, 5, 4), QTime(9, 30), QStringLiteral("Dentista"))});
    QVERIFY(refreshedTo(b, {"2026-05-04 09:30 Dentista"}));
    QCOMPARE(dav->events(), 1);

    a.appointments().replace(a.appointments().stored().first().row,
                             Appointment::typed(QDate(2026, 5, 4), QTime(11, 0), QStringLiteral("Dentista, spostato")));
    QVERIFY(refreshedTo(b, {"2026-05-04 11:00 Dentista, spostato"}));

    b.appointments().remove(b.appointments().stored().first().row);
    QVERIFY(refreshedTo(a, {}));
    QCOMPARE(dav->events(), 0);
    QVERIFY(engine(a).last().failure.isEmpty());
}

void TestSync::aServerDownInTheMiddle_data()
{
    serverRows();
}

void TestSync::aServerDownInTheMiddle()
{
    QFETCH(QString, server);
    const auto dav = serverNamed(server);
    TempWorkbook wbA, wbB;
    RunningDiary a(wbA.folder());
    connectTo(a, dav->calendar());
    a.appointments().insertAll({Appointment::typed(QDate(2026, 6, 1), QTime(8, 0), QStringLiteral("Prima"))});
    QTRY_COMPARE_WITH_TIMEOUT(dav->events(), 1, 10000);

    dav->stop();
    a.appointments().insertAll({Appointment::typed(QDate(2026, 6, 2), QTime(8, 0), QStringLiteral("Durante"))});
    QTRY_VERIFY_WITH_TIMEOUT(!engine(a).last().failure.isEmpty(), 10000);
    // The diary goes on, and says it once, in a notice that blocks nothing.
    a.appointments().insertAll({Appointment::typed(QDate(2026, 6, 3), QTime(8, 0), QStringLiteral("Ancora"))});
    QTRY_VERIFY_WITH_TIMEOUT(!engine(a).isRunning() && engine(a).last().when.isValid(), 10000);
    QTest::qWait(1500);
    const auto notices = a.form().findChildren<QMessageBox *>(QStringLiteral("avvisoServer"));
    QCOMPARE(notices.size(), 1);
    QVERIFY(!notices.first()->isModal());
    QCOMPARE(a.appointments().stored().size(), 3);

    dav->start();
    RunningDiary b(wbB.folder());
    connectTo(b, dav->calendar());
    // The next run, F5 here, sends what is pending.
    a.form().findChild<QAction *>(QStringLiteral("Maggiorna"))->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(dav->events(), 3, 10000);
    QVERIFY(refreshedTo(b, {"2026-06-01 08:00 Prima", "2026-06-02 08:00 Durante", "2026-06-03 08:00 Ancora"}));
}

void TestSync::aWrongPasswordIsSaid()
{
    Radicale server(QStringLiteral("anna"), QStringLiteral("segreta"));
    TempWorkbook wb;
    RunningDiary d(wb.folder());
    ServerWindow *w = openServerWindow(d);
    w->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(server.calendar());
    w->findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QStringLiteral("anna"));
    w->findChild<QLineEdit *>(QStringLiteral("Text3"))->setText(QStringLiteral("sbagliata"));
    QLabel *answer = w->findChild<QLabel *>(QStringLiteral("Label1"));
    w->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(answer->text(), QStringLiteral("Utente o password errati: il server rifiuta l'accesso."),
                              10000);
    w->findChild<QLineEdit *>(QStringLiteral("Text3"))->setText(QStringLiteral("segreta"));
    w->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(answer->text().startsWith(QStringLiteral("Calendario trovato")), 10000);
    w->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(server.calendar() + QStringLiteral("nessuno/"));
    w->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(answer->text().startsWith(QStringLiteral("L'indirizzo non è quello di un calendario")),
                             10000);
}

void TestSync::aSeriesFromElsewhereComesAsItsOccurrences_data()
{
    serverRows();
}

void TestSync::aSeriesFromElsewhereComesAsItsOccurrences()
{
    QFETCH(QString, server);
    const auto dav = serverNamed(server);
    const auto series = [&dav](const char *summary) {
        const QByteArray body = QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//altro//IT\r\nBEGIN:VEVENT\r\n"
                                           "UID:corso-1\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:20260907T090000\r\n"
                                           "RRULE:FREQ=WEEKLY;COUNT=3\r\nSUMMARY:")
                                + summary + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
        return dav->request("PUT", QStringLiteral("/u/cal/corso-1.ics"), body);
    };
    QCOMPARE(series("Corso"), 201);
    TempWorkbook wb;
    RunningDiary d(wb.folder());
    connectTo(d, dav->calendar());
    QVERIFY(refreshedTo(d, {"2026-09-07 09:00 Corso", "2026-09-14 09:00 Corso", "2026-09-21 09:00 Corso"}));
    QVERIFY(series("Corso B") < 300);
    QVERIFY(refreshedTo(d, {"2026-09-07 09:00 Corso B", "2026-09-14 09:00 Corso B", "2026-09-21 09:00 Corso B"}));
    // One occurrence changed here becomes the diary's own; the series stays as it is there.
    d.appointments().replace(d.appointments().stored().at(1).row,
                             Appointment::typed(QDate(2026, 9, 15), QTime(9, 0), QStringLiteral("Corso B")));
    QTRY_COMPARE_WITH_TIMEOUT(dav->events(), 2, 10000);
    QVERIFY(refreshedTo(d, {"2026-09-07 09:00 Corso B", "2026-09-15 09:00 Corso B", "2026-09-21 09:00 Corso B"}));
}

void TestSync::withoutAnAddressNothingIsAsked()
{
    TempWorkbook wb;
    RunningDiary d(wb.folder());
    ui(d.form()).Text1->setText(QStringLiteral("04/05/2026"));
    ui(d.form()).Text2->setText(QStringLiteral("9.30"));
    ui(d.form()).Text3->setText(QStringLiteral("Dentista"));
    ui(d.form()).Command1->click();
    QTRY_COMPARE(d.appointments().stored().size(), 1);
    QTest::qWait(800);
    QVERIFY(!engine(d).last().when.isValid());
    QVERIFY(d.form().findChildren<QMessageBox *>(QStringLiteral("avvisoServer")).isEmpty());
    QVERIFY(!d.form().findChild<QAction *>(QStringLiteral("Maggiorna"))->isEnabled());
    // An address typed later starts it.
    Radicale server;
    connectTo(d, server.calendar());
    QTRY_COMPARE_WITH_TIMEOUT(server.events(), 1, 10000);
    QVERIFY(d.form().findChild<QAction *>(QStringLiteral("Maggiorna"))->isEnabled());
}

void TestSync::aModalWindowHoldsBackTheServersChangesOnly_data()
{
    serverRows();
}

void TestSync::aModalWindowHoldsBackTheServersChangesOnly()
{
    QFETCH(QString, server);
    const auto dav = serverNamed(server);
    // The phone's appointments, timed in the zone of the run: Rome's carries summer-time rules.
    const auto put = [&dav](const char *uid, int day, const QString &text) {
        return dav->request("PUT", QStringLiteral("/u/cal/%1.ics").arg(uid),
                            ICalendar::writeEvent({uid, QDate(2026, 5, day), QTime(9, 30), text}));
    };
    QCOMPARE(put("tel", 4, QStringLiteral("Dal telefono")), 201);
    QCOMPARE(put("riu", 6, QStringLiteral("Riunione")), 201);
    TempWorkbook wbA, wbB;
    RunningDiary a(wbA.folder()), b(wbB.folder());
    connectTo(a, dav->calendar());
    connectTo(b, dav->calendar());
    const QStringList both{"2026-05-04 09:30 Dal telefono", "2026-05-06 09:30 Riunione"};
    QVERIFY(refreshedTo(a, both));
    QVERIFY(refreshedTo(b, both));

    // B deletes one; the day's message stays open 3 s, while the phone changes the other and the
    // five minutes' run comes round.
    int runs = 0, runsWhileOpen = -1;
    connect(&engine(b), &SyncEngine::runFinished, this, [&runs] { ++runs; });
    b.prompter.onMessage = [&](const QString &text) {
        if (text != QStringLiteral("Nessun Appuntamento per questa data"))
            return;
        QVERIFY(put("riu", 6, QStringLiteral("Riunione spostata")) < 300);
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Vespolari"), text, QMessageBox::Ok, &b.form());
        QTimer::singleShot(1000, &engine(b), &SyncEngine::syncNow);
        QTimer::singleShot(3000, &box, &QMessageBox::accept);
        box.exec();
        runsWhileOpen = runs;
    };
    BrowseFixture::clickDay(b.form(), QDate(2026, 5, 4));
    ui(b.form()).List1->setCurrentRow(0);
    b.prompter.replies = {true};
    b.form().findChild<QAction *>(QStringLiteral("Melimina"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(runsWhileOpen >= 0, 10000);
    QVERIFY2(runsWhileOpen >= 1 && runsWhileOpen <= 2, qPrintable(QString::number(runsWhileOpen)));
    QCOMPARE(dav->events(), 1);
    // Once it closes, the change comes by itself; the deleted one comes back nowhere.
    QTRY_COMPARE_WITH_TIMEOUT(texts(b), QStringList{"2026-05-06 09:30 Riunione spostata"}, 10000);
    QVERIFY(refreshedTo(a, {"2026-05-06 09:30 Riunione spostata"}));
}

void TestSync::onlyWhatIsOnDiskIsSent()
{
    Radicale server;
    TempWorkbook wb;
    RunningDiary d(wb.folder());
    connectTo(d, server.calendar());
    const auto ranAgain = [&d] {
        const QDateTime before = engine(d).last().when;
        d.form().findChild<QAction *>(QStringLiteral("Maggiorna"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!engine(d).isRunning() && engine(d).last().when != before, 10000);
    };
    // Every save fails: the folder has gone, and a file holds its name.
    const QString folder = wb.folder(), away = folder + QStringLiteral("-altrove");
    QVERIFY(QDir().rename(folder, away));
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY_THROWS_EXCEPTION(StoreError, d.appointments().insertAll({Appointment::typed(
                                             QDate(2026, 5, 4), QTime(9, 30), QStringLiteral("Dentista"))}));
    ranAgain();
    // Not on disk, so not agreed on: a start from the last save would take it for deleted.
    QCOMPARE(server.events(), 0);
    QVERIFY(blocker.remove() && QDir().rename(away, folder));
    d.appointments().save();
    ranAgain();
    QCOMPARE(server.events(), 1);
}

// A server of the test's own, answering as a hostile one would, with a second port for another host.
void TestSync::aHostileServerKeepsNothingOutsideItsCalendar()
{
    ScriptedServer home, elsewhere;
    const QByteArray away = "127.0.0.1:" + QByteArray::number(elsewhere.serverPort());
    const QByteArray etag = "<d:getetag>\"e\"</d:getetag>", login = "Basic " + QByteArray("anna:segreta").toBase64();
    // Eight hrefs naming nothing inside the calendar (one response has none), then the calendar itself.
    QByteArray report = response({}, etag);
    for (const QByteArray &href : {QByteArray(), "http://" + away + "/u/cal/a.ics", "//" + away + "/u/cal/b.ics",
                                   "%2F%2F" + away + "/u/cal/c.ics", QByteArray("/u/cal/../altro/cal/d.ics"),
                                   QByteArray("/u/cal/%2e%2e/altro/e.ics"), QByteArray("/u/cal/x%2F..%2F..%2Ff.ics"),
                                   QByteArray("/u/cal/")})
        report += response("<d:href>" + href + "</d:href>", etag);
    // Five events agreed before and deleted in the diary since, five new in the diary.
    QVector<SyncRecord> agreed;
    Appointments mine;
    for (int i = 1; i <= 5; ++i) {
        const QString href = QStringLiteral("/u/cal/d%1.ics").arg(i);
        report += response("<d:href>" + href.toLatin1() + "</d:href>", etag);
        agreed << SyncRecord{href, href, "\"e\"", {}, {QDate(2026, 3, i), {}, "Vecchio"}};
        mine << Appointment::typed(QDate(2026, 5, i), QTime(9, 0), QStringLiteral("Mio"));
    }
    int redirected = 0;
    home.answer = [&](const QByteArray &request) -> ScriptedServer::Answer {
        if (!request.contains(login))
            return {401, "WWW-Authenticate: Basic realm=\"cal\"\r\n"};
        if (request.startsWith("REPORT"))
            return {207, "Content-Type: application/xml\r\n", multistatus(report)};
        return {QList<int>{301, 302, 303, 307, 308}[redirected++ % 5], "Location: http://" + away + "/u/cal/x\r\n"};
    };
    TempWorkbook wb;
    const QString calendar = QStringLiteral("http://127.0.0.1:%1/u/cal/").arg(home.serverPort());
    QVERIFY(SyncState::save(SyncState::fileFor(wb.path()), calendar, agreed));
    RunningDiary d(wb.folder());
    d.appointments().insertAll(mine);
    connectTo(d, calendar, QStringLiteral("anna"), QStringLiteral("segreta"));
    QTRY_VERIFY_WITH_TIMEOUT(engine(d).last().when.isValid() && !engine(d).isRunning(), 20000);
    // Every PUT and DELETE sent elsewhere, none followed; the PROPFIND of "Prova" neither.
    QCOMPARE(engine(d).last().failed, 10);
    QVERIFY(engine(d).last().failure.startsWith("Il server rimanda a un altro indirizzo (http://" + away));
    QVERIFY(engine(d).last().describe().contains("Ignorati 8 riferimenti del server fuori dal calendario."));
    QCOMPARE(d.form().findChild<QMessageBox *>(QStringLiteral("avvisoServer"))->textFormat(), Qt::PlainText);
    ServerWindow *w = openServerWindow(d);
    for (int i = 0; i < 5; ++i) {
        w->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        QTRY_VERIFY(w->findChild<QLabel *>(QStringLiteral("Label1"))->text().startsWith("Il server rimanda"));
    }
    // An ETag with a line break makes the answer a bad one: nothing is written with it.
    report = response("<d:href>/u/cal/d1.ics</d:href>", "<d:getetag>\"e\"&#13;&#10;X-Iniettato: 1</d:getetag>");
    const int before = int(home.requests.size());
    d.form().findChild<QAction *>(QStringLiteral("Maggiorna"))->trigger();
    QTRY_VERIFY(engine(d).last().failure.startsWith(QStringLiteral("Risposta del server non comprensibile")));
    QCOMPARE(home.requests.size(), before + 1);
    QVERIFY(elsewhere.requests.isEmpty());
    for (const QByteArray &r : std::as_const(home.requests))
        QVERIFY(!r.startsWith("DELETE") || QRegularExpression("^DELETE /u/cal/d[1-5].ics ").match(r).hasMatch());
}

void TestSync::outsideTextIsTextAndPlainHttpIsAskedFirst()
{
    // 127.0.0.2 is this machine too, but not by a name the diary takes for it.
    ScriptedServer far(QHostAddress(QStringLiteral("127.0.0.2")));
    far.answer = [](const QByteArray &) -> ScriptedServer::Answer {
        return {207, {}, multistatus(response("<d:href>/u/cal/</d:href>",
                                              "<d:resourcetype><c:calendar/></d:resourcetype>"
                                              "<d:displayname>&lt;img src=\"/dev/zero\"&gt;</d:displayname>"))};
    };
    const QString address = QStringLiteral("http://127.0.0.2:%1/u/cal/").arg(far.serverPort());
    TempWorkbook wbA, wbB;
    RunningDiary a(wbA.folder());
    ServerWindow *w = openServerWindow(a);
    w->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(address);
    a.prompter.replies = {false, true};
    w->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    w->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    QLabel *answer = w->findChild<QLabel *>(QStringLiteral("Label1"));
    QTRY_COMPARE(answer->text(), QStringLiteral("Calendario trovato: \"<img src=\"/dev/zero\">\"."));
    QCOMPARE(answer->textFormat(), Qt::PlainText);
    QCOMPARE(far.requests.size(), 1);
    // Written into the settings by hand, with a password in it: asked about once, kept without it.
    QSettings settings(QStringLiteral("vespolari"), QStringLiteral("vespolari"));
    settings.setValue(QStringLiteral("server/indirizzo"), QString(address).replace("//", "//anna:segreta@"));
    RunningDiary b(wbB.folder());
    b.prompter.replies = {true};
    QTRY_VERIFY_WITH_TIMEOUT(engine(b).last().when.isValid() && engine(b).last().failure.isEmpty(), 10000);
    QCOMPARE(b.prompter.questions, a.prompter.questions.mid(1));
    QCOMPARE(settings.value(QStringLiteral("server/indirizzo")).toString(), address);
    QCOMPARE(settings.value(QStringLiteral("server/consenso")).toString(), address);
    QFile state(SyncState::fileFor(wbB.path()));
    QVERIFY(state.open(QIODevice::ReadOnly) && !state.readAll().contains("segreta"));
}

void TestSync::anEventThatCannotBeReadStaysAsAgreed()
{
    // Changed there into something cut off: neither a deletion on the server nor one here.
    ScriptedServer home;
    const QByteArray href = "<d:href>/u/cal/r.ics</d:href>", etag = "<d:getetag>\"2\"</d:getetag>";
    const QByteArray cut = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:r\r\nDTSTART:20260301T100000\r\nSUMMARY:Ri";
    home.answer = [&](const QByteArray &request) -> ScriptedServer::Answer {
        if (!request.startsWith("REPORT"))
            return {500};
        const QByteArray body = request.contains("calendar-multiget") ? "<c:calendar-data>" + cut + "</c:calendar-data>" : "";
        return {207, "Content-Type: application/xml\r\n", multistatus(response(href, etag + body))};
    };
    TempWorkbook wb;
    const QString calendar = QStringLiteral("http://127.0.0.1:%1/u/cal/").arg(home.serverPort());
    const SyncContent riunione{QDate(2026, 3, 1), QTime(10, 0), QStringLiteral("Riunione")};
    QVERIFY(SyncState::save(SyncState::fileFor(wb.path()), calendar,
                            QVector<SyncRecord>{SyncRecord{"r", "/u/cal/r.ics", "\"1\"", {}, riunione}}));
    RunningDiary d(wb.folder());
    d.appointments().insertAll({Appointment::typed(riunione.date, riunione.time, riunione.text)});
    connectTo(d, calendar);
    QTRY_VERIFY_WITH_TIMEOUT(engine(d).last().when.isValid() && !engine(d).isRunning(), 20000);
    QVERIFY(std::any_of(home.requests.begin(), home.requests.end(),
                        [](const QByteArray &r) { return r.contains("calendar-multiget"); }));
    QCOMPARE(texts(d), QStringList{"2026-03-01 10:00 Riunione"});
    for (const QByteArray &r : std::as_const(home.requests))
        QVERIFY(r.startsWith("REPORT"));
}

void TestSync::aFirstUploadSaysHowFarAndGoesOnAfterEsci()
{
    Radicale server;
    TempWorkbook wb;
    Appointments many;
    for (int i = 0; i < 80; ++i)
        many << Appointment::typed(QDate(2026, 7, 1).addDays(i), QTime(9, 0), QStringLiteral("Visita %1").arg(i));
    {
        RunningDiary d(wb.folder());
        QStatusBar *line = d.form().findChild<QStatusBar *>(QStringLiteral("StatusBar1"));
        d.form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&d.form()));
        const QSize drawn = d.form().size();
        d.appointments().insertAll(many.mid(0, 40));
        connectTo(d, server.calendar());
        QTRY_VERIFY_WITH_TIMEOUT(!line->isHidden() && line->currentMessage().startsWith("Calendario sul server: Inviati "),
                                 20000);
        QTRY_VERIFY_WITH_TIMEOUT(line->isHidden() && !engine(d).isRunning(), 30000);
        QCOMPARE(d.form().size(), drawn);
        // Forty more, and "Esci" while they go: the run gets its few seconds, the rest waits for the next start.
        d.appointments().insertAll(many.mid(40));
        QLabel *lastRun = openServerWindow(d)->findChild<QLabel *>(QStringLiteral("Label2"));
        QTRY_VERIFY(QRegularExpression(QStringLiteral("^Inviati \\d+ di 40$")).match(lastRun->text()).hasMatch());
        ui(d.form()).Command3->click();
    }
    RunningDiary d(wb.folder());
    QTRY_VERIFY_WITH_TIMEOUT(engine(d).last().when.isValid() && !engine(d).isRunning(), 60000);
    QCOMPARE(server.events(), 80);
}

int main(int argc, char **argv)
{
    // Settings, state files and keyring of the test's own: no keyring answers here.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    QApplication app(argc, argv);
    TestSync test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sync.moc"
