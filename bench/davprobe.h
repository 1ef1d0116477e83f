#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrl>

// A plain HTTP client of the benchmark's own, for what the server itself costs: one request at a
// time, waited for, timed from sending it to its last byte. It names itself in the User-Agent, so
// that the server's log tells its requests from the diary's.
class DavProbe
{
public:
    static constexpr const char *kAgent = "vespolari-bench-probe";

    struct Answer
    {
        int status = 0;
        QByteArray body;
        double ms = 0;
    };

    // Any calendar of that server: paths are absolute, as in hrefs.
    explicit DavProbe(const QUrl &server);

    Answer send(const QByteArray &verb, const QString &path, const QByteArray &body = {},
                const QList<QPair<QByteArray, QByteArray>> &headers = {});
    Answer makeCalendar(const QString &path);
    // RFC 6578 at sync-level 1 with ETags only; an empty token asks for everything.
    Answer syncCollection(const QString &calendar, const QString &token);
    // Every event's href and ETag, as a calendar-query.
    Answer listing(const QString &calendar);
    Answer multiget(const QString &calendar, const QStringList &hrefs);
    // Only where nothing is yet.
    Answer putNew(const QString &href, const QByteArray &event);
    Answer remove(const QString &href);

    static QString syncToken(const QByteArray &answer);
    // The hrefs of a multistatus' responses, as written there.
    static QStringList hrefs(const QByteArray &answer);

private:
    QUrl m_server;
    QNetworkAccessManager m_net;
};
