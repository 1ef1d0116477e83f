#pragma once

#include "domain/syncplan.h"
#include "serverchanges.h"
#include "syncsummary.h"
#include "services/caldavclient.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

class Diary;
class StoreError;

// Keeps the diary in step with one CalDAV calendar, both ways. A run is: what changed on the
// server since the last run (one sync-collection REPORT from the stored sync-token; where the
// server has none, its ctag, then the ETags of every event), the bodies of what changed there
// (multiget), the comparison with the last agreement (SyncPlan), what the server changed applied
// to the diary in one bulk write, and what the diary changed sent to the server, nearest dates
// first; then the new agreement is stored. The diary's own writes go on their own, without asking
// the server first: its If-Match guards them. Nothing waits: every step is an answer arriving on
// the event loop, and the server's events are read off the window's thread. A run that stops
// hearing from the server ends: what is left goes at the next run.
class SyncEngine : public QObject
{
    Q_OBJECT

public:
    using Summary = SyncSummary;
    using Progress = SyncProgress;

    SyncEngine(Diary &diary, const QString &stateFile, QObject *parent = nullptr);

    // An empty calendar address turns synchronisation off.
    void setAccount(const CalDavClient::Account &account);
    // An address naming a server: without one nothing is ever asked of the network.
    bool isConfigured() const
    {
        const QUrl &calendar = m_client.account().calendar;
        return calendar.isValid() && !calendar.host().isEmpty();
    }
    bool isRunning() const { return m_running; }
    // Whether another run follows the one under way, or the one just ended.
    bool hasRunWaiting() const { return m_again; }
    // How long one request may take; two minutes unless set.
    void setRequestTimeout(int msecs) { m_client.setTimeout(msecs); }
    // Writing what the server changed into the diary, now.
    bool isApplying() const { return m_applying; }
    // Whether the diary may be written now (false while a modal window holds rows, say): a run
    // that finds it false still sends the diary's changes, leaves the server's for a later run,
    // and says so in its summary (diaryBusy). It does not start that run itself.
    void setDiaryWritable(std::function<bool()> writable) { m_writable = std::move(writable); }

    // A run now, or right after the one under way.
    void syncNow();
    // The diary's own changes sent now, or right after the run under way: no more than their PUTs
    // and DELETEs. Until a run has read the server in this session, a whole run instead.
    void sendNow();
    // Lets a run under way finish for at most msecs, then drops what is still open: it is sent
    // at the next run. Runs a local event loop.
    void finish(int msecs);

    const Summary &last() const { return m_last; }

signals:
    void progressed(const SyncEngine::Progress &progress);
    void runFinished(const SyncEngine::Summary &summary);
    // The diary could not be written; the rows stay as they were.
    void diaryFailed(const StoreError &error);
    // The server's changes are in the diary, but their save failed: not agreed on yet.
    void diaryNotSaved(const StoreError &error);

private:
    void request(bool askServer);
    void start(bool askServer);
    void askServer();
    QHash<QString, QString> agreedEtags() const;
    void gotEtags(const QHash<QString, QString> &etags);
    void gotBodies(const QHash<QString, QString> &etags, const QHash<QString, CalDavClient::Body> &bodies);
    void gotEvents(const QVector<RemoteEvent> &server);
    // `unsaved`: the diary holds writes not on disk, and the server's changes wait for them.
    void applyToDiary(const SyncPlan &plan, bool unsaved);
    void sendToServer(const SyncPlan &plan);
    // One write answered, well or not.
    void stepAnswered();
    void stepDone();
    // The run's agreement taken: its tokens, the state file, and the run ends.
    void agree();
    void showProgress(bool sending, int done, int total);
    // What the next run starts from, stored; `agreed` may hold this run's sends so far.
    bool saveState(const QVector<SyncRecord> &agreed, const QString &token, const QString &ctag);
    void end(const QString &failure = {});
    // Ends the run under way early: what was not sent yet goes at the next run.
    void cutShort(CalDavClient::Outcome outcome, const QString &why);

    Diary &m_diary;
    QString m_stateFile;
    CalDavClient m_client;
    ServerChanges m_changes;
    std::function<bool()> m_writable;
    QVector<SyncRecord> m_agreed;
    // Where the server's changes were read up to, as stored; and as this run read them.
    QString m_token, m_ctag, m_nextToken, m_nextCtag;
    bool m_agreedLoaded = false;
    // Whether the server was read in this session.
    bool m_serverRead = false;
    QDate m_seriesRead;
    bool m_running = false;
    bool m_askingServer = false;
    // The server's changes this run could not write into the diary: read again next time.
    bool m_serverHeldBack = false;
    // Whether this run read any body, and whether it leaves the agreement as it was.
    bool m_bodiesRead = false;
    bool m_agreementKept = false;
    // The diary's writes so far, those the last comparison saw, and those of the last run that left
    // nothing pending: while they are the same, the diary holds nothing the server lacks.
    static constexpr quint64 kNever = ~quint64(0);
    quint64 m_diaryWrites = 0;
    quint64 m_comparedAt = kNever;
    quint64 m_cleanAt = kNever;
    bool m_unsaved = false;
    bool m_again = false;
    bool m_againAsks = false;
    bool m_applying = false;
    // The server's events being read off the thread, for the run with this number; and readings
    // not back yet, of any run: the next run waits for them rather than read beside them.
    bool m_reading = false;
    int m_run = 0;
    int m_readers = 0;
    QTimer m_deadline;
    // The run under way: what will be agreed, and the steps still open.
    QVector<SyncRecord> m_next;
    int m_open = 0;
    QVector<std::function<void()>> m_steps;
    int m_nextStep = 0;
    int m_answered = 0;
    // Sent so far in this run, stored every few seconds: a run cut off does not send them again.
    QVector<SyncRecord> m_created;
    QElapsedTimer m_sinceStored;
    Summary m_summary;
    Summary m_last;
};
