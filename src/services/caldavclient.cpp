#include "caldavclient.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslError>
#include <QXmlStreamReader>

namespace {

const QString kDav = QStringLiteral("DAV:");
const QString kCalDav = QStringLiteral("urn:ietf:params:xml:ns:caldav");
// A server that neither answers nor refuses is given this long per request: a large calendar read
// for the first time may keep a server busy that long before its first byte.
constexpr int kTimeoutMs = 120000;
// Bodies asked per multiget: a few hundred events a request keeps each answer small.
constexpr int kBatch = 200;

struct DavResponse
{
    QString href;
    QString etag;
    QByteArray calendarData;
    bool isCalendar = false;
    QString displayName;
    bool found = true;  // the propstat or the response said 200
};

// A multistatus answer, one entry per <response>; false when it is not one.
bool readMultistatus(const QByteArray &xml, QVector<DavResponse> &out)
{
    QXmlStreamReader r(xml);
    DavResponse current;
    bool sawRoot = false;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            const auto ns = r.namespaceUri();
            const auto name = r.name();
            if (ns == kDav && name == QLatin1String("multistatus")) {
                sawRoot = true;
            } else if (ns == kDav && name == QLatin1String("response")) {
                current = DavResponse();
            } else if (ns == kDav && name == QLatin1String("href")) {
                current.href = QUrl::fromPercentEncoding(r.readElementText().trimmed().toUtf8());
            } else if (ns == kDav && name == QLatin1String("getetag")) {
                current.etag = r.readElementText().trimmed();
            } else if (ns == kDav && name == QLatin1String("displayname")) {
                current.displayName = r.readElementText().trimmed();
            } else if (ns == kDav && name == QLatin1String("status")) {
                const QString status = r.readElementText();
                if (!status.contains(QLatin1String(" 200")))
                    current.found = current.found && !current.etag.isEmpty();
            } else if (ns == kCalDav && name == QLatin1String("calendar")) {
                current.isCalendar = true;
            } else if (ns == kCalDav && name == QLatin1String("calendar-data")) {
                current.calendarData = r.readElementText().toUtf8();
            }
        } else if (r.isEndElement() && r.namespaceUri() == kDav && r.name() == QLatin1String("response")) {
            out << current;
        }
    }
    return sawRoot && !r.hasError();
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
    }
    return {};
}

CalDavClient::CalDavClient(QObject *parent) : QObject(parent), m_net(new QNetworkAccessManager(this))
{
    m_net->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

CalDavClient::~CalDavClient() = default;

void CalDavClient::setAccount(const Account &account)
{
    m_account = account;
    // No address stays none: "/" would be a valid URL naming no server.
    if (m_account.calendar.isEmpty())
        return;
    QString path = m_account.calendar.path();
    if (!path.endsWith(QLatin1Char('/')))
        m_account.calendar.setPath(path + QLatin1Char('/'));
}

QString CalDavClient::hrefFor(const QString &uid) const
{
    return m_account.calendar.path() + QString::fromLatin1(QUrl::toPercentEncoding(uid)) + QStringLiteral(".ics");
}

QNetworkReply *CalDavClient::send(const QByteArray &verb, const QString &href, const QByteArray &body,
                                  const QList<QPair<QByteArray, QByteArray>> &headers)
{
    QNetworkRequest request(href.isEmpty() ? m_account.calendar : m_account.calendar.resolved(QUrl(href)));
    request.setTransferTimeout(kTimeoutMs);
    if (!m_account.user.isEmpty())
        request.setRawHeader("Authorization",
                             "Basic " + (m_account.user + QLatin1Char(':') + m_account.password).toUtf8().toBase64());
    for (const auto &h : headers)
        request.setRawHeader(h.first, h.second);
    if (!body.isEmpty() && !request.hasRawHeader("Content-Type"))
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/xml; charset=utf-8"));
    ++m_pending;
    return m_net->sendCustomRequest(request, verb, body);
}

CalDavClient::Result CalDavClient::resultOf(QNetworkReply *reply)
{
    Result result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    switch (reply->error()) {
    case QNetworkReply::SslHandshakeFailedError:
        result.outcome = Outcome::CertificateRefused;
        result.detail = reply->errorString();
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
        result.detail = reply->errorString();
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
        result.outcome = Outcome::Unreachable, result.detail = reply->errorString();
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

void CalDavClient::abortAll()
{
    for (QNetworkReply *reply : m_net->findChildren<QNetworkReply *>())
        if (reply->isRunning())
            reply->abort();
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
        QVector<DavResponse> answers;
        if (result.status != 207 || !readMultistatus(reply->readAll(), answers) || answers.isEmpty()) {
            result.outcome = Outcome::NotACalendar;
            return done(result);
        }
        result.outcome = answers.first().isCalendar ? Outcome::CalendarFound : Outcome::NotACalendar;
        result.detail = answers.first().displayName;
        done(result);
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
    const QString self = m_account.calendar.path();
    QNetworkReply *reply = send("REPORT", {}, body, {{"Depth", "1"}});
    whenDone(reply, [done, self](QNetworkReply *reply, Result result) {
        QHash<QString, QString> found;
        QVector<DavResponse> answers;
        if (result.ok() && !readMultistatus(reply->readAll(), answers))
            result.outcome = Outcome::BadAnswer;
        for (const DavResponse &a : answers)
            if (a.found && a.href != self && !a.etag.isEmpty())
                found.insert(a.href, a.etag);
        done(result, found);
    });
}

void CalDavClient::multiget(const QStringList &hrefs,
                            std::function<void(const Result &, const QHash<QString, Body> &)> done)
{
    struct Gathered
    {
        QHash<QString, Body> bodies;
        Result failure;
        int open = 0;
    };
    auto gathered = std::make_shared<Gathered>();
    if (hrefs.isEmpty())
        return done(Result(), {});
    for (int from = 0; from < hrefs.size(); from += kBatch) {
        QByteArray body = QByteArrayLiteral(
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
            "<c:calendar-multiget xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\">"
            "<d:prop><d:getetag/><c:calendar-data/></d:prop>");
        for (const QString &href : hrefs.mid(from, kBatch))
            body += "<d:href>" + QString::fromLatin1(QUrl::toPercentEncoding(href, "/@:")).toHtmlEscaped().toLatin1()
                    + "</d:href>";
        body += "</c:calendar-multiget>";
        ++gathered->open;
        whenDone(send("REPORT", {}, body, {{"Depth", "1"}}), [done, gathered](QNetworkReply *reply, Result result) {
            QVector<DavResponse> answers;
            if (result.ok() && !readMultistatus(reply->readAll(), answers))
                result.outcome = Outcome::BadAnswer;
            if (!result.ok())
                gathered->failure = result;
            for (const DavResponse &a : answers)
                if (a.found && !a.calendarData.isEmpty())
                    gathered->bodies.insert(a.href, {a.etag, a.calendarData});
            if (--gathered->open == 0)
                done(gathered->failure, gathered->bodies);
        });
    }
}

void CalDavClient::put(const QString &href, const QByteArray &body, const QString &ifMatch,
                       std::function<void(const Result &, const QString &)> done)
{
    QList<QPair<QByteArray, QByteArray>> headers{{"Content-Type", "text/calendar; charset=utf-8"}};
    if (ifMatch.isEmpty())
        headers.append(qMakePair(QByteArray("If-None-Match"), QByteArray("*")));
    else
        headers.append(qMakePair(QByteArray("If-Match"), ifMatch.toUtf8()));
    whenDone(send("PUT", href, body, headers), [done](QNetworkReply *reply, const Result &result) {
        done(result, QString::fromUtf8(reply->rawHeader("ETag")));
    });
}

void CalDavClient::remove(const QString &href, const QString &ifMatch, std::function<void(const Result &)> done)
{
    whenDone(send("DELETE", href, {}, {{"If-Match", ifMatch.toUtf8()}}),
             [done](QNetworkReply *, const Result &result) {
                 // Already gone is what was asked.
                 if (result.status == 404)
                     return done(Result());
                 done(result);
             });
}
