#include "syncengine.h"

#include "syncstate.h"

#include "domain/diary.h"
#include "domain/icalendar.h"
#include "store/storeerror.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QEventLoop>
#include <QPointer>
#include <QSet>
#include <QThreadPool>
#include <QTimer>
#include <QUuid>

namespace {

// Series made elsewhere are read this far ahead; later occurrences come in as the days go by.
constexpr int kYearsAhead = 2;
// Writes on their way to the server at once, as many as the connections Qt opens to one host.
constexpr int kInFlight = 6;
// A run that hears nothing from the server for this long ends; what is left goes at the next run.
constexpr int kRunMinutes = 5;
// Runs with more events than this to send or receive show how far they have got.
constexpr int kShownFrom = 20;
// A long run stores what it has sent this often, so a run cut off goes on where it stopped.
constexpr int kStoreEveryMs = 2000;


SyncContent contentOf(const CalendarEvent &e)
{
    return {e.date, e.time, e.text};
}

// What the diary would store for the event, so that comparing it with the diary's rows is fair.
SyncContent storedFormOf(const CalendarEvent &e)
{
    const auto back = ICalendar::toEvent(ICalendar::toAppointment(e), 0);
    return back ? contentOf(*back) : contentOf(e);
}

CalendarEvent eventOf(const QString &uid, const SyncContent &c)
{
    return {uid, c.date, c.time, c.text};
}

} // namespace

SyncEngine::SyncEngine(Diary &diary, const QString &stateFile, QObject *parent)
    : QObject(parent), m_diary(diary), m_stateFile(stateFile), m_client(this), m_changes(m_client)
{
    connect(&diary, &Diary::changed, this, [this] { ++m_diaryWrites; });
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(kRunMinutes * 60 * 1000);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        cutShort(CalDavClient::Outcome::TooSlow,
                 QStringLiteral("nessuna risposta da %1 minuti.").arg(kRunMinutes));
    });
}

void SyncEngine::setAccount(const CalDavClient::Account &account)
{
    m_client.setAccount(account);
    m_cleanAt = kNever;
    m_agreedLoaded = false;
    m_changes.reset();
    m_serverRead = false;
}

void SyncEngine::syncNow()
{
    request(true);
}

void SyncEngine::sendNow()
{
    request(false);
}

void SyncEngine::request(bool askServer)
{
    if (!isConfigured())
        return;
    if (m_running || m_readers > 0) {
        m_again = true;
        m_againAsks = m_againAsks || askServer;
        return;
    }
    // Without a reading of the server in this session, what the diary sends could pair with
    // nothing there: the first run asks.
    start(askServer || !m_serverRead);
}

void SyncEngine::start(bool askServer)
{
    m_running = true;
    m_askingServer = askServer;
    m_serverHeldBack = false;
    m_again = false;
    m_againAsks = false;
    m_summary = Summary();
    ++m_run;
    m_deadline.start();
    if (!m_agreedLoaded) {
        const SyncState::Agreement stored = SyncState::load(m_stateFile, m_client.account().calendar.toString());
        m_agreed = stored.records;
        m_token = stored.syncToken;
        m_ctag = stored.ctag;
        m_agreedLoaded = true;
    }
    m_nextToken = m_token;
    m_nextCtag = m_ctag;
    if (askServer)
        this->askServer();
    else
        gotEtags(agreedEtags());
}

QHash<QString, QString> SyncEngine::agreedEtags() const
{
    QHash<QString, QString> etags;
    for (const SyncRecord &r : std::as_const(m_agreed))
        etags.insert(r.href, r.etag);
    return etags;
}

void SyncEngine::askServer()
{
    m_changes.ask({m_token, m_ctag, agreedEtags()},
                  [this](const CalDavClient::Result &result, const ServerChanges::Found &found) {
                      m_summary.ignored += result.ignored;
                      if (!result.ok())
                          return end(result.describe());
                      m_nextToken = found.token;
                      m_nextCtag = found.ctag;
                      gotEtags(found.etags);
                  });
}

void SyncEngine::gotEtags(const QHash<QString, QString> &etags)
{
    // Bodies only of what is new or changed there: with nothing changed, none.
    QHash<QString, QString> agreedEtag = agreedEtags();
    // Series are read again once a day even when unchanged: their occurrences ahead move with it.
    const bool newDay = m_askingServer && m_seriesRead != QDate::currentDate();
    QSet<QString> series;
    for (const SyncRecord &r : std::as_const(m_agreed))
        if (newDay && r.isOccurrence())
            series.insert(r.href);
    QStringList wanted;
    for (auto it = etags.cbegin(); it != etags.cend(); ++it)
        if (agreedEtag.value(it.key()) != it.value() || series.contains(it.key()))
            wanted << it.key();
    // Nothing changed there, nor here since a run that left nothing pending: nothing to compare.
    if (wanted.isEmpty() && etags.size() == agreedEtag.size() && m_cleanAt == m_diaryWrites) {
        m_agreementKept = true;
        return agree();
    }
    if (wanted.isEmpty()) {
        if (newDay)
            m_seriesRead = QDate::currentDate();
        return gotBodies(etags, {});
    }
    const bool shown = wanted.size() >= kShownFrom;
    m_client.multiget(
        wanted,
        [this, etags, shown](const CalDavClient::Result &result, const QHash<QString, CalDavClient::Body> &bodies) {
            m_summary.ignored += result.ignored;
            if (shown)
                showProgress(false, 0, 0);
            if (!result.ok())
                return end(result.describe());
            m_seriesRead = QDate::currentDate();
            gotBodies(etags, bodies);
        },
        [this, shown](int done, int total) {
            m_deadline.start();
            if (shown)
                showProgress(false, done, total);
        });
}

void SyncEngine::gotBodies(const QHash<QString, QString> &etags, const QHash<QString, CalDavClient::Body> &bodies)
{
    m_bodiesRead = !bodies.isEmpty();
    QVector<RemoteEvent> server;
    // Unchanged there, or not sent back: as last agreed, never taken for deleted. So is a body
    // that cannot be read (damaged, or too costly to expand).
    QHash<QString, QVector<RemoteEvent>> asAgreed;
    for (const SyncRecord &r : std::as_const(m_agreed)) {
        const RemoteEvent agreed{r.uid, r.href, r.etag, r.occurrence, r.agreed};
        if (etags.contains(r.href) && !bodies.contains(r.href))
            server << agreed;
        else if (bodies.contains(r.href))
            asAgreed[r.href] << agreed;
    }
    const QDate until = QDate::currentDate().addYears(kYearsAhead);
    // Read off the window's thread: however hard an event is to read, the window goes on. The
    // answer is taken only by the run that asked, on the engine's thread.
    m_reading = true;
    ++m_readers;
    const QPointer<SyncEngine> self(this);
    const int run = m_run;
    QThreadPool::globalInstance()->start([self, run, etags, bodies, until, server, asAgreed]() mutable {
        for (auto it = bodies.cbegin(); it != bodies.cend(); ++it) {
            const ICalendar::Parsed parsed = ICalendar::read(it.value().data, until);
            if (!parsed.isCalendar) {
                server << asAgreed.value(it.key());
                continue;
            }
            const QString etag = it.value().etag.isEmpty() ? etags.value(it.key()) : it.value().etag;
            for (const CalendarEvent &e : parsed.events)
                server << RemoteEvent{e.uid, it.key(), etag, e.series ? e.date : QDate(), storedFormOf(e)};
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, run, server] {
                if (!self)
                    return;
                --self->m_readers;
                if (self->m_reading && self->m_run == run)
                    self->gotEvents(server);
                else if (self->m_again && !self->m_running)
                    self->request(self->m_againAsks);
            },
            Qt::QueuedConnection);
    });
}

void SyncEngine::gotEvents(const QVector<RemoteEvent> &server)
{
    m_reading = false;
    QVector<SyncContent> diary;
    bool unsaved = false;
    try {
        // Only what is on disk is agreed on: a write that never reaches it must not be agreed, nor,
        // missing at the next start, be taken for one the user deleted.
        m_diary.waitForSave();
        for (const Appointment &a : m_diary.saved())
            if (const auto e = ICalendar::toEvent(a, 0))
                diary << contentOf(*e);
        unsaved = m_diary.hasUnsavedWrites();
    } catch (const StoreError &e) {
        emit diaryFailed(e);
        return end(QStringLiteral("il diario non si è potuto leggere."));
    }

    m_comparedAt = m_diaryWrites;
    m_unsaved = unsaved;
    SyncPlan plan = SyncPlan::compare(diary, server, m_agreed);
    plan.nearestFirst(QDate::currentDate());
    // Nothing read, nothing to do: the agreement stays as stored, and is not written again.
    m_agreementKept = !m_bodiesRead && plan.serverUntouched() && plan.diaryUntouched()
                      && plan.unchanged.size() == m_agreed.size();
    m_next = plan.unchanged;
    m_summary.conflicts = plan.conflicts;
    m_open = 1;
    applyToDiary(plan, unsaved);
    sendToServer(plan);
}

void SyncEngine::applyToDiary(const SyncPlan &plan, bool unsaved)
{
    if (plan.diaryUntouched())
        return;
    // What the diary held as agreed stays agreed when the write does not happen, or is not saved.
    const auto keepAsWas = [this](const SyncPlan &plan) {
        for (const auto &r : plan.replaceInDiary)
            m_next << r.record;
        m_next << plan.removeFromDiary;
        m_serverHeldBack = true;
    };
    // Rows written but not on disk (a save that failed) wait: the server's changes go in once
    // they are saved, so that the comparison and the rows written agree.
    if (unsaved || (m_writable && !m_writable())) {
        keepAsWas(plan);
        m_summary.diaryBusy = !unsaved;
        return;
    }
    // The rows holding what leaves, each taken once.
    QVector<SyncRecord> leaving = plan.removeFromDiary;
    for (const auto &r : plan.replaceInDiary)
        leaving << r.record;
    QVector<int> going;
    Appointments coming;
    try {
        const Appointments stored = m_diary.stored();
        QSet<int> taken;
        for (const SyncRecord &r : std::as_const(leaving)) {
            for (const Appointment &a : stored) {
                const auto e = ICalendar::toEvent(a, 0);
                if (e && contentOf(*e) == r.agreed && !taken.contains(a.row)) {
                    taken.insert(a.row);
                    going << a.row;
                    break;
                }
            }
        }
        for (const RemoteEvent &e : plan.addToDiary)
            coming << ICalendar::toAppointment(eventOf(e.uid, e.content));
        for (const auto &r : plan.replaceInDiary)
            coming << ICalendar::toAppointment(eventOf(r.event.uid, r.event.content));
        m_applying = true;
        // Agreed once saved, and not before: the run ends when the save has.
        ++m_open;
        m_diary.exchange(going, coming, [this, plan, keepAsWas](const std::optional<StoreError> &failure) {
            m_summary.received = plan.addToDiary.size() + plan.replaceInDiary.size();
            m_summary.deletedHere = plan.removeFromDiary.size();
            if (failure) {
                keepAsWas(plan);
                emit diaryNotSaved(*failure);
            } else {
                for (const RemoteEvent &e : plan.addToDiary)
                    m_next << SyncRecord{e.uid, e.href, e.etag, e.occurrence, e.content, true};
                for (const auto &r : plan.replaceInDiary)
                    m_next << SyncRecord{r.event.uid, r.event.href, r.event.etag, r.event.occurrence, r.event.content,
                                         true};
            }
            stepDone();
        });
        m_applying = false;
    } catch (const StoreError &e) {
        --m_open;
        m_applying = false;
        keepAsWas(plan);
        ++m_summary.failed;
        m_summary.failure = QStringLiteral("il diario non ha accettato le modifiche del server: %1.").arg(e.description());
        emit diaryFailed(e);
    }
}

void SyncEngine::sendToServer(const SyncPlan &plan)
{
    const auto failed = [this](const CalDavClient::Result &result) {
        // Someone else wrote first: no failure, the next run reads that event and keeps both versions.
        if (result.outcome == CalDavClient::Outcome::Changed) {
            m_again = m_againAsks = true;
            return;
        }
        ++m_summary.failed;
        if (m_summary.failure.isEmpty())
            m_summary.failure = result.describe();
    };
    m_steps.clear();
    m_created.clear();
    for (const SyncContent &c : plan.create) {
        m_steps << [=] {
            const QString uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
            const QString href = m_client.hrefFor(uid);
            m_client.put(href, ICalendar::writeEvent(eventOf(uid, c)), {},
                         [=](const CalDavClient::Result &result, const QString &etag) {
                             if (result.ok()) {
                                 ++m_summary.sent;
                                 m_next << SyncRecord{uid, href, etag, {}, c, true};
                                 m_created << m_next.last();
                             } else {
                                 failed(result);
                             }
                             stepAnswered();
                         });
        };
    }
    for (const SyncPlan::Replace &r : plan.replace) {
        m_steps << [=] {
            m_client.put(r.record.href, ICalendar::writeEvent(eventOf(r.record.uid, r.content)), r.record.etag,
                         [=](const CalDavClient::Result &result, const QString &etag) {
                             SyncRecord now = r.record;
                             if (result.ok())
                                 ++m_summary.sent, now.agreed = r.content, now.etag = etag;
                             else
                                 failed(result);
                             m_next << now;
                             stepAnswered();
                         });
        };
    }
    for (const SyncRecord &r : plan.remove) {
        m_steps << [=] {
            m_client.remove(r.href, r.etag, [=](const CalDavClient::Result &result) {
                if (result.ok()) {
                    ++m_summary.deletedThere;
                } else {
                    failed(result);
                    m_next << r;
                }
                stepAnswered();
            });
        };
    }
    // A few at a time: requests waiting in the queue would run out their time limit there.
    m_open += m_steps.size();
    m_nextStep = 0;
    m_answered = 0;
    m_sinceStored.start();
    while (m_nextStep < m_steps.size() && m_nextStep < kInFlight)
        m_steps[m_nextStep++]();
    stepDone();
}

void SyncEngine::stepAnswered()
{
    m_deadline.start();
    ++m_answered;
    if (m_steps.size() >= kShownFrom)
        showProgress(true, m_answered, int(m_steps.size()));
    // Stored as it goes, as the last agreement with what was sent since: the token stays the last
    // run's, so what the server changed meanwhile is asked for again.
    if (!m_created.isEmpty() && m_sinceStored.elapsed() >= kStoreEveryMs) {
        saveState(m_agreed + m_created, m_token, m_ctag);
        m_sinceStored.restart();
    }
    stepDone();
}

void SyncEngine::stepDone()
{
    if (--m_open > 0) {
        if (m_nextStep < m_steps.size() && m_client.pending() < kInFlight)
            m_steps[m_nextStep++]();
        return;
    }
    if (m_steps.size() >= kShownFrom)
        showProgress(true, 0, 0);
    m_steps.clear();
    m_created.clear();
    m_agreed = m_next;
    agree();
}

void SyncEngine::agree()
{
    // The server's changes held back are asked for again: the token read in this run would skip them.
    const bool moved = !m_serverHeldBack && (m_token != m_nextToken || m_ctag != m_nextCtag);
    if (moved) {
        m_token = m_nextToken;
        m_ctag = m_nextCtag;
    }
    if ((moved || !m_agreementKept || !QFile::exists(m_stateFile)) && !saveState(m_agreed, m_token, m_ctag))
        m_summary.failure = QStringLiteral("lo stato della sincronizzazione non si è potuto salvare in %1.")
                                .arg(m_stateFile);
    if (m_askingServer)
        m_serverRead = true;
    const bool clean = m_summary.failed == 0 && m_summary.failure.isEmpty() && !m_serverHeldBack && !m_unsaved
                       && !m_againAsks;
    m_cleanAt = clean ? m_comparedAt : kNever;
    end(m_summary.failure);
}

bool SyncEngine::saveState(const QVector<SyncRecord> &agreed, const QString &token, const QString &ctag)
{
    return SyncState::save(m_stateFile, m_client.account().calendar.toString(), {agreed, token, ctag});
}

void SyncEngine::showProgress(bool sending, int done, int total)
{
    emit progressed(Progress{sending, done, total});
}

void SyncEngine::end(const QString &failure)
{
    m_deadline.stop();
    m_summary.when = QDateTime::currentDateTime();
    m_summary.failure = failure;
    m_last = m_summary;
    m_running = false;
    emit runFinished(m_last);
    if (m_again)
        QTimer::singleShot(m_summary.failure.isEmpty() ? 0 : 1000, this, [this] {
            if (m_again)
                request(m_againAsks);
        });
}

void SyncEngine::finish(int msecs)
{
    m_again = false;
    if (!m_running)
        return;
    QEventLoop loop;
    connect(this, &SyncEngine::runFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(msecs, &loop, &QEventLoop::quit);
    loop.exec();
    m_again = false;
    cutShort(CalDavClient::Outcome::Unreachable, {});
}

void SyncEngine::cutShort(CalDavClient::Outcome outcome, const QString &why)
{
    if (!m_running)
        return;
    if (m_reading) {
        m_reading = false;
        return end(why.isEmpty() ? QStringLiteral("sincronizzazione interrotta.")
                                 : CalDavClient::Result{outcome, 0, why}.describe());
    }
    // What was not started is not sent: it goes at the next run.
    m_open -= std::max(0, int(m_steps.size()) - m_nextStep);
    m_nextStep = int(m_steps.size());
    m_client.abortAll(outcome, why);
}
