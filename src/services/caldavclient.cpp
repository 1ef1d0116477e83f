#include "caldavclient.h"

#include "davanswer.h"

#include <QAuthenticator>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSet>
#include <QTimer>

#include <algorithm>

namespace {

// A server is given this long per request, its whole answer included: a large calendar read for
// the first time may keep a server busy that long before its first byte, and a server dripping a
// byte at a time is not let hold a run any longer.
constexpr int kTimeoutMs = 120000;
// Bodies asked per multiget: a few hundred events a request keeps each answer small, and the
// requests few.
constexpr int kBatch = 200;
constexpr int kBatchesAtOnce = 2;
// No calendar answer of ours comes near this; an endless one stops here.
constexpr qint64 kMaxAnswerBytes = 20 * 1024 * 1024;

// Kept on the reply: how the client itself ended it, and whether it gave the password already.
const char *const kStoppedAs = "vespolariStoppedAs";
const char *const kStoppedFor = "vespolariStoppedFor";
const char *const kAnswered = "vespolariAnswered";
const char *const kSslError = DavAnswer::kSslErrorProperty;

bool hasControl(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

// Ends a reply with a reason of the client's own; the reply itself would only say "canceled".
void stop(QNetworkReply *reply, CalDavClient::Outcome outcome, const QString &detail)
{
    if (reply->isFinished() || reply->property(kStoppedAs).isValid())
        return;
    reply->setProperty(kStoppedAs, int(outcome));
    reply->setProperty(kStoppedFor, detail);
    reply->abort();
}

// A write answered with a multistatus was refused inside it (an event the server would not take,
// a uid it holds elsewhere): a 2xx only on the outside.
void refusedIfMultistatus(CalDavClient::Result &result)
{
    if (result.status == 207)
        result.outcome = CalDavClient::Outcome::Refused;
}

} // namespace

QString CalDavClient::Result::describe() const
{
    switch (outcome) {
    case Outcome::Ok:
        return QStringLiteral("Il server ha risposto.");
    case Outcome::CalendarFound:
        return detail.isEmpty() ? QStringLiteral("Calendario trovato.")
                                : QStringLiteral("Calendario trovato: \"%1\".").arg(detail);
    case Outcome::Unauthorized:
        return QStringLiteral("Utente o password errati: il server rifiuta l'accesso.");
    case Outcome::NotACalendar:
        return QStringLiteral("L'indirizzo non è quello di un calendario (risposta %1).").arg(status);
    case Outcome::Unreachable:
        return QStringLiteral("Il server non risponde: %1").arg(detail);
    case Outcome::CertificateRefused:
        return QStringLiteral("Il certificato del server non è valido: connessione rifiutata (%1).").arg(detail);
    case Outcome::Changed:
        return QStringLiteral("L'appuntamento è cambiato sul server nel frattempo.");
    case Outcome::Refused:
        return QStringLiteral("Il server rifiuta la scrittura (risposta %1): calendario di sola lettura o pieno?")
            .arg(status);
    case Outcome::BadAnswer:
        return QStringLiteral("Risposta del server non comprensibile (risposta %1).").arg(status);
    case Outcome::Redirected:
        return QStringLiteral("Il server rimanda a un altro indirizzo (%1): richiesta non seguita, perché password "
                              "e appuntamenti restino sul server del calendario.")
            .arg(detail);
    case Outcome::TooLarge:
        return QStringLiteral("Risposta del server troppo grande (oltre %1 MB): interrotta.")
            .arg(kMaxAnswerBytes / (1024 * 1024));
    case Outcome::TooSlow:
        return QStringLiteral("Il server è troppo lento: %1").arg(detail);
    case Outcome::TokenRefused:
        return QStringLiteral("Il server non riconosce più l'ultima sincronizzazione (risposta %1).").arg(status);
    case Outcome::NotSupported:
        return QStringLiteral("Il server non elenca le sole modifiche (risposta %1).").arg(status);
    }
    return {};
}

CalDavClient::CalDavClient(QObject *parent)
    : QObject(parent), m_net(new QNetworkAccessManager(this)), m_timeoutMs(kTimeoutMs)
{
    // Each redirect is looked at (send()); Qt would carry a raw Authorization header anywhere.
    m_net->setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
    connect(m_net, &QNetworkAccessManager::authenticationRequired, this, &CalDavClient::authenticate);
}

CalDavClient::~CalDavClient() = default;

void CalDavClient::setAccount(const Account &account)
{
    Account next = account;
    // No address stays none: "/" would be a valid URL naming no server.
    if (!next.calendar.isEmpty()) {
        // Credentials come from the account alone: Qt would take them from the address too.
        next.calendar.setUserInfo({});
        next.calendar = next.calendar.adjusted(QUrl::NormalizePathSegments);
        const QString path = next.calendar.path();
        if (!path.endsWith(QLatin1Char('/')))
            next.calendar.setPath(path + QLatin1Char('/'));
    }
    // What Qt remembers of the last account (its password, its connections) goes with it.
    if (next.calendar != m_account.calendar || next.user != m_account.user || next.password != m_account.password)
        m_net->clearAccessCache();
    m_account = next;
}

bool CalDavClient::isInside(const QUrl &calendar, const QString &path)
{
    const QString self = calendar.path(QUrl::FullyDecoded);
    if (!self.endsWith(QLatin1Char('/')) || !path.startsWith(self))
        return false;
    const QStringView name = QStringView(path).mid(self.size());
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != u"." && name != u"..";
}

bool CalDavClient::isSafeEtag(const QString &etag)
{
    return !hasControl(etag);
}

bool CalDavClient::sameOrigin(const QUrl &url) const
{
    const QUrl &own = m_account.calendar;
    const auto port = [](const QUrl &u) { return u.port(u.scheme() == QLatin1String("https") ? 443 : 80); };
    return url.scheme() == own.scheme() && url.host() == own.host() && port(url) == port(own);
}

CalDavClient::Place CalDavClient::placeOf(const QString &href, QString *path) const
{
    const QUrl ref(href, QUrl::StrictMode);
    if (href.isEmpty() || !ref.isValid() || ref.hasQuery() || ref.hasFragment() || !ref.userInfo().isEmpty())
        return Place::Outside;
    // Dot-segments are refused as written, encoded or not, before resolving could fold them away.
    const QString written = ref.path(QUrl::FullyDecoded);
    for (const QStringView segment : QStringView(written).split(QLatin1Char('/')))
        if (segment == u"." || segment == u"..")
            return Place::Outside;
    const QUrl target = m_account.calendar.resolved(ref);
    if (!sameOrigin(target))
        return Place::Outside;
    const QString decoded = target.path(QUrl::FullyDecoded);
    if (decoded + QLatin1Char('/') == m_account.calendar.path(QUrl::FullyDecoded)
        || decoded == m_account.calendar.path(QUrl::FullyDecoded))
        return Place::Calendar;
    if (!isInside(m_account.calendar, decoded))
        return Place::Outside;
    *path = decoded;
    return Place::Inside;
}

void CalDavClient::authenticate(QNetworkReply *reply, QAuthenticator *authenticator)
{
    // Once per request, and only where the calendar is: a wrong password ends as a 401, and no
    // other origin ever gets it.
    if (m_account.user.isEmpty() || reply->property(kAnswered).toBool() || !sameOrigin(reply->url()))
        return;
    reply->setProperty(kAnswered, true);
    authenticator->setUser(m_account.user);
    authenticator->setPassword(m_account.password);
}

QString CalDavClient::hrefFor(const QString &uid) const
{
    return m_account.calendar.path() + QString::fromLatin1(QUrl::toPercentEncoding(uid)) + QStringLiteral(".ics");
}

QNetworkReply *CalDavClient::send(const QByteArray &verb, const QString &href, const QByteArray &body,
                                  const QList<QPair<QByteArray, QByteArray>> &headers)
{
    QUrl url = m_account.calendar;
    // The href is the name as it is: a '%' in it is a character of the name, never an escape.
    if (!href.isEmpty())
        url.setPath(href, QUrl::DecodedMode);
    QNetworkRequest request(url);
    for (const auto &h : headers)
        request.setRawHeader(h.first, h.second);
    if (!body.isEmpty() && !request.hasRawHeader("Content-Type"))
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/xml; charset=utf-8"));
    ++m_pending;
    QNetworkReply *reply = m_net->sendCustomRequest(request, verb, body);
    const bool write = verb == "PUT" || verb == "DELETE";
    connect(reply, &QNetworkReply::redirected, this, [this, reply, write](const QUrl &to) {
        // A write is done only by its own answer (followed, Qt would send it again as a GET), and
        // nothing follows the server to another origin.
        if (!write && sameOrigin(to))
            emit reply->redirectAllowed();
        else
            stop(reply, Outcome::Redirected, to.toDisplayString(QUrl::RemoveUserInfo).left(DavAnswer::kMaxShown));
    });
    // Measured as it comes, not once it is whole: an endless answer ends at the cap, and one that
    // announces more ends at once. Qt spaces out its progress signals, not readyRead.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64, qint64 total) {
        if (total > kMaxAnswerBytes)
            stop(reply, Outcome::TooLarge, {});
    });
    connect(reply, &QNetworkReply::readyRead, reply, [reply] {
        if (reply->bytesAvailable() > kMaxAnswerBytes)
            stop(reply, Outcome::TooLarge, {});
    });
    connect(reply, &QNetworkReply::sslErrors, reply, [reply](const QList<QSslError> &errors) {
        if (!errors.isEmpty())
            reply->setProperty(kSslError, int(errors.first().error()));
    });
    QTimer::singleShot(m_timeoutMs, reply, [reply, seconds = m_timeoutMs / 1000] {
        stop(reply, Outcome::TooSlow, QStringLiteral("nessuna risposta completa in %1 secondi.").arg(seconds));
    });
    return reply;
}

void CalDavClient::later(std::function<void()> answer)
{
    ++m_pending;
    QTimer::singleShot(0, this, [this, answer] {
        --m_pending;
        answer();
    });
}

CalDavClient::Result CalDavClient::resultOf(QNetworkReply *reply)
{
    Result result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant stopped = reply->property(kStoppedAs);
    if (stopped.isValid()) {
        result.outcome = Outcome(stopped.toInt());
        result.detail = reply->property(kStoppedFor).toString();
        if (result.detail.isEmpty())
            result.detail = DavAnswer::networkTrouble(reply);
        return result;
    }
    switch (reply->error()) {
    case QNetworkReply::SslHandshakeFailedError:
        result.outcome = Outcome::CertificateRefused;
        result.detail = DavAnswer::certificateTrouble(reply);
        return result;
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        result.outcome = Outcome::Unreachable;
        result.detail = DavAnswer::networkTrouble(reply);
        return result;
    default:
        break;
    }
    if (result.status == 401)
        result.outcome = Outcome::Unauthorized;
    else if (result.status == 412)
        result.outcome = Outcome::Changed;
    else if (result.status == 403 || result.status == 405 || result.status == 507 || result.status == 409)
        result.outcome = Outcome::Refused;
    else if (result.status == 404)
        result.outcome = Outcome::NotACalendar;
    else if (result.status >= 200 && result.status < 300)
        result.outcome = Outcome::Ok;
    else if (result.status == 0)
        result.outcome = Outcome::Unreachable, result.detail = DavAnswer::networkTrouble(reply);
    else
        result.outcome = Outcome::BadAnswer;
    return result;
}

void CalDavClient::whenDone(QNetworkReply *reply, std::function<void(QNetworkReply *, const Result &)> handler)
{
    connect(reply, &QNetworkReply::finished, this, [this, reply, handler] {
        --m_pending;
        reply->deleteLater();
        handler(reply, resultOf(reply));
    });
}

void CalDavClient::abortAll(Outcome outcome, const QString &detail)
{
    for (QNetworkReply *reply : m_net->findChildren<QNetworkReply *>())
        if (reply->isRunning())
            stop(reply, outcome, detail);
}

void CalDavClient::probe(std::function<void(const Result &)> done)
{
    static const QByteArray body = QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:propfind xmlns:d=\"DAV:\"><d:prop>"
        "<d:resourcetype/><d:displayname/></d:prop></d:propfind>");
    QNetworkReply *reply = send("PROPFIND", {}, body, {{"Depth", "0"}});
    whenDone(reply, [done](QNetworkReply *reply, Result result) {
        if (!result.ok())
            return done(result);
        QVector<DavAnswer::Response> answers;
        if (result.status != 207 || !DavAnswer::readMultistatus(reply->readAll(), answers) || answers.isEmpty()) {
            result.outcome = Outcome::NotACalendar;
            return done(result);
        }
        result.outcome = answers.first().isCalendar ? Outcome::CalendarFound : Outcome::NotACalendar;
        result.detail = answers.first().displayName;
        done(result);
    });
}

QHash<QString, QString> CalDavClient::insideEtags(const QVector<DavAnswer::Response> &answers, Result &result) const
{
    QHash<QString, QString> found;
    for (const DavAnswer::Response &a : answers) {
        QString href;
        const Place place = placeOf(a.href, &href);
        if (place == Place::Outside)
            ++result.ignored;
        else if (place == Place::Inside && a.found && !a.etag.isEmpty())
            found.insert(href, a.etag);
    }
    return found;
}

void CalDavClient::changes(const QString &token, std::function<void(const Result &, const Changes &)> done)
{
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:sync-collection xmlns:d=\"DAV:\">"
                            "<d:sync-token>" + token.toHtmlEscaped().toUtf8() + "</d:sync-token>"
                            "<d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop></d:sync-collection>";
    QNetworkReply *reply = send("REPORT", {}, body, {{"Depth", "0"}});
    whenDone(reply, [this, token, done](QNetworkReply *reply, Result result) {
        Changes changes;
        changes.whole = token.isEmpty();
        // A token refused is the server's to refuse; a report refused without one is not offered.
        // (Some servers answer an unknown token with a 500.)
        const int status = result.status;
        if (!result.ok() && (status == 400 || status == 403 || status == 409 || status == 405 || status == 415
                             || status == 501 || (status == 500 && !token.isEmpty())))
            result.outcome = token.isEmpty() ? Outcome::NotSupported : Outcome::TokenRefused;
        DavAnswer::Multistatus answer;
        if (result.ok() && !DavAnswer::readMultistatus(reply->readAll(), answer))
            result.outcome = Outcome::BadAnswer, answer = {};
        changes.etags = insideEtags(answer.responses, result);
        for (const DavAnswer::Response &a : std::as_const(answer.responses)) {
            QString href;
            const Place place = placeOf(a.href, &href);
            if (place == Place::Inside && !a.found)
                changes.gone << href;
            changes.truncated = changes.truncated || (place == Place::Calendar && a.truncated);
        }
        changes.token = answer.syncToken;
        done(result, changes);
    });
}

void CalDavClient::ctag(std::function<void(const Result &, const QString &)> done)
{
    static const QByteArray body = QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
        "<d:propfind xmlns:d=\"DAV:\" xmlns:cs=\"http://calendarserver.org/ns/\"><d:prop><cs:getctag/></d:prop>"
        "</d:propfind>");
    whenDone(send("PROPFIND", {}, body, {{"Depth", "0"}}), [this, done](QNetworkReply *reply, Result result) {
        QVector<DavAnswer::Response> answers;
        if (result.ok() && !DavAnswer::readMultistatus(reply->readAll(), answers))
            result.outcome = Outcome::BadAnswer;
        QString ctag;
        for (const DavAnswer::Response &a : std::as_const(answers)) {
            QString path;
            if (placeOf(a.href, &path) == Place::Calendar)
                ctag = a.ctag;
        }
        done(result, ctag);
    });
}

void CalDavClient::etags(std::function<void(const Result &, const QHash<QString, QString> &)> done)
{
    static const QByteArray body = QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
        "<c:calendar-query xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\">"
        "<d:prop><d:getetag/></d:prop>"
        "<c:filter><c:comp-filter name=\"VCALENDAR\"><c:comp-filter name=\"VEVENT\"/></c:comp-filter></c:filter>"
        "</c:calendar-query>");
    QNetworkReply *reply = send("REPORT", {}, body, {{"Depth", "1"}});
    whenDone(reply, [this, done](QNetworkReply *reply, Result result) {
        QVector<DavAnswer::Response> answers;
        if (result.ok() && !DavAnswer::readMultistatus(reply->readAll(), answers))
            result.outcome = Outcome::BadAnswer, answers.clear();
        const QHash<QString, QString> found = insideEtags(answers, result);
        done(result, found);
    });
}

void CalDavClient::multiget(const QStringList &hrefs,
                            std::function<void(const Result &, const QHash<QString, Body> &)> done,
                            std::function<void(int done, int total)> progress)
{
    struct Gathered
    {
        QStringList hrefs;
        QHash<QString, Body> bodies;
        Result failure;
        int sent = 0;      // hrefs asked so far
        int answered = 0;  // of them, answered
        int open = 0;
        int ignored = 0;
        std::function<void()> sendNext;
    };
    if (hrefs.isEmpty())
        return done(Result(), {});
    auto gathered = std::make_shared<Gathered>();
    gathered->hrefs = hrefs;
    // A weak hold: the batch's own answer keeps the rest going, not a cycle through itself.
    std::weak_ptr<Gathered> weak = gathered;
    gathered->sendNext = [this, weak, done, progress] {
        const auto g = weak.lock();
        const QStringList batch = g->hrefs.mid(g->sent, kBatch);
        g->sent += int(batch.size());
        QByteArray body = QByteArrayLiteral(
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
            "<c:calendar-multiget xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\">"
            "<d:prop><d:getetag/><c:calendar-data/></d:prop>");
        for (const QString &href : batch)
            body += "<d:href>" + QString::fromLatin1(QUrl::toPercentEncoding(href, "/@:")).toHtmlEscaped().toLatin1()
                    + "</d:href>";
        body += "</c:calendar-multiget>";
        ++g->open;
        const QSet<QString> asked(batch.cbegin(), batch.cend());
        whenDone(send("REPORT", {}, body, {{"Depth", "1"}}), [this, g, done, progress, asked](QNetworkReply *reply,
                                                                                             Result result) {
            QVector<DavAnswer::Response> answers;
            if (result.ok() && !DavAnswer::readMultistatus(reply->readAll(), answers))
                result.outcome = Outcome::BadAnswer, answers.clear();
            if (!result.ok())
                g->failure = result;
            for (const DavAnswer::Response &a : answers) {
                QString href;
                const Place place = placeOf(a.href, &href);
                if (place == Place::Outside || (place == Place::Inside && !asked.contains(href)))
                    ++g->ignored;
                else if (place == Place::Inside && a.found && !a.calendarData.isEmpty())
                    g->bodies.insert(href, {a.etag, a.calendarData});
            }
            g->answered += int(asked.size());
            --g->open;
            if (progress)
                progress(g->answered, int(g->hrefs.size()));
            // After a failure nothing more is asked: the run ends with it.
            if (g->failure.ok() && g->sent < g->hrefs.size())
                return g->sendNext();
            if (g->open == 0) {
                Result all = g->failure;
                all.ignored = g->ignored;
                done(all, g->bodies);
            }
        });
    };
    // Batches follow one another, a couple at a time: the server works at its own pace, and none
    // waits in a queue while its time runs.
    for (int i = 0; i < kBatchesAtOnce && gathered->sent < hrefs.size(); ++i)
        gathered->sendNext();
}

void CalDavClient::put(const QString &href, const QByteArray &body, const QString &ifMatch,
                       std::function<void(const Result &, const QString &)> done)
{
    // Only names inside the calendar, and only ETags that are one header's text, whatever the state
    // file says.
    if (!isInside(m_account.calendar, href) || !isSafeEtag(ifMatch))
        return later([done] { done(Result{Outcome::BadAnswer, 0, {}}, {}); });
    QList<QPair<QByteArray, QByteArray>> headers{{"Content-Type", "text/calendar; charset=utf-8"}};
    if (ifMatch.isEmpty())
        headers.append(qMakePair(QByteArray("If-None-Match"), QByteArray("*")));
    else
        headers.append(qMakePair(QByteArray("If-Match"), ifMatch.toUtf8()));
    whenDone(send("PUT", href, body, headers), [done](QNetworkReply *reply, Result result) {
        refusedIfMultistatus(result);
        const QString etag = QString::fromUtf8(reply->rawHeader("ETag"));
        // A bad one is as none: the next run reads the event again.
        done(result, isSafeEtag(etag) ? etag : QString());
    });
}

void CalDavClient::remove(const QString &href, const QString &ifMatch, std::function<void(const Result &)> done)
{
    if (!isInside(m_account.calendar, href) || !isSafeEtag(ifMatch))
        return later([done] { done(Result{Outcome::BadAnswer, 0, {}}); });
    whenDone(send("DELETE", href, {}, {{"If-Match", ifMatch.toUtf8()}}),
             [done](QNetworkReply *, Result result) {
                 refusedIfMultistatus(result);
                 // Already gone is what was asked.
                 if (result.status == 404)
                     return done(Result());
                 done(result);
             });
}
