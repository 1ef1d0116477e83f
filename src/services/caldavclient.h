#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace DavAnswer {
struct Response;
}
class QAuthenticator;
class QNetworkAccessManager;
class QNetworkReply;

// Speaks CalDAV (RFC 4791) to one calendar collection: the probe, the ETags of its events, their
// bodies, and writing or deleting one event guarded by its ETag. Everything is asynchronous on the
// caller's event loop; no call waits. Each answer comes to the callback given, once.
//
// Nothing leaves the calendar's own origin: an href from an answer counts only when it names a
// resource directly inside the collection, the password goes only where the calendar is, and a
// redirect elsewhere, or of a write, is not followed. Every answer is bounded in bytes and in time.
class CalDavClient : public QObject
{
    Q_OBJECT

public:
    struct Account
    {
        QUrl calendar;  // the collection, ending in '/'
        QString user;   // empty: a server without authentication
        QString password;
    };

    enum class Outcome {
        Ok,
        CalendarFound,
        Unauthorized,
        NotACalendar,
        Unreachable,
        CertificateRefused,
        Changed,   // the ETag no longer matches: someone else wrote first
        Refused,   // forbidden, read-only, or full
        BadAnswer, // an answer this client cannot read
        Redirected, // sent elsewhere, and not followed
        TooLarge,
        TooSlow,
        TokenRefused,  // the sync-token is expired or unknown there: ask again without one
        NotSupported,  // no sync-collection report on this server
    };

    struct Result
    {
        Outcome outcome = Outcome::Ok;
        int status = 0;   // HTTP status, 0 when none came
        QString detail;   // the calendar's name, or what went wrong on the way
        int ignored = 0;  // hrefs of the answers naming nothing inside the calendar, left out

        bool ok() const { return outcome == Outcome::Ok || outcome == Outcome::CalendarFound; }
        // What the user reads, in Italian.
        QString describe() const;
    };

    struct Body
    {
        QString etag;
        QByteArray data;
    };

    // What changed since a sync-token (RFC 6578), or, asked without one, the whole calendar.
    struct Changes
    {
        QHash<QString, QString> etags;  // new or changed, with their ETag
        QStringList gone;               // deleted since the token
        QString token;                  // to ask with next time; empty when the server gave none
        bool whole = false;             // asked without a token: `etags` is every event there is
        bool truncated = false;         // the server has more to say: ask again with `token`
    };

    explicit CalDavClient(QObject *parent = nullptr);
    ~CalDavClient() override;

    void setAccount(const Account &account);
    const Account &account() const { return m_account; }

    // Whether the address names a calendar this account may read.
    void probe(std::function<void(const Result &)> done);
    // What changed since `token` (empty: everything), in one sync-collection REPORT.
    void changes(const QString &token, std::function<void(const Result &, const Changes &)> done);
    // The collection's getctag, for a server without sync-tokens; empty when it has none either.
    void ctag(std::function<void(const Result &, const QString &)> done);
    // Every event resource of the calendar and its ETag, without bodies: the quick pass.
    void etags(std::function<void(const Result &, const QHash<QString, QString> &)> done);
    // The bodies of these resources, asked in batches; `progress` hears of each batch answered.
    void multiget(const QStringList &hrefs, std::function<void(const Result &, const QHash<QString, Body> &)> done,
                  std::function<void(int done, int total)> progress = {});
    // Writes one event: over the version with that ETag, or, with none, only where nothing is yet.
    // The callback gets the new ETag when the server says it.
    void put(const QString &href, const QByteArray &body, const QString &ifMatch,
             std::function<void(const Result &, const QString &)> done);
    void remove(const QString &href, const QString &ifMatch, std::function<void(const Result &)> done);

    // Where a new event with this uid goes.
    QString hrefFor(const QString &uid) const;
    // Whether a path, decoded, names a resource directly inside that calendar: one segment below
    // it, neither the calendar itself nor a dot-segment.
    static bool isInside(const QUrl &calendar, const QString &path);
    // Whether an ETag may go back into a header as it is: no control characters.
    static bool isSafeEtag(const QString &etag);
    // How long a request may take, its whole answer included.
    void setTimeout(int msecs) { m_timeoutMs = msecs; }
    // Requests not answered yet.
    int pending() const { return m_pending; }
    // Every request still open ends now, each answered as `outcome` (unreachable, by default).
    void abortAll(Outcome outcome = Outcome::Unreachable, const QString &detail = {});

private:
    enum class Place { Inside, Calendar, Outside };

    QNetworkReply *send(const QByteArray &verb, const QString &href, const QByteArray &body,
                        const QList<QPair<QByteArray, QByteArray>> &headers);
    void whenDone(QNetworkReply *reply, std::function<void(QNetworkReply *, const Result &)> handler);
    // An answer of the client's own, without asking the server, still from the event loop.
    void later(std::function<void()> answer);
    void authenticate(QNetworkReply *reply, QAuthenticator *authenticator);
    // The hrefs of an answer that name events inside the calendar, with their ETags.
    QHash<QString, QString> insideEtags(const QVector<DavAnswer::Response> &answers, Result &result) const;
    // Where an href from an answer points; `path` gets its decoded path when inside.
    Place placeOf(const QString &href, QString *path) const;
    bool sameOrigin(const QUrl &url) const;
    static Result resultOf(QNetworkReply *reply);

    QNetworkAccessManager *m_net;
    Account m_account;
    int m_pending = 0;
    int m_timeoutMs;
};
