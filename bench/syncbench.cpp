// Synchronisation with a CalDAV calendar at scale, against Debian's Radicale on this machine: the
// first run onto an empty calendar, a run with nothing to do, one insertion reaching the server.
#include "filledworkbook.h"
#include "stats.h"

#include "domain/diary.h"
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

// Milliseconds from `trigger` to the end of the run it starts.
double timedRun(SyncEngine &engine, const std::function<void()> &trigger)
{
    QSignalSpy finished(&engine, &SyncEngine::runFinished);
    QElapsedTimer clock;
    clock.start();
    trigger();
    if (!finished.wait(600000))
        qFatal("no synchronisation ended");
    const double ms = clock.nsecsElapsed() / 1e6;
    if (!engine.last().failure.isEmpty())
        qFatal("the synchronisation failed: %s", qPrintable(engine.last().failure));
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    QApplication app(argc, argv);
    const int n = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;

    Radicale server;
    TempWorkbook wb;
    fillWorkbook(wb.path(), n, 21);
    QSettings settings(QStringLiteral("vespolari"), QStringLiteral("vespolari"));
    settings.setValue(QStringLiteral("server/indirizzo"), server.calendar());
    settings.sync();

    RunningDiary diary(wb.folder());
    SyncEngine &engine = diary.form().findChild<SyncHandlers *>()->engine();
    QAction *refresh = diary.form().findChild<QAction *>(QStringLiteral("Maggiorna"));
    // The run at start began with the window: its end is awaited.
    QElapsedTimer clock;
    clock.start();
    QSignalSpy first(&engine, &SyncEngine::runFinished);
    if (!first.wait(600000) || server.events() != n)
        qFatal("the first run did not send everything: %d on the server; %s", server.events(),
               qPrintable(engine.last().describe()));
    std::printf("%-55s %10.0f ms (sent %d)\n", "first synchronisation of an empty calendar", clock.nsecsElapsed() / 1e6,
                engine.last().sent);

    Timings idle, insertion;
    for (int i = 0; i < 5; ++i)
        idle.ms << timedRun(engine, [refresh] { refresh->trigger(); });
    std::printf("%-55s %10.1f ms (min %.1f, max %.1f)\n", "synchronisation with nothing to do (F5)", idle.median(),
                idle.min(), idle.max());
    for (int i = 0; i < 5; ++i)
        insertion.ms << timedRun(engine, [&diary, i] {
            diary.appointments().insertAll(
                {Appointment::typed(QDate(2027, 1, 1 + i), QTime(10, 0), QStringLiteral("Nuovo %1").arg(i))});
        });
    std::printf("%-55s %10.1f ms (min %.1f, max %.1f)\n", "one insertion reaching the server, from its save",
                insertion.median(), insertion.min(), insertion.max());
    return 0;
}
