// Synchronisation with a CalDAV calendar at scale, against Debian's Radicale on this machine: the
// first run onto an empty calendar; then, with a calendar already holding the diary's N
// appointments, the first run without a state file, a run with nothing to do, and one insertion
// reaching the server. Usage: vespolari_syncbench [N for the empty calendar] [N for the rest].
#include "filledworkbook.h"
#include "stats.h"

#include "domain/diary.h"
#include "domain/icalendar.h"
#include "shell/form1.h"
#include "support/testsupport.h"
#include "sync/radicale.h"
#include "sync/synchandlers.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QSignalSpy>
#include <cstdio>

namespace {

void fail(const char *what, SyncEngine &engine)
{
    qFatal("%s: %s", what, qPrintable(engine.last().describe()));
}

// Milliseconds from `trigger` to the end of the run it starts.
double timedRun(SyncEngine &engine, const std::function<void()> &trigger)
{
    QSignalSpy finished(&engine, &SyncEngine::runFinished);
    QElapsedTimer clock;
    clock.start();
    trigger();
    if (!finished.wait(3600000) || !engine.last().failure.isEmpty())
        fail("a synchronisation failed", engine);
    return clock.nsecsElapsed() / 1e6;
}

SyncEngine &engineOf(RunningDiary &d)
{
    return d.form().findChild<SyncHandlers *>()->engine();
}

void connectTo(const Radicale &server)
{
    QSettings settings(QStringLiteral("vespolari"), QStringLiteral("vespolari"));
    settings.setValue(QStringLiteral("server/indirizzo"), server.calendar());
    settings.sync();
}

void row(const char *what, int n, const Timings &t)
{
    std::printf("%-58s %6d %10.1f ms (min %.1f, max %.1f)\n", what, n, t.median(), t.min(), t.max());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    QApplication app(argc, argv);
    const int empty = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    const int n = argc > 2 ? QByteArray(argv[2]).toInt() : 10000;

    if (empty > 0) {
        Radicale server;
        TempWorkbook wb;
        fillWorkbook(wb.path(), empty, 21);
        connectTo(server);
        // The run at start begins with the window.
        QElapsedTimer clock;
        clock.start();
        RunningDiary diary(wb.folder());
        Timings first;
        timedRun(engineOf(diary), [] {});
        first.ms << clock.nsecsElapsed() / 1e6;
        if (server.events() != empty)
            fail("the first run did not send everything", engineOf(diary));
        row("first synchronisation of an empty calendar (from start)", empty, first);
        // For a look with another CalDAV client: the calendar stays up this many seconds.
        if (const int keep = qEnvironmentVariableIntValue("VESPOLARI_BENCH_KEEP")) {
            std::printf("calendar at %s for %d s\n", qPrintable(server.calendar()), keep);
            std::fflush(stdout);
            QTest::qWait(keep * 1000);
            return 0;
        }
    }

    Radicale server;
    TempWorkbook wb;
    fillWorkbook(wb.path(), n, 22);
    {
        // The calendar already holds the diary's appointments, as another device left them.
        QSettings(QStringLiteral("vespolari"), QStringLiteral("vespolari")).remove(QStringLiteral("server"));
        RunningDiary diary(wb.folder());
        for (const CalendarEvent &e : ICalendar::toEvents(diary.appointments().stored())) {
            QFile f(server.folder() + QLatin1Char('/') + e.uid + QStringLiteral(".ics"));
            f.open(QIODevice::WriteOnly);
            f.write(ICalendar::writeEvent(e));
        }
    }
    // A server in use has read its calendar before: its first reading of 10,000 files is not ours.
    server.events();
    connectTo(server);
    QElapsedTimer clock;
    clock.start();
    RunningDiary diary(wb.folder());
    SyncEngine &engine = engineOf(diary);
    Timings pairing;
    timedRun(engine, [] {});
    pairing.ms << clock.nsecsElapsed() / 1e6;
    if (engine.last().sent + engine.last().received != 0)
        fail("the first run did not pair everything up", engine);
    row("first synchronisation, all on both sides, no state file", n, pairing);

    QAction *refresh = diary.form().findChild<QAction *>(QStringLiteral("Maggiorna"));
    Timings idle, insertion;
    for (int i = 0; i < 5; ++i)
        idle.ms << timedRun(engine, [refresh] { refresh->trigger(); });
    row("synchronisation with nothing to do (F5)", n, idle);
    for (int i = 0; i < 5; ++i)
        insertion.ms << timedRun(engine, [&diary, i] {
            diary.appointments().insertAll(
                {Appointment::typed(QDate(2031, 1, 1 + i), QTime(10, 0), QStringLiteral("Nuovo %1").arg(i))});
        });
    row("one insertion reaching the server, from before its save", n, insertion);
    return 0;
}
