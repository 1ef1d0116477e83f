// Synchronisation with a CalDAV calendar at scale, against Debian's Radicale on this machine, each
// figure beside what the server itself takes for the same requests, asked in the same run by a
// plain client of the benchmark's own. With an empty calendar: the first run from start, and the
// first upload once the address is saved in the server window. With a calendar holding the
// diary's N appointments: the first run without a state file, runs with nothing to do, insertions,
// and the first pull of such a calendar into an empty diary. Then the requests each kind of run
// sent, from the server's log.
// Usage: vespolari_syncbench [N to upload, 1000] [N in the calendar, 10000]; 0 leaves that part out.
#include "davprobe.h"
#include "filledworkbook.h"
#include "firstrequest.h"
#include "longestgap.h"
#include "requestlog.h"
#include "stats.h"
#include "storagewatch.h"

#include "domain/diary.h"
#include "domain/icalendar.h"
#include "shell/form1.h"
#include "support/diarywalk.h"
#include "support/testsupport.h"
#include "sync/radicale.h"
#include "sync/serverwindow.h"
#include "sync/synchandlers.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QUuid>
#include <cstdio>

namespace {

constexpr int kRuns = 5;
constexpr int kHour = 3600000;
// What the diary waits after a write of its own before it runs (SyncHandlers), and how early a
// coarse timer of that length may fire, with room to spare.
constexpr double kAfterWriteMs = 300;
constexpr double kTimerSlackMs = 50;

QStringList requests;

[[noreturn]] void fail(const char *what, SyncEngine &engine)
{
    qFatal("%s: %s", what, qPrintable(engine.last().describe()));
}

// The event loop until `done` holds, looked at whenever a run ends or an event lands on the
// server. A failed run ends the benchmark.
bool waitUntil(SyncEngine &engine, StorageWatch *watch, const std::function<bool()> &done, int msecs = kHour)
{
    if (done())
        return true;
    QEventLoop loop;
    const auto look = [&] {
        if (done())
            loop.quit();
    };
    QObject::connect(&engine, &SyncEngine::runFinished, &loop, [&](const SyncEngine::Summary &summary) {
        if (!summary.failure.isEmpty())
            fail("a synchronisation failed", engine);
        look();
    });
    if (watch)
        watch->onLanded = look;
    QTimer::singleShot(msecs, &loop, &QEventLoop::quit);
    loop.exec();
    if (watch)
        watch->onLanded = nullptr;
    return done();
}

// Milliseconds from `trigger` to the end of the run it starts.
double timedRun(SyncEngine &engine, const std::function<void()> &trigger)
{
    bool ended = false;
    const QMetaObject::Connection c = QObject::connect(&engine, &SyncEngine::runFinished, [&ended] { ended = true; });
    QElapsedTimer clock;
    clock.start();
    trigger();
    const bool finished = waitUntil(engine, nullptr, [&ended] { return ended; });
    const double ms = clock.nsecsElapsed() / 1e6;
    QObject::disconnect(c);
    if (!finished)
        fail("a synchronisation never ended", engine);
    return ms;
}

// Until no run has ended for a second and none is under way: whatever a write set going (a run
// after it, another after its save) is over.
void settle(SyncEngine &engine)
{
    QSignalSpy finished(&engine, &SyncEngine::runFinished);
    QElapsedTimer clock;
    clock.start();
    do {
        if (clock.elapsed() > kHour)
            fail("the diary never stopped synchronising", engine);
        finished.clear();
    } while (finished.wait(1000) || engine.isRunning());
}

SyncEngine &engineOf(RunningDiary &d)
{
    return d.form().findChild<SyncHandlers *>()->engine();
}

// The address for the next diary to start with; none, and it starts without a server.
void connectTo(const QString &address)
{
    QSettings settings(QStringLiteral("vespolari"), QStringLiteral("vespolari"));
    if (address.isEmpty())
        settings.remove(QStringLiteral("server"));
    else
        settings.setValue(QStringLiteral("server/indirizzo"), address);
    settings.sync();
}

// "Calendario sul server" opened and the address typed in, as the user does: the button left to
// click is "Salva".
QPushButton *typedAddress(RunningDiary &d, const QString &address)
{
    d.form().findChild<QAction *>(QStringLiteral("Mserver"))->trigger();
    auto *window = d.form().findChild<ServerWindow *>();
    window->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(address);
    return window->findChild<QPushButton *>(QStringLiteral("Command2"));
}

void clickAndClose(QPushButton *button)
{
    button->click();
    button->window()->close();
}

QString sibling(const Radicale &server, const QString &name)
{
    return QUrl(server.calendar()).resolved(QUrl(QStringLiteral("../%1/").arg(name))).toString();
}

QString siblingFolder(const Radicale &server, const QString &name)
{
    return QFileInfo(server.folder()).dir().filePath(name);
}

void makeCalendar(DavProbe &probe, const QString &address)
{
    if (probe.makeCalendar(QUrl(address).path()).status != 201)
        qFatal("no calendar at %s", qPrintable(address));
}

// What a diary's first pull asks the server: every href with its ETag, as the sync-collection
// without a token that a first run sends (on a calendar that never gave a token: its first one
// costs the server more), then the bodies in batches of 200, one request after the other. The sum
// of the server's times.
double pullCost(DavProbe &probe, const QString &calendar, int expected)
{
    const DavProbe::Answer listing = probe.syncCollection(calendar, {});
    QStringList hrefs = DavProbe::hrefs(listing.body);
    if (listing.status != 207 || hrefs.size() != expected)
        qFatal("the listing of %s holds %d events, not %d", qPrintable(calendar), int(hrefs.size()), expected);
    double ms = listing.ms;
    int bodies = 0;
    for (int from = 0; from < hrefs.size(); from += 200) {
        const DavProbe::Answer batch = probe.multiget(calendar, hrefs.mid(from, 200));
        if (batch.status != 207)
            qFatal("multiget refused: %d", batch.status);
        bodies += int(batch.body.count("BEGIN:VEVENT"));
        ms += batch.ms;
    }
    if (bodies != expected)
        qFatal("the multigets gave %d events, not %d", bodies, expected);
    return ms;
}

CalendarEvent freshEvent(const Appointment &a)
{
    CalendarEvent e = *ICalendar::toEvent(a, 0);
    e.uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return e;
}

QString figure(const Timings &t)
{
    if (t.ms.size() == 1)
        return QString::number(t.median(), 'f', 1);
    return QStringLiteral("%1 / %2 / %3").arg(t.median(), 0, 'f', 1).arg(t.min(), 0, 'f', 1).arg(t.max(), 0, 'f', 1);
}

void line(const QString &what, int n, const QString &diary, const QString &server, const QString &ratio,
          const QString &aim)
{
    std::printf("| %s | %d | %s | %s | %s | %s |\n", qPrintable(what), n, qPrintable(diary), qPrintable(server),
                qPrintable(ratio), qPrintable(aim));
    std::fflush(stdout);
}

// With the server's own cost of the same requests beside it, the ratio of the medians and
// whether it is within the aim.
void row(const QString &what, int n, const Timings &diary, const Timings &server = {}, double aim = 0)
{
    if (server.ms.isEmpty())
        return line(what, n, figure(diary), QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-"));
    const double ratio = diary.median() / server.median();
    line(what, n, figure(diary), figure(server), QStringLiteral("%1x").arg(ratio, 0, 'f', 2),
         QStringLiteral("within %1x: %2")
             .arg(aim)
             .arg(ratio <= aim ? QStringLiteral("met") : QStringLiteral("not met")));
}

// The first run onto an empty calendar: from start, and once the address is saved in the server
// window, with the window's answers meanwhile; beside the latter, the same events put one by one.
// False when the calendar was kept up for a look instead.
bool uploads(int count)
{
    Radicale server;
    RequestLog log(server);
    DavProbe probe{QUrl(server.calendar())};
    const QString up = sibling(server, QStringLiteral("up")), put = sibling(server, QStringLiteral("put"));
    makeCalendar(probe, up);
    makeCalendar(probe, put);
    TempWorkbook wb, again;
    fillWorkbook(wb.path(), count, 21);
    QFile::remove(again.path());
    QFile::copy(wb.path(), again.path());

    connectTo(server.calendar());
    {
        log.mark();
        // The run at start begins with the window.
        QElapsedTimer clock;
        clock.start();
        RunningDiary diary(wb.folder());
        Timings first;
        timedRun(engineOf(diary), [] {});
        first.ms << clock.nsecsElapsed() / 1e6;
        settle(engineOf(diary));
        requests << QStringLiteral("first synchronisation of an empty calendar from start, %1: %2")
                        .arg(count)
                        .arg(log.sinceMark());
        if (server.events() != count)
            fail("the first run did not send everything", engineOf(diary));
        row(QStringLiteral("first synchronisation of an empty calendar (from start)"), count, first);
        // For a look with another CalDAV client: the calendar stays up this many seconds.
        if (const int keep = qEnvironmentVariableIntValue("VESPOLARI_BENCH_KEEP")) {
            std::printf("calendar at %s for %d s\n", qPrintable(server.calendar()), keep);
            std::fflush(stdout);
            QTest::qWait(keep * 1000);
            return false;
        }
    }

    connectTo({});
    RunningDiary diary(again.folder());
    SyncEngine &engine = engineOf(diary);
    StorageWatch landing(siblingFolder(server, QStringLiteral("up")));
    QPushButton *save = typedAddress(diary, up);
    LongestGap gap;
    QElapsedTimer clock;
    log.mark();
    gap.start();
    clock.start();
    clickAndClose(save);
    if (!waitUntil(engine, &landing, [&] { return landing.landed() >= count; }))
        fail("the first upload never ended", engine);
    Timings upload;
    upload.ms << clock.nsecsElapsed() / 1e6;
    // The window is watched until the run that sent it all has ended.
    waitUntil(engine, nullptr, [&] { return !engine.isRunning(); });
    const double longest = gap.stop();
    settle(engine);
    requests << QStringLiteral("first upload from the server window, %1: %2").arg(count).arg(log.sinceMark());
    if (DavProbe::hrefs(probe.listing(QUrl(up).path()).body).size() != count)
        fail("the first upload did not send everything", engine);

    Timings puts;
    puts.ms << 0;
    for (const Appointment &a : diary.appointments().stored()) {
        const CalendarEvent e = freshEvent(a);
        const DavProbe::Answer answer = probe.putNew(QUrl(put).path() + e.uid + QStringLiteral(".ics"),
                                                     ICalendar::writeEvent(e));
        if (answer.status != 201)
            qFatal("the server refused a PUT: %d", answer.status);
        puts.ms[0] += answer.ms;
    }
    row(QStringLiteral("first upload onto an empty calendar, from \"Salva\" in the server window; "
                       "server: the same events PUT one after the other"),
        count, upload, puts, 1.1);
    line(QStringLiteral("the window during that upload: longest gap of a 10 ms timer"), count,
         QString::number(longest, 'f', 1), QStringLiteral("-"), QStringLiteral("-"),
         QStringLiteral("answers within 100 ms: %1")
             .arg(longest <= 100 ? QStringLiteral("met") : QStringLiteral("not met")));
    return true;
}

// A calendar holding the diary's n appointments, as another device left them: runs of a diary
// holding them too, then a pull of such a calendar into an empty diary.
void fullCalendar(int n)
{
    Radicale server;
    RequestLog log(server);
    DavProbe probe{QUrl(server.calendar())};
    const QString calendar = QUrl(server.calendar()).path();
    // The diary pulls one, the benchmark's own client another, alike in all.
    const QString pull = sibling(server, QStringLiteral("pull")), twin = sibling(server, QStringLiteral("twin"));
    makeCalendar(probe, pull);
    makeCalendar(probe, twin);
    TempWorkbook wb;
    fillWorkbook(wb.path(), n, 22);
    connectTo({});
    {
        RunningDiary diary(wb.folder());
        for (const CalendarEvent &e : ICalendar::toEvents(diary.appointments().stored())) {
            const QByteArray body = ICalendar::writeEvent(e);
            for (const QString &folder : {server.folder(), siblingFolder(server, QStringLiteral("pull")),
                                          siblingFolder(server, QStringLiteral("twin"))}) {
                QFile f(folder + QLatin1Char('/') + e.uid + QStringLiteral(".ics"));
                f.open(QIODevice::WriteOnly);
                f.write(body);
            }
        }
    }
    // A server in use has read its calendars before: its first reading of n files is not ours.
    server.events();
    for (const QString &calendar : {pull, twin})
        probe.listing(QUrl(calendar).path());

    connectTo(server.calendar());
    {
        QElapsedTimer clock;
        clock.start();
        RunningDiary diary(wb.folder());
        SyncEngine &engine = engineOf(diary);
        Timings pairing;
        timedRun(engine, [] {});
        pairing.ms << clock.nsecsElapsed() / 1e6;
        if (engine.last().sent + engine.last().received != 0)
            fail("the first run did not pair everything up", engine);
        row(QStringLiteral("first synchronisation, all on both sides, no state file"), n, pairing);

        QAction *refresh = diary.form().findChild<QAction *>(QStringLiteral("Maggiorna"));
        settle(engine);
        log.mark();
        // As at start and every five minutes.
        timedRun(engine, [&engine] { engine.syncNow(); });
        settle(engine);
        requests << QStringLiteral("a run with nothing to do, %1: %2").arg(n).arg(log.sinceMark());
        log.mark();
        timedRun(engine, [refresh] { refresh->trigger(); });
        settle(engine);
        requests << QStringLiteral("F5 with nothing to do, %1: %2").arg(n).arg(log.sinceMark());

        const QString token = DavProbe::syncToken(probe.syncCollection(calendar, {}).body);
        Timings report, idle;
        for (int i = 0; i < kRuns; ++i) {
            const DavProbe::Answer answer = probe.syncCollection(calendar, token);
            if (answer.status != 207 || !DavProbe::hrefs(answer.body).isEmpty())
                qFatal("sync-collection with the current token: %d, %s", answer.status, answer.body.constData());
            report.ms << answer.ms;
        }
        for (int i = 0; i < kRuns; ++i) {
            settle(engine);
            idle.ms << timedRun(engine, [refresh] { refresh->trigger(); });
        }
        row(QStringLiteral("synchronisation with nothing to do (F5); server: sync-collection with the current token"),
            n, idle, report, 1.2);

        Timings insertion;
        for (int i = 0; i < kRuns; ++i) {
            settle(engine);
            insertion.ms << timedRun(engine, [&diary, i] {
                diary.appointments().insertAll(
                    {Appointment::typed(QDate(2031, 1, 1 + i), QTime(10, 0), QStringLiteral("Nuovo %1").arg(i))});
            });
        }
        row(QStringLiteral("one insertion reaching the server, from before its save (Diary::insertAll)"), n, insertion);

        // Through the window: from the click until the server holds the event.
        StorageWatch landing(server.folder());
        FirstRequest first(engine);
        if (!first.sees())
            std::fprintf(stderr,
                         "the engine's requests cannot be seen: the wait after a write is taken off as it is\n");
        Timings clicks, reached, puts;
        int waits = 0;
        for (int i = 0; i < kRuns; ++i) {
            settle(engine);
            landing.reset();
            log.mark();
            const QString text = QStringLiteral("Cliccato %1").arg(i);
            const QDate day(2031, 3, 1 + i);
            QElapsedTimer clock;
            clock.start();
            first.arm(clock);
            // The diary's last change before the engine's first request starts the wait, if any.
            double changed = -1;
            const QMetaObject::Connection c = QObject::connect(&diary.appointments(), &Diary::changed, [&] {
                if (first.at() < 0)
                    changed = clock.nsecsElapsed() / 1e6;
            });
            DiaryWalk::insert(diary.form(), day.toString(QStringLiteral("dd/MM/yyyy")), QStringLiteral("10.00"), text);
            const double clicked = clock.nsecsElapsed() / 1e6;
            if (!waitUntil(engine, &landing, [&] { return landing.landed() >= 1; }))
                fail("the insertion never reached the server", engine);
            const double landed = clock.nsecsElapsed() / 1e6;
            QObject::disconnect(c);
            // Taken off only when the engine did wait: its first request went that long after the change.
            const bool waited = !first.sees()
                                || (changed >= 0 && first.at() - changed >= kAfterWriteMs - kTimerSlackMs);
            waits += waited;
            clicks.ms << clicked;
            reached.ms << landed - (waited ? kAfterWriteMs : 0);
            settle(engine);
            if (i == 0)
                requests << QStringLiteral("one insertion through the window, %1: %2").arg(n).arg(log.sinceMark());
            if (landing.landed() != 1)
                fail("the insertion did not reach the server once", engine);

            const CalendarEvent e = freshEvent(Appointment::typed(day.addMonths(1), QTime(10, 0), text));
            const QString href = calendar + e.uid + QStringLiteral(".ics");
            const DavProbe::Answer answer = probe.putNew(href, ICalendar::writeEvent(e));
            if (answer.status != 201)
                qFatal("the server refused a PUT: %d", answer.status);
            puts.ms << answer.ms;
            // Not the diary's: gone before its next run could see it.
            probe.remove(href);
        }
        if (diary.appointments().stored().size() != n + 2 * kRuns)
            fail("an insertion through the window went missing", engine);
        row(QStringLiteral("one insertion through the window reaching the server, from the click less the 300 ms "
                           "wait (the diary waited in %1 of %2); server: one PUT of a new event")
                .arg(waits)
                .arg(kRuns),
            n, reached, puts, 1.3);
        row(QStringLiteral("of which the click itself, until the window is free"), n, clicks);
    }

    Timings listing;
    listing.ms << pullCost(probe, QUrl(twin).path(), n);
    connectTo({});
    TempWorkbook empty;
    RunningDiary diary(empty.folder());
    SyncEngine &engine = engineOf(diary);
    QPushButton *save = typedAddress(diary, pull);
    log.mark();
    QElapsedTimer clock;
    clock.start();
    clickAndClose(save);
    if (!waitUntil(engine, nullptr, [&] { return diary.appointments().stored().size() >= n; }))
        fail("the first pull never ended", engine);
    Timings first;
    first.ms << clock.nsecsElapsed() / 1e6;
    settle(engine);
    requests << QStringLiteral("first pull into an empty diary, %1: %2").arg(n).arg(log.sinceMark());
    row(QStringLiteral("first pull into an empty diary, from \"Salva\" in the server window; server: a "
                       "sync-collection without a token, then multigets of 200"),
        n, first, listing, 1.2);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    QApplication app(argc, argv);
    const int empty = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    const int n = argc > 2 ? QByteArray(argv[2]).toInt() : 10000;

    QElapsedTimer whole;
    whole.start();
    std::printf("| what | N | diary ms (median / min / max of %d) | server ms | ratio | aim |\n"
                "|---|--:|--:|--:|--:|---|\n",
                kRuns);
    if (empty > 0 && !uploads(empty))
        return 0;
    if (n > 0)
        fullCalendar(n);
    std::printf("\nRequests the server logged:\n");
    for (const QString &r : std::as_const(requests))
        std::printf("- %s\n", qPrintable(r));
    std::printf("\nWhole run: %.0f s\n", whole.elapsed() / 1000.0);
    return 0;
}
